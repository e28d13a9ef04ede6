// tick_pieces.exe [runs]: the wall time of each piece of an update step
// under Wine, to see which call dominates a tick.  The plug-in's own code is
// linked in (logging off, as by default) and its probes and readers are
// timed one by one, and the system calls inside them alone, first with no
// player running, then with the fake players beside this program running:
// Winamp and Lilith playing, iTunes, KbMedia Player and BSPlayer stopped.
// Each line gives the median, mean and maximum of `runs` calls after a few
// that warm up.
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>
// After windows.h; version 1 as in the plug-in.
#define PSAPI_VERSION 1
#include <ddeml.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "frame/trace_log.h"
#include "players/bsplayer.h"
#include "players/dde_conversation.h"
#include "players/itunes.h"
#include "players/kbmedia_player.h"
#include "players/lilith.h"
#include "players/player_status.h"
#include "players/winamp.h"
#include "testhost/bsplayer_driver.h"
#include "testhost/dde_player_driver.h"
#include "testhost/host_folder.h"
#include "testhost/itunes_driver.h"
#include "testhost/winamp_driver.h"
#include "tests/bench/timing_program.h"

namespace {

int g_runs = 200;

double nowUs() {
    return 1000.0 * nowMs();
}

// The players' messages to us (DDE acknowledgements, COM's calls) arrive
// while we wait.
void pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD now = GetTickCount();
        if ((LONG)(end - now) <= 0) return;
        MsgWaitForMultipleObjects(0, NULL, FALSE, end - now, QS_ALLINPUT);
    }
}

void report(const char* what, std::vector<double> us) {
    std::sort(us.begin(), us.end());
    double mean = std::accumulate(us.begin(), us.end(), 0.0) / (double)us.size();
    printf("| %s | %.1f | %.1f | %.1f |\n", what, us[us.size() / 2], mean, us.back());
    fflush(stdout);
}

void measure(const char* what, const std::function<void()>& piece) {
    for (int i = 0; i < 5; i++) piece();
    pump(0);
    std::vector<double> us;
    for (int i = 0; i < g_runs; i++) {
        double start = nowUs();
        piece();
        us.push_back(nowUs() - start);
        pump(0);
    }
    report(what, us);
}

// Lilith's status request, as its probe makes it, step by step.
void timeDdeConversation() {
    const char* kSteps[] = {"  DdeInitializeA and the string handles", "  DdeConnect",
                            "  DdeClientTransaction (the request)", "  DdeDisconnect",
                            "  DdeFreeStringHandle and DdeUninitialize"};
    std::vector<double> us[5];
    for (int i = 0; i < g_runs + 5; i++) {
        double t[6];
        t[0] = nowUs();
        DWORD instance = 0;
        DdeInitializeA(&instance, ddeCallback, APPCMD_CLIENTONLY, 0);
        HSZ name = DdeCreateStringHandleA(instance, "LILITH_EXT_CONTROL", CP_WINANSI);
        HSZ item = DdeCreateStringHandleA(instance, "/status", CP_WINANSI);
        t[1] = nowUs();
        HCONV conversation = DdeConnect(instance, name, name, NULL);
        t[2] = nowUs();
        HDDEDATA data = DdeClientTransaction(NULL, 0, conversation, item, CF_TEXT,
                                             XTYP_REQUEST, 3000, NULL);
        if (data) DdeFreeDataHandle(data);
        t[3] = nowUs();
        DdeDisconnect(conversation);
        t[4] = nowUs();
        DdeFreeStringHandle(instance, item);
        DdeFreeStringHandle(instance, name);
        DdeUninitialize(instance);
        t[5] = nowUs();
        if (i >= 5)
            for (int k = 0; k < 5; k++) us[k].push_back(t[k + 1] - t[k]);
        pump(0);
    }
    for (int k = 0; k < 5; k++) report(kSteps[k], us[k]);
}

void probeITunes() {
    ITunesSlot slot = {};
    checkiTunesStatus(&slot);
    releaseiTunes(&slot);
}

// One DDE instance that connects to a service nobody offers: what a probe
// of a DDE player that is not running costs, part by part.
void ddeInstanceAlone() {
    DWORD instance = 0;
    if (DdeInitializeA(&instance, ddeCallback, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR)
        DdeUninitialize(instance);
}

void ddeConnectToNobody() {
    DdeConversation nobody(NULL, "NoSuchTopic", "NoSuchService");
}

// The processes' paths alone, without comparing them.
void listProcessesAndOpenEach() {
    DWORD ids[1000], bytes = 0;
    if (!EnumProcesses(ids, sizeof ids, &bytes)) return;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); i++) {
        HANDLE p =
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        if (p) CloseHandle(p);
    }
}

void comApartment() {
    if (SUCCEEDED(CoInitialize(NULL))) CoUninitialize();
}

void iTunesObjectAlone() {
    static const GUID kClass = {
        0xDC0C2640, 0x1415, 0x4644, {0x87, 0x5C, 0x6F, 0x4D, 0x76, 0x98, 0x39, 0xBA}};
    HRESULT init = CoInitialize(NULL);
    IUnknown* object = NULL;
    if (SUCCEEDED(CoCreateInstance(kClass, NULL, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                   (void**)&object)))
        object->Release();
    if (SUCCEEDED(init)) CoUninitialize();
}

BOOL CALLBACK countOwnWindow(HWND w, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == GetCurrentProcessId()) ++*(int*)count;
    return TRUE;
}

// Top-level windows of this process: a probe should leave none behind.
int ownWindows() {
    int count = 0;
    EnumWindows(countOwnWindow, (LPARAM)&count);
    return count;
}

// Windows left behind by 100 DDE probes, with and without a server, and
// what a few hundred windows more cost a window call of this process.
void countLeftWindows(bool lilithRuns) {
    printf("\nWindows left in this process:\n\n| after 100 | windows |\n|---|---:|\n");
    int before = ownWindows();
    for (int i = 0; i < 100; i++) ddeConnectToNobody();
    printf("| DdeConnect calls that found no server | %d |\n", ownWindows() - before);
    if (lilithRuns) {
        before = ownWindows();
        HWND w;
        for (int i = 0; i < 100; i++) checkLilithStatus(&w);
        printf("| Lilith probes (a conversation each) | %d |\n", ownWindows() - before);
    }
}

void timeWithManyWindows() {
    printf(
        "\nA window call and the number of windows:\n\n| piece | median µs | mean µs | "
        "max µs |\n|---|---:|---:|---:|\n");
    measure("FindWindowA of a class no window has",
            [] { FindWindowA("Winamp v1.x", NULL); });
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "MelodyRibbonPerfFiller";
    RegisterClassA(&wc);
    std::vector<HWND> filler;
    for (int i = 0; i < 500; i++)
        filler.push_back(CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0,
                                         NULL, NULL, wc.hInstance, NULL));
    measure("  the same with 500 more hidden windows in this process",
            [] { FindWindowA("Winamp v1.x", NULL); });
    for (HWND w : filler) DestroyWindow(w);
}

void timeAbsentPlayers() {
    printf(
        "\nNo player running:\n\n| piece | median µs | mean µs | max µs "
        "|\n|---|---:|---:|---:|\n");
    measure("FindWindowA of a class no window has",
            [] { FindWindowA("Winamp v1.x", NULL); });
    HWND w;
    measure("Winamp probe", [&] { checkWinampStatus(&w); });
    measure("iTunes probe (one window lookup)", probeITunes);
    measure(
        "  the process search it spares: EnumProcesses, OpenProcess and CloseHandle of "
        "each",
        listProcessesAndOpenEach);
    measure("KbMedia Player probe", [] { checkkbMediaPlayerStatus(); });
    measure("  DdeInitializeA and DdeUninitialize", ddeInstanceAlone);
    measure("  the same with a DdeConnect that finds no server", ddeConnectToNobody);
    measure("BSPlayer probe", [&] { checkBSplayerStatus(&w); });
    measure("Lilith probe", [&] { checkLilithStatus(&w); });
}

void timeRunningPlayers() {
    printf(
        "\nWinamp and Lilith playing, iTunes, KbMedia Player and BSPlayer "
        "stopped:\n\n| piece | median µs | mean µs | max µs |\n|---|---:|---:|---:|\n");
    HWND winamp = FindWindowA("Winamp v1.x", NULL);
    HWND w;
    WCHAR title[kTitleUnits];
    measure("Winamp probe", [&] { checkWinampStatus(&w); });
    measure("  FindWindowA of a class a window has",
            [] { FindWindowA("Winamp v1.x", NULL); });
    measure("  SendMessageTimeoutA to the player", [&] {
        DWORD_PTR answer;
        SendMessageTimeoutA(winamp, WM_USER, 0, 104, SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000,
                            &answer);
    });
    measure("Winamp title", [&] { getWinampTitle(title, kTitleUnits, winamp); });
    measure("  GetWindowTextW of the player's window", [&] {
        WCHAR caption[1024];
        GetWindowTextW(winamp, caption, 1024);
    });
    measure("iTunes probe (found, stopped)", probeITunes);
    measure("  the process search", [] { DispProcessIDs("iTunes.exe"); });
    measure("  CoInitialize and CoUninitialize", comApartment);
    measure("  the same with CoCreateInstance and Release", iTunesObjectAlone);
    // A host whose thread is in a COM apartment already, as many are: the
    // probe's CoUninitialize then leaves the apartment standing.
    if (SUCCEEDED(CoInitialize(NULL))) {
        measure("iTunes probe, the host's thread in an apartment", probeITunes);
        measure("  CoCreateInstance and Release", iTunesObjectAlone);
        CoUninitialize();
    }
    measure("KbMedia Player probe (stopped)", [] { checkkbMediaPlayerStatus(); });
    measure("BSPlayer probe (stopped)", [&] { checkBSplayerStatus(&w); });
    HWND lilith = NULL;
    measure("Lilith probe (playing)", [&] { checkLilithStatus(&lilith); });
    timeDdeConversation();
    measure("Lilith title", [&] { getLilithTitle(title, kTitleUnits, lilith); });
}

// One line with the trace log on: the file is opened, written and closed.
void timeLogLine() {
    printf(
        "\nThe trace log:\n\n| piece | median µs | mean µs | max µs "
        "|\n|---|---:|---:|---:|\n");
    measure("a line with logging off", [] { writeLog("Oparating...%d.", 0); });
    std::string path = testhost::hostFolder() + "tick_pieces.Log";
    lstrcpynA(g_logPath, path.c_str(), kLogPathBytes);
    g_logEnabled = true;
    measure("a line with logging on", [] { writeLog("Oparating...%d.", 0); });
    measure("  CreateFileA and CloseHandle", [&] {
        HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    });
    HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    measure("  WriteFile of the line", [&] {
        DWORD written;
        WriteFile(f, "Oparating...0.\r\n", 16, &written, NULL);
    });
    CloseHandle(f);
    g_logEnabled = false;
    DeleteFileA(path.c_str());
}

bool check(bool ok, const std::string& error) {
    if (!ok) printf("could not start the fakes: %s\n", error.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    AddVectoredExceptionHandler(1, reportFault);
    if (argc > 1 && atoi(argv[1]) > 0) g_runs = atoi(argv[1]);
    printf("%d runs of each piece\n", g_runs);
    timeWithManyWindows();
    timeAbsentPlayers();
    timeLogLine();
    countLeftWindows(false);

    std::string error;
    testhost::WinampDriver winamp(pump);
    testhost::ITunesDriver iTunes(pump);
    testhost::DdePlayerDriver kbmedia("fake_kbmedia.exe", "FakeKbMediaPlayer", pump);
    testhost::DdePlayerDriver lilith("fake_lilith.exe", "Lilith", pump);
    testhost::BsPlayerDriver bsplayer(pump);
    bool ok =
        check(
            winamp.start("playing", testhost::widen("1. Artist - Song - Winamp"), &error),
            error) &&
        check(iTunes.start(&error), error) && check(kbmedia.start({}, &error), error) &&
        check(bsplayer.start(0, &error), error) &&
        check(lilith.start(testhost::widen("[01/10] Lilith \xef\xbc\xbd"
                                           "Artist - Song"),
                           &error),
              error);
    if (ok) {
        timeRunningPlayers();
        countLeftWindows(true);
    }
    winamp.quit(&error);
    kbmedia.quit(&error);
    lilith.quit(&error);
    bsplayer.quit(&error);
    iTunes.finish();
    return ok ? 0 : 1;
}

#include "players/itunes.h"

// Without this the headers route the process-status calls to kernel32's K32
// entry points, which only Windows 7 and later have; psapi.dll has them on
// every NT system since NT 4.
#define PSAPI_VERSION 1
#include <psapi.h>
#include <string.h>
#include <tlhelp32.h>

#include "frame/calling_convention.h"
#include "frame/trace_log.h"
#include "frame/wide_text.h"
#include "players/player_window.h"

namespace {

const GUID kApplicationClass = {
    0xDC0C2640, 0x1415, 0x4644, {0x87, 0x5C, 0x6F, 0x4D, 0x76, 0x98, 0x39, 0xBA}};
const GUID kApplicationInterface = {
    0x9DD6680B, 0x3EDC, 0x40DB, {0xA7, 0x71, 0xE6, 0xFE, 0x48, 0x32, 0xE3, 0x4A}};

// Method positions in iTunes's interfaces, counted from QueryInterface.
enum {
    kRelease = 2,
    kAppPlayerState = 39,  // LONG: 0 stopped, anything else plays
    kAppDisplay = 58,      // the display object
    kAppCurrentTrack = 62,
    kDisplayVisible = 9,  // VARIANT_BOOL
    kTrackTitle = 8,      // BSTR
    kTrackArtist = 22,    // BSTR
};

// iTunes's methods are called by their position in the object's method
// table, which is what its published interface fixes, so that neither its
// headers nor its type library are needed to build.  Every COM object
// starts with a pointer to that table; each method takes the object first.
// The getters take one out-argument; Release takes none, and stdcall makes
// the callee pop what it takes, so the two kinds are called through their
// own exact types.
void* slotOf(void* object, int slot) {
    return (*(void***)object)[slot];
}

HRESULT askObject(void* object, int slot, void* answer) {
    typedef HRESULT(STDMETHODCALLTYPE * Getter)(void* self, void* answer);
    MR_ASSERT_STDCALL(Getter);
    return ((Getter)slotOf(object, slot))(object, answer);
}

void releaseObject(void* object) {
    typedef ULONG(STDMETHODCALLTYPE * Release)(void* self);
    MR_ASSERT_STDCALL(Release);
    ((Release)slotOf(object, kRelease))(object);
}

// A getter that fails may leave its out-argument as it was; only a
// successful non-null answer counts as an object.
void* askForObject(void* object, int slot) {
    void* answer = NULL;
    if (FAILED(askObject(object, slot, &answer))) return NULL;
    return answer;
}

// A failed call (a dead server) leaves the string null, like one iTunes
// did not give, but tells the caller.
bool askForString(void* track, int slot, BSTR* text) {
    *text = NULL;
    if (SUCCEEDED(askObject(track, slot, text))) return true;
    *text = NULL;
    return false;
}

PlayerStatus giveUp(ITunesSlot* slot, const char* reason) {
    writeLogText(reason);
    releaseiTunes(slot);
    return kITunesNotPlaying;
}

bool pathContains(const char* path, const char* name) {
    return strstr(path, name) != NULL;
}

// Vista and later name a process's executable with one query, which also
// reaches 64-bit processes from this 32-bit module on 64-bit Windows, whose
// loader data psapi cannot read there (so a 64-bit iTunes would never be
// found).  Earlier systems lack it and ask psapi for the path of the first
// module, the executable.  Both give its full path.  Looked up at run time,
// as importing it would stop the module loading on XP.
typedef BOOL(WINAPI* ImageNameQuery)(HANDLE process, DWORD flags, LPSTR path,
                                     PDWORD size);
MR_ASSERT_STDCALL(ImageNameQuery);

ImageNameQuery findImageNameQuery() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return NULL;
    return (ImageNameQuery)(void*)GetProcAddress(kernel, "QueryFullProcessImageNameA");
}

// The access psapi needs, asked for with the query too, so that both ways
// look at the same processes.
bool processPathContains(DWORD id, const char* name, ImageNameQuery query) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    if (!process) return false;
    char path[MAX_PATH];
    DWORD n = sizeof path;
    if (!query || !query(process, 0, path, &n))
        n = GetModuleFileNameExA(process, NULL, path, sizeof path);
    bool match = false;
    if (n > 0) {
        path[n < sizeof path ? n : sizeof path - 1] = '\0';
        match = pathContains(path, name);
    }
    CloseHandle(process);
    return match;
}

// While iTunes.exe exits it has already withdrawn its class, and creating
// the application object would start it anew; a hung iTunes would hold the
// host in the first COM call, which has no time-out.  Its main window is
// the sign of a live iTunes: it must be there and answer within the
// players' bound.  Without it the probe costs one window lookup.
enum iTunesWindow { kNoWindow, kWindowSilent, kWindowAnswers };

iTunesWindow askMainWindow() {
    HWND window = FindWindowA("iTunes", NULL);
    if (window == NULL) return kNoWindow;
    LRESULT ignored = 0;
    return askPlayerWindow(window, WM_NULL, 0, 0, &ignored) ? kWindowAnswers
                                                            : kWindowSilent;
}

}  // namespace

void releaseiTunes(ITunesSlot* slot) {
    if (slot->application) releaseObject(slot->application);
    slot->application = NULL;
    if (slot->comInitialised) CoUninitialize();
    slot->comInitialised = false;
}

PlayerStatus checkiTunesStatus(ITunesSlot* slot) {
    slot->application = NULL;
    slot->comInitialised = false;
    iTunesWindow window = askMainWindow();
    if (window == kNoWindow) return kITunesNotPlaying;
    if (window == kWindowSilent) {
        writeLogText("checkiTunesStatus Exit  Reason:iTunes Not Answering.");
        return kITunesNotPlaying;
    }
    if (!DispProcessIDs("iTunes.exe")) return kITunesNotPlaying;

    // S_FALSE (the host initialised the thread already) still counts and
    // must be undone; RPC_E_CHANGED_MODE leaves a multithreaded apartment
    // that works for our calls but is the host's to end.
    HRESULT init = CoInitialize(NULL);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE)
        return giveUp(slot, "checkiTunesStatus Exit  Reason:COM Not Initialized.");
    slot->comInitialised = SUCCEEDED(init);
    void* application = NULL;
    if (FAILED(CoCreateInstance(kApplicationClass, NULL, CLSCTX_LOCAL_SERVER,
                                kApplicationInterface, &application)))
        application = NULL;
    slot->application = application;
    if (!application)
        return giveUp(slot, "checkiTunesStatus Exit  Reason:iTunes Not Connected.");

    VARIANT_BOOL visible = 0;
    void* display = askForObject(application, kAppDisplay);
    HRESULT asked = E_POINTER;
    if (display) {
        asked = askObject(display, kDisplayVisible, &visible);
        releaseObject(display);
    }
    if (FAILED(asked))
        return giveUp(slot, "checkiTunesStatus Exit  Reason:iTunes Not Answering.");
    if (visible == 0)
        return giveUp(slot, "checkiTunesStatus Exit  Reason:iTunes Not Displayed.");

    LONG state = 0;
    if (FAILED(askObject(application, kAppPlayerState, &state)))
        return giveUp(slot, "checkiTunesStatus Exit  Reason:iTunes Not Answering.");
    if (state == 0)
        return giveUp(slot, "checkiTunesStatus Exit  Reason:iTunes Not Playing.");
    return kITunesPlaying;
}

bool getiTunesTitle(WCHAR* title, int capacity, ITunesSlot* slot) {
    if (capacity > 0) memset(title, 0, (size_t)capacity * sizeof(WCHAR));
    void* track =
        slot->application ? askForObject(slot->application, kAppCurrentTrack) : NULL;
    BSTR name = NULL, artist = NULL;
    bool answered = track != NULL;
    if (track) answered = askForString(track, kTrackTitle, &name);
    // The format's own line feed gives an empty line after each, as users'
    // logs have always shown.
    writeLogWide("Title:%s\n", name);
    if (answered) answered = askForString(track, kTrackArtist, &artist);
    writeLogWide("Artist:%s\n", artist);
    if (answered && capacity > 0) composeTitleArtist(title, capacity, name, artist);
    SysFreeString(name);
    SysFreeString(artist);
    if (track) releaseObject(track);
    releaseiTunes(slot);
    if (!answered) writeLogText("getiTunesTitle Exit  Reason:iTunes Not Answering.");
    return answered;
}

bool DispProcessIDs(const char* name) {
    writeLogText("@@DispProcessIDs");
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    bool found = false;
    if (GetVersionExA(&version)) {
        if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
            found = findProcess9x(name);
        if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) found = findProcessNT(name);
    }
    writeLogText("#DispProcessIDs");
    return found;
}

// On the 9x platform a snapshot's szExeFile is the executable's full path.
bool findProcess9x(const char* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry;
    ZeroMemory(&entry, sizeof entry);
    entry.dwSize = sizeof entry;
    bool match = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !match;
         more = Process32Next(snapshot, &entry)) {
        entry.szExeFile[MAX_PATH - 1] = '\0';
        match = pathContains(entry.szExeFile, name);
    }
    CloseHandle(snapshot);
    return match;
}

// Only the first 1000 processes are looked at, in the order listed.  Under
// Wine every question about another process is a round trip to its server,
// so the search asks each process one question for its path, not a walk
// of all its modules first.
bool findProcessNT(const char* name) {
    DWORD ids[1000];
    DWORD filled = 0;
    if (!EnumProcesses(ids, sizeof ids, &filled)) return false;
    DWORD count = filled / sizeof(DWORD);
    if (count > 1000) count = 1000;
    ImageNameQuery query = findImageNameQuery();
    for (DWORD i = 0; i < count; i++)
        if (processPathContains(ids[i], name, query)) return true;
    return false;
}

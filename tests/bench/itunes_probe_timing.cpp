// itunes_probe_timing.exe [idle processes]: the wall time of the iTunes
// probe under Wine, without iTunes and with the fake iTunes.exe beside this
// program, cold (the first in the process) and warm (the median of the
// rest).  Optional idle copies of this program make the process list longer,
// as on a desktop with many programs running.
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>
// After windows.h; version 1 as in the plug-in.
#define PSAPI_VERSION 1
#include <psapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakeplayers/fake_control.h"
#include "players/itunes.h"
#include "players/player_status.h"
#include "tests/bench/timing_program.h"

namespace {

const int kRuns = 40;

template <class Step>
void measure(const char* what, Step step) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; i++) {
        double start = nowMs();
        step();
        ms.push_back(nowMs() - start);
    }
    double cold = ms[0];
    std::vector<double> warm(ms.begin() + 1, ms.end());
    std::sort(warm.begin(), warm.end());
    printf("%-44s cold %8.2f ms   warm median %8.2f ms (min %.2f, max %.2f)\n", what,
           cold, warm[warm.size() / 2], warm.front(), warm.back());
    fflush(stdout);
}

std::string besideProgram(const char* file) {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1) + file;
}

HANDLE startProgram(const std::string& commandLine) {
    std::string line = commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return NULL;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

HWND waitForWindow(const char* className) {
    for (int i = 0; i < 750; i++) {
        HWND w = FindWindowA(className, NULL);
        if (w) return w;
        Sleep(20);
    }
    return NULL;
}

void probeAndEnd() {
    ITunesSlot slot = {};
    checkiTunesStatus(&slot);
    releaseiTunes(&slot);
}

void probeAndRead() {
    ITunesSlot slot = {};
    if (checkiTunesStatus(&slot) != kITunesPlaying) return;
    WCHAR title[kTitleUnits];
    getiTunesTitle(title, kTitleUnits, &slot);
}

}  // namespace

int main(int argc, char** argv) {
    AddVectoredExceptionHandler(1, reportFault);
    if (argc == 2 && std::string(argv[1]) == "idle") {
        Sleep(INFINITE);
        return 0;
    }
    int idle = argc > 1 ? atoi(argv[1]) : 0;
    std::vector<HANDLE> idlers;
    for (int i = 0; i < idle; i++) {
        HANDLE p =
            startProgram("\"" + besideProgram("itunes_probe_timing.exe") + "\" idle");
        if (p) idlers.push_back(p);
    }
    if (idle) Sleep(1000);
    DWORD ids[1024], bytes = 0;
    EnumProcesses(ids, sizeof ids, &bytes);
    printf("processes listed: %lu\n", (unsigned long)(bytes / sizeof(DWORD)));

    measure("iTunes absent: probe (one window lookup)", probeAndEnd);
    measure("iTunes absent: process search (not made)",
            [] { DispProcessIDs("iTunes.exe"); });

    HANDLE iTunes = startProgram("\"" + besideProgram("iTunes.exe") + "\"");
    HWND control = iTunes ? waitForWindow("MelodyRibbonFakeITunes") : NULL;
    if (!control) {
        printf("the fake iTunes did not start\n");
        return 1;
    }
    SendMessageA(control, fake::kSetState, 1, 0);  // playing
    measure("iTunes running: search alone", [] { DispProcessIDs("iTunes.exe"); });
    measure("iTunes running: probe, then released", probeAndEnd);
    measure("iTunes running: probe and title", probeAndRead);

    PostMessageA(control, WM_CLOSE, 0, 0);
    WaitForSingleObject(iTunes, 10000);
    for (HANDLE p : idlers) TerminateProcess(p, 0);
    printf("done\n");
    return 0;
}

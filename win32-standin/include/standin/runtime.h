// Test-side control of the simulated Windows Runtime behind the Linux
// stand-in: combase.dll's functions and the system media session manager.
//
// LoadLibraryExA("combase.dll", NULL, LOAD_LIBRARY_SEARCH_SYSTEM32) gives a
// module whose functions GetProcAddress finds; RoGetActivationFactory of the
// session manager's class hands out its statics, whose RequestAsync answers
// with an operation that completes after a scripted delay of the simulated
// clock (Sleep moves it), and so on down to the sessions, their playback
// info and media properties, which a test scripts here.  A test reads back
// what the plug-in did: its calls by name, the objects and strings it still
// holds, the initialisations it did not balance and any call made outside
// the apartment or on a released object.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace standin {

struct SimSession {
    std::u16string appId;
    int playback = 4;  // 0 closed .. 3 stopped, 4 playing, 5 paused
    std::u16string title;
    std::u16string artist;
    bool properties = true;  // false: its properties operation completes with none
};

// The host thread's apartment before the plug-in runs (as for COM):
// RoInitialize of another kind than the thread's answers RPC_E_CHANGED_MODE.
enum class RuntimeApartment { kNone, kSingleThreaded, kMultithreaded };

struct RuntimeScript {
    bool combase = true;          // false: no combase.dll (XP, 7)
    std::string missingFunction;  // a combase export that is not there
    bool classRegistered = true;  // false: REGDB_E_CLASSNOTREG (Windows 8)
    RuntimeApartment host = RuntimeApartment::kNone;
    std::vector<SimSession> sessions;  // GetSessions's order
    int current = -1;                  // GetCurrentSession's index; -1 none
    DWORD managerDelayMs = 0;          // RequestAsync completes this late
    DWORD propertiesDelayMs = 0;       // TryGetMediaPropertiesAsync likewise
    // A call by name ("RequestAsync", "GetCurrentSession", "GetSessions",
    // "Size", "GetAt", "SourceAppUserModelId", "GetPlaybackInfo",
    // "PlaybackStatus", "TryGetMediaPropertiesAsync", "Status",
    // "GetResults", "Title", "Artist", "RoInitialize",
    // "RoGetActivationFactory") that fails failTimes times (-1: always).
    std::string failCall;
    int failTimes = 0;
    // Operations that end in the Error status instead of completing.
    bool operationsFail = false;
    // Runs once inside the named call, as a call into another process may
    // run a modal message loop in which the host does something (switches
    // publishing off, calls Terminate).
    std::string reenterDuring;
    std::function<void()> reenter;
};
RuntimeScript& runtime();

int runtimeCalls(const std::string& name);  // calls of that name so far
int combaseLoads();                         // LoadLibraryExA of combase
DWORD combaseLoadFlags();                   // the flags of the last one
int liveCombaseRefs();                      // loads minus FreeLibrary
int runtimeInitDepth();  // RoInitialize that took effect minus RoUninitialize
int excessRoUninits();   // RoUninitialize beyond the plug-in's own
int lastRoInitType();    // -1 before any
int liveRuntimeObjects();
int liveRuntimeStrings();
int strayRuntimeCalls();  // on a released object, or outside the apartment
DWORD longestSleepMs();
DWORD totalSleepMs();

}  // namespace standin

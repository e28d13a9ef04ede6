// How the test host steers a fake DDE player (fake_kbmedia.exe,
// fake_lilith.exe): WM_COPYDATA to the fake's window, dwData one of these.
#pragma once

#include <windows.h>

namespace fakedde {

enum Control : ULONG_PTR {
    // Payload: UTF-16 item name, NUL, UTF-16 value.  The fake answers the
    // item with the value in the ANSI code page, NUL-terminated (CF_TEXT).
    kSetItem = 1,
    // Payload: a Behaviour.
    kSetBehaviour = 2,
};

enum Mode : DWORD {
    kAnswer = 0,  // at once
    kSilent = 1,  // never, while staying responsive
    kLate = 2,    // after ms, from a timer, staying responsive meanwhile
    kBusy = 3,    // the next request only: after ms asleep in the window
                  // procedure (a player that hangs, then recovers)
};

struct Behaviour {
    DWORD mode;
    DWORD ms;
};

}  // namespace fakedde

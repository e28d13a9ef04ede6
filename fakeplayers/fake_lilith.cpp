// A stand-in for Lilith, driven by the test host.
//
//   fake_lilith.exe <caption...>
//
// A window of class "Lilith" whose caption is everything after the program's
// name (WM_SETTEXT changes it), and a DDE server "LILITH_EXT_CONTROL" whose
// item "/status" answers "play" until the host sets it otherwise (see
// fake_control.h).  WM_CLOSE quits.
#include "raw_dde_server.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return fake::runFakeDdePlayer(instance, L"Lilith", L"LILITH_EXT_CONTROL",
                                  L"LILITH_EXT_CONTROL", fake::commandLineRest(),
                                  L"/status", L"play");
}

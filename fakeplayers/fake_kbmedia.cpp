// A stand-in for KbMedia Player's DDE server, driven by the test host.
//
//   fake_kbmedia.exe
//
// Serves service and topic "KbMedia Player" with the items "Status",
// "Title" and "Artist" in CF_TEXT; until the host sets them (see
// fake_control.h), "Status" is "Stop" and the others are refused.
// WM_CLOSE quits.
#include "raw_dde_server.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return fake::runFakeDdePlayer(instance, L"FakeKbMediaPlayer", L"KbMedia Player",
                                  L"KbMedia Player", L"KbMedia Player", L"Status",
                                  L"Stop");
}

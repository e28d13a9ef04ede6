// A stand-in for the Winamp main window, driven by the test host.
//
//   fake_winamp.exe <playing|stopped|paused> <caption...>
//
// Everything after the state word and one space is the caption, verbatim, so
// the host needs no quoting rules.  While it runs the host steers it with
// the orders of fake_control.h: the caption (WM_SETTEXT, which the plug-in
// reads with GetWindowText), the play state as the status query answers it
// (0, 1, 3), a hang, a quit right after the next status query.
#include <windows.h>

#include <string>

#include "fake_control.h"

namespace {

const UINT kStatusQuery = 104;  // lParam of WM_USER: "are you playing?"

enum PlayState { kStopped = 0, kPlaying = 1, kPaused = 3 };

fake::WindowFake g_fake = {kStopped, false};

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_USER:
        // Other queries of the real player are unknown to us: answer 0.
        return lParam == kStatusQuery ? fake::answerStatus(hwnd, &g_fake) : 0;
    default: {
        LRESULT result;
        if (fake::answerControl(msg, wParam, &g_fake, &result)) return result;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    }
}

void parseCommandLine(LRESULT* state, std::wstring* caption) {
    const wchar_t* p = fake::commandLineRest();
    const wchar_t* word = p;
    while (*p && *p != L' ') ++p;
    std::wstring stateWord(word, p);
    if (*p == L' ') ++p;
    *caption = p;
    if (stateWord == L"playing") {
        *state = kPlaying;
    } else if (stateWord == L"paused") {
        *state = kPaused;
    } else {
        *state = kStopped;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::wstring caption;
    parseCommandLine(&g_fake.state, &caption);
    return fake::runFakeWindow(instance, L"Winamp v1.x", caption.c_str(), windowProc, 275,
                               116);
}

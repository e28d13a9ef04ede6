// How the test host steers the fake players: the orders every fake takes
// through its control window, besides the real player's own interface.
//
// Window messages (the answer is 1 when the order was taken):
//   kSetState, wParam        the play state to answer from now on
//   kHang, wParam            sleep wParam ms inside the window procedure
//                            (Winamp, BSPlayer, iTunes; posted, so the host
//                            never waits)
//   kQuitAfterStatus         quit right after answering the next status query:
//                            the window is gone before the answer arrives, as
//                            with a player the user closes at that moment
//   kSetVisible, wParam      iTunes: displayed (1) or not (0)
//   kDieAfter, wParam        iTunes: answer wParam more calls, die at the next
//   kCountObjects            iTunes: answers the number of objects alive
//   kSlow, wParam            iTunes: answer every call wParam ms late
//   kSetMainWindow, wParam   iTunes: its main window (class "iTunes") there
//                            (1) or gone (0), the process and its COM class
//                            staying, as while the player exits
//   WM_SETTEXT               the caption (Winamp, Lilith)
//   WM_CLOSE                 quit
// WM_COPYDATA, dwData one of CopyOrder:
//   kSetItem                 DDE players: UTF-16 item name, NUL, UTF-16 value;
//                            the item is answered with the value in the ANSI
//                            code page, NUL-terminated (CF_TEXT)
//   kSetBehaviour            DDE players: a Behaviour
//   kSetFile                 BSPlayer: the path to report, ANSI bytes
//   kSetTitle, kSetArtist    iTunes: UTF-16 text (cbData bytes)
//   kNoTitle, kNoArtist      iTunes: the string is missing (null)
#pragma once

#include <windows.h>

namespace fake {

enum Order : UINT {
    kSetState = WM_APP + 1,
    kHang = WM_APP + 2,
    kQuitAfterStatus = WM_APP + 3,
    kSetVisible = WM_APP + 4,
    kDieAfter = WM_APP + 5,
    kCountObjects = WM_APP + 6,
    kSlow = WM_APP + 7,
    kSetMainWindow = WM_APP + 20,
};

enum CopyOrder : ULONG_PTR {
    kSetItem = 1,
    kSetBehaviour = 2,
    kSetFile = 3,
    kSetTitle = 4,
    kSetArtist = 5,
    kNoTitle = 6,
    kNoArtist = 7,
};

// How a fake DDE player answers requests.
enum Mode : DWORD {
    kAnswer = 0,  // at once
    kSilent = 1,  // never, while staying responsive
    kLate = 2,    // after ms, from a timer, staying responsive meanwhile
    kBusy = 3,    // the next request only: after ms asleep in the window
                  // procedure (a player that hangs, then recovers)
    kDie = 4,     // after answering ms requests more, the process ends at
                  // the next without a word, in the middle of the
                  // conversation (a player that crashes)
};

struct Behaviour {
    DWORD mode;
    DWORD ms;  // kDie: requests still answered
};

// The play state and the pending quit of a fake with a window interface.
struct WindowFake {
    LRESULT state;
    bool quitAfterStatus;
};

// Answers the orders that every window fake takes, or the window's end,
// into *result; false for any other message.
inline bool answerControl(UINT msg, WPARAM wParam, WindowFake* fake, LRESULT* result) {
    *result = 1;
    switch (msg) {
    case kSetState:
        fake->state = static_cast<LRESULT>(wParam);
        return true;
    case kHang:
        Sleep(static_cast<DWORD>(wParam));
        return true;
    case kQuitAfterStatus:
        fake->quitAfterStatus = true;
        return true;
    case WM_DESTROY:
        PostQuitMessage(0);
        *result = 0;
        return true;
    default:
        return false;
    }
}

// The answer to the player's own status query.  A fake told to quit
// destroys its window first: the answer still reaches the asker, and the
// window is gone by then.
inline LRESULT answerStatus(HWND window, WindowFake* fake) {
    if (fake->quitAfterStatus) DestroyWindow(window);
    return fake->state;
}

// Opens the fake's window and runs its messages until the window is
// destroyed.  Exit codes 2 and 3 tell the host which step failed.
inline int runFakeWindow(HINSTANCE instance, const wchar_t* windowClass,
                         const wchar_t* caption, WNDPROC proc, int width, int height) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = windowClass;
    if (!RegisterClassW(&wc)) return 2;
    HWND hwnd =
        CreateWindowExW(0, windowClass, caption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, width, height, NULL, NULL, instance, NULL);
    if (!hwnd) return 3;
    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// Everything after the program's name on the command line.
inline const wchar_t* commandLineRest() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

}  // namespace fake

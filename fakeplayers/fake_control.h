// The test host's control messages, which every fake player answers alike.
//   WM_APP + 1, wParam   the play state to answer from now on
//   WM_APP + 2, wParam   hang: sleep wParam ms inside the window procedure
#pragma once

#include <windows.h>

// Answers a control message or the window's end into *result; false for
// any other message.
inline bool answerControl(UINT msg, WPARAM wParam, LRESULT* state, LRESULT* result) {
    switch (msg) {
    case WM_APP + 1:
        *state = static_cast<LRESULT>(wParam);
        *result = 1;
        return true;
    case WM_APP + 2:
        Sleep(static_cast<DWORD>(wParam));
        *result = 1;
        return true;
    case WM_DESTROY:
        PostQuitMessage(0);
        *result = 0;
        return true;
    default:
        return false;
    }
}

// Messages to a player's main window.  Players are other programs and may
// hang; the host's thread must never wait on one for long.
#pragma once

#include <windows.h>

enum { kPlayerAnswerTimeoutMs = 2000 };

// Sends msg and waits at most kPlayerAnswerTimeoutMs for the answer.
// Returns false when the window did not answer in time (or is gone).
bool askPlayerWindow(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                     LRESULT* answer);

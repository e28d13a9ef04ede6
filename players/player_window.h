// A player's main window: messages to it, and the title in its caption.
// Players are other programs and may hang; the host's thread must never
// wait on one for long.
#pragma once

#include <windows.h>

enum { kPlayerAnswerTimeoutMs = 2000 };

// Sends msg and waits at most kPlayerAnswerTimeoutMs for the answer.
// Returns false when the window did not answer in time (or is gone).
bool askPlayerWindow(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                     LRESULT* answer);

// Cuts a player's title out of its caption into out (capacity units).
typedef void (*CaptionCutter)(const WCHAR* caption, WCHAR* out, int capacity);

// Reads the window's caption in UTF-16 (another process's caption comes
// from the window manager, without a message, so a hung player cannot hold
// us here), cuts the title out with cut, and fills the caller's whole
// buffer with it, so that no stale units follow the title.  Logs it with
// logFormat ("Label[%s]").  True when the title is not empty.
bool readCaptionTitle(HWND window, CaptionCutter cut, WCHAR* title, int capacity,
                      const char* logFormat);

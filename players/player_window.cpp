#include "players/player_window.h"

#include <string.h>

#include "frame/trace_log.h"
#include "frame/wide_text.h"

bool askPlayerWindow(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                     LRESULT* answer) {
    DWORD_PTR result = 0;
    // Not SMTO_BLOCK: a player that sends one of our windows a message while
    // it answers would then wait for us as we wait for it, for the whole
    // bound.  What is sent to this thread meanwhile is handled; the update
    // step guards itself against re-entry.
    LRESULT ok =
        SendMessageTimeoutA(window, msg, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            kPlayerAnswerTimeoutMs, &result);
    *answer = (LRESULT)result;
    return ok != 0;
}

bool readCaptionTitle(HWND window, CaptionCutter cut, WCHAR* title, int capacity,
                      const char* logFormat) {
    if (capacity <= 0) return false;
    WCHAR caption[1024] = {0};
    GetWindowTextW(window, caption, 1024);
    caption[1023] = 0;
    WCHAR work[1024];
    cut(caption, work, 1024);
    memset(title, 0, (size_t)capacity * sizeof(WCHAR));
    copyWide(title, capacity, work);
    writeLogWide(logFormat, title);
    return title[0] != 0;
}

#include "players/player_window.h"

bool askPlayerWindow(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                     LRESULT* answer) {
    DWORD_PTR result = 0;
    LRESULT ok =
        SendMessageTimeoutA(window, msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                            kPlayerAnswerTimeoutMs, &result);
    *answer = (LRESULT)result;
    return ok != 0;
}

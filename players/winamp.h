// Winamp: found by its main window's class, asked its playback state with
// one message, and its title cut out of the window's caption.
#pragma once

#include <windows.h>

#include "players/player_status.h"

PlayerStatus checkWinampStatus(HWND* window);
bool getWinampTitle(char* title, int capacity, HWND window);

// The title inside a caption such as "12. Artist - Song - Winamp": a
// leading track number ("12. ") is dropped, and the last " - Winamp" (any
// case) ends the title.  out (capacity bytes) receives an empty text when
// the caption holds no title.
void cutWinampCaption(const char* caption, char* out, int capacity);

// Winamp: found by its main window's class, asked its playback state with
// one message, and its title cut out of the window's caption.
#pragma once

#include <windows.h>

#include "players/player_status.h"

PlayerStatus checkWinampStatus(HWND* window);
// The caption is read in UTF-16, so the title keeps characters that the
// ANSI code page lacks.
bool getWinampTitle(WCHAR* title, int capacity, HWND window);

// The title inside a caption such as "12. Artist - Song - Winamp": a
// leading track number ("12. ") is dropped, and the last " - Winamp" (any
// case) ends the title.  out (capacity units) receives an empty text when
// the caption holds no title, and is cut at a whole character.
void cutWinampCaption(const WCHAR* caption, WCHAR* out, int capacity);

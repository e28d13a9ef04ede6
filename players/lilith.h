// Lilith: found by its main window's class, asked its state over DDE
// ("LILITH_EXT_CONTROL", item "/status"), and its title cut out of the
// window's caption.
#pragma once

#include <windows.h>

#include "players/player_status.h"

enum { kLilithTimeoutMs = 3000 };

PlayerStatus checkLilithStatus(HWND* window);
bool getLilithTitle(WCHAR* title, int capacity, HWND window);

// The state from Lilith's answer, compared whole and case-sensitively:
// "play" kLilithPlaying, "stop" kLilithNotPlaying, anything else
// kLilithAbsent.
PlayerStatus lilithStatusFromAnswer(const char* answer);

// Lilith shows "<anything>］<title>" with a full-width right square bracket
// (U+FF3D) before the title; under an ANSI code page other than 932 the
// bracket's two Shift-JIS bytes arrive widened as that code page reads
// them, which counts as the bracket too.  out (capacity units) receives
// what follows the first bracket, cut at a whole character, or an empty
// text when the caption has none.
void cutLilithCaption(const WCHAR* caption, WCHAR* out, int capacity);

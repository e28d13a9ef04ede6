// KbMedia Player: asked over DDE (service and topic "KbMedia Player") for its
// state, title and artist, each in a conversation of its own.
#pragma once

#include <windows.h>

#include "players/player_status.h"

enum { kKbMediaPlayerTimeoutMs = 2000 };

// Requests item in a fresh conversation.  True with *answer a text the
// caller frees with releaseDdeAnswer; false with *answer NULL when the
// player is not running, did not answer in time or refused the item.
bool querykbMediaPlayer(char** answer, const char* item);

PlayerStatus checkkbMediaPlayerStatus();

// "Title - Artist" from the two items, each widened from the ANSI code
// page; an item that gets no answer counts as empty.
bool getkbMediaPlayerTitle(WCHAR* title, int capacity);

// The player's state from its answer to "Status": only the exact text
// "Stop" means stopped.
bool iskbMediaPlayerStopped(const char* status);

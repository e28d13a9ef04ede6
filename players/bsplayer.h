// BSPlayer: found by its main window's class, asked its state with one
// message, and asked for the path of the file it plays, whose tags or name
// give the title.
#pragma once

#include <windows.h>

#include "players/player_status.h"

PlayerStatus checkBSplayerStatus(HWND* window);
// Leaves title untouched when it gives up: no host window of this process
// to name as the sender, no answer in time, or no path in the answer.
bool getBSplayerTitle(WCHAR* title, int capacity, HWND window);

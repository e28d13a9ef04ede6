// iTunes: asked over its COM automation interface, and only while its main
// window (class "iTunes") answers and a process named iTunes.exe runs,
// because creating its application object would otherwise start the player.
#pragma once

#include <windows.h>

#include "players/player_status.h"

// kITunesPlaying leaves a live application object (and COM initialised) in
// the slot for getiTunesTitle or releaseiTunes of the same update step;
// every other answer is kITunesNotPlaying and leaves nothing behind.
PlayerStatus checkiTunesStatus(ITunesSlot* slot);

// "title - artist" of the current track into title (capacity UTF-16 units,
// NUL included), then ends what the probe left.  A string that iTunes does
// not give counts as empty; when it cannot be asked at all the title is
// empty and the answer false.
bool getiTunesTitle(WCHAR* title, int capacity, ITunesSlot* slot);

// Releases the application object, balances the probe's CoInitialize and
// empties the slot; harmless on an empty slot.
void releaseiTunes(ITunesSlot* slot);

// Whether a running process's executable path contains name, byte for byte
// and case-sensitively, searched by the platform's own means.
bool DispProcessIDs(const char* name);
bool findProcess9x(const char* name);
bool findProcessNT(const char* name);

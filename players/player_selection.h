// Which configured player plays now, and what it plays.
#pragma once

#include <stdint.h>

#include "players/player_status.h"

// Probes every enabled player (order > 0) in the fixed order Winamp,
// iTunes, KbMedia Player, BSPlayer, Lilith, the system media session, and
// returns order * 10000 + code of the playing player with the smallest
// order, or kNoTargetPlayer.  A player that played but lost has what its
// probe left in its slot ended before this returns.
int32_t checkPlayerStatus(PlayerHandles* handles);

// Runs the target player's title reader into title (capacity UTF-16 units,
// NUL included).  Returns false when the target names no player.
bool getTitle(int32_t target, WCHAR* title, int capacity, PlayerHandles* handles);

// The choice alone, over given probe results: orders[i] and statuses[i] per
// player in visiting order (a status of 0 marks a player not probed).
int32_t chooseTargetPlayer(const int32_t* orders, const PlayerStatus* statuses,
                           int count);

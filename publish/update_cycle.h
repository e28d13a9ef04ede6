// The update cycle: while publishing is on, a thread timer runs one update
// step per watched connection; the menu command switches it on and off.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "frame/calling_convention.h"

extern UINT_PTR g_timerId;         // 0 = no timer
extern UINT_PTR g_restoreTimerId;  // 0 = no plain name waits to be taken
extern bool g_terminated;          // the host called Terminate

// Timer seconds are kept within [1, 86400]: below one second the host's
// thread would do little but poll, and beyond a day the product with 1000
// could overflow.
enum { kMinTimerSeconds = 1, kMaxTimerSeconds = 86400 };
UINT timerIntervalMs(int32_t seconds);

void CALLBACK timerCallback(HWND window, UINT message, UINT_PTR id, DWORD time);
int32_t TimerProc(uint32_t connection, uint8_t pendingChange);
bool cutMelodyRibbon(uint32_t connection);

int32_t WINAPI swTitle(uint32_t unused, void* record);
void startTitleTimer();
void stopTitleTimer();

// Stops the timers without touching the switch state or any name.
void killTitleTimer();

// Terminate: the timers stop for good.  A step that a player kept waiting
// when the host called Terminate (from a message it handled during that
// wait) ends without another call into the host, which may be shutting
// its services down.
void terminatePublishing();

// After switching off, a host may refuse the plain name (servers limit how
// often a name may change), or still show a title it has not acknowledged
// yet.  Each connection whose name still ends with exactly the title taken
// off (or the one still unconfirmed) is asked again at the polling
// interval, a few times at most, until the host takes the plain name, the
// name changes otherwise, the connection ends, or publishing is switched
// on again.
void CALLBACK restoreCallback(HWND window, UINT message, UINT_PTR id, DWORD time);
// Windows calls the timer callbacks, the host the menu command's handler.
MR_ASSERT_STDCALL(TIMERPROC);
MR_ASSERT_STDCALL_FUNCTION(timerCallback);
MR_ASSERT_STDCALL_FUNCTION(restoreCallback);
MR_ASSERT_STDCALL_FUNCTION(swTitle);
// What a load starts afresh, for Initialize: no timers, not terminated, and
// no connection watched (the ones reported while the hooks were being
// registered were judged before the settings were read).
void resetPublishing();

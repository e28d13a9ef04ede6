// The system media session: every app that plays through Windows' own media
// controls (browsers, streaming apps, modern players), reached through the
// Windows Runtime on Windows 10 1809 and later.  Older systems lack it, and
// there the source simply never plays.
//
// Asking the system for its session manager costs tens of milliseconds, so
// the manager is kept from the first probe while publishing is on; the
// system's answers are asynchronous, and an answer not there within a short
// wait is looked at again on the next tick.
#pragma once

#include <windows.h>

#include "players/player_status.h"

enum {
    kMediaSessionPlaying = 600,
    kMediaSessionNotPlaying = -610,
    kMediaSessionAbsent = -620,  // no Windows Runtime, or no session manager
};

// How long one probe may wait on the host's thread for the system's
// asynchronous answers, all together; far below kPlayerAnswerTimeoutMs.
enum { kMediaSessionWaitMs = 50, kMediaSessionPollMs = 2 };
// An answer that has not come within this long is given up.
enum { kMediaSessionOperationLifetimeMs = 10000 };
// Sessions looked at beyond the current one.
enum { kMediaSessionMaxSessions = 64 };
// App ids ("Spotify.exe", "Microsoft.ZuneMusic_8wekyb3d8bbwe!...") are kept
// in buffers of this many units, NUL included.
enum { kAppIdUnits = 256 };

// kMediaSessionPlaying when an allowed session plays and its title is known;
// the title stays for getMediaSessionTitle of the same step.
PlayerStatus checkMediaSessionStatus();

// The title the last playing probe found into title (capacity units, NUL
// included); false when there was none.
bool getMediaSessionTitle(WCHAR* title, int capacity);

// Releases the manager and any answer still awaited, and leaves the Windows
// Runtime apartment that the probes entered; harmless when nothing is held.
// Called at switch-off and at Terminate.
void releaseMediaSession();

// Whether a session of the app appId may be published under the filter
// (MediaSessionApps): an empty filter allows every app; otherwise one of its
// ";"-separated entries, spaces around it trimmed, must occur in appId,
// ASCII letters compared without case.
bool mediaSessionAppAllowed(const WCHAR* appId, const char* filter);

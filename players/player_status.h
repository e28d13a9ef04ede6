// What a probe answers, and the handles one update step shares between the
// probes and the title readers.
#pragma once

#include <stdint.h>
#include <windows.h>

// Positive: the player plays, and the value is its player code.  Negative:
// it does not, and the value says why (for the log only).
typedef int32_t PlayerStatus;

enum {
    kWinampPlaying = 100,
    kWinampNotPlaying = -110,
    kWinampAbsent = -120,  // no window, or it did not answer in time
    kITunesPlaying = 200,
    kITunesNotPlaying = -210,
    kKbMediaPlayerPlaying = 300,
    kKbMediaPlayerNotPlaying = -310,
    kKbMediaPlayerAbsent = -320,
    kBsPlayerPlaying = 400,
    kBsPlayerNotPlaying = -410,
    kBsPlayerAbsent = -420,
    kLilithPlaying = 500,
    kLilithNotPlaying = -510,
    kLilithAbsent = -520,
};

enum { kNoTargetPlayer = -1, kOrderWeight = 10000 };

// A title, from its reader to the display name, is UTF-16 in a buffer of
// this many units, NUL included.
enum { kTitleUnits = 256 };

// What a playing iTunes probe hands on: the application object, and whether
// the probe's COM initialisation is ours to undo (it is not when the host
// had made the thread multithreaded).  Ended within the same update step.
struct ITunesSlot {
    void* application;
    bool comInitialised;
};

// Filled by the probes of one step and read by the target's reader in the
// same step; a disabled player's slot is never written or read.
struct PlayerHandles {
    HWND winamp;
    ITunesSlot iTunes;
    HWND bsPlayer;
    HWND lilith;
};

#include "players/winamp.h"

#include <shlwapi.h>
#include <string.h>

#include "frame/trace_log.h"
#include "players/player_window.h"

static const UINT kWinampIpc = WM_USER;
static const LPARAM kIsPlaying = 104;  // answers 1 playing, 3 paused, 0 stopped

PlayerStatus checkWinampStatus(HWND* window) {
    *window = FindWindowA("Winamp v1.x", NULL);
    if (*window == NULL) {
        writeLogText("checkWinampStatus Exit  Reason: Winamp don't execute.");
        return kWinampAbsent;
    }
    LRESULT state = 0;
    if (!askPlayerWindow(*window, kWinampIpc, 0, kIsPlaying, &state)) {
        writeLogText("checkWinampStatus Exit  Reason: Winamp don't answer.");
        return kWinampAbsent;
    }
    if (state != 1) {
        writeLogText("checkWinampStatus Exit  Reason:Winamp Not Playing.");
        return kWinampNotPlaying;
    }
    return kWinampPlaying;
}

// Winamp shows "<number>. <title> - Winamp" when its playlist numbers are
// on; without them the caption starts straight with the title, whose first
// word must then be kept.
static const char* skipTrackNumber(const char* caption) {
    const char* p = caption;
    while (*p >= '0' && *p <= '9') p++;
    if (p > caption && p[0] == '.' && p[1] == ' ') return p + 2;
    return caption;
}

void cutWinampCaption(const char* caption, char* out, int capacity) {
    if (capacity <= 0) return;
    out[0] = '\0';
    const char* start = skipTrackNumber(caption);
    const char* end = StrRStrIA(caption, NULL, " - Winamp");
    if (end == NULL || end <= start) return;
    size_t n = (size_t)(end - start);
    if (n > (size_t)capacity - 1) n = (size_t)capacity - 1;
    memcpy(out, start, n);
    out[n] = '\0';
}

bool getWinampTitle(char* title, int capacity, HWND window) {
    if (capacity <= 0) return false;
    char caption[1024] = {0};
    GetWindowTextA(window, caption, sizeof caption);
    caption[sizeof caption - 1] = '\0';
    char work[1024];
    cutWinampCaption(caption, work, sizeof work);
    // The caller's whole buffer is written, so no stale bytes follow the title.
    strncpy(title, work, (size_t)capacity);
    title[capacity - 1] = '\0';
    writeLog("AmpTitle[%s]", title);
    return title[0] != '\0';
}

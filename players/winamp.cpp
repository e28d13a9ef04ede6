#include "players/winamp.h"

#include "frame/trace_log.h"
#include "frame/wide_text.h"
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
static const WCHAR* skipTrackNumber(const WCHAR* caption) {
    const WCHAR* p = caption;
    while (*p >= '0' && *p <= '9') p++;
    if (p > caption && p[0] == '.' && p[1] == ' ') return p + 2;
    return caption;
}

void cutWinampCaption(const WCHAR* caption, WCHAR* out, int capacity) {
    static const WCHAR kSuffix[] = {' ', '-', ' ', 'W', 'i', 'n', 'a', 'm', 'p', 0};
    if (capacity <= 0) return;
    out[0] = 0;
    const WCHAR* start = skipTrackNumber(caption);
    int end = findLastNoCase(caption, kSuffix);
    if (end < 0 || caption + end <= start) return;
    copyWideN(out, capacity, start, (int)(caption + end - start));
}

bool getWinampTitle(WCHAR* title, int capacity, HWND window) {
    return readCaptionTitle(window, cutWinampCaption, title, capacity, "AmpTitle[%s]");
}

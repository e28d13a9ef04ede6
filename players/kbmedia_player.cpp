#include "players/kbmedia_player.h"

#include <string.h>

#include "frame/text_conversion.h"
#include "frame/trace_log.h"
#include "frame/wide_text.h"
#include "players/dde_conversation.h"

static const char kKbMediaPlayer[] = "KbMedia Player";

bool querykbMediaPlayer(char** answer, const char* item) {
    DdeConversation player(NULL, kKbMediaPlayer, kKbMediaPlayer);
    return player.request(answer, item, kKbMediaPlayerTimeoutMs);
}

// Any other answer, "stop" and an empty one included, is a player that plays.
bool iskbMediaPlayerStopped(const char* status) {
    return status && strcmp(status, "Stop") == 0;
}

PlayerStatus checkkbMediaPlayerStatus() {
    char* status = NULL;
    if (!querykbMediaPlayer(&status, "Status")) {
        writeLogText(
            "checkkbMediaPlayerStatus Exit  Reason: kbMediaPlayer don't execute.");
        return kKbMediaPlayerAbsent;
    }
    writeLog("KBStatus:%s", status);
    bool stopped = iskbMediaPlayerStopped(status);
    releaseDdeAnswer(status);
    if (stopped) {
        writeLogText("checkkbMediaPlayerStatus Exit  Reason:kbMediaPlayer Not Playing.");
        return kKbMediaPlayerNotPlaying;
    }
    return kKbMediaPlayerPlaying;
}

// One item widened into part (kWidenBytes units, enough for any answer's
// first kWidenBytes bytes).  False, with part empty, when no answer came.
static bool readPart(const char* item, const char* logFormat, WCHAR* part, UINT cp) {
    char* answer = NULL;
    bool received = querykbMediaPlayer(&answer, item);
    writeLog(logFormat, answer ? answer : "");
    widenText(part, kWidenBytes + 1, answer, -1, cp);
    releaseDdeAnswer(answer);
    return received;
}

bool getkbMediaPlayerTitle(WCHAR* title, int capacity) {
    if (capacity <= 0) return false;
    UINT cp = getConversionCodePage();
    WCHAR song[kWidenBytes + 1], artist[kWidenBytes + 1];
    bool gotSong = readPart("Title", "kbMediaPlayerTitle[%s]", song, cp);
    bool gotArtist = readPart("Artist", "kbMediaPlayerArtist[%s]", artist, cp);
    // The caller's whole buffer is written, so no stale units follow the title.
    memset(title, 0, (size_t)capacity * sizeof(WCHAR));
    // A player that quit after its status answer would otherwise have " - "
    // published as its title; an empty title leaves the name as it is.
    if (gotSong || gotArtist) composeTitleArtist(title, capacity, song, artist);
    return title[0] != 0;
}

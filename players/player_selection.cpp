#include "players/player_selection.h"

#include "frame/settings.h"
#include "frame/trace_log.h"
#include "players/bsplayer.h"
#include "players/itunes.h"
#include "players/kbmedia_player.h"
#include "players/lilith.h"
#include "players/media_session.h"
#include "players/winamp.h"

namespace {

// One row per supported player, in visiting order.  A player joins by
// adding its row; the visiting order is fixed and not the user's.
struct PlayerEntry {
    int32_t code;
    const int32_t* order;
    const char* statusLine;
    PlayerStatus (*probe)(PlayerHandles* handles);
    // Fills title (capacity UTF-16 units) from what the probe left.
    bool (*read)(WCHAR* title, int capacity, PlayerHandles* handles);
    // Ends what a playing probe left in its slot when the player is not the
    // target (its reader ends it otherwise); NULL when nothing is left.
    void (*end)(PlayerHandles* handles);
};

PlayerStatus probeWinamp(PlayerHandles* h) {
    return checkWinampStatus(&h->winamp);
}
bool readWinamp(WCHAR* title, int capacity, PlayerHandles* h) {
    return getWinampTitle(title, capacity, h->winamp);
}
PlayerStatus probeITunes(PlayerHandles* h) {
    return checkiTunesStatus(&h->iTunes);
}
bool readITunes(WCHAR* title, int capacity, PlayerHandles* h) {
    return getiTunesTitle(title, capacity, &h->iTunes);
}
void endITunes(PlayerHandles* h) {
    releaseiTunes(&h->iTunes);
}
PlayerStatus probeKbMediaPlayer(PlayerHandles*) {
    return checkkbMediaPlayerStatus();
}
bool readKbMediaPlayer(WCHAR* title, int capacity, PlayerHandles*) {
    return getkbMediaPlayerTitle(title, capacity);
}
PlayerStatus probeBsPlayer(PlayerHandles* h) {
    return checkBSplayerStatus(&h->bsPlayer);
}
bool readBsPlayer(WCHAR* title, int capacity, PlayerHandles* h) {
    return getBSplayerTitle(title, capacity, h->bsPlayer);
}
PlayerStatus probeLilith(PlayerHandles* h) {
    return checkLilithStatus(&h->lilith);
}
bool readLilith(WCHAR* title, int capacity, PlayerHandles* h) {
    return getLilithTitle(title, capacity, h->lilith);
}
PlayerStatus probeMediaSession(PlayerHandles*) {
    return checkMediaSessionStatus();
}
bool readMediaSession(WCHAR* title, int capacity, PlayerHandles*) {
    return getMediaSessionTitle(title, capacity);
}

const PlayerEntry kPlayers[] = {
    {kWinampPlaying, &g_winampOrder, "Winamp Status:%d", probeWinamp, readWinamp, NULL},
    {kITunesPlaying, &g_iTunesOrder, "iTunes Status:%d", probeITunes, readITunes,
     endITunes},
    {kKbMediaPlayerPlaying, &g_kbMediaPlayerOrder, "kbMediaPlayer Status:%d",
     probeKbMediaPlayer, readKbMediaPlayer, NULL},
    {kBsPlayerPlaying, &g_bsPlayerOrder, "BSplayer Status:%d", probeBsPlayer,
     readBsPlayer, NULL},
    {kLilithPlaying, &g_lilithOrder, "Lilith Status:%d", probeLilith, readLilith, NULL},
    // After the five, so that they win on equal orders.
    {kMediaSessionPlaying, &g_mediaSessionOrder, "MediaSession Status:%d",
     probeMediaSession, readMediaSession, NULL},
};
const int kPlayerCount = (int)(sizeof kPlayers / sizeof kPlayers[0]);

// Orders are capped so that order * 10000 + code always fits 32 bits; the
// cap changes nothing for any order whose value fits.
const int32_t kMaxOrder = (INT32_MAX - 1000) / kOrderWeight;

int32_t candidateValue(int32_t order, PlayerStatus status) {
    if (order > kMaxOrder) order = kMaxOrder;
    return order * kOrderWeight + status;
}

}  // namespace

int32_t chooseTargetPlayer(const int32_t* orders, const PlayerStatus* statuses,
                           int count) {
    int32_t result = kNoTargetPlayer;
    for (int i = 0; i < count; i++) {
        if (orders[i] <= 0 || statuses[i] <= 0) continue;
        int32_t candidate = candidateValue(orders[i], statuses[i]);
        if (result < 0 || candidate < result) result = candidate;
    }
    return result;
}

int32_t checkPlayerStatus(PlayerHandles* handles) {
    writeLogText("@@checkPlayerStatus");
    int32_t orders[kPlayerCount];
    PlayerStatus statuses[kPlayerCount];
    for (int i = 0; i < kPlayerCount; i++) {
        const PlayerEntry& p = kPlayers[i];
        orders[i] = *p.order;
        statuses[i] = 0;
        if (orders[i] <= 0) continue;
        statuses[i] = p.probe(handles);
        writeLog(p.statusLine,
                 statuses[i] > 0 ? candidateValue(orders[i], statuses[i]) : statuses[i]);
    }
    int32_t result = chooseTargetPlayer(orders, statuses, kPlayerCount);
    for (int i = 0; i < kPlayerCount; i++) {
        const PlayerEntry& p = kPlayers[i];
        if (p.end && statuses[i] > 0 && result % 1000 != p.code) p.end(handles);
    }
    writeLogText("#checkPlayerStatus");
    return result;
}

bool getTitle(int32_t target, WCHAR* title, int capacity, PlayerHandles* handles) {
    writeLogText("@@getTitle");
    int32_t code = target % 1000;
    writeLog("TargetPlayer:%d", code);
    for (int i = 0; i < kPlayerCount; i++) {
        if (kPlayers[i].code != code) continue;
        kPlayers[i].read(title, capacity, handles);
        writeLogWide("Title[%s]", title);
        writeLogText("#getTitle");
        return true;
    }
    writeLogText("getTitle Exit  Reason:TargetPlayer Not Exist.");
    writeLogText("#getTitle");
    return false;
}

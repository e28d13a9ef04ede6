#include "publish/update_cycle.h"

#include <string.h>

#include "frame/host_api.h"
#include "frame/host_services.h"
#include "frame/settings.h"
#include "frame/text_conversion.h"
#include "frame/trace_log.h"
#include "frame/wide_text.h"
#include "players/media_session.h"
#include "players/player_selection.h"
#include "publish/connections.h"
#include "publish/display_name.h"

UINT_PTR g_timerId;
UINT_PTR g_restoreTimerId;
bool g_terminated;

namespace {

// A player wait may run a modal message loop (a DDE request, a call into
// another apartment), in which the host can dispatch our timer, our command
// or its own shutdown.  One update cycle at a time: a tick that arrives
// while one is running is dropped, and the running one looks at the switch
// after every wait (waitedInVain).
bool g_tickRunning;

bool publishing() {
    return g_mrOnOff && !g_terminated;
}

// After a wait on the players: true, with the step's exit logged, when the
// host switched publishing off or called Terminate meanwhile, or ended the
// step's connection.  The names are then the switch-off's to restore, or
// the host's to keep, and an ended connection's handle may already be
// released; the step asks and sends nothing more.
bool waitedInVain(uint32_t connection, int slot) {
    if (slot >= 0 && g_slots.handles[slot] != connection) {
        writeLogText("TimerProc Exit  Reason: Connection Ended");
        return true;
    }
    if (!g_tickRunning || publishing()) return false;
    writeLogText(g_terminated ? "TimerProc Exit  Reason: Terminated"
                              : "TimerProc Exit  Reason: Switched Off");
    return true;
}

// What cutMelodyRibbon found: the name was not readable, had no title, was
// not the one expected, or a plain name was sent.
enum RestoreOutcome {
    kRestoreNoName,
    kRestoreNothingToDo,
    kRestoreNotOurs,
    kRestoreSent
};
RestoreOutcome restorePlainName(uint32_t connection, const WCHAR* expectedTitle,
                                WCHAR* removedTitle);

// Whether the connection's name, as the host reads it now, ends with the
// separator and exactly this title (quietly: a check, not a step).
bool nameCarriesTitle(uint32_t connection, const WCHAR* title) {
    WCHAR name[kNameUnits];
    if (getUserName(connection, name, sizeof name) == 0) return false;
    WCHAR separator[kSeparatorUnits];
    separatorToWide(separator, getConversionCodePage());
    int at = findSeparator(name, separator);
    if (at < 0) return false;
    const WCHAR* rest = name + at + wideLength(separator);
    return rest[0] != 0 && wideLength(rest) == wideLength(title) &&
           memcmp(rest, title, (size_t)wideLength(title) * sizeof(WCHAR)) == 0;
}

void killRestoreTimer() {
    if (g_restoreTimerId != 0) KillTimer(NULL, g_restoreTimerId);
    g_restoreTimerId = 0;
    memset(g_slots.restoring, 0, sizeof g_slots.restoring);
    memset(g_slots.restoreTicks, 0, sizeof g_slots.restoreTicks);
}

// The slot waits for its plain name to be taken: only a name that still
// ends with exactly the title taken off is asked for again.
void waitForPlainName(int slot, uint8_t wait, const WCHAR* title) {
    g_slots.restoring[slot] = wait;
    g_slots.restoreTicks[slot] = 0;
    copyWide(g_slots.removedTitle[slot], kRemovedTitleUnits, title);
}

// Switching off, for one slot.  A change still unconfirmed may land after
// this (a server that acknowledges late), so its title is watched for too.
bool beginRestore(int slot) {
    uint32_t connection = g_slots.handles[slot];
    WCHAR removed[kRemovedTitleUnits];
    RestoreOutcome outcome = restorePlainName(connection, NULL, removed);
    if (outcome == kRestoreSent && nameCarriesTitle(connection, removed)) {
        waitForPlainName(slot, kRestoreTaken, removed);
        return true;
    }
    if (outcome == kRestoreNothingToDo && g_slots.pending[slot] &&
        g_slots.lastPublishedTitle[slot][0] != 0) {
        waitForPlainName(slot, kRestoreLanding, g_slots.lastPublishedTitle[slot]);
        return true;
    }
    if (outcome == kRestoreSent || outcome == kRestoreNothingToDo) plainNameBack(slot);
    return false;
}

// One period of waiting, for one slot; true while it goes on waiting.
bool continueRestore(int slot) {
    uint32_t connection = g_slots.handles[slot];
    if (connection == 0 || ++g_slots.restoreTicks[slot] > kRestoreTickLimit) return false;
    const WCHAR* title = g_slots.removedTitle[slot];
    if (!nameCarriesTitle(connection, title)) {
        // Not landed yet: the pending change is waited for as long as an
        // update step would wait for it.
        if (g_slots.restoring[slot] == kRestoreLanding &&
            g_slots.restoreTicks[slot] <= kPendingTickLimit)
            return true;
        if (g_slots.restoring[slot] == kRestoreTaken) plainNameBack(slot);
        return false;
    }
    g_slots.restoring[slot] = kRestoreTaken;
    WCHAR removed[kRemovedTitleUnits];
    if (restorePlainName(connection, title, removed) != kRestoreSent) return false;
    if (nameCarriesTitle(connection, title)) return true;
    plainNameBack(slot);
    return false;
}

}  // namespace

UINT timerIntervalMs(int32_t seconds) {
    if (seconds < kMinTimerSeconds) seconds = kMinTimerSeconds;
    if (seconds > kMaxTimerSeconds) seconds = kMaxTimerSeconds;
    return (UINT)seconds * 1000u;
}

// A second Initialize may find our timers running: they are stopped, not
// just forgotten, or their ticks would go on unseen.
void resetPublishing() {
    killTitleTimer();
    g_terminated = false;
    clearConnectionSlots();
}

void killTitleTimer() {
    if (g_timerId != 0) KillTimer(NULL, g_timerId);
    g_timerId = 0;
    killRestoreTimer();
}

void terminatePublishing() {
    g_terminated = true;
    killTitleTimer();
    releaseMediaSession();
}

void startTitleTimer() {
    // A second SetTimer would leave the first one running unseen; and the
    // update cycle takes over any plain name still waiting to be taken.
    killTitleTimer();
    g_timerId = SetTimer(NULL, 0, timerIntervalMs(g_timerSeconds), timerCallback);
    clearPendingFlags();
    memset(g_slots.signInCheck, 0, sizeof g_slots.signInCheck);
    g_mrOnOff = true;
    writeLogText("TimerON");
}

void stopTitleTimer() {
    killTitleTimer();
    releaseMediaSession();
    g_mrOnOff = false;
    bool waiting = false;
    for (int i = 0; i < kSlotCount; i++)
        if (g_slots.handles[i] != 0 && beginRestore(i)) waiting = true;
    if (waiting)
        g_restoreTimerId =
            SetTimer(NULL, 0, timerIntervalMs(g_timerSeconds), restoreCallback);
    flushLastAppended();
    writeLogText("TimerOFF");
}

// A slot leaves the waiting list once its name no longer ends with the
// title taken off (the host took the plain name, or the user renamed
// themselves), once it has waited a few periods, or once its connection
// ended.
void CALLBACK restoreCallback(HWND, UINT, UINT_PTR, DWORD) {
    if (g_tickRunning || g_terminated) return;
    g_tickRunning = true;
    bool waiting = false;
    for (int i = 0; i < kSlotCount; i++) {
        if (!g_slots.restoring[i]) continue;
        if (continueRestore(i)) {
            waiting = true;
            continue;
        }
        g_slots.restoring[i] = kRestoreIdle;
    }
    flushLastAppended();
    g_tickRunning = false;
    if (!waiting) killRestoreTimer();
}

namespace {

// The user's part is logged from the name itself: name[0..userUnits).
void logNameParts(const WCHAR* name, int userUnits, const WCHAR* msnTitle,
                  const WCHAR* title) {
    WCHAR user[kNameUnits];
    copyWideN(user, kNameUnits, name, userUnits);
    writeLogWide("strUserName[%s]", user);
    writeLogWide("strMsnTitle[%s]", msnTitle);
    writeLogWide("strTitle[%s]", title);
}

void setCaption(const CommandRequest* request, const char* text) {
    if (!request->caption || !request->caption->buffer) return;
    WCHAR* out = request->caption->buffer;
    int n = 0;
    for (; text[n] && n < kCaptionUnits - 1; n++) out[n] = (WCHAR)(unsigned char)text[n];
    out[n] = 0;
}

// A pending change holds the slot's steps back until the host confirms it;
// one the host never confirms is given up after a few ticks.
bool holdForPendingChange(int slot) {
    if (!g_slots.pending[slot]) return false;
    if (++g_slots.pendingTicks[slot] < kPendingTickLimit) return true;
    g_slots.pending[slot] = 0;
    g_slots.pendingTicks[slot] = 0;
    writeLogText("Change Not Confirmed.");
    return false;
}

// Marked before the name goes out, so that a host which confirms inside its
// ChangeUserName call finds the change already pending.
void markChangePending(uint32_t connection) {
    for (int i = 0; i < kSlotCount; i++) {
        if (g_slots.handles[i] != connection) continue;
        g_slots.pending[i] = 1;
        g_slots.pendingTicks[i] = 0;
    }
}

bool wideSame(const WCHAR* a, const WCHAR* b) {
    int n = wideLength(a);
    return n == wideLength(b) && memcmp(a, b, (size_t)n * sizeof(WCHAR)) == 0;
}

// The name composed is the one last sent on the slot, unconfirmed, and
// the host has since shown another one than before the send: the server
// took it in a form of its own (blanks trimmed, shortened).  Sending it
// again would change nothing and count against the server's limit on
// name changes.  A host that took nothing (it refused, or is still busy)
// shows the old name and is asked again.
bool sentAndNormalised(int slot, const WCHAR* composed, uint64_t nameRead) {
    return slot >= 0 && g_slots.sentName[slot] != 0 &&
           g_slots.sentName[slot] == hashName(composed) &&
           g_slots.nameBeforeSend[slot] != nameRead;
}

// The separator and title that the name now carries, kept across runs.
void rememberAppended(const WCHAR* separator, const WCHAR* title) {
    WCHAR appended[kLastAppendedUnits];
    int n = copyWide(appended, kSeparatorUnits, separator);
    copyWide(appended + n, kLastAppendedUnits - n, title);
    setLastAppended(appended);
}

// Writes the new name over the name buffer, whose first userUnits units are
// the user's own text and stay as the host gave them.  When the title had
// to be cut to fit, strTitle is cut the same way, so that the cut title
// counts as the same title on the next tick.  Returns the title's units, or
// -1 when there is no room for one.
int composeNewName(WCHAR* name, int userUnits, WCHAR* strTitle, const WCHAR* separator) {
    int titleUnits = makeUserName(name, name, userUnits, separator, strTitle);
    if (titleUnits >= 0) strTitle[titleUnits] = 0;
    return titleUnits;
}

}  // namespace

void CALLBACK timerCallback(HWND, UINT, UINT_PTR, DWORD) {
    if (g_tickRunning) return;
    g_tickRunning = true;
    for (int i = 0; i < kSlotCount && publishing(); i++) {
        writeLog("Oparating...%d.", i);
        uint32_t connection = g_slots.handles[i];
        if (connection == 0) continue;
        TimerProc(connection, holdForPendingChange(i) ? 1 : 0);
    }
    flushLastAppended();
    g_tickRunning = false;
}

int32_t TimerProc(uint32_t connection, uint8_t pendingChange) {
    UINT cp = getConversionCodePage();
    WCHAR strTitle[kTitleUnits];
    memset(strTitle, 0, sizeof strTitle);
    // A step may be run for a connection in no slot (the cost probes do):
    // it then keeps nothing per slot.
    int slot = connection != 0 ? slotOf(connection) : -1;
    if (pendingChange) {
        writeLogText("TimerProc Exit  Reason:Not End Before Change.");
        return 0;
    }
    if (getConnectionStatus(connection) != 1) {
        writeLogText("TimerProc Exit  Reason: Not Connect");
        return 0;
    }
    PlayerHandles handles;
    memset(&handles, 0, sizeof handles);
    int32_t target = checkPlayerStatus(&handles);
    if (target < 0) {
        if (waitedInVain(connection, slot)) return 0;
        cutMelodyRibbon(connection);
        writeLogText("TimerProc Exit  Reason: Not Target Player");
        return 0;
    }
    if (!getTitle(target, strTitle, kTitleUnits, &handles)) {
        writeLogText("TimerProc Exit  Reason: Cannot Get Title");
        return 0;
    }
    // Not before the title is read: a probe's target leaves its reader
    // something to end (iTunes's object).
    if (waitedInVain(connection, slot)) return 0;
    strTitle[kTitleUnits - 1] = 0;
    WCHAR separator[kSeparatorUnits];
    separatorToWide(separator, cp);
    // Before the separator is looked for: a separator is made of whole
    // characters, so taking one out cannot split a pair left intact here.
    replaceLoneSurrogates(strTitle);
    neutralizeSeparator(strTitle, separator);

    WCHAR name[kNameUnits];
    if (getUserName(connection, name, sizeof name) == 0) {
        writeLogText("TimerProc Exit  Reason: Cannot Get UserName");
        return 0;
    }
    uint64_t nameRead = hashName(name);
    WCHAR strMsnTitle[kTitleUnits];
    int userUnits = cutUserName(strMsnTitle, kTitleUnits, name);
    // Composed first, so that a title cut to fit the name is compared as cut.
    int titleUnits = composeNewName(name, userUnits, strTitle, separator);
    logNameParts(name, userUnits, strMsnTitle, strTitle);
    if (isSameTitle(strMsnTitle, strTitle)) {
        writeLogText("TimerProc Exit  Reason: same title");
        return 0;
    }
    if (titleUnits < 0) {
        writeLogText("TimerProc Exit  Reason: UserName too long");
        return 0;
    }
    if (sentAndNormalised(slot, name, nameRead)) {
        writeLogText("TimerProc Exit  Reason: same name sent");
        return 0;
    }
    rememberAppended(separator, strTitle);
    if (slot >= 0) {
        copyWide(g_slots.lastPublishedTitle[slot], kLastTitleUnits, strTitle);
        g_slots.appended[slot] = 1;
        g_slots.sentName[slot] = hashName(name);
        g_slots.nameBeforeSend[slot] = nameRead;
    }
    markChangePending(connection);
    sendNameChange(g_slots.changeUserNameService, connection, name);
    writeLogText("Change Start.");
    return 1;
}

bool cutMelodyRibbon(uint32_t connection) {
    RestoreOutcome outcome = restorePlainName(connection, NULL, NULL);
    if (outcome == kRestoreNothingToDo) plainNameBack(slotOf(connection));
    return outcome != kRestoreNoName;
}

namespace {

// With expectedTitle, only a name whose title part is exactly that title
// is cut; removedTitle, when given, receives the title part taken off.
RestoreOutcome restorePlainName(uint32_t connection, const WCHAR* expectedTitle,
                                WCHAR* removedTitle) {
    UINT cp = getConversionCodePage();
    writeLogText("@@cutMelodyRibbon");
    WCHAR name[kNameUnits];
    if (getUserName(connection, name, sizeof name) == 0) {
        writeLogText("cutMelodyRibbon Exit  Reason: Cannot Get UserName");
        return kRestoreNoName;
    }
    static const WCHAR strTitle[1] = {0};
    WCHAR strMsnTitle[kTitleUnits];
    int userUnits = cutUserName(strMsnTitle, kTitleUnits, name);
    logNameParts(name, userUnits, strMsnTitle, strTitle);
    if (strMsnTitle[0] == 0) {
        writeLogText("cutMelodyRibbon Exit  Reason: UserName don't have Title.");
        return kRestoreNothingToDo;
    }
    if (expectedTitle) {
        WCHAR separator[kSeparatorUnits];
        separatorToWide(separator, cp);
        if (!wideSame(name + userUnits + wideLength(separator), expectedTitle)) {
            writeLogText("cutMelodyRibbon Exit  Reason: Not Our Title.");
            return kRestoreNotOurs;
        }
    }
    if (removedTitle) copyWide(removedTitle, kRemovedTitleUnits, strMsnTitle);
    name[userUnits] = 0;  // the user's own text, exactly as the host gave it
    sendNameChange(g_slots.changeUserNameService, connection, name);
    int slot = slotOf(connection);
    if (slot >= 0) {
        g_slots.lastPublishedTitle[slot][0] = 0;
        g_slots.sentName[slot] = 0;
    }
    writeLogText("Change Start.");
    writeLogText("#cutMelodyRibbon");
    return kRestoreSent;
}

}  // namespace

int32_t WINAPI swTitle(uint32_t, void* record) {
    writeLogText("@@swTitle");
    writeLog("bMrStatus:%d", g_mrOnOff ? 1 : 0);
    const CommandRequest* request = (const CommandRequest*)record;
    if (request && request->kind == kCommandCaption)
        setCaption(request, g_mrOnOff ? "MelodyRibbon OFF" : "MelodyRibbon ON");
    // After Terminate no timer may start and no name may change: the host
    // is shutting down and may unload us at any moment.
    else if (request && request->kind == kCommandChosen && !g_terminated)
        g_mrOnOff ? stopTitleTimer() : startTitleTimer();
    writeLogText("#swTitle");
    return 0;
}

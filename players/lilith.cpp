#include "players/lilith.h"

#include <string.h>

#include "frame/trace_log.h"
#include "frame/wide_text.h"
#include "players/dde_conversation.h"
#include "players/player_window.h"

static const char kLilithControl[] = "LILITH_EXT_CONTROL";

PlayerStatus lilithStatusFromAnswer(const char* answer) {
    if (strcmp(answer, "play") == 0) return kLilithPlaying;
    if (strcmp(answer, "stop") == 0) return kLilithNotPlaying;
    return kLilithAbsent;
}

// One request in a conversation of its own.  Whatever was made is released
// in the reverse order of its making, on every path; a step whose
// predecessor failed is skipped, which also keeps a null string handle from
// reaching DdeConnect, where it would mean any server at all.  A busy Lilith
// can make the disconnect wait well past the time-out (see DdeConversation's
// closing).
static PlayerStatus askLilith() {
    PlayerStatus status = kLilithAbsent;
    DWORD instance = 0;
    if (DdeInitializeA(&instance, ddeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return status;
    HSZ service = DdeCreateStringHandleA(instance, kLilithControl, CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(instance, kLilithControl, CP_WINANSI);
    HCONV conversation =
        service && topic ? DdeConnect(instance, service, topic, NULL) : NULL;
    if (conversation) {
        HSZ item = DdeCreateStringHandleA(instance, "/status", CP_WINANSI);
        DWORD result = 0;
        HDDEDATA data =
            item ? DdeClientTransaction(NULL, 0, conversation, item, CF_TEXT,
                                        XTYP_REQUEST, kLilithTimeoutMs, &result)
                 : NULL;
        if (item) DdeFreeStringHandle(instance, item);
        if (data) {
            char answer[1024];
            copyDdeText(data, answer, sizeof answer);
            DdeFreeDataHandle(data);
            status = lilithStatusFromAnswer(answer);
        }
        DdeDisconnect(conversation);
    }
    if (topic) DdeFreeStringHandle(instance, topic);
    if (service) DdeFreeStringHandle(instance, service);
    DdeUninitialize(instance);
    return status;
}

PlayerStatus checkLilithStatus(HWND* window) {
    *window = FindWindowA("Lilith", NULL);
    if (*window == NULL) {
        writeLogText("checkLilithStatus Exit  Reason: Lilith don't execute.");
        return kLilithAbsent;
    }
    return askLilith();
}

// Lilith writes its caption in Shift-JIS, and the window manager widens it
// with the system's ANSI code page.  Under 932 the bracket 0x81 0x6E
// arrives as U+FF3D; under any other code page it arrives as whatever that
// code page makes of the same two bytes (U+0081 'n' under 1252).  Returns
// the units of that form, 0 when the code page cannot read the bytes: the
// replacement character it then gives stands for any unreadable byte, so
// it would mark a title where there is no bracket.
static int widenedBracket(WCHAR* out, int capacity) {
    static const char kShiftJisBracket[] = "\x81\x6E";
    int units = MultiByteToWideChar(CP_ACP, 0, kShiftJisBracket, 2, out, capacity);
    for (int i = 0; i < units; i++)
        if (out[i] == 0xFFFD) return 0;
    return units > 0 ? units : 0;
}

static bool matchesAt(const WCHAR* text, const WCHAR* find, int units) {
    for (int i = 0; i < units; i++)
        if (text[i] != find[i]) return false;
    return true;
}

void cutLilithCaption(const WCHAR* caption, WCHAR* out, int capacity) {
    if (capacity <= 0) return;
    out[0] = 0;
    if (!caption) return;
    WCHAR widened[2];
    int widenedUnits = widenedBracket(widened, 2);
    for (const WCHAR* p = caption; *p; p++) {
        int marker = 0;
        if (*p == 0xFF3D)
            marker = 1;
        else if (widenedUnits > 0 && matchesAt(p, widened, widenedUnits))
            marker = widenedUnits;
        if (marker > 0) {
            copyWide(out, capacity, p + marker);
            return;
        }
    }
}

bool getLilithTitle(WCHAR* title, int capacity, HWND window) {
    return readCaptionTitle(window, cutLilithCaption, title, capacity, "LilithTitle[%s]");
}

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

void cutLilithCaption(const WCHAR* caption, WCHAR* out, int capacity) {
    if (capacity <= 0) return;
    out[0] = 0;
    for (const WCHAR* p = caption; p && *p; p++) {
        if (*p == 0xFF3D) {
            copyWide(out, capacity, p + 1);
            return;
        }
    }
}

bool getLilithTitle(WCHAR* title, int capacity, HWND window) {
    return readCaptionTitle(window, cutLilithCaption, title, capacity, "LilithTitle[%s]");
}

#include "publish/connections.h"

#include <string.h>

#include "frame/host_api.h"
#include "frame/host_services.h"
#include "frame/settings.h"
#include "frame/text_builder.h"
#include "frame/trace_log.h"
#include "frame/wide_text.h"
#include "publish/display_name.h"
#include "publish/update_cycle.h"

ConnectionSlots g_slots;

void clearPendingFlags() {
    memset(g_slots.pending, 0, sizeof g_slots.pending);
    memset(g_slots.pendingTicks, 0, sizeof g_slots.pendingTicks);
}

void clearSlotState(int slot) {
    g_slots.pending[slot] = 0;
    g_slots.pendingTicks[slot] = 0;
    g_slots.restoring[slot] = kRestoreIdle;
    g_slots.restoreTicks[slot] = 0;
    g_slots.appended[slot] = 0;
    g_slots.signInCheck[slot] = 0;
    g_slots.lastPublishedTitle[slot][0] = 0;
    g_slots.removedTitle[slot][0] = 0;
    g_slots.sentName[slot] = 0;
    g_slots.nameBeforeSend[slot] = 0;
}

void clearConnectionSlots() {
    memset(g_slots.handles, 0, sizeof g_slots.handles);
    for (int i = 0; i < kSlotCount; i++) clearSlotState(i);
    g_slots.titleMayBeLeft = g_lastAppended[0] != 0;
}

int slotOf(uint32_t connection) {
    for (int i = 0; i < kSlotCount; i++)
        if (g_slots.handles[i] == connection) return i;
    return -1;
}

uint64_t hashName(const WCHAR* name) {
    uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (int i = 0; name[i]; i++) {
        h ^= (uint16_t)name[i];
        h *= 1099511628211ull;
    }
    return h != 0 ? h : 1;
}

void plainNameBack(int slot) {
    if (slot < 0) return;
    g_slots.appended[slot] = 0;
    if (g_slots.titleMayBeLeft || g_lastAppended[0] == 0) return;
    for (int i = 0; i < kSlotCount; i++)
        if (g_slots.handles[i] != 0 && g_slots.appended[i]) return;
    static const WCHAR kNothing[1] = {0};
    setLastAppended(kNothing);
}

namespace {

// "MSNP" followed by anything, or exactly the configured protocol.  A name
// shorter than four characters is compared whole, so "MSN" is refused.
bool isWatchedProtocol(const char* protocol) {
    char prefix[5];
    lstrcpynA(prefix, protocol, sizeof prefix);
    return lstrcmpA(prefix, "MSNP") == 0 || lstrcmpA(protocol, g_protocolName) == 0;
}

bool wideEqual(const WCHAR* a, const WCHAR* b) {
    int n = wideLength(a);
    return n == wideLength(b) && memcmp(a, b, (size_t)n * sizeof(WCHAR)) == 0;
}

bool openChangeUserName(const char* protocol) {
    if (g_slots.changeUserNameService != 0) return true;
    char path[256];
    TextBuilder service(path, sizeof path);
    service.puts("Protocol/");
    service.puts(protocol);
    service.puts("/Connection/ChangeUserName");
    if (service.cut) return false;
    g_slots.changeUserNameService =
        g_hostApi.openService ? g_hostApi.openService(path) : 0;
    return g_slots.changeUserNameService != 0;
}

// The host's record says how many bytes it holds; never read past it.
void copyEventName(WCHAR* name, const InfoChangeEvent* event) {
    name[0] = 0;
    if (!event->value || !event->value->data) return;
    int units = event->value->size / (int)sizeof(WCHAR);
    if (units > kNameUnits - 1 || units < 0) units = kNameUnits - 1;
    const WCHAR* data = (const WCHAR*)event->value->data;
    int n = 0;
    while (n < units && data[n]) {
        name[n] = data[n];
        n++;
    }
    name[n] = 0;
}

// A title that a crash or a quit left in the name: the name ends with
// exactly what was last appended (and the user's own name comes before
// it).  Nothing else is ever cut.
bool cutStaleTitle(uint32_t connection, WCHAR* name) {
    int n = wideLength(name), m = wideLength(g_lastAppended);
    if (m == 0 || n <= m || !wideEqual(name + n - m, g_lastAppended)) return false;
    name[n - m] = 0;
    sendNameChange(g_slots.changeUserNameService, connection, name);
    g_slots.titleMayBeLeft = false;
    writeLogText("Stale Title Removed.");
    return true;
}

// While publishing is off nothing else would take a stale title off.  A
// host may report the connection before it knows the name the server
// keeps, so the first name change it reports is looked at too, once.
void checkNameAtSignIn(int slot, uint32_t connection) {
    if (g_mrOnOff || g_terminated || g_lastAppended[0] == 0) return;
    WCHAR name[kNameUnits];
    if (getUserName(connection, name, sizeof name) != 0 &&
        cutStaleTitle(connection, name))
        return;
    g_slots.signInCheck[slot] = 1;
}

}  // namespace

int32_t WINAPI eCConnect(uint32_t connection, void*) {
    writeLogText("@@eCConnect");
    char protocol[256];
    if (getProtocolName(connection, protocol, sizeof protocol) == 0) {
        writeLogText("MsnConnHook Exit  Reason: Cannot Get ProtocolName");
        writeLogText("#eCConnect");
        return -1;
    }
    if (!isWatchedProtocol(protocol) || connection == 0 || slotOf(connection) >= 0) {
        writeLogText("#eCConnect");
        return 0;
    }
    int slot = slotOf(0);
    if (slot < 0) {
        writeLogText("#eCConnect");
        return 0;
    }
    g_slots.handles[slot] = connection;
    clearSlotState(slot);
    if (!openChangeUserName(protocol)) {
        writeLogText("MsnConnHook Exit  Reason: Cannot Get OnInfoChange HWND");
        return -2;
    }
    writeLog("Connection HANDLE:%d", (int32_t)connection);
    checkNameAtSignIn(slot, connection);
    writeLogText("#eCConnect");
    return 0;
}

int32_t WINAPI eCDisconnect(uint32_t connection, void*) {
    writeLogText("@@eCDisconnect");
    int slot = connection != 0 ? slotOf(connection) : -1;
    if (slot >= 0) {
        g_slots.handles[slot] = 0;
        // The server keeps the name as it was: a title in it is left there.
        if (g_slots.appended[slot]) g_slots.titleMayBeLeft = true;
        // The next connection in this slot starts with nothing pending.
        clearSlotState(slot);
        writeLog("Disconnection HANDLE:%d", (int32_t)connection);
    }
    writeLogText("#eCDisconnect");
    return 0;
}

int32_t WINAPI eCInfoChange(uint32_t connection, void* record) {
    writeLogText("@@eCInfoChange");
    int slot = connection != 0 ? slotOf(connection) : -1;
    if (slot < 0) {
        writeLogText("Not Found.");
        writeLogText("#eCInfoChange");
        return -1;
    }
    const InfoChangeEvent* event = (const InfoChangeEvent*)record;
    if (g_slots.pending[slot] && event && event->code == kInfoDisplayName &&
        event->value && event->value->data) {
        WCHAR name[kNameUnits];
        copyEventName(name, event);
        WCHAR title[kLastTitleUnits];
        cutUserName(title, kLastTitleUnits, name);
        if (wideEqual(title, g_slots.lastPublishedTitle[slot])) {
            g_slots.pending[slot] = 0;
            g_slots.pendingTicks[slot] = 0;
            g_slots.sentName[slot] = 0;
            writeLogText("Change End.");
        } else {
            writeLogText("Not Hit.");
        }
    }
    if (g_slots.signInCheck[slot] && event && event->code == kInfoDisplayName &&
        !g_mrOnOff && !g_terminated) {
        WCHAR name[kNameUnits];
        copyEventName(name, event);
        g_slots.signInCheck[slot] = 0;
        cutStaleTitle(connection, name);
    }
    writeLogText("#eCInfoChange");
    return 0;
}

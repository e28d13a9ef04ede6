#include "publish/connections.h"

#include <string.h>

#include "frame/host_api.h"
#include "frame/host_services.h"
#include "frame/settings.h"
#include "frame/text_builder.h"
#include "frame/trace_log.h"
#include "frame/wide_text.h"
#include "publish/display_name.h"

ConnectionSlots g_slots;

void clearPendingFlags() {
    memset(g_slots.pending, 0, sizeof g_slots.pending);
    memset(g_slots.pendingTicks, 0, sizeof g_slots.pendingTicks);
}

void clearConnectionSlots() {
    memset(g_slots.handles, 0, sizeof g_slots.handles);
    memset(g_slots.restoring, 0, sizeof g_slots.restoring);
    clearPendingFlags();
}

namespace {

int findSlot(uint32_t connection) {
    for (int i = 0; i < kSlotCount; i++)
        if (g_slots.handles[i] == connection) return i;
    return -1;
}

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

}  // namespace

int32_t WINAPI eCConnect(uint32_t connection, void*) {
    writeLogText("@@eCConnect");
    char protocol[256];
    if (getProtocolName(connection, protocol, sizeof protocol) == 0) {
        writeLogText("MsnConnHook Exit  Reason: Cannot Get ProtocolName");
        writeLogText("#eCConnect");
        return -1;
    }
    if (!isWatchedProtocol(protocol) || connection == 0 || findSlot(connection) >= 0) {
        writeLogText("#eCConnect");
        return 0;
    }
    int slot = findSlot(0);
    if (slot < 0) {
        writeLogText("#eCConnect");
        return 0;
    }
    g_slots.handles[slot] = connection;
    g_slots.pending[slot] = 0;
    g_slots.pendingTicks[slot] = 0;
    g_slots.restoring[slot] = 0;
    if (!openChangeUserName(protocol)) {
        writeLogText("MsnConnHook Exit  Reason: Cannot Get OnInfoChange HWND");
        return -2;
    }
    writeLog("Connection HANDLE:%d", (int32_t)connection);
    writeLogText("#eCConnect");
    return 0;
}

int32_t WINAPI eCDisconnect(uint32_t connection, void*) {
    writeLogText("@@eCDisconnect");
    int slot = connection != 0 ? findSlot(connection) : -1;
    if (slot >= 0) {
        g_slots.handles[slot] = 0;
        // The next connection in this slot starts with nothing pending.
        g_slots.pending[slot] = 0;
        g_slots.pendingTicks[slot] = 0;
        g_slots.restoring[slot] = 0;
        writeLog("Disconnection HANDLE:%d", (int32_t)connection);
    }
    writeLogText("#eCDisconnect");
    return 0;
}

int32_t WINAPI eCInfoChange(uint32_t connection, void* record) {
    writeLogText("@@eCInfoChange");
    int slot = connection != 0 ? findSlot(connection) : -1;
    if (slot < 0) {
        writeLogText("Not Found.");
        writeLogText("#eCInfoChange");
        return -1;
    }
    const InfoChangeEvent* event = (const InfoChangeEvent*)record;
    if (g_slots.pending[slot] && event && event->code == kInfoDisplayName &&
        event->value && event->value->data) {
        // The host's record says how many bytes it holds; never read past it.
        WCHAR name[kNameUnits];
        int units = event->value->size / (int)sizeof(WCHAR);
        if (units > kNameUnits - 1 || units < 0) units = kNameUnits - 1;
        const WCHAR* data = (const WCHAR*)event->value->data;
        int n = 0;
        while (n < units && data[n]) {
            name[n] = data[n];
            n++;
        }
        name[n] = 0;
        WCHAR title[kLastTitleUnits];
        cutUserName(title, kLastTitleUnits, name);
        if (wideEqual(title, g_slots.lastPublishedTitle)) {
            g_slots.pending[slot] = 0;
            g_slots.pendingTicks[slot] = 0;
            writeLogText("Change End.");
        } else {
            writeLogText("Not Hit.");
        }
    }
    writeLogText("#eCInfoChange");
    return 0;
}

#include "frame/host_services.h"

HostApi g_hostApi;
uint32_t g_getInfoService;

void openGetInfo() {
    g_getInfoService =
        g_hostApi.openService ? g_hostApi.openService("System/Connection/GetInfo") : 0;
}

static int32_t queryInfo(uint32_t connection, int32_t code, int32_t type, void* data,
                         int32_t size) {
    if (!g_hostApi.callService) return 0;
    InfoValue value = {type, data, size};
    InfoRequest request = {(int32_t)sizeof(InfoRequest), code, &value};
    return g_hostApi.callService(g_getInfoService, connection, &request);
}

// The text queries clear the buffer's last unit (or byte) after the call, so
// that a host which fills the buffer to the brim still leaves a terminated
// text.
int32_t getUserName(uint32_t connection, WCHAR* buffer, int32_t size) {
    int32_t units = size / (int32_t)sizeof(WCHAR);
    if (!buffer || units <= 0) return 0;
    buffer[0] = 0;
    int32_t result = queryInfo(connection, kInfoDisplayName, 1, buffer, size);
    buffer[units - 1] = 0;
    return result;
}

int32_t getProtocolName(uint32_t connection, char* buffer, int32_t size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    int32_t result = queryInfo(connection, kInfoProtocolName, 0, buffer, size);
    buffer[size - 1] = '\0';
    return result;
}

int32_t getConnectionStatus(uint32_t connection) {
    int32_t status = -1;
    if (queryInfo(connection, kInfoConnectionStatus, 2, &status, sizeof status) <= 0)
        return -1;
    return status;
}

int32_t sendNameChange(uint32_t service, uint32_t connection, const WCHAR* name) {
    if (!g_hostApi.callService) return 0;
    NameChangeRequest request = {(int32_t)sizeof(NameChangeRequest), name};
    return g_hostApi.callService(service, connection, &request);
}

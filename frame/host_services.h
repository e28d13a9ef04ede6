// Calls into the host: the GetInfo queries, on behalf of the other modules.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "frame/host_api.h"

extern uint32_t g_getInfoService;  // 0 when the host did not open it

void openGetInfo();

// The connection's display name (UTF-16) into buffer of size bytes; returns
// the host's result, 0 on failure.
int32_t getUserName(uint32_t connection, WCHAR* buffer, int32_t size);
// The connection's protocol name (narrow) into buffer of size bytes.
int32_t getProtocolName(uint32_t connection, char* buffer, int32_t size);
// The connection's status (1 = connected), or -1 when the query fails.
int32_t getConnectionStatus(uint32_t connection);

// Hands a new display name to a ChangeUserName service.
int32_t sendNameChange(uint32_t service, uint32_t connection, const WCHAR* name);

// What the host calls: the three exports, by undecorated name.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "frame/host_api.h"

extern "C" {
int32_t WINAPI GetPluginInfo(int32_t index, char* buffer, int32_t size);
int32_t WINAPI Initialize(const HostApi* hostTable);
int32_t WINAPI Terminate(void);
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
}
// The host calls the exports, the loader DllMain.
MR_ASSERT_STDCALL_FUNCTION(GetPluginInfo);
MR_ASSERT_STDCALL_FUNCTION(Initialize);
MR_ASSERT_STDCALL_FUNCTION(Terminate);
MR_ASSERT_STDCALL_FUNCTION(DllMain);

void createAllServices();

// The host executable's folder, as Initialize found it.
enum { kHostFolderBytes = MAX_PATH };
extern char g_hostFolder[kHostFolderBytes];

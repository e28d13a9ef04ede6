// The module's face towards the host: the exports, the load and unload entry
// point, and the registration of the command and the connection hooks.
#include <shlwapi.h>
#include <string.h>
#include <windows.h>

#include "frame/host_services.h"
#include "frame/plugin_exports.h"
#include "frame/settings.h"
#include "frame/text_builder.h"
#include "frame/trace_log.h"
#include "publish/connections.h"
#include "publish/update_cycle.h"

char g_hostFolder[kHostFolderBytes];

namespace {

// The description and the load/unload messages are Shift-JIS bytes: the
// host shows them, and the log keeps them, as they are.
const char kDescription[] =
    "Winamp\x82\xc5\x8d\xc4\x90\xb6\x92\x86\x82\xcc\x83\x5e\x83\x43\x83\x67\x83\x8b\x82"
    "\xf0\x83\x6a\x83\x62\x83\x4e\x83\x6c\x81\x5b\x83\x80\x82\xcc\x8d\xc5\x8c\xe3\x82"
    "\xc9\x92\xc7\x89\xc1\x82\xb5\x82\xdc\x82\xb7\x81\x42";
const char kAttached[] =
    "\x83\x41\x83\x5e\x83\x62\x83\x60\x82\xb5\x82\xdc\x82\xb5\x82\xbd\r\n";
const char kDetached[] =
    "\x83\x66\x83\x5e\x83\x62\x83\x60\x82\xb5\x82\xdc\x82\xb5\x82\xbd\r\n";

const char* const kPluginInfo[] = {
    "0.2.3",      "AddIn/MELODYRIBBON",      "MelodyRibbon",
    kDescription, "MelodyRibbon developers", "Copyright (C) 2026 MelodyRibbon developers",
    "0.3.1",
};
const int32_t kPluginInfoCount = (int32_t)(sizeof kPluginInfo / sizeof kPluginInfo[0]);

// The host executable's folder, or an empty text when the system could not
// give a whole path.
void findHostFolder() {
    memset(g_hostFolder, 0, sizeof g_hostFolder);
    DWORD n = GetModuleFileNameA(NULL, g_hostFolder, sizeof g_hostFolder);
    if (n == 0 || n >= sizeof g_hostFolder) {
        g_hostFolder[0] = '\0';
        return;
    }
    g_hostFolder[sizeof g_hostFolder - 1] = '\0';
    PathRemoveFileSpecA(g_hostFolder);
}

void buildFilePaths() {
    findHostFolder();
    g_iniPath[0] = '\0';
    g_logPath[0] = '\0';
    if (g_hostFolder[0] == '\0') return;
    buildPluginPath(g_iniPath, sizeof g_iniPath, g_hostFolder, "MelodyRibbon.ini");
    writeLog("IniFilePath[%s]", g_iniPath);
    buildPluginPath(g_logPath, sizeof g_logPath, g_hostFolder, "MelodyRibbon.Log");
    writeLog("LogFilePath[%s]", g_logPath);
}

}  // namespace

void createAllServices() {
    writeLogText("@@createAllServices Start.");
    char path[256];
    TextBuilder command(path, sizeof path);
    command.puts("AddIn/MELODYRIBBON/UIService/Main/swTitle");
    if (g_hostApi.registerCommand) g_hostApi.registerCommand(path, swTitle);
    openGetInfo();
    if (g_hostApi.hookEvent) {
        g_hostApi.hookEvent("System/Connection/OnConnect", eCConnect);
        g_hostApi.hookEvent("System/Connection/OnDisconnect", eCDisconnect);
        g_hostApi.hookEvent("System/Connection/OnInfoChange", eCInfoChange);
    }
    writeLogText("#createAllServices End.");
}

extern "C" int32_t WINAPI GetPluginInfo(int32_t index, char* buffer, int32_t size) {
    if (index < 0 || index >= kPluginInfoCount || !buffer || size <= 0) return 0;
    lstrcpynA(buffer, kPluginInfo[index], size);
    return lstrlenA(buffer);
}

extern "C" int32_t WINAPI Initialize(const HostApi* hostTable) {
    writeLogText("@@Initialize Start.");
    if (hostTable) memcpy(&g_hostApi, hostTable, sizeof g_hostApi);
    createAllServices();
    buildFilePaths();
    loadSettings();
    resetPublishing();
    g_logEnabled = g_logSetting;
    if (g_mrOnOff) startTitleTimer();
    writeLogText("#Initialize End.");
    return 0;
}

// The timer is stopped after the settings are saved (so MrOnOff keeps the
// state the user left), because once the host unloads us no tick may run.
extern "C" int32_t WINAPI Terminate(void) {
    saveSettings();
    terminatePublishing();
    return 0;
}

// A host that unloads us without Terminate must not be left with a timer
// whose callback is gone.  At process exit (reserved set) nothing runs any
// more, and user32 may already be torn down, so it is left alone then.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) writeLogText(kAttached);
    if (reason == DLL_PROCESS_DETACH) {
        writeLogText(kDetached);
        if (reserved == NULL) killTitleTimer();
    }
    return TRUE;
}

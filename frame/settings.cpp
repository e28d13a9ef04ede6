#include "frame/settings.h"

#include <shlwapi.h>
#include <string.h>
#include <windows.h>

#include "frame/text_builder.h"
#include "frame/trace_log.h"

char g_iniPath[kIniPathBytes];

bool g_statusSaveFlg;
bool g_mrOnOff;
bool g_logSetting;
char g_protocolName[kSettingTextBytes];
char g_separator[kSettingTextBytes];
int32_t g_timerSeconds;
int32_t g_winampOrder;
int32_t g_iTunesOrder;
int32_t g_kbMediaPlayerOrder;
int32_t g_bsPlayerOrder;
int32_t g_lilithOrder;
int32_t g_mediaSessionOrder;
char g_mediaSessionApps[kMediaSessionAppsBytes];

static const char kMain[] = "Main";
static const char kPlayer[] = "Player";
static const char kDefaultSeparator[] = "/NowPlaying...";

namespace {

// With no usable INI path every read gives its default: an empty file name
// would make the profile functions fall back to a system-wide file.
int32_t readInt(const char* section, const char* key, int32_t def) {
    if (g_iniPath[0] == '\0') return def;
    return (int32_t)GetPrivateProfileIntA(section, key, def, g_iniPath);
}

void readText(const char* section, const char* key, const char* def, char* out) {
    if (g_iniPath[0] == '\0') {
        lstrcpynA(out, def, kSettingTextBytes);
        return;
    }
    GetPrivateProfileStringA(section, key, def, out, kSettingTextBytes, g_iniPath);
}

void readAppList(char* out) {
    if (g_iniPath[0] == '\0') {
        out[0] = '\0';
        return;
    }
    GetPrivateProfileStringA(kPlayer, "MediaSessionApps", "", out, kMediaSessionAppsBytes,
                             g_iniPath);
}

void writeInt(const char* section, const char* key, int32_t value) {
    char text[16];
    TextBuilder(text, sizeof text).putDecimal(value);
    WritePrivateProfileStringA(section, key, text, g_iniPath);
}

// The folder that holds the INI file, i.e. the path cut before its last
// backslash, created one level at a time ("Plugins", then "MelodyRibbon").
void ensureIniFolder() {
    char folder[kIniPathBytes];
    lstrcpynA(folder, g_iniPath, sizeof folder);
    if (!PathRemoveFileSpecA(folder)) return;
    if (PathIsDirectoryA(folder)) return;
    char parent[kIniPathBytes];
    lstrcpynA(parent, folder, sizeof parent);
    if (PathRemoveFileSpecA(parent) && !PathIsDirectoryA(parent))
        CreateDirectoryA(parent, NULL);
    CreateDirectoryA(folder, NULL);
}

void logSettingsBanner() {
    static const char kRule[] = "###############################################";
    writeLogText(kRule);
    writeLogText(g_separator);
    writeLog("Timer:%d", g_timerSeconds);
    writeLog("WinampOrder:%d", g_winampOrder);
    writeLog("iTunesOrder:%d", g_iTunesOrder);
    writeLog("kbMediaPlayerOrder:%d", g_kbMediaPlayerOrder);
    writeLog("BSplayerOrder:%d", g_bsPlayerOrder);
    writeLog("LilithOrder:%d", g_lilithOrder);
    writeLog("MediaSessionOrder:%d", g_mediaSessionOrder);
    writeLogText(kRule);
}

}  // namespace

bool loadSettings() {
    g_statusSaveFlg = readInt(kMain, "StatusSaveFlg", 0) != 0;
    g_mrOnOff = g_statusSaveFlg ? readInt(kMain, "MrOnOff", 0) != 0 : false;
    g_logSetting = readInt(kMain, "Log", 0) != 0;
    readText(kMain, "ProtocolName", "MSNP8", g_protocolName);
    readText(kMain, "Separator", kDefaultSeparator, g_separator);
    // An empty separator would mark nothing, so the title could never be
    // recognised and would be appended again on every tick.
    if (g_separator[0] == '\0')
        lstrcpynA(g_separator, kDefaultSeparator, kSettingTextBytes);
    g_timerSeconds = readInt(kMain, "Timer", 5);
    g_winampOrder = readInt(kPlayer, "WinampOrder", 1);
    g_iTunesOrder = readInt(kPlayer, "iTunesOrder", -1);
    g_kbMediaPlayerOrder = readInt(kPlayer, "kbMediaPlayerOrder", -1);
    g_bsPlayerOrder = readInt(kPlayer, "BSplayerOrder", -1);
    g_lilithOrder = readInt(kPlayer, "LilithOrder", -1);
    g_mediaSessionOrder = readInt(kPlayer, "MediaSessionOrder", -1);
    readAppList(g_mediaSessionApps);
    logSettingsBanner();
    return true;
}

bool saveSettings() {
    if (g_iniPath[0] == '\0') return true;
    ensureIniFolder();
    writeInt(kMain, "StatusSaveFlg", g_statusSaveFlg ? 1 : 0);
    writeInt(kMain, "MrOnOff", g_mrOnOff ? 1 : 0);
    writeInt(kMain, "Log", 0);
    WritePrivateProfileStringA(kMain, "ProtocolName", g_protocolName, g_iniPath);
    WritePrivateProfileStringA(kMain, "Separator", g_separator, g_iniPath);
    writeInt(kMain, "Timer", g_timerSeconds);
    writeInt(kPlayer, "WinampOrder", g_winampOrder);
    writeInt(kPlayer, "iTunesOrder", g_iTunesOrder);
    writeInt(kPlayer, "kbMediaPlayerOrder", g_kbMediaPlayerOrder);
    writeInt(kPlayer, "BSplayerOrder", g_bsPlayerOrder);
    writeInt(kPlayer, "LilithOrder", g_lilithOrder);
    writeInt(kPlayer, "MediaSessionOrder", g_mediaSessionOrder);
    WritePrivateProfileStringA(kPlayer, "MediaSessionApps", g_mediaSessionApps,
                               g_iniPath);
    return true;
}

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
WCHAR g_lastAppended[kLastAppendedUnits];
static bool g_lastAppendedUnsaved;

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

// Read through a roomier buffer and cut after: the profile reader decides
// on removing a closing quote before it cuts to the buffer, so a quoted
// value that fills the buffer exactly would lose its last byte.
void readText(const char* section, const char* key, const char* def, char* out) {
    if (g_iniPath[0] == '\0') {
        lstrcpynA(out, def, kSettingTextBytes);
        return;
    }
    char roomy[2 * kSettingTextBytes];
    GetPrivateProfileStringA(section, key, def, roomy, sizeof roomy, g_iniPath);
    lstrcpynA(out, roomy, kSettingTextBytes);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The profile reader drops blanks at either end of a value and one pair of
// enclosing quotes, so such a value is written inside double quotes and
// reads back as it was.
void writeText(const char* section, const char* key, const char* value) {
    int n = lstrlenA(value);
    bool enclosed =
        n >= 2 && (value[0] == '"' || value[0] == '\'') && value[n - 1] == value[0];
    if (n == 0 || (!isBlank(value[0]) && !isBlank(value[n - 1]) && !enclosed)) {
        WritePrivateProfileStringA(section, key, value, g_iniPath);
        return;
    }
    char quoted[kSettingTextBytes + 2];
    TextBuilder text(quoted, sizeof quoted);
    text.puts("\"");
    text.puts(value);
    text.puts("\"");
    WritePrivateProfileStringA(section, key, quoted, g_iniPath);
}

// LastAppended is stored as four hexadecimal digits per UTF-16 unit: the
// file is in the ANSI code page, which cannot hold every character of a
// title, and the profile functions would trim or unquote the text itself.
const char kHex[] = "0123456789ABCDEF";

void writeLastAppended() {
    char hex[4 * kLastAppendedUnits + 1];
    int n = 0;
    for (int i = 0; i < kLastAppendedUnits - 1 && g_lastAppended[i]; i++)
        for (int shift = 12; shift >= 0; shift -= 4)
            hex[n++] = kHex[(g_lastAppended[i] >> shift) & 0xF];
    hex[n] = '\0';
    WritePrivateProfileStringA(kMain, "LastAppended", hex, g_iniPath);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A value that is not whole groups of hex digits is someone else's text:
// it gives nothing, so that nothing is ever cut on its account.
void readLastAppended() {
    g_lastAppended[0] = 0;
    g_lastAppendedUnsaved = false;
    if (g_iniPath[0] == '\0') return;
    char hex[4 * kLastAppendedUnits + 1];
    DWORD n =
        GetPrivateProfileStringA(kMain, "LastAppended", "", hex, sizeof hex, g_iniPath);
    if (n % 4 != 0 || n / 4 >= kLastAppendedUnits) return;
    for (DWORD i = 0; i < n / 4; i++) {
        WCHAR unit = 0;
        for (DWORD k = 0; k < 4; k++) {
            int d = hexDigit(hex[4 * i + k]);
            if (d < 0) {
                g_lastAppended[0] = 0;
                return;
            }
            unit = (WCHAR)((unit << 4) | d);
        }
        g_lastAppended[i] = unit;
    }
    g_lastAppended[n / 4] = 0;
}

bool sameWide(const WCHAR* a, const WCHAR* b) {
    int i = 0;
    for (; a[i] && a[i] == b[i]; i++) {
    }
    return a[i] == b[i];
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
    readLastAppended();
    logSettingsBanner();
    return true;
}

bool saveSettings() {
    if (g_iniPath[0] == '\0') return true;
    ensureIniFolder();
    writeInt(kMain, "StatusSaveFlg", g_statusSaveFlg ? 1 : 0);
    writeInt(kMain, "MrOnOff", g_mrOnOff ? 1 : 0);
    writeInt(kMain, "Log", 0);
    writeText(kMain, "ProtocolName", g_protocolName);
    writeText(kMain, "Separator", g_separator);
    writeInt(kMain, "Timer", g_timerSeconds);
    writeInt(kPlayer, "WinampOrder", g_winampOrder);
    writeInt(kPlayer, "iTunesOrder", g_iTunesOrder);
    writeInt(kPlayer, "kbMediaPlayerOrder", g_kbMediaPlayerOrder);
    writeInt(kPlayer, "BSplayerOrder", g_bsPlayerOrder);
    writeInt(kPlayer, "LilithOrder", g_lilithOrder);
    writeInt(kPlayer, "MediaSessionOrder", g_mediaSessionOrder);
    WritePrivateProfileStringA(kPlayer, "MediaSessionApps", g_mediaSessionApps,
                               g_iniPath);
    writeLastAppended();
    g_lastAppendedUnsaved = false;
    return true;
}

void setLastAppended(const WCHAR* text) {
    if (sameWide(g_lastAppended, text)) return;
    int n = 0;
    for (; n < kLastAppendedUnits - 1 && text[n]; n++) g_lastAppended[n] = text[n];
    g_lastAppended[n] = 0;
    g_lastAppendedUnsaved = true;
}

void flushLastAppended() {
    if (!g_lastAppendedUnsaved || g_iniPath[0] == '\0') return;
    g_lastAppendedUnsaved = false;
    ensureIniFolder();
    writeLastAppended();
}

// The user's settings, kept in MelodyRibbon.ini beside the host's plug-ins.
//
// There is no settings dialog: the file is edited by hand, and the only
// setting that changes at run time is the switch state.
#pragma once

#include <stdint.h>
#include <windows.h>

enum { kSettingTextBytes = 32, kIniPathBytes = 1024 };

extern char g_iniPath[kIniPathBytes];  // empty: no usable path, defaults only

extern bool g_statusSaveFlg;  // StatusSaveFlg: the switch state survives a restart
extern bool g_mrOnOff;        // MrOnOff: publishing is on
extern bool g_logSetting;     // Log: trace log on for this run
extern char g_protocolName[kSettingTextBytes];  // ProtocolName
extern char g_separator[kSettingTextBytes];     // Separator
extern int32_t g_timerSeconds;                  // Timer
extern int32_t g_winampOrder;                   // WinampOrder
extern int32_t g_iTunesOrder;                   // iTunesOrder
extern int32_t g_kbMediaPlayerOrder;            // kbMediaPlayerOrder
extern int32_t g_bsPlayerOrder;                 // BSplayerOrder
extern int32_t g_lilithOrder;                   // LilithOrder
extern int32_t g_mediaSessionOrder;             // MediaSessionOrder

// MediaSessionApps: which apps' media sessions may be published, as
// ";"-separated parts of their app ids; empty for every app.  App ids are
// long ("Microsoft.ZuneMusic_8wekyb3d8bbwe!Microsoft.ZuneMusic"), so a list
// of a few needs more room than the other texts.
enum { kMediaSessionAppsBytes = 512 };
extern char g_mediaSessionApps[kMediaSessionAppsBytes];

// LastAppended: the separator and title last appended to the user's name,
// kept across runs so that a title left on the server by a crash or a quit
// can be taken off at the next sign-in.  UTF-16 (a separator of 31 bytes
// and a title of 255 units at most); empty when every name is plain.
enum { kLastAppendedUnits = 32 + 256 };
extern WCHAR g_lastAppended[kLastAppendedUnits];

// Sets LastAppended; flushLastAppended writes that key alone, only when it
// changed since the last write (the value must survive a crash, but is not
// rewritten on every tick, and an update step itself writes no file).
void setLastAppended(const WCHAR* text);
void flushLastAppended();

// Reads every setting (defaults for what is missing).  The run-time state
// that a load starts afresh (connection slots, timer) belongs to the
// publishing side; Initialize resets it right after.
bool loadSettings();

// Writes every setting back; Log is always written as 0, so logging lasts
// one run.  Creates the plug-in's folder beside the host when missing.
bool saveSettings();

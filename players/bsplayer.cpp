#include "players/bsplayer.h"

#include <string.h>

#include "frame/trace_log.h"
#include "players/media_file_title.h"
#include "players/player_window.h"

namespace {

const UINT kBsPlayerCommand = WM_USER + 2;
const WPARAM kGetState = 0x10102;        // an answer of 2 or more: playing
const ULONG_PTR kGetFileName = 0x1010B;  // WM_COPYDATA: where to write the path

enum { kPathBytes = 1024 };

// BSPlayer writes the path into our process at the address we send, from
// its own process, whenever it gets round to it.  A query that timed out may
// still be answered later, so the buffer is the module's, not a stack frame
// that is gone by then: a late answer lands where it can do no harm.
char g_answeredPath[kPathBytes];

// Enough for any desktop: each step of the search is one window lookup.
enum { kMaxWindowsPerClass = 256 };

bool isOurs(HWND window) {
    DWORD owner = 0;
    return GetWindowThreadProcessId(window, &owner) != 0 &&
           owner == GetCurrentProcessId();
}

HWND findOwnWindow(const char* windowClass) {
    HWND window = NULL;
    for (int i = 0; i < kMaxWindowsPerClass; i++) {
        window = FindWindowExA(NULL, window, windowClass, NULL);
        if (window == NULL || isOurs(window)) return window;
    }
    return NULL;
}

// BSPlayer writes the path into the process that owns the sender's window,
// at the address in the record.  "TFrmMain" is a common form class name, so
// the first such window may be another program's, which must never be
// written at our buffer's address: only a window of this process is named.
HWND findHostWindow() {
    HWND host = findOwnWindow("TFrmMain");
    return host ? host : findOwnWindow("inaka_win_wnd_FrameWnd1");
}

}  // namespace

PlayerStatus checkBSplayerStatus(HWND* window) {
    *window = FindWindowA("BSPlayer", NULL);
    if (*window == NULL) {
        writeLogText("checkBSplayerStatus Exit  Reason: BSplayer don't execute.");
        return kBsPlayerAbsent;
    }
    LRESULT state = 0;
    if (!askPlayerWindow(*window, kBsPlayerCommand, kGetState, 0, &state)) {
        writeLogText("checkBSplayerStatus Exit  Reason: BSplayer don't answer.");
        return kBsPlayerAbsent;
    }
    // The answer is a 32-bit int whatever the width of LRESULT.
    if ((int32_t)state < 2) {
        writeLogText("checkBSplayerStatus Exit  Reason:BSplayer Not Playing.");
        return kBsPlayerNotPlaying;
    }
    return kBsPlayerPlaying;
}

bool getBSplayerTitle(WCHAR* title, int capacity, HWND window) {
    HWND host = findHostWindow();
    if (host == NULL) {
        writeLogText("getBSplayerTitle Exit  Reason: Parent HWND is NULL.");
        return false;
    }
    // The record carries the buffer's address, as wide as an address is in
    // this build: 4 bytes on the 32-bit plug-in, 8 on the 64-bit one.
    char* pathAddress = g_answeredPath;
    COPYDATASTRUCT record;
    record.dwData = kGetFileName;
    record.cbData = sizeof pathAddress;
    record.lpData = &pathAddress;
    memset(g_answeredPath, 0, sizeof g_answeredPath);
    LRESULT ignored = 0;
    if (!askPlayerWindow(window, WM_COPYDATA, (WPARAM)host, (LPARAM)&record, &ignored)) {
        writeLogText("getBSplayerTitle Exit  Reason: BSplayer don't answer.");
        return false;
    }
    char path[kPathBytes];
    memcpy(path, g_answeredPath, sizeof path);
    path[kPathBytes - 1] = '\0';
    if (path[0] == '\0') {
        writeLogText("getBSplayerTitle Exit  Reason: No File Name.");
        return false;
    }
    getTitleFromFile(title, path, capacity);
    writeLogWide("BSTitle[%s]", title);
    return title[0] != 0;
}

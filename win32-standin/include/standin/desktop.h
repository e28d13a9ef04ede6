// Test-side control of the simulated desktop behind the Linux stand-in.
//
// The stand-in answers the plug-in's system and window calls from the state
// kept here; a test sets that state, runs plug-in code, and reads back what
// the plug-in did (messages sent, timers set).  One simulated desktop per
// process; reset() puts it back to its defaults between tests.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace standin {

// --- system answers -------------------------------------------------------

// What GetModuleFileNameA(NULL, ...) answers: the host executable's path.
void setModuleFileName(const std::string& path);

// What GetVersionExA fills in; defaults to Windows XP (NT 5.1).
void setVersion(DWORD platformId, DWORD major, DWORD minor);
int versionQueryCount();

// The thread locale's LOCALE_IDEFAULTANSICODEPAGE text; failLocaleQuery makes
// GetLocaleInfoA fail.  Defaults to "1252".
void setLocaleAnsiCodePageText(const std::string& text);
void failLocaleQuery(bool fail);

// GetACP(), and the code page that CP_ACP and CP_THREAD_ACP convert with.
// Defaults to 1252.
void setAnsiCodePage(UINT cp);

// --- windows --------------------------------------------------------------

typedef std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> WindowProc;

// A top-level window of another process, found by FindWindowA by class.
// Captions are UTF-8 here; GetWindowTextW gives them in UTF-16 and
// GetWindowTextA in the ANSI code page, as Windows does.
HWND createWindow(const std::string& className, const std::string& caption,
                  WindowProc proc);
// A window of the plug-in's own process (the host's main window).
HWND createOwnWindow(const std::string& className, const std::string& caption,
                     WindowProc proc);
void destroyWindow(HWND w);
void setWindowText(HWND w, const std::string& caption);

// A hung window never answers: SendMessageTimeoutA gives up after its
// time-out (the simulated clock moves on by that much), and a SendMessageA to
// it is recorded as a hang of the caller (blockingSendsToHungWindows).
void setHung(HWND w, bool hung);
int blockingSendsToHungWindows();

// A window that, while it answers, sends a message to one of the caller's
// windows.  A caller that sends with SMTO_BLOCK cannot take that message in,
// so the two wait for each other until the caller's time-out; without the
// flag the caller's thread answers it and gets its own answer at once.
void setCallsBackWhileAnswering(HWND w, bool calls);

// The error modes that a file was opened under, the process's and the
// thread's, for the latest CreateFileA, and the modes as they are now.
struct ErrorModes {
    UINT process;
    DWORD thread;
};
ErrorModes errorModesAtLastOpen();
ErrorModes errorModes();
void setProcessErrorMode(UINT mode);

// Every message sent to any window, in order.
struct SentMessage {
    HWND window;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool withTimeout;
    UINT timeoutMs;
    UINT flags;
};
const std::vector<SentMessage>& sentMessages();

// --- timers and the clock -------------------------------------------------

struct Timer {
    UINT_PTR id;
    UINT intervalMs;
    TIMERPROC proc;
    DWORD nextDueMs;
};
// Thread timers without a window that are alive now, in creation order.
std::vector<Timer> activeTimers();
// Make SetTimer fail (return 0) from now on.
void failSetTimer(bool fail);

DWORD nowMs();
// Moves the clock on by ms, running every timer callback that falls due, in
// time order, as a message loop would.
void advance(DWORD ms);

// Everything back to defaults: no windows, no timers, clock at 0.
void reset();

}  // namespace standin

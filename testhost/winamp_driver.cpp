#include "testhost/winamp_driver.h"

#include "testhost/host_folder.h"

namespace testhost {

namespace {

const UINT kSetState = WM_APP + 1;
const UINT kHang = WM_APP + 2;
const DWORD kControlTimeoutMs = 3000;
const DWORD kStartTimeoutMs = 15000;
const DWORD kStepMs = 20;

}  // namespace

HWND WinampDriver::findWindow() const {
    for (HWND w = FindWindowExA(NULL, NULL, "Winamp v1.x", NULL); w;
         w = FindWindowExA(NULL, w, "Winamp v1.x", NULL)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == processId_) return w;
    }
    return NULL;
}

bool WinampDriver::start(const std::string& state, const WText& caption,
                         std::string* error) {
    if (process_) {
        *error = "a fake Winamp is already running";
        return false;
    }
    // The player takes everything after the state word as its caption.
    WText commandLine =
        widen("\"" + hostFolder() + "fake_winamp.exe\" " + state + " ") + caption;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si,
                        &pi)) {
        *error = "CreateProcess(fake_winamp.exe) failed, error " +
                 std::to_string(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    processId_ = pi.dwProcessId;
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kStepMs) {
        window_ = findWindow();
        if (window_) return true;
        if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) break;
        wait_(kStepMs);
    }
    *error = "the fake Winamp's window never appeared";
    kill();
    return false;
}

bool WinampDriver::send(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error) {
    if (!window_) {
        *error = "no fake Winamp is running";
        return false;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window_, msg, wParam, lParam, SMTO_ABORTIFHUNG,
                             kControlTimeoutMs, &result)) {
        *error = "the fake Winamp did not answer (hung?)";
        return false;
    }
    return true;
}

bool WinampDriver::setCaption(const WText& caption, std::string* error) {
    return send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()), error);
}

bool WinampDriver::setState(int state, std::string* error) {
    return send(kSetState, static_cast<WPARAM>(state), 0, error);
}

// Posted: the player sleeps inside its window procedure, and the host must
// not wait for that.
bool WinampDriver::hang(DWORD ms, std::string* error) {
    if (!window_ || !PostMessageW(window_, kHang, ms, 0)) {
        *error = "could not post the hang to the fake Winamp";
        return false;
    }
    return true;
}

bool WinampDriver::quit(std::string* error) {
    if (!window_) {
        *error = "no fake Winamp is running";
        return false;
    }
    PostMessageW(window_, WM_CLOSE, 0, 0);
    window_ = NULL;
    if (!waitForExit(kStartTimeoutMs)) {
        kill();
        *error = "the fake Winamp did not quit; killed it";
        return false;
    }
    CloseHandle(process_);
    process_ = NULL;
    return true;
}

bool WinampDriver::waitForExit(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += kStepMs) {
        if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) return true;
        wait_(kStepMs);
    }
    return false;
}

void WinampDriver::kill() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = NULL;
    window_ = NULL;
}

}  // namespace testhost

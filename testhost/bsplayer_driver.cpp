#include "testhost/bsplayer_driver.h"

#include "testhost/host_folder.h"

namespace testhost {

namespace {

const ULONG_PTR kSetFile = 0x7E57F11E;
const UINT kSetState = WM_APP + 1;
const UINT kHang = WM_APP + 2;
const DWORD kControlTimeoutMs = 3000;
const DWORD kStartTimeoutMs = 15000;
const DWORD kStepMs = 20;

// The player's window among those of its class: the one its process owns.
HWND windowOf(DWORD processId) {
    for (HWND w = FindWindowExA(NULL, NULL, "BSPlayer", NULL); w;
         w = FindWindowExA(NULL, w, "BSPlayer", NULL)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == processId) return w;
    }
    return NULL;
}

}  // namespace

bool BsPlayerDriver::start(int state, std::string* error) {
    if (process_) {
        *error = "a fake BSPlayer is already running";
        return false;
    }
    std::string commandLine =
        "\"" + hostFolder() + "fake_bsplayer.exe\" " + std::to_string(state);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si,
                        &pi)) {
        *error = "CreateProcess(fake_bsplayer.exe) failed, error " +
                 std::to_string(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    for (DWORD waited = 0; waited < kStartTimeoutMs && !window_; waited += kStepMs) {
        if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) break;
        wait_(kStepMs);
        window_ = windowOf(pi.dwProcessId);
    }
    if (window_) return true;
    *error = "the fake BSPlayer's window never appeared";
    kill();
    return false;
}

bool BsPlayerDriver::send(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error) {
    DWORD_PTR result = 0;
    if (!window_) {
        *error = "no fake BSPlayer is running";
    } else if (!SendMessageTimeoutA(window_, msg, wParam, lParam, SMTO_ABORTIFHUNG,
                                    kControlTimeoutMs, &result)) {
        *error = "the fake BSPlayer did not answer (hung?)";
    } else {
        return true;
    }
    return false;
}

bool BsPlayerDriver::setFile(const std::string& path, std::string* error) {
    COPYDATASTRUCT record;
    record.dwData = kSetFile;
    record.cbData = static_cast<DWORD>(path.size());
    record.lpData = const_cast<char*>(path.data());
    return send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record), error);
}

bool BsPlayerDriver::setState(int state, std::string* error) {
    return send(kSetState, static_cast<WPARAM>(state), 0, error);
}

// Posted: the player sleeps inside its window procedure, and the host must
// not wait for that.
bool BsPlayerDriver::hang(DWORD ms, std::string* error) {
    if (window_ && PostMessageA(window_, kHang, ms, 0)) return true;
    *error = "could not post the hang to the fake BSPlayer";
    return false;
}

bool BsPlayerDriver::quit(std::string* error) {
    if (!window_) {
        *error = "no fake BSPlayer is running";
        return false;
    }
    PostMessageA(window_, WM_CLOSE, 0, 0);
    window_ = NULL;
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kStepMs) {
        if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
            CloseHandle(process_);
            process_ = NULL;
            return true;
        }
        wait_(kStepMs);
    }
    kill();
    *error = "the fake BSPlayer did not quit; killed it";
    return false;
}

void BsPlayerDriver::kill() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = NULL;
    window_ = NULL;
}

bool BsPlayerDriver::setHostWindow(bool present, std::string* error) {
    HWND existing = FindWindowA("TFrmMain", NULL);
    if (!present) {
        if (existing && !DestroyWindow(existing)) {
            *error = "could not destroy the TFrmMain window";
            return false;
        }
        return true;
    }
    if (existing) return true;
    // The class was registered at start-up.
    if (CreateWindowExA(0, "TFrmMain", "MelodyRibbon test host", WS_OVERLAPPEDWINDOW,
                        CW_USEDEFAULT, CW_USEDEFAULT, 320, 240, NULL, NULL,
                        GetModuleHandleA(NULL), NULL))
        return true;
    *error = "could not create the TFrmMain window";
    return false;
}

}  // namespace testhost

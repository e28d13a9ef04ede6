#include "testhost/bsplayer_driver.h"

#include "fakeplayers/fake_control.h"

namespace testhost {

bool BsPlayerDriver::start(int state, std::string* error) {
    return program_.start(widen(std::to_string(state)), error);
}

bool BsPlayerDriver::setFile(const std::string& path, std::string* error) {
    COPYDATASTRUCT record;
    record.dwData = fake::kSetFile;
    record.cbData = static_cast<DWORD>(path.size());
    record.lpData = const_cast<char*>(path.data());
    return program_.send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record), error);
}

bool BsPlayerDriver::setState(int state, std::string* error) {
    return program_.send(fake::kSetState, static_cast<WPARAM>(state), 0, error);
}

// Posted: the player sleeps inside its window procedure, and the host must
// not wait for that.
bool BsPlayerDriver::hang(DWORD ms, std::string* error) {
    return program_.post(fake::kHang, ms, 0, error);
}

bool BsPlayerDriver::quitAfterStatus(std::string* error) {
    return program_.send(fake::kQuitAfterStatus, 0, 0, error);
}

// Another program may have a window of the same class (see foreignform).
static HWND ownHostWindow() {
    for (HWND w = FindWindowExA(NULL, NULL, "TFrmMain", NULL); w;
         w = FindWindowExA(NULL, w, "TFrmMain", NULL)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId()) return w;
    }
    return NULL;
}

bool BsPlayerDriver::setHostWindow(bool present, std::string* error) {
    HWND existing = ownHostWindow();
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

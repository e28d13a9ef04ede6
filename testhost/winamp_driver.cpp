#include "testhost/winamp_driver.h"

#include "fakeplayers/fake_control.h"

namespace testhost {

bool WinampDriver::start(const std::string& state, const WText& caption,
                         std::string* error) {
    // The player takes everything after the state word as its caption.
    return program_.start(widen(state + " ") + caption, error);
}

bool WinampDriver::setCaption(const WText& caption, std::string* error) {
    return program_.send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()), error);
}

bool WinampDriver::setState(int state, std::string* error) {
    return program_.send(fake::kSetState, static_cast<WPARAM>(state), 0, error);
}

// Posted: the player sleeps inside its window procedure, and the host must
// not wait for that.
bool WinampDriver::hang(DWORD ms, std::string* error) {
    return program_.post(fake::kHang, ms, 0, error);
}

bool WinampDriver::quitAfterStatus(std::string* error) {
    return program_.send(fake::kQuitAfterStatus, 0, 0, error);
}

}  // namespace testhost

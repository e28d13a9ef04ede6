// Starts and steers fake_winamp.exe (next to this program) for a scenario.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "testhost/fake_process.h"

namespace testhost {

class WinampDriver {
public:
    // wait(ms) lets the host's message loop run while we wait for the player.
    explicit WinampDriver(std::function<void(DWORD)> wait)
        : program_("fake_winamp.exe", "Winamp v1.x", wait) {}

    // state: "playing", "stopped" or "paused".
    bool start(const std::string& state, const WText& caption, std::string* error);
    bool setCaption(const WText& caption, std::string* error);
    bool setState(int state, std::string* error);
    bool hang(DWORD ms, std::string* error);
    bool quitAfterStatus(std::string* error);
    bool quit(std::string* error) { return program_.quit(error); }
    bool running() const { return program_.running(); }

private:
    FakeProcess program_;
};

}  // namespace testhost

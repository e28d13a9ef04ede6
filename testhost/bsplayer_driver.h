// Starts and steers fake_bsplayer.exe (next to this program) for a scenario,
// and takes the host's main window away and back, since the player's
// file-name query names that window as its sender.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "testhost/fake_process.h"

namespace testhost {

class BsPlayerDriver {
public:
    // wait(ms) lets the host's message loop run while we wait for the player.
    explicit BsPlayerDriver(std::function<void(DWORD)> wait)
        : program_("fake_bsplayer.exe", "BSPlayer", wait) {}

    bool start(int state, std::string* error);
    // path: ANSI, as the player reports it.
    bool setFile(const std::string& path, std::string* error);
    bool setState(int state, std::string* error);
    bool hang(DWORD ms, std::string* error);
    bool quitAfterStatus(std::string* error);
    bool quit(std::string* error) { return program_.quit(error); }
    bool running() const { return program_.running(); }

    // Creates or destroys this process's "TFrmMain" window.
    static bool setHostWindow(bool present, std::string* error);

private:
    FakeProcess program_;
};

}  // namespace testhost

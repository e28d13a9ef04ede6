// Starts and steers fake_winamp.exe (next to this program) for a scenario.
//
// Every control message goes out with a time-out or is posted, so a player
// that the scenario made hang never blocks the host itself.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "testhost/host_core.h"

namespace testhost {

class WinampDriver {
public:
    // wait(ms) lets the host's message loop run while we wait for the player.
    explicit WinampDriver(std::function<void(DWORD)> wait) : wait_(wait) {}
    ~WinampDriver() { kill(); }

    // state: "playing", "stopped" or "paused".
    bool start(const std::string& state, const WText& caption, std::string* error);
    bool setCaption(const WText& caption, std::string* error);
    bool setState(int state, std::string* error);
    bool hang(DWORD ms, std::string* error);
    bool quit(std::string* error);
    bool running() const { return process_ != NULL; }

private:
    HWND findWindow() const;
    bool send(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error);
    bool waitForExit(DWORD ms);
    void kill();

    std::function<void(DWORD)> wait_;
    HANDLE process_ = NULL;
    DWORD processId_ = 0;
    HWND window_ = NULL;
};

}  // namespace testhost

// Starts and steers fake_bsplayer.exe (next to this program) for a scenario,
// and takes the host's main window away and back, since the player's
// file-name query names that window as its sender.
//
// Every control message goes out with a time-out or is posted, so a player
// that the scenario made hang never blocks the host itself.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace testhost {

class BsPlayerDriver {
public:
    // wait(ms) lets the host's message loop run while we wait for the player.
    explicit BsPlayerDriver(std::function<void(DWORD)> wait) : wait_(wait) {}
    ~BsPlayerDriver() { kill(); }

    bool start(int state, std::string* error);
    // path: ANSI, as the player reports it.
    bool setFile(const std::string& path, std::string* error);
    bool setState(int state, std::string* error);
    bool hang(DWORD ms, std::string* error);
    bool quit(std::string* error);
    bool running() const { return process_ != NULL; }

    // Creates or destroys this process's "TFrmMain" window.
    static bool setHostWindow(bool present, std::string* error);

private:
    bool send(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error);
    void kill();

    std::function<void(DWORD)> wait_;
    HANDLE process_ = NULL;
    HWND window_ = NULL;
};

}  // namespace testhost

// A fake player's process and main window: started from this program's
// folder, found by its window class, steered with messages, stopped.
//
// Every message goes out with a time-out or is posted, so a player that the
// scenario made hang never blocks the host itself.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "testhost/host_core.h"

namespace testhost {

class FakeProgram {
public:
    // wait(ms) lets the host's message loop run while we wait for the player;
    // `what` names the player in errors ("Winamp").
    FakeProgram(std::function<void(DWORD)> wait, const char* windowClass,
                const char* what)
        : wait_(wait), windowClass_(windowClass), what_(what) {}
    ~FakeProgram() { kill(); }

    // Starts "<host folder>\<exe>" <arguments> and waits for its window.
    bool start(const char* exe, const WText& arguments, std::string* error);
    bool send(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error);
    bool post(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error);
    bool quit(std::string* error);
    bool running() const { return process_ != NULL; }

private:
    HWND findWindow() const;
    bool waitForExit(DWORD ms);
    void kill();

    std::function<void(DWORD)> wait_;
    const char* windowClass_;
    std::string what_;
    HANDLE process_ = NULL;
    DWORD processId_ = 0;
    HWND window_ = NULL;
};

}  // namespace testhost

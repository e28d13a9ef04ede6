// A fake player's process, started from the host's folder, and its control
// window, found by class among the windows of that process.
//
// Every message to the fake goes out with a time-out or is posted, so a fake
// that a scenario made hang never blocks the host itself.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "testhost/host_core.h"

namespace testhost {

class FakeProcess {
public:
    // wait(ms) lets the host's message loop run while we wait for the fake.
    FakeProcess(const char* program, const char* windowClass,
                std::function<void(DWORD)> wait)
        : program_(program), windowClass_(windowClass), wait_(wait) {}
    ~FakeProcess() { kill(); }

    // Starts "<host folder><program>" <arguments> and waits for its window.
    // A fake that ended on its own since is forgotten first.
    bool start(const WText& arguments, std::string* error);
    // An order (fake_control.h): false when the fake did not answer in time
    // or answered 0, i.e. did not take it.
    bool send(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error);
    // A question: any answer counts, and goes to *answer.
    bool ask(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* answer, std::string* error);
    bool post(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error);
    // Closes the window and waits for the process to end (kills it if not).
    // Also forgets a fake that ended on its own.
    bool quit(std::string* error);
    bool running() const { return process_ != NULL; }

private:
    HWND findWindow() const;
    bool noWindow(std::string* error) const;
    bool ended() const;
    bool waitForExit(DWORD ms);
    void forget();
    void kill();

    std::string program_, windowClass_;
    std::function<void(DWORD)> wait_;
    HANDLE process_ = NULL;
    DWORD processId_ = 0;
    HWND window_ = NULL;
};

}  // namespace testhost

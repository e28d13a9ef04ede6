// A fake player's process, started from the host's folder, and its main
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
    bool start(const WText& arguments, std::string* error);
    // Sends msg with a time-out; false when the fake did not answer in time,
    // or answered 0 and zeroIsFailure.  The answer goes to *answer if given.
    bool send(UINT msg, WPARAM wParam, LPARAM lParam, bool zeroIsFailure,
              std::string* error, LRESULT* answer = NULL);
    bool post(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error);
    // Closes the window and waits for the process to end (kills it if not).
    bool quit(std::string* error);
    bool running() const { return process_ != NULL; }

private:
    HWND findWindow() const;
    bool noWindow(std::string* error) const;
    bool waitForExit(DWORD ms);
    void kill();

    std::string program_, windowClass_;
    std::function<void(DWORD)> wait_;
    HANDLE process_ = NULL;
    DWORD processId_ = 0;
    HWND window_ = NULL;
};

}  // namespace testhost

// Starts and steers the fake iTunes.exe (next to this program) for a
// scenario, and reads what it counted.
//
// The fake is a COM server: the plug-in reaches it through COM, the host
// through its control window.  It registers itself (class and type library)
// in the prefix, pointing at this run's copy; finish() removes that again.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "testhost/fake_process.h"
#include "testhost/host_core.h"

namespace testhost {

class ITunesDriver {
public:
    // wait(ms) lets the host's message loop run while we wait for the fake.
    explicit ITunesDriver(std::function<void(DWORD)> wait)
        : wait_(wait), process_("iTunes.exe", "MelodyRibbonFakeITunes", wait) {}

    // Registers the fake without starting it: COM could then start it, which
    // the activation count would show.
    bool registerOnly(std::string* error);
    // Creates and releases an application object from the host itself: with
    // the fake registered but not running, COM starts it, which shows that
    // an activation count of 0 means no creation was attempted.
    bool createFromHost(std::string* error);
    // Starts it displayed and stopped, with empty title and artist.
    bool start(std::string* error);
    // which: 1 title, 2 artist; a null text makes the string missing.
    bool setText(int which, const WText* text, std::string* error);
    bool setState(long state, std::string* error);
    bool setVisible(bool visible, std::string* error);
    // It answers n more calls, then dies at the next.
    bool dieAfter(long calls, std::string* error);
    // It answers every call ms late.
    bool slow(long ms, std::string* error);
    // Its main window (class "iTunes") there or gone, the process staying.
    bool setMainWindow(bool present, std::string* error);
    // Its one thread sleeps ms: both windows and COM stop answering.
    // Posted, so the host does not wait.
    bool hang(DWORD ms, std::string* error);
    // Also forgets one that died.
    bool quit(std::string* error);
    // Objects alive in the running fake.
    bool liveObjects(int* count, std::string* error);
    // Application objects ever created by any fake started from this folder,
    // whoever started it.
    int activations() const;
    // Quits a fake still running (also one that COM started) and removes
    // the registration.
    void finish();

private:
    bool runOnce(const char* arguments, std::string* error);

    std::function<void(DWORD)> wait_;
    FakeProcess process_;
    bool registered_ = false;
};

}  // namespace testhost

// Steers a fake DDE player (fake_kbmedia.exe, fake_lilith.exe) for a
// scenario: the items it answers, how it answers them, its caption.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "fakeplayers/fake_control.h"
#include "testhost/fake_process.h"

namespace testhost {

class DdePlayerDriver {
public:
    DdePlayerDriver(const char* program, const char* windowClass,
                    std::function<void(DWORD)> wait)
        : process_(program, windowClass, wait) {}

    // caption: the fake's window caption, handed over on its command line.
    bool start(const WText& caption, std::string* error) {
        return process_.start(caption, error);
    }
    bool setItem(const WText& item, const WText& value, std::string* error);
    bool setBehaviour(fake::Mode mode, DWORD ms, std::string* error);
    bool quitAfterStatus(std::string* error);
    bool setCaption(const WText& caption, std::string* error);
    bool quit(std::string* error) { return process_.quit(error); }
    bool running() const { return process_.running(); }

private:
    FakeProcess process_;
};

}  // namespace testhost

// Steers the fake system media session provider (fake_media_session.dll
// beside this program) for a scenario: registers it in the prefix for the
// session manager's class, so that the plug-in's activation finds it, and
// talks to it directly, as it lives in this very process.
#pragma once

#include <windows.h>

#include <string>

#include "fakeplayers/media_session/fake_media_session.h"
#include "testhost/host_core.h"

namespace testhost {

class MediaSessionDriver {
public:
    // The class's key under HKLM, with DllPath naming this run's copy.
    bool registerClass(std::string* error);
    bool unregisterClass(std::string* error);

    bool clear(std::string* error);
    bool add(const WText& appId, int playback, const WText& title, const WText& artist,
             std::string* error);
    // A null text stays as it was.
    bool set(int index, int playback, const WText* title, const WText* artist,
             std::string* error);
    bool current(int index, std::string* error);
    bool delay(DWORD ms, std::string* error);
    bool fail(const std::string& call, int times, std::string* error);
    bool pumpDuring(const std::string& call, DWORD ms, std::string* error);
    // Objects alive (empty call) or how often the call was made.
    bool count(const std::string& call, int* value, std::string* error);

    // The host's own thread enters ("sta", "mta") or leaves ("none") a COM
    // apartment before the plug-in runs, as a host may; apartment() names
    // the one the thread is in now ("none" without one).
    bool setHostApartment(const std::string& kind, std::string* error);
    std::string apartment() const;

    // Removes the registration, forgets the sessions, and leaves the
    // apartment the host entered.
    void finish();

private:
    bool load(std::string* error);

    HMODULE module_ = NULL;
    bool registered_ = false;
    int hostInits_ = 0;
    FakeSessionsClearFunction clear_ = NULL;
    FakeSessionsAddFunction add_ = NULL;
    FakeSessionsSetFunction set_ = NULL;
    FakeSessionsCurrentFunction current_ = NULL;
    FakeSessionsDelayFunction delay_ = NULL;
    FakeSessionsFailFunction fail_ = NULL;
    FakeSessionsPumpDuringFunction pumpDuring_ = NULL;
    FakeSessionsCountFunction count_ = NULL;
};

}  // namespace testhost

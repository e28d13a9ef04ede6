// The fake system media session provider (fake_media_session.dll) and how
// the test host steers it.
//
// Registered in the prefix for the session manager's class, it is what
// Wine's RoGetActivationFactory loads in the plug-in's place: its export
// DllGetActivationFactory hands out the manager's statics, whose
// RequestAsync gives the manager, and so on down to sessions with app ids,
// playback states, titles and artists.  The test host loads the same DLL
// (the same module in the same process) and calls the exports below to set
// what the sessions hold and to read what the plug-in did.
#pragma once

#include <windows.h>

// Sessions in the manager's list order; appId, title and artist UTF-16.
// FakeSessionsSet changes one (a NULL text stays as it was); current -1
// means GetCurrentSession gives none.
typedef void(WINAPI* FakeSessionsClearFunction)(void);
typedef int(WINAPI* FakeSessionsAddFunction)(const WCHAR* appId, int playback,
                                             const WCHAR* title, const WCHAR* artist);
typedef BOOL(WINAPI* FakeSessionsSetFunction)(int index, int playback, const WCHAR* title,
                                              const WCHAR* artist);
typedef void(WINAPI* FakeSessionsCurrentFunction)(int index);
// Every operation asked from now on completes ms after it was asked.
typedef void(WINAPI* FakeSessionsDelayFunction)(DWORD ms);
// The named call (see kFakeSessionCalls) fails its next `times` calls.
typedef BOOL(WINAPI* FakeSessionsFailFunction)(const char* call, int times);
// The next call of that name runs the thread's messages for ms first, as a
// call into another process from a single-threaded apartment does.
typedef BOOL(WINAPI* FakeSessionsPumpDuringFunction)(const char* call, DWORD ms);
// Objects alive now (call NULL), or how often the named call was made.
typedef int(WINAPI* FakeSessionsCountFunction)(const char* call);

// The calls the fake counts and can fail, by name.
#define FAKE_SESSION_CALLS                                                           \
    "Activate", "RequestAsync", "GetCurrentSession", "GetSessions", "Size", "GetAt", \
        "SourceAppUserModelId", "GetPlaybackInfo", "PlaybackStatus",                 \
        "TryGetMediaPropertiesAsync", "Status", "GetResults", "Title", "Artist",     \
        "Cancel", "Close"

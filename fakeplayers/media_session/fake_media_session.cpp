// The fake system media session provider: see fake_media_session.h.
// The objects themselves are the shared model in session_model.h; this is
// its adapter and the exports the test host steers it by.  Everything runs
// on the thread that calls it (the test host's, which is the plug-in's).
#include "fakeplayers/media_session/fake_media_session.h"

#include <objbase.h>
#include <string.h>
#include <winstring.h>

#include <string>
#include <vector>

#include "fakeplayers/media_session/session_model.h"

namespace {

const wchar_t kManagerClass[] = L"" SESSION_MODEL_MANAGER_CLASS;

struct Session {
    std::wstring appId;
    int playback;
    std::wstring title, artist;
    bool properties = true;
};

const char* const kCallNames[] = {FAKE_SESSION_CALLS};
enum { kCallCount = sizeof kCallNames / sizeof kCallNames[0] };

struct State {
    std::vector<Session> sessions;
    int current = -1;
    DWORD delayMs = 0;
    int calls[kCallCount] = {};
    int failing[kCallCount] = {};
    int live = 0;
    int pumpCall = -1;  // the next such call runs the message loop first
    DWORD pumpMs = 0;
};

State& state() {
    static State s;
    return s;
}

int callIndex(const char* name) {
    for (int i = 0; i < kCallCount; i++)
        if (strcmp(kCallNames[i], name) == 0) return i;
    return -1;
}

// What a call into another process does in a single-threaded apartment
// while it waits for the answer: it runs the thread's messages, and with
// them whatever the host has posted itself.
void runMessagesFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, (DWORD)(end - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// Counts the call; true when it is to fail now.
bool failsNow(const char* name) {
    int i = callIndex(name);
    if (i < 0) return false;
    state().calls[i]++;
    if (state().pumpCall == i) {
        state().pumpCall = -1;
        runMessagesFor(state().pumpMs);
    }
    if (state().failing[i] == 0) return false;
    state().failing[i]--;
    return true;
}

// The provider's side of the shared model: real HSTRINGs from combase, real
// time, objects freed on their last release.
struct WineHost {
    typedef std::wstring Text;
    typedef ULONGLONG Tick;
    typedef ::Session Session;
    static constexpr bool kInspectable = true;
    static constexpr HRESULT kOutOfBounds = (HRESULT)0x8000000BL;  // E_BOUNDS

    static const std::vector<Session>& sessions() { return state().sessions; }
    static int current() { return state().current; }
    static Tick now() { return GetTickCount64(); }
    static DWORD delayFor(char) { return state().delayMs; }
    static bool operationsFail() { return false; }
    static bool failsNow(const char* name) { return ::failsNow(name); }
    static void counted(const char* name) { ::failsNow(name); }
    static bool usable(int) { return true; }
    static HSTRING makeString(const Text& text) {
        HSTRING s = NULL;
        if (!text.empty()) WindowsCreateString(text.c_str(), (UINT32)text.size(), &s);
        return s;
    }
    template <class O>
    static void adopt(O*) {
        state().live++;
    }
    template <class O>
    static void discard(O* o) {
        state().live--;
        delete o;
    }
};

typedef session_model::Model<WineHost> Model;

std::wstring text(const WCHAR* s) {
    return s ? std::wstring(s) : std::wstring();
}

}  // namespace

// Windows refuses activation on a thread that never entered an apartment;
// Wine's RoGetActivationFactory does not check, so the fake does.
extern "C" __declspec(dllexport) HRESULT WINAPI
    DllGetActivationFactory(HSTRING classId, void** factory) {
    *factory = NULL;
    if (failsNow("Activate")) return E_FAIL;
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier)) ||
        qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA)
        return CO_E_NOTINITIALIZED;
    UINT32 units = 0;
    const wchar_t* name = WindowsGetStringRawBuffer(classId, &units);
    if (!name || wcscmp(name, kManagerClass) != 0) return CLASS_E_CLASSNOTAVAILABLE;
    *factory = Model::newObject('S');
    return S_OK;
}

extern "C" __declspec(dllexport) void WINAPI FakeSessionsClear(void) {
    state().sessions.clear();
    state().current = -1;
    state().delayMs = 0;
    memset(state().failing, 0, sizeof state().failing);
    state().pumpCall = -1;
}

extern "C" __declspec(dllexport) int WINAPI
    FakeSessionsAdd(const WCHAR* appId, int playback, const WCHAR* title,
                    const WCHAR* artist) {
    state().sessions.push_back({text(appId), playback, text(title), text(artist)});
    return (int)state().sessions.size() - 1;
}

extern "C" __declspec(dllexport) BOOL WINAPI
    FakeSessionsSet(int index, int playback, const WCHAR* title, const WCHAR* artist) {
    if (index < 0 || index >= (int)state().sessions.size()) return FALSE;
    Session& s = state().sessions[(size_t)index];
    s.playback = playback;
    if (title) s.title = title;
    if (artist) s.artist = artist;
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI FakeSessionsCurrent(int index) {
    state().current = index;
}

extern "C" __declspec(dllexport) void WINAPI FakeSessionsDelay(DWORD ms) {
    state().delayMs = ms;
}

extern "C" __declspec(dllexport) BOOL WINAPI
    FakeSessionsFail(const char* call, int times) {
    int i = callIndex(call);
    if (i < 0) return FALSE;
    state().failing[i] = times;
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI
    FakeSessionsPumpDuring(const char* call, DWORD ms) {
    int i = callIndex(call);
    if (i < 0) return FALSE;
    state().pumpCall = i;
    state().pumpMs = ms;
    return TRUE;
}

extern "C" __declspec(dllexport) int WINAPI FakeSessionsCount(const char* call) {
    if (!call) return state().live;
    int i = callIndex(call);
    return i < 0 ? -1 : state().calls[i];
}

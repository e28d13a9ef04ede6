// The fake system media session provider: see fake_media_session.h.
//
// Everything runs on the thread that calls it (the test host's, which is
// the plug-in's); operations complete by the clock, not by a worker, so a
// client can only learn of it by reading their status.
#include "fakeplayers/media_session/fake_media_session.h"

#include <objbase.h>
#include <string.h>
#include <winstring.h>

#include <string>
#include <vector>

namespace {

const IID kUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kInspectable = {
    0xAF86E2E0, 0xB12D, 0x4C6A, {0x9C, 0x5A, 0xD7, 0xAA, 0x65, 0x10, 0x1E, 0x90}};
const IID kActivationFactory = {
    0x00000035, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kAgileObject = {
    0x94EA2B94, 0xE9CC, 0x49E0, {0xC0, 0xFF, 0xEE, 0x64, 0xCA, 0x8F, 0x5B, 0x90}};
const IID kStatics = {
    0x2050C4EE, 0x11A0, 0x57DE, {0xAE, 0xD7, 0xC9, 0x7C, 0x70, 0x33, 0x82, 0x45}};
const IID kManager = {
    0xCACE8EAC, 0xE86E, 0x504A, {0xAB, 0x31, 0x5F, 0xF8, 0xFF, 0x1B, 0xCE, 0x49}};
const IID kSession = {
    0x7148C835, 0x9B14, 0x5AE2, {0xAB, 0x85, 0xDC, 0x9B, 0x1C, 0x14, 0xE1, 0xA8}};
const IID kProperties = {
    0x68856CF6, 0xADB4, 0x54B2, {0xAC, 0x16, 0x05, 0x83, 0x79, 0x07, 0xAC, 0xB6}};
const IID kPlaybackInfo = {
    0x94B4B6CF, 0xE8BA, 0x51AD, {0x87, 0xA7, 0xC1, 0x0A, 0xDE, 0x10, 0x61, 0x27}};
const IID kAsyncInfo = {
    0x00000036, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const wchar_t kManagerClass[] =
    L"Windows.Media.Control.GlobalSystemMediaTransportControlsSessionManager";
const HRESULT kIllegalMethodCall = (HRESULT)0x8000000EL;

struct Session {
    std::wstring appId;
    int playback;
    std::wstring title, artist;
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

HSTRING makeString(const std::wstring& text) {
    HSTRING s = NULL;
    if (!text.empty()) WindowsCreateString(text.c_str(), (UINT32)text.size(), &s);
    return s;
}

// Kinds: 'S' statics (also the activation factory), 'M' manager, 's'
// session, 'p' playback info, 'm' media properties, 'v' session list, 'o'
// operation, 'i' its IAsyncInfo.
struct Object {
    void* const* table;
    char kind;
    LONG refs;
    int index;          // session: its place; playback info: the status
    std::wstring a, b;  // media properties: title, artist
    char result;        // operation: 'M' or 'm'
    ULONGLONG readyMs;  // operation: completes from then on
    bool canceled = false, closed = false;
    Object* target = NULL;  // info: its operation
};

void* const* tableFor(char kind);

Object* newObject(char kind) {
    Object* o = new Object();
    o->table = tableFor(kind);
    o->kind = kind;
    o->refs = 1;
    state().live++;
    return o;
}

Object* newOperation(char result, int index) {
    Object* o = newObject('o');
    o->result = result;
    o->index = index;
    o->readyMs = GetTickCount64() + state().delayMs;
    return o;
}

int statusOf(const Object* op) {
    if (op->canceled) return 2;
    return GetTickCount64() >= op->readyMs ? 1 : 0;
}

const Session* sessionAt(int index) {
    const std::vector<Session>& all = state().sessions;
    return index >= 0 && index < (int)all.size() ? &all[(size_t)index] : NULL;
}

Object* newSession(int index) {
    Object* o = newObject('s');
    o->index = index;
    return o;
}

bool interfaceOf(const Object* o, REFIID iid) {
    if (IsEqualIID(iid, kUnknown) || IsEqualIID(iid, kInspectable) ||
        IsEqualIID(iid, kAgileObject))
        return true;
    switch (o->kind) {
    case 'S':
        return IsEqualIID(iid, kStatics) || IsEqualIID(iid, kActivationFactory);
    case 'M':
        return IsEqualIID(iid, kManager);
    case 's':
        return IsEqualIID(iid, kSession);
    case 'm':
        return IsEqualIID(iid, kProperties);
    case 'p':
        return IsEqualIID(iid, kPlaybackInfo);
    default:
        return false;
    }
}

HRESULT STDMETHODCALLTYPE queryInterface(void* self, REFIID iid, void** out) {
    Object* o = (Object*)self;
    *out = NULL;
    if (o->kind == 'o' && IsEqualIID(iid, kAsyncInfo)) {
        Object* info = newObject('i');
        info->target = o;
        o->refs++;
        *out = info;
        return S_OK;
    }
    if (!interfaceOf(o, iid)) return E_NOINTERFACE;
    o->refs++;
    *out = o;
    return S_OK;
}

ULONG STDMETHODCALLTYPE addRef(void* self) {
    return (ULONG)++((Object*)self)->refs;
}

ULONG STDMETHODCALLTYPE release(void* self) {
    Object* o = (Object*)self;
    LONG left = --o->refs;
    if (left == 0) {
        if (o->target) release(o->target);
        state().live--;
        delete o;
    }
    return (ULONG)left;
}

HRESULT STDMETHODCALLTYPE getIids(void*, ULONG* count, IID** iids) {
    *count = 0;
    *iids = NULL;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE getRuntimeClassName(void*, HSTRING* name) {
    *name = NULL;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE getTrustLevel(void*, int* level) {
    *level = 0;
    return S_OK;
}

HRESULT results(Object* op, void** out) {
    if (failsNow("GetResults")) return E_FAIL;
    if (op->closed || statusOf(op) != 1) return kIllegalMethodCall;
    if (op->result == 'M') {
        *out = newObject('M');
        return S_OK;
    }
    const Session* session = sessionAt(op->index);
    if (!session) return E_FAIL;
    Object* p = newObject('m');
    p->a = session->title;
    p->b = session->artist;
    *out = p;
    return S_OK;
}

HRESULT answer(Object* self, int slot, void* out) {
    const Session* session = sessionAt(self->index);
    switch (self->kind * 100 + slot) {
    case 'S' * 100 + 6:
        if (failsNow("RequestAsync")) return E_FAIL;
        *(void**)out = newOperation('M', -1);
        return S_OK;
    case 'S' * 100 + 7:  // IActivationFactory::ActivateInstance has no instance here
        return E_NOTIMPL;
    case 'M' * 100 + 6:
        if (failsNow("GetCurrentSession")) return E_FAIL;
        *(void**)out = sessionAt(state().current) ? newSession(state().current) : NULL;
        return S_OK;
    case 'M' * 100 + 7:
        if (failsNow("GetSessions")) return E_FAIL;
        *(void**)out = newObject('v');
        return S_OK;
    case 'v' * 100 + 7:
        if (failsNow("Size")) return E_FAIL;
        *(UINT32*)out = (UINT32)state().sessions.size();
        return S_OK;
    case 's' * 100 + 6:
        if (failsNow("SourceAppUserModelId") || !session) return E_FAIL;
        *(HSTRING*)out = makeString(session->appId);
        return S_OK;
    case 's' * 100 + 7:
        if (failsNow("TryGetMediaPropertiesAsync") || !session) return E_FAIL;
        *(void**)out = newOperation('m', self->index);
        return S_OK;
    case 's' * 100 + 9: {
        if (failsNow("GetPlaybackInfo") || !session) return E_FAIL;
        Object* info = newObject('p');
        info->index = session->playback;
        *(void**)out = info;
        return S_OK;
    }
    case 'p' * 100 + 7:
        if (failsNow("PlaybackStatus")) return E_FAIL;
        *(int*)out = self->index;
        return S_OK;
    case 'm' * 100 + 6:
        if (failsNow("Title")) return E_FAIL;
        *(HSTRING*)out = makeString(self->a);
        return S_OK;
    case 'm' * 100 + 9:
        if (failsNow("Artist")) return E_FAIL;
        *(HSTRING*)out = makeString(self->b);
        return S_OK;
    case 'o' * 100 + 8:
        return results(self, (void**)out);
    case 'i' * 100 + 7:
        if (failsNow("Status")) return E_FAIL;
        if (self->target->closed) return kIllegalMethodCall;
        *(int*)out = statusOf(self->target);
        return S_OK;
    default:
        return E_NOTIMPL;
    }
}

template <int Slot>
HRESULT STDMETHODCALLTYPE getter(void* self, void* out) {
    return answer((Object*)self, Slot, out);
}

HRESULT STDMETHODCALLTYPE getAt(void* self, UINT32 index, void** out) {
    (void)self;
    *out = NULL;
    if (failsNow("GetAt")) return E_FAIL;
    if (index >= state().sessions.size()) return (HRESULT)0x8000000BL;  // E_BOUNDS
    *out = newSession((int)index);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE cancel(void* self) {
    Object* info = (Object*)self;
    failsNow("Cancel");
    if (statusOf(info->target) == 0) info->target->canceled = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE closeOperation(void* self) {
    failsNow("Close");
    ((Object*)self)->target->closed = true;
    return S_OK;
}

void* const* tableFor(char kind) {
    static void* generic[16] = {(void*)&queryInterface,
                                (void*)&addRef,
                                (void*)&release,
                                (void*)&getIids,
                                (void*)&getRuntimeClassName,
                                (void*)&getTrustLevel,
                                (void*)&getter<6>,
                                (void*)&getter<7>,
                                (void*)&getter<8>,
                                (void*)&getter<9>,
                                (void*)&getter<10>,
                                (void*)&getter<11>,
                                (void*)&getter<12>,
                                (void*)&getter<13>,
                                (void*)&getter<14>,
                                (void*)&getter<15>};
    static void* vector[16];
    static void* info[16];
    if (!vector[0]) {
        memcpy(vector, generic, sizeof generic);
        vector[6] = (void*)&getAt;
        memcpy(info, generic, sizeof generic);
        info[9] = (void*)&cancel;
        info[10] = (void*)&closeOperation;
    }
    return kind == 'v' ? vector : kind == 'i' ? info : generic;
}

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
    *factory = newObject('S');
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

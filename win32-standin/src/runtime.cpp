// The simulated Windows Runtime: combase.dll's functions, its strings, and
// the system media session manager with its sessions.
#include <roapi.h>
#include <standin/desktop.h>
#include <standin/runtime.h>
#include <string.h>
#include <strings.h>

#include <map>
#include <memory>
#include <set>

#include "standin_internal.h"

namespace {

const HRESULT kIllegalMethodCall = (HRESULT)0x8000000EL;
const HRESULT kUnexpected = (HRESULT)0x8000FFFFL;

const IID kStaticsInterface = {
    0x2050C4EE, 0x11A0, 0x57DE, {0xAE, 0xD7, 0xC9, 0x7C, 0x70, 0x33, 0x82, 0x45}};
const IID kAsyncInfoInterface = {
    0x00000036, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const char16_t kManagerClass[] =
    u"Windows.Media.Control.GlobalSystemMediaTransportControlsSessionManager";

HMODULE const kCombase = (HMODULE)(uintptr_t)0xC0BA5E;

// One object as a client sees it: a pointer to its method table first.
// Kinds: 'S' manager statics, 'M' manager, 's' session, 'p' playback info,
// 'm' media properties, 'v' list of sessions, 'o' operation, 'i' its
// IAsyncInfo.
struct SimObject {
    void* const* table;
    char kind;
    int refs;
    int index;            // session: its place in the script
    std::u16string a, b;  // media properties: title, artist
    char result;          // operation: 'M' or 'm'
    DWORD readyMs;        // operation: completes from then on
    bool canceled, closed;
    SimObject* target;  // info: its operation
};

struct SimString {
    std::u16string text;
};

struct RuntimeState {
    standin::RuntimeScript script;
    std::map<std::string, int> calls;
    int loads = 0;
    DWORD loadFlags = 0;
    int refs = 0;
    int depth = 0;
    int excessUninits = 0;
    int initType = -1;
    int stray = 0;
    DWORD longestSleep = 0, totalSleep = 0;
    std::vector<std::unique_ptr<SimObject>> objects;  // kept until reset
    std::set<SimString*> strings;
};

RuntimeState& rt() {
    static RuntimeState s;
    return s;
}

bool inApartment() {
    return rt().depth > 0 || rt().script.host != standin::RuntimeApartment::kNone;
}

// Counts the call; true when the script makes it fail now.
bool failsNow(const char* name) {
    RuntimeState& s = rt();
    s.calls[name]++;
    if (s.script.reenter && s.script.reenterDuring == name) {
        std::function<void()> reenter;
        reenter.swap(s.script.reenter);
        reenter();
    }
    if (s.script.failCall != name || s.script.failTimes == 0) return false;
    if (s.script.failTimes > 0) s.script.failTimes--;
    return true;
}

void* const* tableFor(char kind);

SimObject* newObject(char kind) {
    SimObject* o = new SimObject();
    o->table = tableFor(kind);
    o->kind = kind;
    o->refs = 1;
    rt().objects.push_back(std::unique_ptr<SimObject>(o));
    return o;
}

HSTRING newString(const std::u16string& text) {
    if (text.empty()) return NULL;
    SimString* s = new SimString{text};
    rt().strings.insert(s);
    return (HSTRING)(void*)s;
}

SimObject* newOperation(char result, DWORD delayMs, int index) {
    SimObject* o = newObject('o');
    o->result = result;
    o->readyMs = standin::nowMs() + delayMs;
    o->index = index;
    return o;
}

int operationStatus(const SimObject* o) {
    if (o->canceled) return 2;
    if (standin::nowMs() < o->readyMs) return 0;
    return rt().script.operationsFail ? 3 : 1;
}

bool usable(SimObject* o) {
    if (o->refs > 0 && inApartment()) return true;
    rt().stray++;
    return false;
}

const standin::SimSession* sessionAt(int index) {
    const std::vector<standin::SimSession>& all = rt().script.sessions;
    return index >= 0 && index < (int)all.size() ? &all[(size_t)index] : nullptr;
}

SimObject* newSession(int index) {
    SimObject* o = newObject('s');
    o->index = index;
    return o;
}

HRESULT results(SimObject* op, void** out) {
    if (failsNow("GetResults")) return E_FAIL;
    if (op->closed || operationStatus(op) != 1) return kIllegalMethodCall;
    if (op->result == 'M') {
        *out = newObject('M');
        return S_OK;
    }
    const standin::SimSession* session = sessionAt(op->index);
    if (!session) return E_FAIL;
    if (!session->properties) {
        *out = NULL;
        return S_OK;
    }
    SimObject* p = newObject('m');
    p->a = session->title;
    p->b = session->artist;
    *out = p;
    return S_OK;
}

HRESULT answer(SimObject* self, int slot, void* out) {
    if (!usable(self)) return kUnexpected;
    const standin::RuntimeScript& script = rt().script;
    const standin::SimSession* session = sessionAt(self->index);
    switch (self->kind * 100 + slot) {
    case 'S' * 100 + 6:
        if (failsNow("RequestAsync")) return E_FAIL;
        *(void**)out = newOperation('M', script.managerDelayMs, -1);
        return S_OK;
    case 'M' * 100 + 6:
        if (failsNow("GetCurrentSession")) return E_FAIL;
        *(void**)out = sessionAt(script.current) ? newSession(script.current) : NULL;
        return S_OK;
    case 'M' * 100 + 7:
        if (failsNow("GetSessions")) return E_FAIL;
        *(void**)out = newObject('v');
        return S_OK;
    case 'v' * 100 + 7:
        if (failsNow("Size")) return E_FAIL;
        *(UINT*)out = (UINT)script.sessions.size();
        return S_OK;
    case 's' * 100 + 6:
        if (failsNow("SourceAppUserModelId") || !session) return E_FAIL;
        *(HSTRING*)out = newString(session->appId);
        return S_OK;
    case 's' * 100 + 7:
        if (failsNow("TryGetMediaPropertiesAsync") || !session) return E_FAIL;
        *(void**)out = newOperation('m', script.propertiesDelayMs, self->index);
        return S_OK;
    case 's' * 100 + 9:
        if (failsNow("GetPlaybackInfo") || !session) return E_FAIL;
        *(void**)out = newObject('p');
        ((SimObject*)*(void**)out)->index = session->playback;
        return S_OK;
    case 'p' * 100 + 7:
        if (failsNow("PlaybackStatus")) return E_FAIL;
        *(int*)out = self->index;
        return S_OK;
    case 'm' * 100 + 6:
        if (failsNow("Title")) return E_FAIL;
        *(HSTRING*)out = newString(self->a);
        return S_OK;
    case 'm' * 100 + 9:
        if (failsNow("Artist")) return E_FAIL;
        *(HSTRING*)out = newString(self->b);
        return S_OK;
    case 'o' * 100 + 8:
        return results(self, (void**)out);
    case 'i' * 100 + 7:
        if (failsNow("Status")) return E_FAIL;
        if (self->target->closed) return kIllegalMethodCall;
        *(int*)out = operationStatus(self->target);
        return S_OK;
    default:
        return E_NOTIMPL;
    }
}

HRESULT STDMETHODCALLTYPE queryInterface(void* self, REFIID iid, void** out) {
    SimObject* o = (SimObject*)self;
    *out = NULL;
    if (!usable(o)) return kUnexpected;
    if (o->kind != 'o' || memcmp(&iid, &kAsyncInfoInterface, sizeof iid) != 0)
        return E_NOINTERFACE;
    SimObject* info = newObject('i');
    info->target = o;
    o->refs++;
    *out = info;
    return S_OK;
}

ULONG STDMETHODCALLTYPE addRef(void* self) {
    SimObject* o = (SimObject*)self;
    if (!usable(o)) return 0;
    return (ULONG)++o->refs;
}

ULONG STDMETHODCALLTYPE release(void* self) {
    SimObject* o = (SimObject*)self;
    if (!usable(o)) return 0;
    if (--o->refs == 0 && o->target) o->target->refs--;
    return (ULONG)o->refs;
}

template <int Slot>
HRESULT STDMETHODCALLTYPE getter(void* self, void* out) {
    return answer((SimObject*)self, Slot, out);
}

HRESULT STDMETHODCALLTYPE getAt(void* self, UINT index, void** out) {
    SimObject* o = (SimObject*)self;
    *out = NULL;
    if (!usable(o)) return kUnexpected;
    if (failsNow("GetAt")) return E_FAIL;
    if (index >= rt().script.sessions.size()) return E_INVALIDARG;
    *out = newSession((int)index);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE cancel(void* self) {
    SimObject* o = (SimObject*)self;
    if (!usable(o)) return kUnexpected;
    rt().calls["Cancel"]++;
    if (operationStatus(o->target) == 0) o->target->canceled = true;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE closeOperation(void* self) {
    SimObject* o = (SimObject*)self;
    if (!usable(o)) return kUnexpected;
    rt().calls["Close"]++;
    o->target->closed = true;
    return S_OK;
}

void* const* tableFor(char kind) {
    static void* generic[16] = {
        (void*)&queryInterface, (void*)&addRef,     (void*)&release,
        (void*)&getter<3>,      (void*)&getter<4>,  (void*)&getter<5>,
        (void*)&getter<6>,      (void*)&getter<7>,  (void*)&getter<8>,
        (void*)&getter<9>,      (void*)&getter<10>, (void*)&getter<11>,
        (void*)&getter<12>,     (void*)&getter<13>, (void*)&getter<14>,
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

bool missing(const char* name) {
    return rt().script.missingFunction == name;
}

}  // namespace

void standin_resetRuntime() {
    for (SimString* s : rt().strings) delete s;
    rt() = RuntimeState();
}

bool standin_runtimeProc(HMODULE module, LPCSTR name, FARPROC* proc) {
    if (module != kCombase) return false;
    *proc = NULL;
    if (!name || missing(name)) return true;
    static const struct {
        const char* name;
        void* function;
    } kExports[] = {
        {"RoInitialize", (void*)&RoInitialize},
        {"RoUninitialize", (void*)&RoUninitialize},
        {"RoGetActivationFactory", (void*)&RoGetActivationFactory},
        {"WindowsCreateString", (void*)&WindowsCreateString},
        {"WindowsDeleteString", (void*)&WindowsDeleteString},
        {"WindowsGetStringRawBuffer", (void*)&WindowsGetStringRawBuffer},
    };
    for (const auto& e : kExports)
        if (strcmp(e.name, name) == 0) *proc = (FARPROC)e.function;
    return true;
}

namespace standin {

RuntimeScript& runtime() {
    return rt().script;
}
int runtimeCalls(const std::string& name) {
    auto it = rt().calls.find(name);
    return it == rt().calls.end() ? 0 : it->second;
}
int combaseLoads() {
    return rt().loads;
}
DWORD combaseLoadFlags() {
    return rt().loadFlags;
}
int liveCombaseRefs() {
    return rt().refs;
}
int runtimeInitDepth() {
    return rt().depth;
}
int excessRoUninits() {
    return rt().excessUninits;
}
int lastRoInitType() {
    return rt().initType;
}
int liveRuntimeObjects() {
    int n = 0;
    for (auto& o : rt().objects) n += o->refs > 0;
    return n;
}
int liveRuntimeStrings() {
    return (int)rt().strings.size();
}
int strayRuntimeCalls() {
    return rt().stray;
}
DWORD longestSleepMs() {
    return rt().longestSleep;
}
DWORD totalSleepMs() {
    return rt().totalSleep;
}

}  // namespace standin

HMODULE WINAPI LoadLibraryExA(LPCSTR name, HANDLE, DWORD flags) {
    if (!name || strcasecmp(name, "combase.dll") != 0) return NULL;
    rt().loads++;
    rt().loadFlags = flags;
    if (!rt().script.combase) return NULL;
    rt().refs++;
    return kCombase;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    if (module != kCombase || rt().refs <= 0) return FALSE;
    rt().refs--;
    return TRUE;
}

DWORD WINAPI GetTickCount(void) {
    return standin::nowMs();
}

void WINAPI Sleep(DWORD ms) {
    RuntimeState& s = rt();
    if (ms > s.longestSleep) s.longestSleep = ms;
    s.totalSleep += ms;
    standin::passTime(ms);
}

HRESULT WINAPI RoInitialize(RO_INIT_TYPE type) {
    RuntimeState& s = rt();
    s.initType = (int)type;
    if (failsNow("RoInitialize")) return E_FAIL;
    standin::RuntimeApartment want = type == RO_INIT_SINGLETHREADED
                                         ? standin::RuntimeApartment::kSingleThreaded
                                         : standin::RuntimeApartment::kMultithreaded;
    if (s.script.host != standin::RuntimeApartment::kNone && s.script.host != want)
        return RPC_E_CHANGED_MODE;
    bool already = inApartment();
    s.depth++;
    return already ? S_FALSE : S_OK;
}

void WINAPI RoUninitialize(void) {
    if (rt().depth > 0)
        rt().depth--;
    else
        rt().excessUninits++;
}

HRESULT WINAPI RoGetActivationFactory(HSTRING classId, REFIID iid, void** factory) {
    *factory = NULL;
    if (failsNow("RoGetActivationFactory")) return E_FAIL;
    if (!inApartment()) return CO_E_NOTINITIALIZED;
    SimString* name = (SimString*)(void*)classId;
    if (!name || !rt().strings.count(name) || name->text != kManagerClass ||
        !rt().script.classRegistered)
        return REGDB_E_CLASSNOTREG;
    if (memcmp(&iid, &kStaticsInterface, sizeof iid) != 0) return E_NOINTERFACE;
    *factory = newObject('S');
    return S_OK;
}

HRESULT WINAPI WindowsCreateString(LPCWSTR text, UINT units, HSTRING* string) {
    *string = NULL;
    if (!text && units > 0) return E_POINTER;
    if (units == 0) return S_OK;
    *string = newString(std::u16string(text, units));
    return S_OK;
}

HRESULT WINAPI WindowsDeleteString(HSTRING string) {
    SimString* s = (SimString*)(void*)string;
    if (!s) return S_OK;
    if (rt().strings.erase(s) == 0) {
        rt().stray++;
        return S_OK;
    }
    delete s;
    return S_OK;
}

LPCWSTR WINAPI WindowsGetStringRawBuffer(HSTRING string, UINT* units) {
    SimString* s = (SimString*)(void*)string;
    if (!s || !rt().strings.count(s)) {
        if (units) *units = 0;
        return u"";
    }
    if (units) *units = (UINT)s->text.size();
    return s->text.c_str();
}

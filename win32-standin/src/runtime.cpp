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

#include "fakeplayers/media_session/session_model.h"
#include "standin_internal.h"

namespace {

const char16_t kManagerClass[] = u"" SESSION_MODEL_MANAGER_CLASS;

HMODULE const kCombase = (HMODULE)(uintptr_t)0xC0BA5E;

struct SimString {
    std::u16string text;
};

// The stand-in's side of the shared model: the script's sessions and
// delays on the simulated clock, objects kept until reset so that a call on
// a released one is caught rather than a crash, and every call checked for
// the apartment.
struct RuntimeHost {
    typedef std::u16string Text;
    typedef DWORD Tick;
    typedef standin::SimSession Session;
    static constexpr bool kInspectable = false;
    static constexpr HRESULT kOutOfBounds = E_INVALIDARG;

    static const std::vector<Session>& sessions();
    static int current();
    static Tick now() { return standin::nowMs(); }
    static DWORD delayFor(char result);
    static bool operationsFail();
    static bool failsNow(const char* name);
    static void counted(const char* name);
    static bool usable(int refs);
    static HSTRING makeString(const Text& text);
    template <class O>
    static void adopt(O* o);
    template <class O>
    static void discard(O*) {}
};

typedef session_model::Model<RuntimeHost> Model;
typedef Model::Object SimObject;

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

HSTRING newString(const std::u16string& text) {
    if (text.empty()) return NULL;
    SimString* s = new SimString{text};
    rt().strings.insert(s);
    return (HSTRING)(void*)s;
}

const std::vector<RuntimeHost::Session>& RuntimeHost::sessions() {
    return rt().script.sessions;
}
int RuntimeHost::current() {
    return rt().script.current;
}
DWORD RuntimeHost::delayFor(char result) {
    return result == 'M' ? rt().script.managerDelayMs : rt().script.propertiesDelayMs;
}
bool RuntimeHost::operationsFail() {
    return rt().script.operationsFail;
}
bool RuntimeHost::failsNow(const char* name) {
    return ::failsNow(name);
}
void RuntimeHost::counted(const char* name) {
    rt().calls[name]++;
}
bool RuntimeHost::usable(int refs) {
    if (refs > 0 && inApartment()) return true;
    rt().stray++;
    return false;
}
HSTRING RuntimeHost::makeString(const Text& text) {
    return newString(text);
}
template <class O>
void RuntimeHost::adopt(O* o) {
    rt().objects.push_back(std::unique_ptr<SimObject>(o));
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
    if (!session_model::sameIid(iid, session_model::kStatics)) return E_NOINTERFACE;
    *factory = Model::newObject('S');
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

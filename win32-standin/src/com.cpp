// The simulated COM: apartment bookkeeping, COM strings, and the one
// out-of-process server the plug-in talks to, iTunes.
#include <standin/com.h>
#include <stdlib.h>
#include <string.h>

#include <array>
#include <memory>
#include <set>
#include <utility>

#include "standin_internal.h"

namespace {

const GUID kITunesClass = {
    0xDC0C2640, 0x1415, 0x4644, {0x87, 0x5C, 0x6F, 0x4D, 0x76, 0x98, 0x39, 0xBA}};
const GUID kITunesInterface = {
    0x9DD6680B, 0x3EDC, 0x40DB, {0xA7, 0x71, 0xE6, 0xFE, 0x48, 0x32, 0xE3, 0x4A}};

const HRESULT kNotImplemented = (HRESULT)0x80004001L;
const HRESULT kNoAggregation = (HRESULT)0x80040110L;
const HRESULT kServerExecFailure = (HRESULT)0x80080005L;
const HRESULT kUnexpected = (HRESULT)0x8000FFFFL;

// A server object as a client sees it: a pointer to its method table first.
struct SimObject {
    void* const* table;
    char kind;
    int refs;
};

struct ComState {
    standin::Apartment host = standin::Apartment::kNone;
    int depth = 0;
    int excessUninits = 0;
    int entryCalls = 0;
    standin::ITunesScript script;
    bool dead = false;
    int answered = 0;
    int activations = 0;
    std::vector<std::unique_ptr<SimObject>> objects;  // kept until reset
    std::vector<standin::ComCall> calls;
    std::set<BSTR> strings;
    int strayCalls = 0;
    int badFrees = 0;
};

ComState& com() {
    static ComState s;
    return s;
}

bool initialised() {
    return com().depth > 0 || com().host != standin::Apartment::kNone;
}

SimObject* newObject(char kind);

BSTR allocString(const std::u16string& text) {
    return SysAllocString(text.c_str());
}

HRESULT answer(SimObject* self, int slot, void* out) {
    ComState& s = com();
    s.calls.push_back({self->kind, slot});
    if (self->refs <= 0 || !initialised()) {
        s.strayCalls++;
        return kUnexpected;
    }
    const standin::ITunesScript& script = s.script;
    if (script.dieAfterCalls >= 0 && s.answered >= script.dieAfterCalls) s.dead = true;
    if (s.dead) return RPC_E_DISCONNECTED;
    s.answered++;
    if (slot == script.failingSlot) return script.failingSlotResult;
    switch (self->kind * 100 + slot) {
    case 'a' * 100 + 39:
        *(LONG*)out = script.playerState;
        return S_OK;
    case 'a' * 100 + 58:
        *(void**)out = script.hasDisplay ? newObject('d') : NULL;
        return S_OK;
    case 'a' * 100 + 62:
        *(void**)out = script.hasTrack ? newObject('t') : NULL;
        return S_OK;
    case 'd' * 100 + 9:
        *(VARIANT_BOOL*)out = script.visible;
        return S_OK;
    case 't' * 100 + 8:
        *(BSTR*)out = script.hasTitle ? allocString(script.title) : NULL;
        return S_OK;
    case 't' * 100 + 22:
        *(BSTR*)out = script.hasArtist ? allocString(script.artist) : NULL;
        return S_OK;
    default:
        return kNotImplemented;
    }
}

template <int Slot>
HRESULT STDMETHODCALLTYPE method(void* self, void* out) {
    return answer((SimObject*)self, Slot, out);
}

// Releasing a proxy is local to the client, so it works on a dead server too.
ULONG STDMETHODCALLTYPE release(void* self) {
    SimObject* o = (SimObject*)self;
    com().calls.push_back({o->kind, 2});
    if (o->refs <= 0 || !initialised()) {
        com().strayCalls++;
        return 0;
    }
    return (ULONG)--o->refs;
}

template <size_t... Slots>
std::array<void*, sizeof...(Slots)> makeTable(std::index_sequence<Slots...>) {
    return {{(Slots == 2 ? (void*)&release : (void*)&method<(int)Slots>)...}};
}

// Every kind shares one table as long as the widest interface (slot 62).
void* const* methodTable() {
    static const std::array<void*, 63> table = makeTable(std::make_index_sequence<63>());
    return table.data();
}

SimObject* newObject(char kind) {
    com().objects.push_back(
        std::unique_ptr<SimObject>(new SimObject{methodTable(), kind, 1}));
    return com().objects.back().get();
}

}  // namespace

void standin_resetCom() {
    for (BSTR b : com().strings) free((char*)b - sizeof(DWORD));
    com() = ComState();
}

namespace standin {

void setHostApartment(Apartment apartment) {
    com().host = apartment;
}
int comInitDepth() {
    return com().depth;
}
int excessComUninits() {
    return com().excessUninits;
}
int comEntryCalls() {
    return com().entryCalls;
}
ITunesScript& iTunes() {
    return com().script;
}
const std::vector<ComCall>& comCalls() {
    return com().calls;
}
int iTunesActivations() {
    return com().activations;
}
int liveComObjects() {
    int n = 0;
    for (auto& o : com().objects) n += o->refs > 0;
    return n;
}
int liveComStrings() {
    return (int)com().strings.size();
}
int strayComCalls() {
    return com().strayCalls;
}
int badComStringFrees() {
    return com().badFrees;
}

}  // namespace standin

HRESULT WINAPI CoInitialize(LPVOID) {
    ComState& s = com();
    s.entryCalls++;
    if (s.host == standin::Apartment::kMultithreaded) return RPC_E_CHANGED_MODE;
    bool already = initialised();
    s.depth++;
    return already ? S_FALSE : S_OK;
}

void WINAPI CoUninitialize(void) {
    ComState& s = com();
    s.entryCalls++;
    if (s.depth > 0) {
        s.depth--;
    } else {
        s.excessUninits++;
    }
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context,
                                REFIID iid, LPVOID* object) {
    ComState& s = com();
    s.entryCalls++;
    if (!object) return E_POINTER;
    *object = NULL;
    if (!initialised()) return CO_E_NOTINITIALIZED;
    if (memcmp(&clsid, &kITunesClass, sizeof(GUID)) != 0 || !s.script.registered ||
        !(context & CLSCTX_LOCAL_SERVER))
        return REGDB_E_CLASSNOTREG;
    if (outer) return kNoAggregation;
    if (memcmp(&iid, &kITunesInterface, sizeof(GUID)) != 0) return E_NOINTERFACE;
    if (s.dead) return kServerExecFailure;
    if (FAILED(s.script.createResult)) return s.script.createResult;
    s.activations++;
    *object = newObject('a');
    return S_OK;
}

// Laid out as the system does: the length in bytes just before the text.
BSTR WINAPI SysAllocString(LPCOLESTR text) {
    if (!text) return NULL;
    size_t units = 0;
    while (text[units]) units++;
    char* raw = (char*)malloc(sizeof(DWORD) + (units + 1) * sizeof(OLECHAR));
    if (!raw) return NULL;
    DWORD bytes = (DWORD)(units * sizeof(OLECHAR));
    memcpy(raw, &bytes, sizeof bytes);
    BSTR b = (BSTR)(raw + sizeof(DWORD));
    memcpy(b, text, (units + 1) * sizeof(OLECHAR));
    com().strings.insert(b);
    return b;
}

void WINAPI SysFreeString(BSTR text) {
    if (!text) return;
    if (com().strings.erase(text) == 0) {
        com().badFrees++;
        return;
    }
    free((char*)text - sizeof(DWORD));
}

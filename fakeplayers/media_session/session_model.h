// The fake system media session manager's objects, shared by the Linux
// stand-in's simulated runtime and the Wine provider DLL so that a change to
// how the fake behaves is made once.
//
// A client sees each object as a pointer to its method table; slots 0-5 are
// IUnknown and IInspectable, the getters from 6 on.  Everything runs on the
// calling thread and operations complete by the clock, not by a worker, so a
// client only learns of it by reading their status.
//
// Host is the side's adapter, a struct of types and static functions:
//   Text, Tick, Session           the side's string, clock and session types
//                                 (Session: appId, playback, title, artist,
//                                 properties)
//   kInspectable                  the objects answer IInspectable and their
//                                 own interfaces as the real runtime does;
//                                 otherwise only what the client asks for
//   kOutOfBounds                  GetAt's answer past the list's end
//   sessions(), current()         what the test scripted
//   now(), delayFor(result)       the clock, and how late an operation
//                                 giving 'M' (manager) or 'm' (properties)
//                                 completes
//   operationsFail()              completed operations end in Error
//   failsNow(name), counted(name) counts a call by name; failsNow also says
//                                 whether the call is to fail now
//   usable(refs)                  false for a call the real runtime would
//                                 not answer (the side counts it)
//   makeString(text)              an HSTRING the client deletes
//   adopt(o), discard(o)          an object made, and one released for good
#pragma once

#include <string.h>
#include <windows.h>
#include <winstring.h>

#include <vector>

namespace session_model {

#define SESSION_MODEL_MANAGER_CLASS \
    "Windows.Media.Control.GlobalSystemMediaTransportControlsSessionManager"

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

const HRESULT kIllegalMethodCall = (HRESULT)0x8000000EL;
const HRESULT kUnexpected = (HRESULT)0x8000FFFFL;

inline bool sameIid(const IID& a, const IID& b) {
    return memcmp(&a, &b, sizeof a) == 0;
}

template <class Host>
struct Model {
    typedef typename Host::Text Text;
    typedef typename Host::Tick Tick;
    typedef typename Host::Session Session;

    // Kinds: 'S' statics (also the activation factory), 'M' manager, 's'
    // session, 'p' playback info, 'm' media properties, 'v' session list,
    // 'o' operation, 'i' its IAsyncInfo.
    struct Object {
        void* const* table = NULL;
        char kind = 0;
        int refs = 0;
        int index = 0;     // session: its place; playback info: the status
        Text a, b;         // media properties: title, artist
        char result = 0;   // operation: 'M' or 'm'
        Tick readyMs = 0;  // operation: completes from then on
        bool canceled = false, closed = false;
        Object* target = NULL;  // info: its operation
    };

    static Object* newObject(char kind) {
        Object* o = new Object();
        o->table = tableFor(kind);
        o->kind = kind;
        o->refs = 1;
        Host::adopt(o);
        return o;
    }

    static Object* newOperation(char result, int index) {
        Object* o = newObject('o');
        o->result = result;
        o->index = index;
        o->readyMs = Host::now() + Host::delayFor(result);
        return o;
    }

    static Object* newSession(int index) {
        Object* o = newObject('s');
        o->index = index;
        return o;
    }

    // AsyncStatus: 0 started, 1 completed, 2 canceled, 3 error.
    static int statusOf(const Object* op) {
        if (op->canceled) return 2;
        if (Host::now() < op->readyMs) return 0;
        return Host::operationsFail() ? 3 : 1;
    }

    static const Session* sessionAt(int index) {
        const std::vector<Session>& all = Host::sessions();
        return index >= 0 && index < (int)all.size() ? &all[(size_t)index] : NULL;
    }

    static bool interfaceOf(const Object* o, REFIID iid) {
        if (!Host::kInspectable) return false;
        if (sameIid(iid, kUnknown) || sameIid(iid, kInspectable) ||
            sameIid(iid, kAgileObject))
            return true;
        switch (o->kind) {
        case 'S':
            return sameIid(iid, kStatics) || sameIid(iid, kActivationFactory);
        case 'M':
            return sameIid(iid, kManager);
        case 's':
            return sameIid(iid, kSession);
        case 'm':
            return sameIid(iid, kProperties);
        case 'p':
            return sameIid(iid, kPlaybackInfo);
        default:
            return false;
        }
    }

    static HRESULT STDMETHODCALLTYPE queryInterface(void* self, REFIID iid, void** out) {
        Object* o = (Object*)self;
        *out = NULL;
        if (!Host::usable(o->refs)) return kUnexpected;
        if (o->kind == 'o' && sameIid(iid, kAsyncInfo)) {
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

    static ULONG STDMETHODCALLTYPE addRef(void* self) {
        Object* o = (Object*)self;
        if (!Host::usable(o->refs)) return 0;
        return (ULONG)++o->refs;
    }

    static ULONG STDMETHODCALLTYPE release(void* self) {
        Object* o = (Object*)self;
        if (!Host::usable(o->refs)) return 0;
        return (ULONG)drop(o);
    }

    // An info's hold on its operation ends with it; that is the fake's own
    // doing, not a call of the client's to check.
    static int drop(Object* o) {
        int left = --o->refs;
        if (left == 0) {
            if (o->target) drop(o->target);
            Host::discard(o);
        }
        return left;
    }

    static HRESULT STDMETHODCALLTYPE getIids(void*, ULONG* count, IID** iids) {
        *count = 0;
        *iids = NULL;
        return S_OK;
    }

    static HRESULT STDMETHODCALLTYPE getRuntimeClassName(void*, HSTRING* name) {
        *name = NULL;
        return S_OK;
    }

    static HRESULT STDMETHODCALLTYPE getTrustLevel(void*, int* level) {
        *level = 0;
        return S_OK;
    }

    static HRESULT results(Object* op, void** out) {
        if (Host::failsNow("GetResults")) return E_FAIL;
        if (op->closed || statusOf(op) != 1) return kIllegalMethodCall;
        if (op->result == 'M') {
            *out = newObject('M');
            return S_OK;
        }
        const Session* session = sessionAt(op->index);
        if (!session) return E_FAIL;
        if (!session->properties) {
            *out = NULL;
            return S_OK;
        }
        Object* p = newObject('m');
        p->a = session->title;
        p->b = session->artist;
        *out = p;
        return S_OK;
    }

    static HRESULT answer(Object* self, int slot, void* out) {
        if (!Host::usable(self->refs)) return kUnexpected;
        const Session* session = sessionAt(self->index);
        switch (self->kind * 100 + slot) {
        case 'S' * 100 + 6:
            if (Host::failsNow("RequestAsync")) return E_FAIL;
            *(void**)out = newOperation('M', -1);
            return S_OK;
        case 'M' * 100 + 6:
            if (Host::failsNow("GetCurrentSession")) return E_FAIL;
            *(void**)out =
                sessionAt(Host::current()) ? newSession(Host::current()) : NULL;
            return S_OK;
        case 'M' * 100 + 7:
            if (Host::failsNow("GetSessions")) return E_FAIL;
            *(void**)out = newObject('v');
            return S_OK;
        case 'v' * 100 + 7:
            if (Host::failsNow("Size")) return E_FAIL;
            *(UINT*)out = (UINT)Host::sessions().size();
            return S_OK;
        case 's' * 100 + 6:
            if (Host::failsNow("SourceAppUserModelId") || !session) return E_FAIL;
            *(HSTRING*)out = Host::makeString(session->appId);
            return S_OK;
        case 's' * 100 + 7:
            if (Host::failsNow("TryGetMediaPropertiesAsync") || !session) return E_FAIL;
            *(void**)out = newOperation('m', self->index);
            return S_OK;
        case 's' * 100 + 9: {
            if (Host::failsNow("GetPlaybackInfo") || !session) return E_FAIL;
            Object* info = newObject('p');
            info->index = session->playback;
            *(void**)out = info;
            return S_OK;
        }
        case 'p' * 100 + 7:
            if (Host::failsNow("PlaybackStatus")) return E_FAIL;
            *(int*)out = self->index;
            return S_OK;
        case 'm' * 100 + 6:
            if (Host::failsNow("Title")) return E_FAIL;
            *(HSTRING*)out = Host::makeString(self->a);
            return S_OK;
        case 'm' * 100 + 9:
            if (Host::failsNow("Artist")) return E_FAIL;
            *(HSTRING*)out = Host::makeString(self->b);
            return S_OK;
        case 'o' * 100 + 8:
            return results(self, (void**)out);
        case 'i' * 100 + 7:
            if (Host::failsNow("Status")) return E_FAIL;
            if (self->target->closed) return kIllegalMethodCall;
            *(int*)out = statusOf(self->target);
            return S_OK;
        default:
            // IActivationFactory::ActivateInstance among them: the manager
            // has no instance to make.
            return E_NOTIMPL;
        }
    }

    template <int Slot>
    static HRESULT STDMETHODCALLTYPE getter(void* self, void* out) {
        return answer((Object*)self, Slot, out);
    }

    static HRESULT STDMETHODCALLTYPE getAt(void* self, UINT index, void** out) {
        Object* o = (Object*)self;
        *out = NULL;
        if (!Host::usable(o->refs)) return kUnexpected;
        if (Host::failsNow("GetAt")) return E_FAIL;
        if (index >= Host::sessions().size()) return Host::kOutOfBounds;
        *out = newSession((int)index);
        return S_OK;
    }

    static HRESULT STDMETHODCALLTYPE cancel(void* self) {
        Object* info = (Object*)self;
        if (!Host::usable(info->refs)) return kUnexpected;
        Host::counted("Cancel");
        if (statusOf(info->target) == 0) info->target->canceled = true;
        return S_OK;
    }

    static HRESULT STDMETHODCALLTYPE closeOperation(void* self) {
        Object* info = (Object*)self;
        if (!Host::usable(info->refs)) return kUnexpected;
        Host::counted("Close");
        info->target->closed = true;
        return S_OK;
    }

    static void* const* tableFor(char kind) {
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
            if (Host::kInspectable) {
                generic[3] = (void*)&getIids;
                generic[4] = (void*)&getRuntimeClassName;
                generic[5] = (void*)&getTrustLevel;
            }
            memcpy(vector, generic, sizeof generic);
            vector[6] = (void*)&getAt;
            memcpy(info, generic, sizeof generic);
            info[9] = (void*)&cancel;
            info[10] = (void*)&closeOperation;
        }
        return kind == 'v' ? vector : kind == 'i' ? info : generic;
    }
};

}  // namespace session_model

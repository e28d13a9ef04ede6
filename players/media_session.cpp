#include "players/media_session.h"

#include <string.h>

#include "frame/calling_convention.h"
#include "frame/settings.h"
#include "frame/trace_log.h"
#include "frame/wide_text.h"

namespace {

// --- the Windows Runtime's entry points --------------------------------------
//
// combase.dll exists from Windows 8 on; importing it would stop the module
// loading on XP and 7, so its functions are looked up.  Only the system's
// own copy is loaded: on a system without it, a combase.dll planted in the
// host's folder or the current directory must not be picked up instead
// (where the system-folder-only search is unknown, XP and an unpatched 7,
// the load fails, which is the right answer there too).
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

typedef void* RuntimeString;  // HSTRING; NULL is the empty string

enum { kRoInitSingleThreaded = 0 };

typedef HRESULT(WINAPI* RoInitializeFunction)(int type);
typedef void(WINAPI* RoUninitializeFunction)(void);
typedef HRESULT(WINAPI* RoGetActivationFactoryFunction)(RuntimeString classId,
                                                        const IID& iid, void** factory);
typedef HRESULT(WINAPI* WindowsCreateStringFunction)(const WCHAR* text, UINT units,
                                                     RuntimeString* string);
typedef HRESULT(WINAPI* WindowsDeleteStringFunction)(RuntimeString string);
typedef const WCHAR*(WINAPI* WindowsGetStringRawBufferFunction)(RuntimeString string,
                                                                UINT* units);
MR_ASSERT_STDCALL(RoInitializeFunction);
MR_ASSERT_STDCALL(RoUninitializeFunction);
MR_ASSERT_STDCALL(RoGetActivationFactoryFunction);
MR_ASSERT_STDCALL(WindowsCreateStringFunction);
MR_ASSERT_STDCALL(WindowsDeleteStringFunction);
MR_ASSERT_STDCALL(WindowsGetStringRawBufferFunction);

struct RuntimeApi {
    bool looked;  // looked up since the last release
    HMODULE module;
    RoInitializeFunction roInitialize;
    RoUninitializeFunction roUninitialize;
    RoGetActivationFactoryFunction getActivationFactory;
    WindowsCreateStringFunction createString;
    WindowsDeleteStringFunction deleteString;
    WindowsGetStringRawBufferFunction rawBuffer;
};

// --- the interfaces, by slot ---------------------------------------------------
//
// Every interface here derives from IInspectable: slots 0-2 are IUnknown's,
// 3-5 IInspectable's, and its own methods start at slot 6.  Each method
// takes the object first and returns an HRESULT; the getters used here take
// one out-argument, GetAt an index before it, Cancel and Close none.  stdcall
// makes the callee pop what it takes, so each kind is called through its own
// exact type.
typedef HRESULT(STDMETHODCALLTYPE* QueryInterfaceSlot)(void* self, const IID& iid,
                                                       void** object);
typedef ULONG(STDMETHODCALLTYPE* ReleaseSlot)(void* self);
typedef HRESULT(STDMETHODCALLTYPE* GetterSlot)(void* self, void* answer);
typedef HRESULT(STDMETHODCALLTYPE* GetAtSlot)(void* self, UINT index, void** item);
typedef HRESULT(STDMETHODCALLTYPE* ActionSlot)(void* self);
MR_ASSERT_STDCALL(QueryInterfaceSlot);
MR_ASSERT_STDCALL(ReleaseSlot);
MR_ASSERT_STDCALL(GetterSlot);
MR_ASSERT_STDCALL(GetAtSlot);
MR_ASSERT_STDCALL(ActionSlot);

enum {
    kQueryInterface = 0,
    kRelease = 2,
    kStaticsRequestAsync = 6,
    kManagerGetCurrentSession = 6,
    kManagerGetSessions = 7,
    kSessionAppId = 6,
    kSessionMediaPropertiesAsync = 7,
    kSessionPlaybackInfo = 9,
    kPropertiesTitle = 6,
    kPropertiesArtist = 9,
    kPlaybackInfoStatus = 7,
    kAsyncInfoStatus = 7,
    kAsyncInfoCancel = 9,
    kAsyncInfoClose = 10,
    kOperationGetResults = 8,
    kVectorGetAt = 6,
    kVectorSize = 7,
};

enum { kPlaybackPlaying = 4 };
enum { kAsyncStarted = 0, kAsyncCompleted = 1, kAsyncFailedCall = -1 };

const char kManagerClass[] =
    "Windows.Media.Control.GlobalSystemMediaTransportControlsSessionManager";
const IID kManagerStaticsInterface = {
    0x2050C4EE, 0x11A0, 0x57DE, {0xAE, 0xD7, 0xC9, 0x7C, 0x70, 0x33, 0x82, 0x45}};
const IID kAsyncInfoInterface = {
    0x00000036, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

void* slotOf(void* object, int slot) {
    return (*(void***)object)[slot];
}

HRESULT ask(void* object, int slot, void* answer) {
    return ((GetterSlot)slotOf(object, slot))(object, answer);
}

HRESULT act(void* object, int slot) {
    return ((ActionSlot)slotOf(object, slot))(object);
}

HRESULT queryInterface(void* object, const IID& iid, void** answer) {
    *answer = NULL;
    return ((QueryInterfaceSlot)slotOf(object, kQueryInterface))(object, iid, answer);
}

HRESULT getAt(void* vector, UINT index, void** item) {
    *item = NULL;
    return ((GetAtSlot)slotOf(vector, kVectorGetAt))(vector, index, item);
}

void release(void** object) {
    if (*object) ((ReleaseSlot)slotOf(*object, kRelease))(*object);
    *object = NULL;
}

// An object handed out counts only when the call succeeded and gave one.
bool askObject(void* object, int slot, void** answer) {
    *answer = NULL;
    if (SUCCEEDED(ask(object, slot, answer)) && *answer) return true;
    *answer = NULL;
    return false;
}

// --- what is kept from tick to tick ------------------------------------------

// An asynchronous answer awaited, and when it was asked for.
struct Awaited {
    void* operation;
    DWORD askedMs;
};

struct MediaSessionState {
    RuntimeApi api;
    bool apartmentEntered;  // our RoInitialize succeeded and is ours to undo
    bool classAbsent;       // the system has no session manager
    void* manager;
    Awaited managerRequest;
    Awaited properties;
    WCHAR propertiesApp[kAppIdUnits];  // whose properties are awaited
    // The last title found, and whose: shown while that app's next answer
    // is awaited, so that a slow answer does not blank the name.
    WCHAR titleApp[kAppIdUnits];
    WCHAR title[kTitleUnits];
    bool titleReady;  // the last probe played: title is for this step's reader
    // A call into another apartment or process may run a modal message
    // loop, in which the host can switch publishing off or call Terminate:
    // the release it asks for then waits until the probe has let go of the
    // objects it is using.
    bool probing;
    bool releaseWanted;
};

MediaSessionState g_session;

bool lookUpRuntime(RuntimeApi* api) {
    if (api->looked) return api->rawBuffer != NULL;
    memset(api, 0, sizeof *api);
    api->looked = true;
    api->module = LoadLibraryExA("combase.dll", NULL, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!api->module) return false;
    HMODULE m = api->module;
    api->roInitialize = (RoInitializeFunction)(void*)GetProcAddress(m, "RoInitialize");
    api->roUninitialize =
        (RoUninitializeFunction)(void*)GetProcAddress(m, "RoUninitialize");
    api->getActivationFactory = (RoGetActivationFactoryFunction)(void*)GetProcAddress(
        m, "RoGetActivationFactory");
    api->createString =
        (WindowsCreateStringFunction)(void*)GetProcAddress(m, "WindowsCreateString");
    api->deleteString =
        (WindowsDeleteStringFunction)(void*)GetProcAddress(m, "WindowsDeleteString");
    WindowsGetStringRawBufferFunction rawBuffer =
        (WindowsGetStringRawBufferFunction)(void*)GetProcAddress(
            m, "WindowsGetStringRawBuffer");
    if (api->roInitialize && api->roUninitialize && api->getActivationFactory &&
        api->createString && api->deleteString)
        api->rawBuffer = rawBuffer;
    return api->rawBuffer != NULL;
}

void forgetRuntime(RuntimeApi* api) {
    if (api->module) FreeLibrary(api->module);
    memset(api, 0, sizeof *api);
}

// A text handed out by the system, into out (capacity units), cut at a whole
// character; the string is deleted.
void takeString(RuntimeString string, WCHAR* out, int capacity) {
    out[0] = 0;
    if (!string) return;
    UINT units = 0;
    const WCHAR* text = g_session.api.rawBuffer(string, &units);
    if (text)
        copyWideN(out, capacity, text, units > 0x7FFFFFFF ? 0x7FFFFFFF : (int)units);
    g_session.api.deleteString(string);
}

bool askText(void* object, int slot, WCHAR* out, int capacity) {
    RuntimeString string = NULL;
    out[0] = 0;
    if (FAILED(ask(object, slot, &string))) return false;
    takeString(string, out, capacity);
    return true;
}

// --- asynchronous answers ------------------------------------------------------

DWORD elapsedSince(DWORD ms) {
    return GetTickCount() - ms;
}

// Reads the operation's status until it is no longer started or the probe's
// wait (which began at waitStartMs) is used up: never long on the host's
// thread.  The sleeps run no messages, so nothing of the host's can come in
// between.  kAsyncFailedCall when the status could not be read.
int awaitStatus(void* operation, DWORD waitStartMs) {
    void* info = NULL;
    if (FAILED(queryInterface(operation, kAsyncInfoInterface, &info)) || !info)
        return kAsyncFailedCall;
    int status = kAsyncFailedCall;
    for (int polls = 0; polls <= kMediaSessionWaitMs / kMediaSessionPollMs; polls++) {
        int answer = kAsyncStarted;
        if (FAILED(ask(info, kAsyncInfoStatus, &answer))) {
            status = kAsyncFailedCall;
            break;
        }
        status = answer;
        if (status != kAsyncStarted || elapsedSince(waitStartMs) >= kMediaSessionWaitMs)
            break;
        Sleep(kMediaSessionPollMs);
    }
    release(&info);
    return status;
}

// Cancels what is still running, closes the operation and lets it go.
void dropAwaited(Awaited* awaited) {
    if (!awaited->operation) return;
    void* info = NULL;
    if (SUCCEEDED(queryInterface(awaited->operation, kAsyncInfoInterface, &info)) &&
        info) {
        int status = kAsyncCompleted;
        if (SUCCEEDED(ask(info, kAsyncInfoStatus, &status)) && status == kAsyncStarted)
            act(info, kAsyncInfoCancel);
        act(info, kAsyncInfoClose);
        release(&info);
    }
    release(&awaited->operation);
    awaited->askedMs = 0;
}

// What an awaited answer came to on this probe.
// kAnswerEmpty: completed, but with nothing (an app that gives no media
// properties), which is no fault of the manager's.
enum AnswerState {
    kAnswerReady,
    kAnswerAwaited,
    kAnswerTimedOut,
    kAnswerEmpty,
    kAnswerLost
};

// The result of a finished operation into *result; the operation is dropped
// unless it is still awaited.
AnswerState takeAnswer(Awaited* awaited, DWORD waitStartMs, void** result) {
    *result = NULL;
    int status = awaitStatus(awaited->operation, waitStartMs);
    if (status == kAsyncStarted) {
        if (elapsedSince(awaited->askedMs) < kMediaSessionOperationLifetimeMs)
            return kAnswerAwaited;
        dropAwaited(awaited);
        return kAnswerTimedOut;
    }
    bool answered = status == kAsyncCompleted &&
                    SUCCEEDED(ask(awaited->operation, kOperationGetResults, result));
    if (!answered) *result = NULL;
    dropAwaited(awaited);
    if (*result) return kAnswerReady;
    return answered ? kAnswerEmpty : kAnswerLost;
}

// --- the apartment and the manager -----------------------------------------

// Released in the reverse order of asking; the apartment is left last, as
// the system's objects stop working once it ends.
void releaseObjects() {
    dropAwaited(&g_session.properties);
    dropAwaited(&g_session.managerRequest);
    release(&g_session.manager);
    g_session.propertiesApp[0] = 0;
    g_session.titleApp[0] = 0;
    g_session.title[0] = 0;
    g_session.titleReady = false;
    if (g_session.apartmentEntered) g_session.api.roUninitialize();
    g_session.apartmentEntered = false;
}

PlayerStatus exitWith(const char* reason, PlayerStatus status) {
    writeLogText(reason);
    return status;
}

// After a failed call nothing is trusted any more: the manager is asked for
// again on a later tick.
PlayerStatus giveUp(const char* reason) {
    releaseObjects();
    return exitWith(reason, kMediaSessionNotPlaying);
}

// The host's thread, not ours: a thread already in a single-threaded
// apartment answers S_FALSE, which still needs balancing; one the host made
// multithreaded answers RPC_E_CHANGED_MODE, and the system's objects work
// there too, but that apartment is the host's to end.  Single-threaded is
// asked for because it is what a window's thread is meant to be in; a
// multithreaded one would keep the host from ever using OLE on it.
bool enterApartment() {
    if (g_session.apartmentEntered) return true;
    HRESULT init = g_session.api.roInitialize(kRoInitSingleThreaded);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) return false;
    g_session.apartmentEntered = SUCCEEDED(init);
    return true;
}

HRESULT activateManagerStatics(void** statics) {
    *statics = NULL;
    WCHAR name[sizeof kManagerClass];
    int n = 0;
    for (; kManagerClass[n]; n++) name[n] = (WCHAR)kManagerClass[n];
    name[n] = 0;
    RuntimeString classId = NULL;
    HRESULT hr = g_session.api.createString(name, (UINT)n, &classId);
    if (FAILED(hr)) return hr;
    hr = g_session.api.getActivationFactory(classId, kManagerStaticsInterface, statics);
    g_session.api.deleteString(classId);
    if (SUCCEEDED(hr) && !*statics) hr = E_POINTER;
    if (FAILED(hr)) *statics = NULL;
    return hr;
}

// Asks the system for the manager, once; false (the reason logged) while
// there is none yet.
bool askForManager() {
    if (!enterApartment()) {
        giveUp("checkMediaSessionStatus Exit  Reason:Apartment Not Entered.");
        return false;
    }
    void* statics = NULL;
    HRESULT hr = activateManagerStatics(&statics);
    if (hr == REGDB_E_CLASSNOTREG) {
        releaseObjects();
        g_session.classAbsent = true;
        writeLogText("checkMediaSessionStatus Exit  Reason:MediaSession Not Registered.");
        return false;
    }
    if (FAILED(hr)) {
        giveUp("checkMediaSessionStatus Exit  Reason:MediaSession Not Activated.");
        return false;
    }
    bool asked =
        askObject(statics, kStaticsRequestAsync, &g_session.managerRequest.operation);
    release(&statics);
    if (!asked) {
        giveUp("checkMediaSessionStatus Exit  Reason:MediaSession Not Answering.");
        return false;
    }
    g_session.managerRequest.askedMs = GetTickCount();
    return true;
}

bool haveManager(DWORD waitStartMs) {
    if (g_session.manager) return true;
    if (!g_session.managerRequest.operation && !askForManager()) return false;
    AnswerState state =
        takeAnswer(&g_session.managerRequest, waitStartMs, &g_session.manager);
    if (state == kAnswerReady) return true;
    if (state == kAnswerAwaited)
        writeLogText("checkMediaSessionStatus Exit  Reason:MediaSession Not Ready.");
    else
        giveUp("checkMediaSessionStatus Exit  Reason:MediaSession Not Answering.");
    return false;
}

// --- the choice of session -----------------------------------------------------

// Whether the session plays and its app is allowed; its app id into appId.
// False in *failed when a call failed.
bool sessionQualifies(void* session, WCHAR* appId, bool* failed) {
    if (!askText(session, kSessionAppId, appId, kAppIdUnits)) {
        *failed = true;
        return false;
    }
    if (!mediaSessionAppAllowed(appId, g_mediaSessionApps)) return false;
    void* info = NULL;
    if (!askObject(session, kSessionPlaybackInfo, &info)) {
        *failed = true;
        return false;
    }
    int status = 0;
    if (FAILED(ask(info, kPlaybackInfoStatus, &status))) *failed = true;
    release(&info);
    return !*failed && status == kPlaybackPlaying;
}

// The current session when it plays and is allowed, else the first such one
// in the manager's list; NULL when none.
void* chooseSession(WCHAR* appId, bool* failed) {
    *failed = false;
    void* current = NULL;
    if (FAILED(ask(g_session.manager, kManagerGetCurrentSession, &current))) {
        *failed = true;
        return NULL;
    }
    if (current && sessionQualifies(current, appId, failed)) return current;
    release(&current);
    if (*failed) return NULL;
    void* sessions = NULL;
    if (!askObject(g_session.manager, kManagerGetSessions, &sessions)) {
        *failed = true;
        return NULL;
    }
    UINT count = 0;
    if (FAILED(ask(sessions, kVectorSize, &count))) *failed = true;
    if (count > kMediaSessionMaxSessions) count = kMediaSessionMaxSessions;
    void* chosen = NULL;
    for (UINT i = 0; i < count && !chosen && !*failed; i++) {
        void* session = NULL;
        if (FAILED(getAt(sessions, i, &session)) || !session) {
            *failed = true;
            break;
        }
        if (sessionQualifies(session, appId, failed))
            chosen = session;
        else
            release(&session);
    }
    release(&sessions);
    if (*failed) release(&chosen);
    return chosen;
}

// --- the title -------------------------------------------------------------------

// "<title> - <artist>", or the title alone when the artist is empty.
bool readTitle(void* properties, WCHAR* out) {
    WCHAR title[kTitleUnits], artist[kTitleUnits];
    if (!askText(properties, kPropertiesTitle, title, kTitleUnits) ||
        !askText(properties, kPropertiesArtist, artist, kTitleUnits))
        return false;
    memset(out, 0, kTitleUnits * sizeof(WCHAR));
    if (title[0] == 0) return true;
    if (artist[0] == 0)
        copyWide(out, kTitleUnits, title);
    else
        composeTitleArtist(out, kTitleUnits, title, artist);
    return true;
}

bool sameApp(const WCHAR* a, const WCHAR* b) {
    int n = wideLength(a);
    return n == wideLength(b) && memcmp(a, b, (size_t)n * sizeof(WCHAR)) == 0;
}

// Asks the chosen session for its media properties, or goes on waiting for
// the answer asked on an earlier tick for the same app.  A failed call sets
// *failure to the reason; the caller, which holds the session, gives up.
PlayerStatus findTitle(void* session, const WCHAR* appId, DWORD waitStartMs,
                       const char** failure) {
    static const char kNotAnswering[] =
        "checkMediaSessionStatus Exit  Reason:Session Not Answering.";
    *failure = NULL;
    Awaited* awaited = &g_session.properties;
    if (awaited->operation && !sameApp(g_session.propertiesApp, appId))
        dropAwaited(awaited);
    if (!awaited->operation) {
        if (!askObject(session, kSessionMediaPropertiesAsync, &awaited->operation)) {
            *failure = kNotAnswering;
            return kMediaSessionNotPlaying;
        }
        awaited->askedMs = GetTickCount();
        copyWide(g_session.propertiesApp, kAppIdUnits, appId);
    }
    void* properties = NULL;
    AnswerState state = takeAnswer(awaited, waitStartMs, &properties);
    if (state == kAnswerLost) {
        *failure = kNotAnswering;
        return kMediaSessionNotPlaying;
    }
    // One app's answer that never comes, or comes empty, says nothing
    // against the manager.
    if (state == kAnswerTimedOut)
        return exitWith("checkMediaSessionStatus Exit  Reason:Title Not Answered.",
                        kMediaSessionNotPlaying);
    if (state == kAnswerEmpty) {
        g_session.title[0] = 0;
        g_session.titleApp[0] = 0;
        return exitWith("checkMediaSessionStatus Exit  Reason:No Title.",
                        kMediaSessionNotPlaying);
    }
    if (state == kAnswerAwaited) {
        if (g_session.title[0] && sameApp(g_session.titleApp, appId)) {
            writeLogText("checkMediaSessionStatus Title Awaited, Last One Kept.");
            g_session.titleReady = true;
            return kMediaSessionPlaying;
        }
        return exitWith("checkMediaSessionStatus Exit  Reason:Title Not Ready.",
                        kMediaSessionNotPlaying);
    }
    bool read = readTitle(properties, g_session.title);
    release(&properties);
    if (!read) {
        *failure = kNotAnswering;
        return kMediaSessionNotPlaying;
    }
    copyWide(g_session.titleApp, kAppIdUnits, appId);
    if (g_session.title[0] == 0)
        return exitWith("checkMediaSessionStatus Exit  Reason:No Title.",
                        kMediaSessionNotPlaying);
    g_session.titleReady = true;
    return kMediaSessionPlaying;
}

bool isFilterSpace(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool mediaSessionAppAllowed(const WCHAR* appId, const char* filter) {
    bool anyEntry = false;
    for (const char* p = filter; p && *p;) {
        const char* end = p;
        while (*end && *end != ';') end++;
        const char* first = p;
        const char* last = end;
        while (first < last && isFilterSpace(*first)) first++;
        while (last > first && isFilterSpace(last[-1])) last--;
        if (last > first) {
            anyEntry = true;
            WCHAR entry[kMediaSessionAppsBytes];
            widenText(entry, kMediaSessionAppsBytes, first, (int)(last - first), CP_ACP);
            if (entry[0] && findFirstNoCase(appId, entry) >= 0) return true;
        }
        p = *end ? end + 1 : end;
    }
    return !anyEntry;
}

namespace {

PlayerStatus probeMediaSession() {
    if (!lookUpRuntime(&g_session.api))
        return exitWith("checkMediaSessionStatus Exit  Reason:No Windows Runtime.",
                        kMediaSessionAbsent);
    if (g_session.classAbsent)
        return exitWith(
            "checkMediaSessionStatus Exit  Reason:MediaSession Not Registered.",
            kMediaSessionAbsent);
    DWORD waitStartMs = GetTickCount();
    if (!haveManager(waitStartMs))
        return g_session.classAbsent ? kMediaSessionAbsent : kMediaSessionNotPlaying;
    WCHAR appId[kAppIdUnits];
    bool failed = false;
    void* session = chooseSession(appId, &failed);
    if (failed)
        return giveUp("checkMediaSessionStatus Exit  Reason:Manager Not Answering.");
    if (!session) {
        // Nothing awaited or remembered outlives the music: a session that
        // plays again is asked afresh.
        dropAwaited(&g_session.properties);
        g_session.title[0] = 0;
        g_session.titleApp[0] = 0;
        return exitWith("checkMediaSessionStatus Exit  Reason:MediaSession Not Playing.",
                        kMediaSessionNotPlaying);
    }
    writeLogWide("MediaSession App[%s]", appId);
    const char* failure = NULL;
    PlayerStatus status = findTitle(session, appId, waitStartMs, &failure);
    release(&session);
    return failure ? giveUp(failure) : status;
}

void releaseEverything() {
    releaseObjects();
    g_session.classAbsent = false;
    forgetRuntime(&g_session.api);
}

}  // namespace

PlayerStatus checkMediaSessionStatus() {
    writeLogText("@@checkMediaSessionStatus Start.");
    g_session.titleReady = false;
    if (g_session.probing)  // never two probes on the same objects at once
        return exitWith("checkMediaSessionStatus Exit  Reason:Probe Running.",
                        kMediaSessionNotPlaying);
    g_session.probing = true;
    PlayerStatus status = probeMediaSession();
    g_session.probing = false;
    if (!g_session.releaseWanted) return status;
    g_session.releaseWanted = false;
    releaseEverything();
    return exitWith("checkMediaSessionStatus Exit  Reason:Released Meanwhile.",
                    kMediaSessionNotPlaying);
}

bool getMediaSessionTitle(WCHAR* title, int capacity) {
    if (capacity <= 0) return false;
    memset(title, 0, (size_t)capacity * sizeof(WCHAR));
    if (!g_session.titleReady) return false;
    g_session.titleReady = false;
    copyWide(title, capacity, g_session.title);
    return title[0] != 0;
}

void releaseMediaSession() {
    if (g_session.probing) {
        g_session.releaseWanted = true;
        return;
    }
    releaseEverything();
}

// The simulated DDE management library (client side) and the process heap.
//
// Handles are addresses of records kept here, so a handle that was released
// or never made is recognised and counted as a bad call instead of being
// used.  Errors follow the library: a failing call leaves its error with the
// instance until DdeGetLastError reads it.
#include <ddeml.h>
#include <standin/dde.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "standin_internal.h"

namespace {

struct Instance {
    PFNCALLBACK callback;
    DWORD flags;
    UINT lastError;
};
struct StringHandle {
    DWORD instance;
    std::string text;
};
struct Conversation {
    DWORD instance;
    std::string service, topic;  // the server's own spelling
};
struct DataHandle {
    DWORD instance;
    std::string bytes;
};

typedef std::pair<std::string, std::string> ServerKey;

struct Dde {
    std::map<ServerKey, standin::DdeServer> servers;
    std::map<DWORD, Instance> instances;
    DWORD nextInstance = 0x100;
    std::map<void*, std::unique_ptr<StringHandle>> strings;
    std::map<void*, std::unique_ptr<Conversation>> conversations;
    std::map<void*, std::unique_ptr<DataHandle>> data;
    std::map<void*, size_t> heap;
    bool initializeFails = false;
    int stringFailsIn = 0;
    standin::DdeTally tally;
    std::vector<std::string> calls;
};

Dde& dde() {
    static Dde d;
    return d;
}

std::string upper(const std::string& s) {
    std::string u = s;
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
    return u;
}

ServerKey keyOf(const std::string& service, const std::string& topic) {
    return ServerKey(upper(service), upper(topic));
}

void record(const std::string& line) {
    dde().calls.push_back(line);
}

template <class T>
T* find(std::map<void*, std::unique_ptr<T>>& m, void* h) {
    auto it = m.find(h);
    return it == m.end() ? nullptr : it->second.get();
}

std::string nameOf(HSZ h) {
    StringHandle* s = find(dde().strings, (void*)h);
    return s ? s->text : h ? "(dead)" : "(none)";
}

Instance* instanceOf(DWORD id) {
    auto it = dde().instances.find(id);
    return it == dde().instances.end() ? nullptr : &it->second;
}

void setError(DWORD id, UINT error) {
    if (Instance* i = instanceOf(id)) i->lastError = error;
}

bool badCall() {
    dde().tally.badCalls++;
    return false;
}

standin::DdeServer* serverOf(const Conversation& c) {
    auto it = dde().servers.find(keyOf(c.service, c.topic));
    return it == dde().servers.end() ? nullptr : &it->second;
}

// Frees everything of one instance that the plug-in left behind.
template <class T>
void dropLeftovers(std::map<void*, std::unique_ptr<T>>& m, DWORD id) {
    for (auto it = m.begin(); it != m.end();) {
        if (it->second->instance == id) {
            dde().tally.leftAtUninitialize++;
            it = m.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

namespace standin {

DdeServer& addDdeServer(const std::string& service, const std::string& topic) {
    return dde().servers[keyOf(service, topic)];
}

void removeDdeServer(const std::string& service, const std::string& topic) {
    dde().servers.erase(keyOf(service, topic));
}

void failDdeInitialize(bool fail) {
    dde().initializeFails = fail;
}

void failDdeStringHandle(int nth) {
    dde().stringFailsIn = nth;
}

const DdeTally& ddeTally() {
    return dde().tally;
}

const std::vector<std::string>& ddeCalls() {
    return dde().calls;
}

void resetDde() {
    for (auto& block : dde().heap) free(block.first);
    dde() = Dde();
}

}  // namespace standin

UINT WINAPI DdeInitializeA(LPDWORD pidInst, PFNCALLBACK pfnCallback, DWORD afCmd, DWORD) {
    char line[64];
    snprintf(line, sizeof line, "DdeInitializeA flags=%u", (unsigned)afCmd);
    record(line);
    if (!pidInst || !pfnCallback) return DMLERR_INVALIDPARAMETER;
    // A non-zero id asks to change an existing instance's flags; the plug-in
    // only ever starts new ones.
    if (*pidInst != 0) {
        badCall();
        return DMLERR_INVALIDPARAMETER;
    }
    if (dde().initializeFails) return DMLERR_DLL_USAGE;
    DWORD id = dde().nextInstance++;
    dde().instances[id] = Instance{pfnCallback, afCmd, DMLERR_NO_ERROR};
    dde().tally.instances++;
    *pidInst = id;
    return DMLERR_NO_ERROR;
}

BOOL WINAPI DdeUninitialize(DWORD idInst) {
    record("DdeUninitialize");
    if (!instanceOf(idInst)) return badCall();
    Dde& d = dde();
    dropLeftovers(d.conversations, idInst);
    dropLeftovers(d.data, idInst);
    dropLeftovers(d.strings, idInst);
    d.instances.erase(idInst);
    d.tally.uninitialized++;
    return TRUE;
}

UINT WINAPI DdeGetLastError(DWORD idInst) {
    record("DdeGetLastError");
    Instance* i = instanceOf(idInst);
    if (!i) return DMLERR_INVALIDPARAMETER;
    UINT e = i->lastError;
    i->lastError = DMLERR_NO_ERROR;
    return e;
}

HSZ WINAPI DdeCreateStringHandleA(DWORD idInst, LPCSTR psz, int iCodePage) {
    record(std::string("DdeCreateStringHandleA ") + (psz ? psz : "(null)") + " " +
           std::to_string(iCodePage));
    if (!instanceOf(idInst)) return NULL;
    Dde& d = dde();
    if (d.stringFailsIn > 0 && --d.stringFailsIn == 0) {
        setError(idInst, DMLERR_SYS_ERROR);
        return NULL;
    }
    // As measured under Wine: no text, or more than an atom holds (255
    // characters), gives no handle and leaves the error as it was.
    if (!psz || !*psz || strlen(psz) > 255) return NULL;
    if (iCodePage != CP_WINANSI && iCodePage != 0) {
        setError(idInst, DMLERR_INVALIDPARAMETER);
        return NULL;
    }
    auto s = std::make_unique<StringHandle>();
    s->instance = idInst;
    s->text = psz;
    HSZ h = (HSZ)s.get();
    d.strings[h] = std::move(s);
    d.tally.strings++;
    return h;
}

BOOL WINAPI DdeFreeStringHandle(DWORD idInst, HSZ hsz) {
    record("DdeFreeStringHandle " + nameOf(hsz));
    StringHandle* s = find(dde().strings, (void*)hsz);
    if (!s || s->instance != idInst) return badCall();
    dde().strings.erase((void*)hsz);
    dde().tally.stringsFreed++;
    return TRUE;
}

// A null service or topic handle is a wildcard, as in the library: the
// first server that matches the rest answers.
HCONV WINAPI DdeConnect(DWORD idInst, HSZ hszService, HSZ hszTopic, PCONVCONTEXT) {
    record("DdeConnect " + nameOf(hszService) + " " + nameOf(hszTopic));
    if (!instanceOf(idInst)) return NULL;
    Dde& d = dde();
    StringHandle* service = find(d.strings, (void*)hszService);
    StringHandle* topic = find(d.strings, (void*)hszTopic);
    if ((hszService && !service) || (hszTopic && !topic)) {
        badCall();
        setError(idInst, DMLERR_INVALIDPARAMETER);
        return NULL;
    }
    for (auto& entry : d.servers) {
        if (service && entry.first.first != upper(service->text)) continue;
        if (topic && entry.first.second != upper(topic->text)) continue;
        auto c = std::make_unique<Conversation>();
        c->instance = idInst;
        c->service = entry.first.first;
        c->topic = entry.first.second;
        HCONV h = (HCONV)c.get();
        d.conversations[h] = std::move(c);
        d.tally.conversations++;
        return h;
    }
    setError(idInst, DMLERR_NO_CONV_ESTABLISHED);
    return NULL;
}

BOOL WINAPI DdeDisconnect(HCONV hConv) {
    record("DdeDisconnect");
    if (!find(dde().conversations, (void*)hConv)) return badCall();
    dde().conversations.erase((void*)hConv);
    dde().tally.disconnected++;
    return TRUE;
}

HDDEDATA WINAPI DdeClientTransaction(LPBYTE pData, DWORD cbData, HCONV hConv, HSZ hszItem,
                                     UINT wFmt, UINT wType, DWORD dwTimeout,
                                     LPDWORD pdwResult) {
    char line[160];
    snprintf(line, sizeof line, "DdeClientTransaction %s fmt=%u type=0x%x timeout=%u",
             nameOf(hszItem).c_str(), wFmt, wType, (unsigned)dwTimeout);
    record(line);
    if (pdwResult) *pdwResult = 0;
    Dde& d = dde();
    Conversation* c = find(d.conversations, (void*)hConv);
    if (!c) {
        badCall();
        return NULL;
    }
    StringHandle* item = find(d.strings, (void*)hszItem);
    if (!item || pData || cbData || wType != XTYP_REQUEST) {
        badCall();
        setError(c->instance, DMLERR_INVALIDPARAMETER);
        return NULL;
    }
    standin::DdeServer* server = serverOf(*c);
    if (server) server->requests++;
    if (!server || server->silent || server->delayMs > dwTimeout) {
        standin::passTime(dwTimeout);
        setError(c->instance, DMLERR_DATAACKTIMEOUT);
        return NULL;
    }
    standin::passTime(server->delayMs);
    auto answer = server->answers.find(item->text);
    if (answer == server->answers.end() || wFmt != CF_TEXT) {
        setError(c->instance, DMLERR_NOTPROCESSED);
        return NULL;
    }
    auto h = std::make_unique<DataHandle>();
    h->instance = c->instance;
    h->bytes = answer->second;
    HDDEDATA result = (HDDEDATA)h.get();
    d.data[result] = std::move(h);
    d.tally.dataHandles++;
    return result;
}

DWORD WINAPI DdeGetData(HDDEDATA hData, LPBYTE pDst, DWORD cbMax, DWORD cbOff) {
    record("DdeGetData");
    DataHandle* h = find(dde().data, (void*)hData);
    if (!h) {
        badCall();
        return 0;
    }
    DWORD size = (DWORD)h->bytes.size();
    if (!pDst) return size;
    if (cbOff >= size) return 0;
    DWORD n = size - cbOff < cbMax ? size - cbOff : cbMax;
    memcpy(pDst, h->bytes.data() + cbOff, n);
    return n;
}

BOOL WINAPI DdeFreeDataHandle(HDDEDATA hData) {
    record("DdeFreeDataHandle");
    if (!find(dde().data, (void*)hData)) return badCall();
    dde().data.erase((void*)hData);
    dde().tally.dataFreed++;
    return TRUE;
}

// --- the process heap -------------------------------------------------------

HANDLE WINAPI GetProcessHeap(void) {
    static int heap;
    return &heap;
}

// Exactly the bytes asked for, so the sanitizer build catches a read past
// the end of an answer.
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, size_t bytes) {
    if (heap != GetProcessHeap()) return NULL;
    void* p = malloc(bytes ? bytes : 1);
    if (!p) return NULL;
    if (flags & HEAP_ZERO_MEMORY) memset(p, 0, bytes);
    dde().heap[p] = bytes;
    dde().tally.heapBlocks++;
    return p;
}

BOOL WINAPI HeapFree(HANDLE heap, DWORD, LPVOID block) {
    if (!block) return TRUE;
    if (heap != GetProcessHeap() || !dde().heap.erase(block)) return badCall();
    free(block);
    dde().tally.heapFreed++;
    return TRUE;
}

#include "players/dde_conversation.h"

#include <string.h>

HDDEDATA CALLBACK ddeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                              ULONG_PTR) {
    return NULL;
}

static void copyName(char* out, const char* name) {
    out[0] = '\0';
    if (name) lstrcpynA(out, name, kDdeNameChars);
}

DdeConversation::DdeConversation(PFNCALLBACK callback, const char* topic,
                                 const char* service)
    : instance_(0), service_(NULL), topic_(NULL), conversation_(NULL) {
    copyName(topicName_, topic);
    copyName(serviceName_, service);
    if (DdeInitializeA(&instance_, callback ? callback : ddeCallback, 0, 0) !=
        DMLERR_NO_ERROR) {
        instance_ = 0;
        return;
    }
    service_ = DdeCreateStringHandleA(instance_, serviceName_, CP_WINANSI);
    topic_ = DdeCreateStringHandleA(instance_, topicName_, CP_WINANSI);
    // Both handles or none: a null handle would ask DdeConnect for any
    // server or any topic, which is not the player we mean.
    if (DdeGetLastError(instance_) != DMLERR_NO_ERROR || !service_ || !topic_) {
        releaseNames();
        DdeUninitialize(instance_);
        instance_ = 0;
        return;
    }
    conversation_ = DdeConnect(instance_, service_, topic_, NULL);
}

void DdeConversation::releaseNames() {
    if (service_) DdeFreeStringHandle(instance_, service_);
    if (topic_) DdeFreeStringHandle(instance_, topic_);
    service_ = NULL;
    topic_ = NULL;
}

// Closing waits for the player to take our WM_DDE_TERMINATE.  A player that
// is silent but alive takes it at once, so a request that timed out costs
// its time-out and a few milliseconds more.  One whose window procedure is
// busy (hung) makes Wine's DdeDisconnect wait until it recovers, up to
// 10 s more (KbMedia Player: 12.0 s for a step instead of 2 s, Lilith
// 13.0 s instead of 3 s, against players hung for 20 s; DdeUninitialize
// waits the same way, so leaving the disconnect to it gains nothing).
// Windows documents no bound for this wait; we could not measure it there.
DdeConversation::~DdeConversation() {
    if (conversation_) DdeDisconnect(conversation_);
    if (instance_) {
        releaseNames();
        DdeUninitialize(instance_);
    }
}

bool DdeConversation::request(char** answer, const char* item, DWORD timeoutMs) {
    if (!answer) return false;
    *answer = NULL;
    if (!item || !conversation_) return false;
    HSZ itemName = DdeCreateStringHandleA(instance_, item, CP_WINANSI);
    if (!itemName) {
        DdeGetLastError(instance_);
        return false;
    }
    HDDEDATA data = DdeClientTransaction(NULL, 0, conversation_, itemName, CF_TEXT,
                                         XTYP_REQUEST, timeoutMs, NULL);
    DdeFreeStringHandle(instance_, itemName);
    if (!data) {
        DdeGetLastError(instance_);  // clears the instance's error state
        return false;
    }
    DWORD size = DdeGetData(data, NULL, 0, 0);
    if (size > kDdeAnswerBytes) size = kDdeAnswerBytes;
    char* text = (char*)HeapAlloc(GetProcessHeap(), 0, size + 1);
    if (text) copyDdeText(data, text, size + 1);
    DdeFreeDataHandle(data);
    *answer = text;
    return text != NULL;
}

DWORD copyDdeText(HDDEDATA data, char* out, DWORD capacity) {
    if (!out || capacity == 0) return 0;
    out[0] = '\0';
    DWORD n = DdeGetData(data, (LPBYTE)out, capacity - 1, 0);
    if (n > capacity - 1) n = capacity - 1;
    out[n] = '\0';
    return n;
}

void releaseDdeAnswer(char* answer) {
    if (answer) HeapFree(GetProcessHeap(), 0, answer);
}

// A DDE client conversation that lives for one scope: it connects when
// constructed and lets go of everything when it goes out of scope, on every
// way out, so a player that is gone, silent or refusing leaves nothing
// behind.
#pragma once

#include <windows.h>
// After <windows.h>: the library's header needs its types.
#include <ddeml.h>

#include "frame/calling_convention.h"

enum {
    kDdeNameChars = 256,
    // More than any reader keeps of an answer (a title widens at most
    // kWidenBytes), so cutting here changes no title; it bounds what a
    // misbehaving server can make us allocate.
    kDdeAnswerBytes = 4096,
};

// Answers every transaction with "nothing": we are a client only, and the
// library asks a client about nothing we need to answer.
HDDEDATA CALLBACK ddeCallback(UINT type, UINT format, HCONV conversation, HSZ hsz1,
                              HSZ hsz2, HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
MR_ASSERT_STDCALL(PFNCALLBACK);
MR_ASSERT_STDCALL_FUNCTION(ddeCallback);

class DdeConversation {
public:
    // Sets up a DDE instance with callback (ddeCallback when NULL) and the
    // two names' string handles, then connects.  Names longer than 255
    // characters are cut.  A failure anywhere leaves an object without a
    // conversation, whose requests all fail.
    DdeConversation(PFNCALLBACK callback, const char* topic, const char* service);
    ~DdeConversation();

    // Requests item as CF_TEXT and waits at most timeoutMs.  On success
    // *answer is a heap text the caller frees with releaseDdeAnswer: the
    // received bytes (at most kDdeAnswerBytes) plus a NUL of our own, so an
    // answer that came empty or unterminated is still a text.  On failure
    // *answer is NULL.
    bool request(char** answer, const char* item, DWORD timeoutMs);

    bool connected() const { return conversation_ != NULL; }

private:
    DdeConversation(const DdeConversation&) = delete;
    DdeConversation& operator=(const DdeConversation&) = delete;

    void releaseNames();

    DWORD instance_;
    HSZ service_;
    HSZ topic_;
    char topicName_[kDdeNameChars];
    char serviceName_[kDdeNameChars];
    HCONV conversation_;
};

// Copies a data handle's bytes (at most capacity - 1) into out and ends them
// with a NUL right after what was received.  Returns the bytes copied.
DWORD copyDdeText(HDDEDATA data, char* out, DWORD capacity);

void releaseDdeAnswer(char* answer);

// Test-side control of the simulated DDE servers behind <ddeml.h>, and the
// tally of every handle the plug-in made and released.
//
// A server is named by service and topic (compared without regard to case,
// as DDE's atoms are) and answers requests for its items with the bytes the
// test gave, exactly as given: with or without a terminating NUL, or none at
// all.  An answer that takes longer than the request's time-out is a
// time-out; the simulated clock (standin::nowMs) moves on by what the
// request waited.  standin::reset() removes every server and clears the
// tally.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace standin {

struct DdeServer {
    // item -> the answer's bytes; an item without an entry is refused.
    std::map<std::string, std::string> answers;
    DWORD delayMs = 0;    // every answer comes this late
    bool silent = false;  // requests are never answered
    int requests = 0;     // requests received
};

// Adds (or finds) the server for service and topic; the reference stays
// valid until the server is removed or the desktop reset.
DdeServer& addDdeServer(const std::string& service, const std::string& topic);
void removeDdeServer(const std::string& service, const std::string& topic);

// Failures of the library itself: DdeInitializeA fails while set; the nth
// string handle created from now on fails (1 the next one, 0 none).
void failDdeInitialize(bool fail);
void failDdeStringHandle(int nth);

// What was made and released since the last reset.  DdeUninitialize frees
// whatever its instance still holds, as Windows does; that counts in
// leftAtUninitialize, not as a release, so a leak shows even where the
// library would have cleaned up behind the plug-in.
struct DdeTally {
    int instances = 0, uninitialized = 0;
    int strings = 0, stringsFreed = 0;
    int conversations = 0, disconnected = 0;
    int dataHandles = 0, dataFreed = 0;
    int leftAtUninitialize = 0;
    int badCalls = 0;  // a release of a dead handle, a reused instance id
    int heapBlocks = 0, heapFreed = 0;  // HeapAlloc / HeapFree
};
const DdeTally& ddeTally();

// Every DDE call in order, one line each, with the names of the string
// handles it was given: "DdeCreateStringHandleA KbMedia Player 1004",
// "DdeClientTransaction Status fmt=1 type=0x20b0 timeout=2000", ...
const std::vector<std::string>& ddeCalls();

}  // namespace standin

// Test-side control of the stand-in's file reads, for readers that must
// survive what a network share or a failing disk gives.
#pragma once

#include <windows.h>

namespace standin {

// Every ReadFile from now on gives at most maxBytes (0: no limit), as a
// read may stop short of what was asked without being at the end.
void limitFileReads(DWORD maxBytes);

// The calls-th ReadFile from now on, and every one after it, fails
// (0: none fails).
void failFileReadsFrom(int calls);

}  // namespace standin

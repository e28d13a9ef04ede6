// Test-side control of the simulated processes behind the Linux stand-in:
// what Toolhelp snapshots and the process-status functions list.
#pragma once

#include <windows.h>

#include <string>

namespace standin {

// A running process with the executable's full path.  unopenable: OpenProcess
// refuses it (another user's, or protected); unreadable: its loader data
// cannot be read, as for a 64-bit process seen from a 32-bit one, so psapi
// cannot name it while the image-name query of version 6 and later can.
// Returns the process identifier.
DWORD startProcess(const std::string& path, bool unopenable = false,
                   bool unreadable = false);
void endProcess(DWORD id);

// Toolhelp snapshots or the process list cannot be had.
void failProcessSnapshot(bool fail);
void failProcessList(bool fail);

int processesOpened();   // OpenProcess calls that gave a handle
int loaderReads();       // GetModuleFileNameExA calls
DWORD lastOpenAccess();  // the access the last OpenProcess asked for
int snapshotsTaken();
int openProcessHandles();  // process and snapshot handles not yet closed

}  // namespace standin

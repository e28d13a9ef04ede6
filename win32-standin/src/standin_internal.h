// Helpers shared by the stand-in's pure functions (not part of its API).
#pragma once

#include <stddef.h>
#include <windows.h>

// The simulated ANSI code page (CP_ACP); defined by the desktop simulation,
// with a weak default of 1252 in codepage.cpp.
extern "C++" UINT standin_ansiCodePage();

// The COM and process simulations, reset with the desktop.
void standin_resetCom();
void standin_resetProcesses();
void standin_resetRuntime();
// GetProcAddress's share for the simulated combase.dll: false when module is
// not it, else *proc is the answer.
bool standin_runtimeProc(HMODULE module, LPCSTR name, FARPROC* proc);
void standin_resetProfile();
void standin_resetFiles();
// CloseHandle's share for process and snapshot handles: false when h is not
// one of theirs, else *result is CloseHandle's answer.
bool standin_closeSimulatedHandle(HANDLE h, BOOL* result);
// The simulated system's major version (GetVersionExA's).
DWORD standin_versionMajor();
bool standin_versionAtLeast(DWORD major, DWORD minor);

namespace standin {

// IsDBCSLeadByte for the simulated ANSI code page (only 932 has lead bytes
// among the code pages the stand-in knows).
bool isDbcsLeadByte(unsigned char c);

// Copies a Win32-style path into out with every '\' turned into '/'.  False
// for a null path or one that does not fit.  Allocates nothing.
bool toLinuxPath(const char* path, char* out, size_t size);

// A file that no one may write, standing for FILE_ATTRIBUTE_READONLY: Windows
// refuses to write such a file even for an administrator, while root on
// Linux would write it whatever its permission bits.
bool isReadOnlyFile(const char* linuxPath);

// The simulated clock moves on by ms without running timers: a call that
// blocks its caller (a DDE request waiting for its answer).
void passTime(DWORD ms);

// Back to no DDE servers, instances or counts (called by standin::reset()).
void resetDde();

}  // namespace standin

// Linux stand-in: the shell light-weight utility functions the plug-in calls.
#pragma once

#include <windows.h>

LPSTR WINAPI StrRStrIA(LPCSTR source, LPCSTR last, LPCSTR find);
BOOL WINAPI PathRemoveFileSpecA(LPSTR path);
BOOL WINAPI PathIsDirectoryA(LPCSTR path);

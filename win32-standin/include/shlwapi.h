// Linux stand-in: the shell light-weight utility functions the plug-in calls.
#pragma once

#include <windows.h>

BOOL WINAPI PathRemoveFileSpecA(LPSTR path);
BOOL WINAPI PathIsDirectoryA(LPCSTR path);

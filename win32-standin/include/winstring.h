// The Windows Runtime's strings (combase.dll), simulated: see
// <standin/runtime.h>.
#pragma once

#include <windows.h>

struct HSTRING__ {
    int unused;
};
typedef HSTRING__* HSTRING;

HRESULT WINAPI WindowsCreateString(LPCWSTR text, UINT units, HSTRING* string);
HRESULT WINAPI WindowsDeleteString(HSTRING string);
LPCWSTR WINAPI WindowsGetStringRawBuffer(HSTRING string, UINT* units);

// The Windows Runtime's start-up functions (combase.dll), simulated: see
// <standin/runtime.h>.  The plug-in looks them up with GetProcAddress and
// never calls them by name.
#pragma once

#include <winstring.h>

typedef enum RO_INIT_TYPE {
    RO_INIT_SINGLETHREADED = 0,
    RO_INIT_MULTITHREADED = 1,
} RO_INIT_TYPE;

HRESULT WINAPI RoInitialize(RO_INIT_TYPE type);
void WINAPI RoUninitialize(void);
HRESULT WINAPI RoGetActivationFactory(HSTRING classId, REFIID iid, void** factory);

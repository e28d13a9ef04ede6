// Reports faults to the transcript and ends the run with kExitFault.
//
// Wine swallows access violations raised inside a timer callback, so a crash
// in the plug-in's update step would otherwise pass unnoticed; a vectored
// handler sees the fault before anyone can swallow it.
#pragma once

#include <windows.h>

namespace testhost {

enum { kExitFault = 3 };

void installFaultGuard();
// Faults are described relative to this module; its range is kept after the
// module is freed, so a call into unloaded code is recognised as such.
void watchModule(HMODULE module, const char* name);
void moduleUnloaded();

}  // namespace testhost

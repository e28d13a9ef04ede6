// What the timing programs that run under Wine share (itunes_probe_timing,
// tick_pieces): a high-resolution clock and a report of faults.
#pragma once

#include <stdio.h>
#include <windows.h>

inline double nowMs() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * (double)t.QuadPart / (double)frequency.QuadPart;
}

// A fault in the code timed ends the run with a line saying where, rather
// than silently.  Install with AddVectoredExceptionHandler(1, reportFault).
inline LONG CALLBACK reportFault(EXCEPTION_POINTERS* e) {
    DWORD code = e->ExceptionRecord->ExceptionCode;
    if (code < 0xC0000000u) return EXCEPTION_CONTINUE_SEARCH;
    printf("fault 0x%08lx at %p\n", (unsigned long)code,
           e->ExceptionRecord->ExceptionAddress);
    fflush(stdout);
    ExitProcess(3);
}

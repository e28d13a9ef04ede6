#include "testhost/fault_guard.h"

#include <stdio.h>

#include "testhost/transcript.h"

namespace testhost {

namespace {

struct Watched {
    ULONG_PTR base = 0;
    ULONG_PTR size = 0;
    const char* name = "";
    bool unloaded = false;
};
Watched g_module;

const char* faultName(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
        return "access violation";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
        return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION:
        return "privileged instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
        return "integer division by zero";
    case EXCEPTION_INT_OVERFLOW:
        return "integer overflow";
    case EXCEPTION_STACK_OVERFLOW:
        return "stack overflow";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        return "array bounds exceeded";
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return "datatype misalignment";
    case EXCEPTION_IN_PAGE_ERROR:
        return "in-page error";
    case 0xC0000374:
        return "heap corruption";
    case 0xC0000409:
        return "stack buffer overrun";
    default:
        return NULL;  // not a fault: debug output, C++ throw, ...
    }
}

ULONG_PTR imageSize(HMODULE module) {
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.SizeOfImage;
}

void describeAddress(char* out, size_t size, ULONG_PTR address) {
    if (g_module.base && address >= g_module.base &&
        address < g_module.base + g_module.size) {
        snprintf(out, size, "%s+0x%llx%s", g_module.name,
                 static_cast<unsigned long long>(address - g_module.base),
                 g_module.unloaded ? " (already unloaded)" : "");
    } else {
        snprintf(out, size, "0x%llx (outside %s)",
                 static_cast<unsigned long long>(address), g_module.name);
    }
}

LONG CALLBACK onException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    const char* name = faultName(record->ExceptionCode);
    if (!name) return EXCEPTION_CONTINUE_SEARCH;

    char where[160];
    describeAddress(where, sizeof where,
                    reinterpret_cast<ULONG_PTR>(record->ExceptionAddress));
    char line[320];
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION &&
        record->NumberParameters >= 2) {
        const ULONG_PTR kind = record->ExceptionInformation[0];
        snprintf(line, sizeof line, "FAULT %s at %s, %s 0x%llx", name, where,
                 kind == 0   ? "reading"
                 : kind == 1 ? "writing"
                             : "executing",
                 static_cast<unsigned long long>(record->ExceptionInformation[1]));
    } else {
        snprintf(line, sizeof line, "FAULT %s (0x%08lx) at %s", name,
                 static_cast<unsigned long>(record->ExceptionCode), where);
    }
    say(line);
    // No ExitProcess: the fault may have struck with the loader lock held.
    TerminateProcess(GetCurrentProcess(), kExitFault);
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void installFaultGuard() {
    AddVectoredExceptionHandler(1, onException);
}

void watchModule(HMODULE module, const char* name) {
    g_module.base = reinterpret_cast<ULONG_PTR>(module);
    g_module.size = imageSize(module);
    g_module.name = name;
    g_module.unloaded = false;
}

void moduleUnloaded() {
    g_module.unloaded = true;
}

}  // namespace testhost

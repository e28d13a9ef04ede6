// The simulated processes: Toolhelp snapshots and the process-status
// functions over a list that tests fill.
#include <standin/processes.h>
#include <string.h>
#include <strings.h>

#include <map>
#include <vector>

#include "standin_internal.h"

namespace {

struct SimProcess {
    DWORD id;
    std::string path;
    bool unopenable;
    bool unreadable;
};

// Process and snapshot handles come from a range of their own, far above
// the small numbers the simulated file handles use, so CloseHandle can
// tell the two kinds apart.
const uintptr_t kFirstHandle = 0x40000000;
const uintptr_t kHandleRange = 0x10000000;
const HMODULE kKernel32 = (HMODULE)(uintptr_t)0x7C800000;

struct OpenHandle {
    bool snapshot;
    DWORD process;                   // a process handle's process
    std::vector<SimProcess> listed;  // a snapshot's processes
    size_t cursor = 0;
};

struct ProcessState {
    std::vector<SimProcess> processes;
    DWORD nextId = 1000;
    bool snapshotFails = false;
    bool listFails = false;
    int opened = 0;
    int loaderReads = 0;
    DWORD lastAccess = 0;
    int snapshots = 0;
    uintptr_t nextHandle = kFirstHandle;
    std::map<uintptr_t, OpenHandle> handles;
};

ProcessState& state() {
    static ProcessState s;
    return s;
}

HANDLE newHandle(OpenHandle h) {
    uintptr_t value = state().nextHandle;
    state().nextHandle += 4;
    state().handles[value] = h;
    return (HANDLE)value;
}

OpenHandle* lookup(HANDLE h, bool snapshot) {
    auto it = state().handles.find((uintptr_t)h);
    if (it == state().handles.end() || it->second.snapshot != snapshot) return nullptr;
    return &it->second;
}

const SimProcess* findProcess(DWORD id) {
    for (const SimProcess& p : state().processes)
        if (p.id == id) return &p;
    return nullptr;
}

// Like the system: cut to size - 1 and terminated.
DWORD copyPath(const std::string& path, LPSTR out, DWORD size) {
    if (size == 0) return 0;
    DWORD n = (DWORD)path.size() < size - 1 ? (DWORD)path.size() : size - 1;
    memcpy(out, path.data(), n);
    out[n] = '\0';
    return n;
}

bool fillEntry(OpenHandle* snap, LPPROCESSENTRY32 entry) {
    if (!entry || entry->dwSize != sizeof(PROCESSENTRY32)) return false;
    if (snap->cursor >= snap->listed.size()) return false;
    const SimProcess& p = snap->listed[snap->cursor];
    DWORD size = entry->dwSize;
    memset(entry, 0, sizeof *entry);
    entry->dwSize = size;
    entry->th32ProcessID = p.id;
    entry->cntThreads = 1;
    copyPath(p.path, entry->szExeFile, MAX_PATH);
    return true;
}

}  // namespace

void standin_resetProcesses() {
    state() = ProcessState();
}

bool standin_closeSimulatedHandle(HANDLE h, BOOL* result) {
    uintptr_t v = (uintptr_t)h;
    if (v < kFirstHandle || v >= kFirstHandle + kHandleRange) return false;
    *result = state().handles.erase(v) == 1;
    return true;
}

namespace standin {

DWORD startProcess(const std::string& path, bool unopenable, bool unreadable) {
    DWORD id = state().nextId;
    state().nextId += 4;
    state().processes.push_back({id, path, unopenable, unreadable});
    return id;
}

void endProcess(DWORD id) {
    auto& ps = state().processes;
    for (auto it = ps.begin(); it != ps.end(); ++it) {
        if (it->id == id) {
            ps.erase(it);
            return;
        }
    }
}

void failProcessSnapshot(bool fail) {
    state().snapshotFails = fail;
}
void failProcessList(bool fail) {
    state().listFails = fail;
}
int processesOpened() {
    return state().opened;
}
DWORD lastOpenAccess() {
    return state().lastAccess;
}
int loaderReads() {
    return state().loaderReads;
}
int snapshotsTaken() {
    return state().snapshots;
}
int openProcessHandles() {
    return (int)state().handles.size();
}

}  // namespace standin

HANDLE WINAPI CreateToolhelp32Snapshot(DWORD flags, DWORD) {
    state().snapshots++;
    if (state().snapshotFails || !(flags & TH32CS_SNAPPROCESS))
        return INVALID_HANDLE_VALUE;
    OpenHandle h;
    h.snapshot = true;
    h.process = 0;
    h.listed = state().processes;
    return newHandle(h);
}

BOOL WINAPI Process32First(HANDLE snapshot, LPPROCESSENTRY32 entry) {
    OpenHandle* snap = lookup(snapshot, true);
    if (!snap) return FALSE;
    snap->cursor = 0;
    return fillEntry(snap, entry);
}

BOOL WINAPI Process32Next(HANDLE snapshot, LPPROCESSENTRY32 entry) {
    OpenHandle* snap = lookup(snapshot, true);
    if (!snap) return FALSE;
    snap->cursor++;
    return fillEntry(snap, entry);
}

BOOL WINAPI EnumProcesses(DWORD* ids, DWORD bytes, DWORD* filled) {
    if (state().listFails || !ids || !filled) return FALSE;
    size_t n = state().processes.size();
    if (n > bytes / sizeof(DWORD)) n = bytes / sizeof(DWORD);
    for (size_t i = 0; i < n; i++) ids[i] = state().processes[i].id;
    *filled = (DWORD)(n * sizeof(DWORD));
    return TRUE;
}

HANDLE WINAPI OpenProcess(DWORD access, BOOL, DWORD id) {
    state().lastAccess = access;
    const SimProcess* p = findProcess(id);
    if (!p || p->unopenable) return NULL;
    state().opened++;
    OpenHandle h;
    h.snapshot = false;
    h.process = id;
    return newHandle(h);
}

DWORD WINAPI GetModuleFileNameExA(HANDLE process, HMODULE module, LPSTR out, DWORD size) {
    state().loaderReads++;
    OpenHandle* h = lookup(process, false);
    const SimProcess* p = h ? findProcess(h->process) : nullptr;
    // Only the executable's path is simulated (the module NULL).
    if (!p || p->unreadable || module != NULL || size == 0) return 0;
    // Like Windows XP: a path that fills the buffer is cut to it and left
    // unterminated, and the result is the size.
    if (p->path.size() >= size) {
        memcpy(out, p->path.data(), size);
        return size;
    }
    return copyPath(p->path, out, size);
}

// Unlike GetModuleFileNameExA, a path that does not fit is an error.
BOOL WINAPI QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR out,
                                       PDWORD size) {
    OpenHandle* h = lookup(process, false);
    const SimProcess* p = h ? findProcess(h->process) : nullptr;
    if (!p || flags != 0 || !size || p->path.size() + 1 > *size) return FALSE;
    memcpy(out, p->path.c_str(), p->path.size() + 1);
    *size = (DWORD)p->path.size();
    return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    return name && strcasecmp(name, "kernel32.dll") == 0 ? kKernel32 : NULL;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    FARPROC runtime = NULL;
    if (standin_runtimeProc(module, name, &runtime)) return runtime;
    if (module != kKernel32 || !name) return NULL;
    if (strcmp(name, "QueryFullProcessImageNameA") == 0 && standin_versionMajor() >= 6)
        return (FARPROC)(void*)&QueryFullProcessImageNameA;
    if (strcmp(name, "SetThreadErrorMode") == 0 && standin_versionAtLeast(6, 1))
        return (FARPROC)(void*)&SetThreadErrorMode;
    return NULL;
}

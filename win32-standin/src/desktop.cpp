// The simulated desktop: system answers, windows, messages, timers, files.
#include <errno.h>
#include <fcntl.h>
#include <standin/desktop.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>

#include "standin/files.h"
#include "standin_internal.h"

namespace {

struct SimWindow {
    std::string className;
    std::string caption;
    standin::WindowProc proc;
    bool hung = false;
    bool callsBack = false;
    DWORD processId = 0;
};

// The plug-in's process, and the first of the others, one per window.
const DWORD kOwnProcessId = 0x500;
const DWORD kFirstOtherProcessId = 0x1000;

struct Desktop {
    std::string moduleFileName = "C:\\Host\\host.exe";
    DWORD platformId = VER_PLATFORM_WIN32_NT, major = 5, minor = 1;
    int versionQueries = 0;
    std::string localeText = "1252";
    bool localeFails = false;
    UINT acp = 1252;
    DWORD lastError = 0;
    std::vector<std::unique_ptr<SimWindow>> windows;
    std::vector<standin::SentMessage> sent;
    int hungBlockingSends = 0;
    std::vector<standin::Timer> timers;
    UINT_PTR nextTimerId = 0x7F00;
    bool setTimerFails = false;
    DWORD now = 0;
    DWORD nextProcessId = kFirstOtherProcessId;
    UINT processErrorMode = 0;
    DWORD threadErrorMode = 0;
    standin::ErrorModes modesAtOpen = {0, 0};
    // Recording a message must not allocate inside the plug-in's calls, or
    // the no-heap measurement would count the stand-in's bookkeeping.
    Desktop() { sent.reserve(1 << 16); }
};

Desktop& desktop() {
    static Desktop d;
    return d;
}

SimWindow* lookup(HWND w) {
    for (auto& p : desktop().windows)
        if ((HWND)p.get() == w) return p.get();
    return nullptr;
}

}  // namespace

UINT standin_ansiCodePage() {
    return desktop().acp;
}
DWORD standin_versionMajor() {
    return desktop().major;
}
bool standin_versionAtLeast(DWORD major, DWORD minor) {
    const Desktop& d = desktop();
    return d.major > major || (d.major == major && d.minor >= minor);
}

namespace standin {

void setModuleFileName(const std::string& path) {
    desktop().moduleFileName = path;
}
void setVersion(DWORD platformId, DWORD major, DWORD minor) {
    desktop().platformId = platformId;
    desktop().major = major;
    desktop().minor = minor;
}
int versionQueryCount() {
    return desktop().versionQueries;
}
void setLocaleAnsiCodePageText(const std::string& text) {
    desktop().localeText = text;
}
void failLocaleQuery(bool fail) {
    desktop().localeFails = fail;
}
void setAnsiCodePage(UINT cp) {
    desktop().acp = cp;
}

HWND createWindow(const std::string& className, const std::string& caption,
                  WindowProc proc) {
    auto w = std::make_unique<SimWindow>();
    w->className = className;
    w->caption = caption;
    w->proc = proc;
    w->processId = desktop().nextProcessId++;
    HWND h = (HWND)w.get();
    desktop().windows.push_back(std::move(w));
    return h;
}

HWND createOwnWindow(const std::string& className, const std::string& caption,
                     WindowProc proc) {
    HWND h = createWindow(className, caption, proc);
    lookup(h)->processId = kOwnProcessId;
    return h;
}

void destroyWindow(HWND w) {
    auto& ws = desktop().windows;
    ws.erase(std::remove_if(
                 ws.begin(), ws.end(),
                 [&](const std::unique_ptr<SimWindow>& p) { return (HWND)p.get() == w; }),
             ws.end());
}

void setWindowText(HWND w, const std::string& caption) {
    if (SimWindow* s = lookup(w)) s->caption = caption;
}
void setHung(HWND w, bool hung) {
    if (SimWindow* s = lookup(w)) s->hung = hung;
}
int blockingSendsToHungWindows() {
    return desktop().hungBlockingSends;
}
void setCallsBackWhileAnswering(HWND w, bool calls) {
    if (SimWindow* s = lookup(w)) s->callsBack = calls;
}
ErrorModes errorModesAtLastOpen() {
    return desktop().modesAtOpen;
}
ErrorModes errorModes() {
    return {desktop().processErrorMode, desktop().threadErrorMode};
}
void setProcessErrorMode(UINT mode) {
    desktop().processErrorMode = mode;
}
const std::vector<SentMessage>& sentMessages() {
    return desktop().sent;
}

std::vector<Timer> activeTimers() {
    return desktop().timers;
}
void failSetTimer(bool fail) {
    desktop().setTimerFails = fail;
}
DWORD nowMs() {
    return desktop().now;
}

void advance(DWORD ms) {
    Desktop& d = desktop();
    DWORD end = d.now + ms;
    for (;;) {
        // The earliest due timer; callbacks may add or kill timers.
        auto due = std::min_element(
            d.timers.begin(), d.timers.end(),
            [](const Timer& a, const Timer& b) { return a.nextDueMs < b.nextDueMs; });
        if (due == d.timers.end() || due->nextDueMs > end) break;
        if (due->nextDueMs > d.now) d.now = due->nextDueMs;
        UINT_PTR id = due->id;
        TIMERPROC proc = due->proc;
        due->nextDueMs = d.now + due->intervalMs;
        proc(NULL, WM_TIMER, id, d.now);
    }
    if (end > d.now) d.now = end;
}

void passTime(DWORD ms) {
    desktop().now += ms;
}

void reset() {
    desktop() = Desktop();
    resetDde();
    standin_resetCom();
    standin_resetProcesses();
    standin_resetRuntime();
    standin_resetProfile();
    standin_resetFiles();
}

}  // namespace standin

// --- kernel: system queries -----------------------------------------------

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR out, DWORD size) {
    if (module != NULL || size == 0) return 0;
    const std::string& p = desktop().moduleFileName;
    // Like Windows XP: a path that does not fit is cut and left unterminated,
    // and the result is the size.
    if (p.size() >= size) {
        memcpy(out, p.data(), size);
        return size;
    }
    memcpy(out, p.c_str(), p.size() + 1);
    return (DWORD)p.size();
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
    Desktop& d = desktop();
    d.versionQueries++;
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return FALSE;
    info->dwMajorVersion = d.major;
    info->dwMinorVersion = d.minor;
    info->dwBuildNumber = 2600;
    info->dwPlatformId = d.platformId;
    info->szCSDVersion[0] = '\0';
    return TRUE;
}

LCID WINAPI GetThreadLocale(void) {
    return 0x0409;
}

int WINAPI GetLocaleInfoA(LCID, DWORD type, LPSTR out, int size) {
    Desktop& d = desktop();
    if (d.localeFails || type != LOCALE_IDEFAULTANSICODEPAGE) return 0;
    int need = (int)d.localeText.size() + 1;
    if (size == 0) return need;
    if (need > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(out, d.localeText.c_str(), (size_t)need);
    return need;
}

UINT WINAPI GetACP(void) {
    return desktop().acp;
}
UINT WINAPI SetErrorMode(UINT mode) {
    UINT old = desktop().processErrorMode;
    desktop().processErrorMode = mode;
    return old;
}

BOOL WINAPI SetThreadErrorMode(DWORD mode, LPDWORD oldMode) {
    if (oldMode) *oldMode = desktop().threadErrorMode;
    desktop().threadErrorMode = mode;
    return TRUE;
}

DWORD WINAPI GetLastError(void) {
    return desktop().lastError;
}
void WINAPI SetLastError(DWORD code) {
    desktop().lastError = code;
}

// --- kernel: files --------------------------------------------------------

// Windows's NUL device, in any folder and with any extension ("C:\\x\\nul.mp3"
// too), in any case.  The other device names are not modelled: under Wine
// CON does not open without a console, and a pipe needs its server.
static bool namesNulDevice(const char* path) {
    const char* name = path;
    for (const char* c = path; *c; c++)
        if (*c == '\\' || *c == '/' || *c == ':') name = c + 1;
    return strncasecmp(name, "nul", 3) == 0 && (name[3] == '\0' || name[3] == '.');
}

// The type of every file CreateFileA opened, by descriptor (FILE_TYPE_* + 1;
// 0 unknown).  An open file's type never changes, and CreateFileA asks it
// anyway, so GetFileType answers without a system call of its own.
static DWORD g_fileTypes[1024];

static DWORD fileTypeOf(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return FILE_TYPE_DISK;
    if (S_ISCHR(st.st_mode)) return FILE_TYPE_CHAR;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
    return FILE_TYPE_UNKNOWN;
}

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD disposition, DWORD, HANDLE) {
    desktop().modesAtOpen = {desktop().processErrorMode, desktop().threadErrorMode};
    int flags = 0;
    bool reads = (access & GENERIC_READ) != 0;
    bool writes = (access & (GENERIC_WRITE | FILE_APPEND_DATA)) != 0;
    flags = reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    if (access & FILE_APPEND_DATA) flags |= O_APPEND;
    if (disposition == OPEN_ALWAYS) flags |= O_CREAT;
    if (disposition == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
    char p[4096];
    if (!standin::toLinuxPath(path, p, sizeof p)) return INVALID_HANDLE_VALUE;
    if (namesNulDevice(path)) strcpy(p, "/dev/null");
    // Only the dispositions that may create ask first whether the file was
    // there; the rest look at the open file: one path lookup, as the title
    // benchmark measures opens.
    bool mayCreate = disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS;
    struct stat st;
    bool existed = mayCreate && stat(p, &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) return INVALID_HANDLE_VALUE;
    if (writes && standin::isReadOnlyFile(p)) return INVALID_HANDLE_VALUE;
    int fd = open(p, flags, 0644);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    // A folder opens for reading here but not on Windows.
    bool known = fstat(fd, &st) == 0;
    if (known && S_ISDIR(st.st_mode)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    if (fd < (int)(sizeof g_fileTypes / sizeof g_fileTypes[0]))
        g_fileTypes[fd] = known ? fileTypeOf(st) + 1 : 0;
    // The two dispositions that may open or create tell which they did.
    if (mayCreate) SetLastError(existed ? ERROR_ALREADY_EXISTS : NO_ERROR);
    return (HANDLE)(intptr_t)(fd + 1);  // never 0 nor INVALID_HANDLE_VALUE
}

bool standin::isReadOnlyFile(const char* linuxPath) {
    struct stat st;
    return stat(linuxPath, &st) == 0 && S_ISREG(st.st_mode) &&
           (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

static int fdOf(HANDLE f) {
    return (int)(intptr_t)f - 1;
}

BOOL WINAPI WriteFile(HANDLE f, LPCVOID data, DWORD size, LPDWORD written, void*) {
    ssize_t n = write(fdOf(f), data, size);
    if (written) *written = n > 0 ? (DWORD)n : 0;
    return n == (ssize_t)size;
}

namespace {

DWORD g_readLimit = 0;
int g_readsUntilFailure = 0;

}  // namespace

void standin::limitFileReads(DWORD maxBytes) {
    g_readLimit = maxBytes;
}

void standin::failFileReadsFrom(int calls) {
    g_readsUntilFailure = calls;
}

void standin_resetFiles() {
    g_readLimit = 0;
    g_readsUntilFailure = 0;
}

BOOL WINAPI ReadFile(HANDLE f, LPVOID data, DWORD size, LPDWORD got, void* overlapped) {
    if (g_readsUntilFailure > 0 && --g_readsUntilFailure == 0) {
        g_readsUntilFailure = 1;  // and every read after it
        if (got) *got = 0;
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    if (g_readLimit && size > g_readLimit) size = g_readLimit;
    ssize_t n;
    if (overlapped) {
        const OVERLAPPED* at = (const OVERLAPPED*)overlapped;
        off_t offset = (off_t)(((uint64_t)at->OffsetHigh << 32) | at->Offset);
        n = pread(fdOf(f), data, size, offset);
        if (n == 0 && size > 0) {
            if (got) *got = 0;
            SetLastError(ERROR_HANDLE_EOF);
            return FALSE;
        }
    } else {
        n = read(fdOf(f), data, size);
    }
    if (got) *got = n > 0 ? (DWORD)n : 0;
    return n >= 0;
}

DWORD WINAPI SetFilePointer(HANDLE f, LONG distance, LONG* high, DWORD method) {
    off_t offset = distance;
    if (high) offset = (off_t)(((uint64_t)(uint32_t)*high << 32) | (uint32_t)distance);
    int whence = method == FILE_END       ? SEEK_END
                 : method == FILE_CURRENT ? SEEK_CUR
                                          : SEEK_SET;
    off_t at = lseek(fdOf(f), offset, whence);
    if (at < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (high) *high = (LONG)((uint64_t)at >> 32);
    return (DWORD)at;
}

DWORD WINAPI GetFileSize(HANDLE f, LPDWORD high) {
    struct stat st;
    if (fstat(fdOf(f), &st) != 0) return INVALID_SET_FILE_POINTER;
    if (high) *high = (DWORD)((uint64_t)st.st_size >> 32);
    return (DWORD)st.st_size;
}

DWORD WINAPI GetFileType(HANDLE f) {
    int fd = fdOf(f);
    if (fd >= 0 && fd < (int)(sizeof g_fileTypes / sizeof g_fileTypes[0]) &&
        g_fileTypes[fd])
        return g_fileTypes[fd] - 1;
    struct stat st;
    if (fstat(fd, &st) != 0) return FILE_TYPE_UNKNOWN;
    return fileTypeOf(st);
}

BOOL WINAPI CloseHandle(HANDLE h) {
    BOOL closed;
    if (standin_closeSimulatedHandle(h, &closed)) return closed;
    int fd = fdOf(h);
    if (fd >= 0 && fd < (int)(sizeof g_fileTypes / sizeof g_fileTypes[0]))
        g_fileTypes[fd] = 0;
    return close(fd) == 0;
}

// --- user: windows, messages, timers --------------------------------------

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    for (auto& w : desktop().windows) {
        if (className && w->className != className) continue;
        if (windowName && w->caption != windowName) continue;
        return (HWND)w.get();
    }
    return NULL;
}

HWND WINAPI FindWindowExA(HWND parent, HWND after, LPCSTR className, LPCSTR windowName) {
    if (parent != NULL) return NULL;
    auto& ws = desktop().windows;
    size_t i = 0;
    if (after) {
        while (i < ws.size() && (HWND)ws[i].get() != after) i++;
        if (i == ws.size()) return NULL;
        i++;
    }
    for (; i < ws.size(); i++) {
        if (className && ws[i]->className != className) continue;
        if (windowName && ws[i]->caption != windowName) continue;
        return (HWND)ws[i].get();
    }
    return NULL;
}

DWORD WINAPI GetWindowThreadProcessId(HWND h, LPDWORD processId) {
    SimWindow* w = lookup(h);
    if (processId) *processId = w ? w->processId : 0;
    // The thread is not modelled; any non-zero value stands for it.
    return w ? w->processId + 1 : 0;
}

DWORD WINAPI GetCurrentProcessId(void) {
    return kOwnProcessId;
}

static LRESULT deliver(SimWindow* w, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    return w->proc ? w->proc(h, msg, wp, lp) : 0;
}

LRESULT WINAPI SendMessageA(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    desktop().sent.push_back({h, msg, wp, lp, false, 0, 0});
    SimWindow* w = lookup(h);
    if (!w) return 0;
    if (w->hung) {
        desktop().hungBlockingSends++;
        return 0;
    }
    return deliver(w, h, msg, wp, lp);
}

LRESULT WINAPI SendMessageTimeoutA(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT flags,
                                   UINT timeoutMs, PDWORD_PTR result) {
    desktop().sent.push_back({h, msg, wp, lp, true, timeoutMs, flags});
    if (result) *result = 0;
    SimWindow* w = lookup(h);
    if (!w) return 0;
    if (w->hung || (w->callsBack && (flags & SMTO_BLOCK))) {
        desktop().now += timeoutMs;
        SetLastError(ERROR_TIMEOUT);
        return 0;
    }
    LRESULT r = deliver(w, h, msg, wp, lp);
    if (result) *result = (DWORD_PTR)r;
    return 1;
}

// Another process's window: the caption is read from the window manager's
// copy, without a message, as Windows does.  Like Windows, a caption that
// does not fit is cut to size - 1 units (W) or bytes (A).
int WINAPI GetWindowTextW(HWND h, LPWSTR out, int size) {
    if (size <= 0) return 0;
    out[0] = 0;
    SimWindow* w = lookup(h);
    if (!w || w->caption.empty()) return 0;
    WCHAR wide[4096];
    int n = MultiByteToWideChar(CP_UTF8, 0, w->caption.data(), (int)w->caption.size(),
                                wide, 4095);
    if (n <= 0) return 0;
    if (n > size - 1) n = size - 1;
    memcpy(out, wide, (size_t)n * sizeof(WCHAR));
    out[n] = 0;
    return n;
}

int WINAPI GetWindowTextA(HWND h, LPSTR out, int size) {
    if (size <= 0) return 0;
    out[0] = '\0';
    WCHAR wide[4096];
    int units = GetWindowTextW(h, wide, 4096);
    if (units <= 0) return 0;
    char ansi[8192];
    int n = WideCharToMultiByte(CP_ACP, 0, wide, units, ansi, sizeof ansi, NULL, NULL);
    if (n > size - 1) n = size - 1;
    memcpy(out, ansi, (size_t)n);
    out[n] = '\0';
    return n;
}

UINT_PTR WINAPI SetTimer(HWND w, UINT_PTR, UINT elapseMs, TIMERPROC proc) {
    Desktop& d = desktop();
    if (d.setTimerFails || w != NULL) return 0;
    // Windows raises intervals below 10 ms to 10 ms.
    if (elapseMs < 10) elapseMs = 10;
    standin::Timer t = {d.nextTimerId++, elapseMs, proc, d.now + elapseMs};
    d.timers.push_back(t);
    return t.id;
}

BOOL WINAPI KillTimer(HWND, UINT_PTR id) {
    auto& ts = desktop().timers;
    auto it = std::remove_if(ts.begin(), ts.end(),
                             [&](const standin::Timer& t) { return t.id == id; });
    bool found = it != ts.end();
    ts.erase(it, ts.end());
    return found;
}

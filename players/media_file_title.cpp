#include "players/media_file_title.h"

#include <string.h>

#include "frame/text_conversion.h"
#include "frame/trace_log.h"
#include "frame/wide_text.h"
#include "players/id3_tags.h"

namespace {

// A player reports paths in a buffer of this size; a longer path cannot
// come from one.
enum { kPathBytes = 1024 };

uint32_t readFileAt(void* context, uint64_t offset, uint8_t* out, uint32_t n) {
    HANDLE file = (HANDLE)context;
    LONG high = (LONG)(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(file, (LONG)(DWORD)offset, &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return 0;
    DWORD got = 0;
    if (!ReadFile(file, out, n, &got, NULL)) return 0;
    return got;
}

typedef BOOL(WINAPI* ThreadErrorModeSetter)(DWORD mode, LPDWORD oldMode);

// Windows 7 and later only; looked up, as importing it would stop the
// module loading on XP.
ThreadErrorModeSetter findThreadErrorModeSetter() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return NULL;
    return (ThreadErrorModeSetter)(void*)GetProcAddress(kernel, "SetThreadErrorMode");
}

// A path on a removed CD or USB drive would make the system ask the user,
// in a box raised from inside the host, to insert the disk; failing
// critical errors makes the open fail instead.  The thread's own mode
// touches nothing else of the host's; without it the process's mode is
// changed for the open alone, keeping whatever the host had set.
HANDLE openWithoutDiskPrompt(const char* path) {
    ThreadErrorModeSetter setThreadMode = findThreadErrorModeSetter();
    DWORD oldThread = 0;
    UINT oldProcess = 0;
    bool threadMode = setThreadMode && setThreadMode(SEM_FAILCRITICALERRORS, &oldThread);
    if (threadMode) {
        if (oldThread & ~(DWORD)SEM_FAILCRITICALERRORS)
            setThreadMode(oldThread | SEM_FAILCRITICALERRORS, NULL);
    } else {
        oldProcess = SetErrorMode(SEM_FAILCRITICALERRORS);
        if (oldProcess & ~(UINT)SEM_FAILCRITICALERRORS)
            SetErrorMode(oldProcess | SEM_FAILCRITICALERRORS);
    }
    HANDLE file = CreateFileA(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (threadMode)
        setThreadMode(oldThread, NULL);
    else
        SetErrorMode(oldProcess);
    return file;
}

// The player holds the file open, so every kind of sharing is allowed.
// Only files on a disk are read: a pipe or a device named by the path could
// keep ReadFile waiting, and with it the host.
bool openMedia(const char* path, MediaBytes* bytes) {
    if (!path) return false;
    HANDLE file = openWithoutDiskPrompt(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(file, &high);
    if (GetFileType(file) != FILE_TYPE_DISK ||
        (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)) {
        CloseHandle(file);
        return false;
    }
    bytes->read = readFileAt;
    bytes->context = file;
    bytes->size = ((uint64_t)high << 32) | low;
    return true;
}

typedef int32_t (*TagReader)(const MediaBytes* in, WCHAR* dest, int32_t len, UINT cp);

int32_t titleFromTag(TagReader reader, const char* failure, WCHAR* dest, const char* path,
                     int32_t len, UINT cp) {
    MediaBytes bytes;
    if (!openMedia(path, &bytes)) {
        writeLog(failure, path ? path : "");
        return 0;
    }
    int32_t length = reader(&bytes, dest, len, cp);
    CloseHandle((HANDLE)bytes.context);
    return length;
}

int32_t titleFromTagV2(WCHAR* dest, const char* path, int32_t len, UINT cp) {
    return titleFromTag(readID3v2Title,
                        "getTitleFromFileByID3Tagv2 Exit  Reason: Don't Open %s.", dest,
                        path, len, cp);
}

int32_t titleFromTagV1(WCHAR* dest, const char* path, int32_t len, UINT cp) {
    return titleFromTag(readID3v1Title,
                        "getTitleFromFileByID3Tagv1 Exit  Reason: Don't Open %s.", dest,
                        path, len, cp);
}

// The path is widened before the backslash is looked for: in a double-byte
// code page the second byte of a character may be 0x5C.  A path is in the
// system's ANSI code page, the one CreateFileA reads it in, whatever the
// conversion code page, so the callers widen it with CP_ACP.
int32_t titleFromName(WCHAR* dest, const char* path, int32_t len, UINT cp) {
    WCHAR wide[kPathBytes];
    wide[0] = 0;
    size_t bytes = path ? strlen(path) : 0;
    if (bytes < kPathBytes) widenText(wide, kPathBytes, path, (int)bytes, cp);
    int start = 0, end = wideLength(wide);
    for (int i = 0; wide[i]; i++)
        if (wide[i] == '\\') start = i + 1;
    for (int i = end - 1; i >= start; i--) {
        if (wide[i] == '.') {
            end = i;
            break;
        }
    }
    copyWideN(dest, len, wide + start, end - start);
    return end - start;
}

}  // namespace

int32_t getTitleFromFileByID3Tagv2(WCHAR* dest, const char* path, int32_t len) {
    return titleFromTagV2(dest, path, len, getConversionCodePage());
}

int32_t getTitleFromFileByID3Tagv1(WCHAR* dest, const char* path, int32_t len) {
    return titleFromTagV1(dest, path, len, getConversionCodePage());
}

int32_t getTitleFromFileName(WCHAR* dest, const char* path, int32_t len) {
    return titleFromName(dest, path, len, CP_ACP);
}

int32_t getTitleFromFile(WCHAR* dest, const char* path, int32_t len) {
    writeLogText("@@getTitleFromFile Start.");
    UINT cp = getConversionCodePage();
    int32_t length = titleFromTagV2(dest, path, len, cp);
    if (length == 0) length = titleFromTagV1(dest, path, len, cp);
    if (length == 0) length = titleFromName(dest, path, len, CP_ACP);
    writeLogText("#getTitleFromFile End.");
    return length;
}

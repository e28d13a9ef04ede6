// Shell light-weight utilities and directory calls of the stand-in:
// PathRemoveFileSpecA, PathIsDirectoryA, CreateDirectoryA.
#include <errno.h>
#include <limits.h>
#include <shlwapi.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

#include "standin_internal.h"

namespace {

// CharNextA over the simulated ANSI code page.
const char* charNext(const char* p) {
    if (!*p) return p;
    if (standin::isDbcsLeadByte(static_cast<unsigned char>(*p)) && p[1]) return p + 2;
    return p + 1;
}

}  // namespace

// Win32's PathRemoveFileSpecA, backslashes only (a '/' is an ordinary
// character, as on Windows): "C:\Host\a.exe" -> "C:\Host", "C:\a.exe" ->
// "C:\", "\\server\share\a" -> "\\server\share".  TRUE if it cut something.
BOOL WINAPI PathRemoveFileSpecA(LPSTR path) {
    if (!path) return FALSE;
    char* filespec = path;
    if (*path == '\\') filespec = ++path;
    if (*path == '\\') filespec = ++path;
    while (*path) {
        if (*path == '\\') {
            filespec = path;
        } else if (*path == ':') {
            filespec = ++path;
            if (*path == '\\') ++filespec;
        }
        path = const_cast<char*>(charNext(path));
    }
    if (*filespec) {
        *filespec = '\0';
        return TRUE;
    }
    return FALSE;
}

// FILE_ATTRIBUTE_DIRECTORY (16) for a directory, as Win32 answers; paths are
// Linux paths, backslashes taken as '/'.
BOOL WINAPI PathIsDirectoryA(LPCSTR path) {
    char buf[PATH_MAX];
    if (!standin::toLinuxPath(path, buf, sizeof buf)) return FALSE;
    struct stat st;
    if (stat(buf, &st) != 0) return FALSE;
    return S_ISDIR(st.st_mode) ? 16 : FALSE;
}

// One level, as Win32: fails with ERROR_ALREADY_EXISTS (183) when anything
// is there already, ERROR_PATH_NOT_FOUND (3) when the parent is missing.
BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
    char buf[PATH_MAX];
    if (!standin::toLinuxPath(path, buf, sizeof buf)) {
        SetLastError(3);
        return FALSE;
    }
    if (mkdir(buf, 0777) == 0) return TRUE;
    switch (errno) {
    case EEXIST:
        SetLastError(183);
        break;
    case ENOENT:
    case ENOTDIR:
        SetLastError(3);
        break;
    case ENAMETOOLONG:
        SetLastError(206);
        break;
    default:
        SetLastError(5);
        break;
    }
    return FALSE;
}

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

// An open media file and where its file pointer is: a read that starts
// where the last one ended (the first one, at 0, above all) needs no seek.
struct MediaFile {
    HANDLE handle;
    uint64_t position;
};

uint32_t readFileAt(void* context, uint64_t offset, uint8_t* out, uint32_t n) {
    MediaFile* file = (MediaFile*)context;
    if (offset != file->position) {
        LONG high = (LONG)(offset >> 32);
        SetLastError(NO_ERROR);
        DWORD low = SetFilePointer(file->handle, (LONG)(DWORD)offset, &high, FILE_BEGIN);
        if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
            file->position = ~(uint64_t)0;
            return 0;
        }
        file->position = offset;
    }
    DWORD got = 0;
    if (!ReadFile(file->handle, out, n, &got, NULL)) {
        file->position = ~(uint64_t)0;
        return 0;
    }
    file->position += got;
    return got;
}

// The player holds the file open, so every kind of sharing is allowed.
// Only files on a disk are read: a pipe or a device named by the path could
// keep ReadFile waiting, and with it the host.
bool openMedia(const char* path, MediaFile* media, MediaBytes* bytes) {
    if (!path) return false;
    HANDLE file = CreateFileA(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(file, &high);
    if (GetFileType(file) != FILE_TYPE_DISK ||
        (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)) {
        CloseHandle(file);
        return false;
    }
    media->handle = file;
    media->position = 0;
    bytes->read = readFileAt;
    bytes->context = media;
    bytes->size = ((uint64_t)high << 32) | low;
    return true;
}

typedef int32_t (*TagReader)(const MediaBytes* in, WCHAR* dest, int32_t len, UINT cp);

int32_t titleFromTag(TagReader reader, const char* failure, WCHAR* dest, const char* path,
                     int32_t len, UINT cp) {
    MediaFile file;
    MediaBytes bytes;
    if (!openMedia(path, &file, &bytes)) {
        writeLog(failure, path ? path : "");
        return 0;
    }
    int32_t length = reader(&bytes, dest, len, cp);
    CloseHandle(file.handle);
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
// code page the second byte of a character may be 0x5C.
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
    return titleFromName(dest, path, len, getConversionCodePage());
}

int32_t getTitleFromFile(WCHAR* dest, const char* path, int32_t len) {
    writeLogText("@@getTitleFromFile Start.");
    UINT cp = getConversionCodePage();
    int32_t length = titleFromTagV2(dest, path, len, cp);
    if (length == 0) length = titleFromTagV1(dest, path, len, cp);
    if (length == 0) length = titleFromName(dest, path, len, cp);
    writeLogText("#getTitleFromFile End.");
    return length;
}

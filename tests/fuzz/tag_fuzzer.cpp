// libFuzzer target over the media-file title reader: any bytes, read as a
// file's ID3v2 and ID3v1 tags under a single-byte and a double-byte code
// page and into buffers of every size, and read as a path for its name;
// then the same bytes as a file on disk through the Win32 calls, beyond the
// 4 GB line too, with reads that stop short or fail.
// AddressSanitizer catches a read past what was received or a write past a
// buffer; the checks below catch a text left unterminated, a cut that
// splits a surrogate pair or changes what comes before it, a file read that
// gives something else than the same bytes in memory, and getTitleFromFile
// taking the tags and the name in another order.
#include <fcntl.h>
#include <standin/files.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frame/wide_text.h"
#include "players/id3_tags.h"
#include "players/media_file_title.h"
#include "players/player_status.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

bool isHigh(WCHAR c) {
    return c >= 0xD800 && c < 0xDC00;
}
bool isLow(WCHAR c) {
    return c >= 0xDC00 && c < 0xE000;
}

bool sameText(const WCHAR* a, const WCHAR* b) {
    while (*a && *a == *b) a++, b++;
    return *a == *b;
}

int unitsOf(const WCHAR* text, int capacity) {
    int n = 0;
    while (n < capacity && text[n]) n++;
    return n;
}

// The text and the returned length as every caller relies on them.
void checkTitle(const WCHAR* title, int capacity, int32_t length) {
    check(length >= 0);
    int n = unitsOf(title, capacity);
    check(n < capacity);
    check(length == 0 || n <= length);
}

// A text cut to a smaller buffer is the whole text's beginning, and the cut
// never leaves the first half of a surrogate pair at its end.
void checkCut(const WCHAR* cut, int capacity, const WCHAR* whole, int32_t length) {
    int n = unitsOf(cut, capacity);
    int all = unitsOf(whole, kTitleUnits);
    check(n <= all);
    check(memcmp(cut, whole, (size_t)n * sizeof(WCHAR)) == 0);
    if (n < all && n > 0 && isHigh(cut[n - 1])) check(!isLow(whole[n]));
    (void)length;
}

typedef int32_t (*Reader)(const MediaBytes* in, WCHAR* dest, int32_t len, UINT cp);

void checkReader(Reader read, const MediaBytes* in, int capacity, UINT cp) {
    WCHAR whole[kTitleUnits] = {0};
    int32_t wholeLength = read(in, whole, kTitleUnits, cp);
    checkTitle(whole, kTitleUnits, wholeLength);
    WCHAR cut[kTitleUnits] = {0};
    int32_t length = read(in, cut, capacity, cp);
    checkTitle(cut, capacity, length);
    check((length == 0) == (wholeLength == 0));
    if (length) checkCut(cut, capacity, whole, length);
}

// The file as the reader sees it: the input at the start and, when it is
// placed beyond the 4 GB line, its last bytes again at the end of a sparse
// file whose middle reads as zeros.
struct FileImage {
    const uint8_t* data;
    uint64_t dataSize;
    uint64_t size;
    uint64_t tailAt;  // where the tail copy starts; size when there is none
    uint64_t tailFrom;
};

uint32_t readImage(void* context, uint64_t offset, uint8_t* out, uint32_t n) {
    const FileImage* image = (const FileImage*)context;
    uint32_t got = 0;
    for (; got < n && offset + got < image->size; got++) {
        uint64_t at = offset + got;
        uint8_t b = 0;
        if (at >= image->tailAt)
            b = image->data[image->tailFrom + (at - image->tailAt)];
        else if (at < image->dataSize)
            b = image->data[at];
        out[got] = b;
    }
    return got;
}

bool writeImage(const char* linuxPath, const FileImage& image) {
    int fd = open(linuxPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = write(fd, image.data, image.dataSize) == (ssize_t)image.dataSize;
    if (image.tailAt < image.size) {
        size_t tail = (size_t)(image.size - image.tailAt);
        ok = ok && pwrite(fd, image.data + image.tailFrom, tail, (off_t)image.tailAt) ==
                       (ssize_t)tail;
    }
    return close(fd) == 0 && ok;
}

// What getTitleFromFile must give: the first of ID3v2, ID3v1 and the name
// that gives anything, each as the same bytes give it from memory.
void checkFile(const char* path, const MediaBytes* reference, int capacity) {
    UINT cp = 1252;  // the stand-in's code page, which the reader converts with
    WCHAR got[kTitleUnits] = {0};
    int32_t length = getTitleFromFile(got, path, capacity);
    checkTitle(got, capacity, length);
    WCHAR v2[kTitleUnits] = {0}, v1[kTitleUnits] = {0}, name[kTitleUnits] = {0};
    int32_t v2Length = readID3v2Title(reference, v2, capacity, cp);
    int32_t v1Length = readID3v1Title(reference, v1, capacity, cp);
    int32_t nameLength = getTitleFromFileName(name, path, capacity);
    const WCHAR* expected = v2Length ? v2 : v1Length ? v1 : name;
    check(length == (v2Length ? v2Length : v1Length ? v1Length : nameLength));
    check(sameText(got, expected));
}

// Reads that stop short may give less than the file holds, and reads that
// fail nothing: the result is still a terminated text, and when no read
// succeeds at all it is the file's name.
void checkFaultyFile(const char* path, int capacity, uint8_t mode) {
    if (mode & 2) standin::limitFileReads(1 + (mode >> 3));
    int failFrom = mode & 4 ? 1 + (mode >> 5) : 0;
    standin::failFileReadsFrom(failFrom);
    WCHAR got[kTitleUnits] = {0};
    int32_t length = getTitleFromFile(got, path, capacity);
    checkTitle(got, capacity, length);
    standin::limitFileReads(0);
    standin::failFileReadsFrom(0);
    if (failFrom == 1) {
        WCHAR name[kTitleUnits] = {0};
        check(length == getTitleFromFileName(name, path, capacity));
        check(sameText(got, name));
    }
}

void fuzzFileLayer(const uint8_t* data, size_t size, int capacity) {
    static char folder[64];
    if (!folder[0]) {
        snprintf(folder, sizeof folder, "/tmp/mr-fuzz-file-%d", (int)getpid());
        mkdir(folder, 0755);
    }
    // The second-to-last byte chooses the file's shape and its faults.
    uint8_t mode = size >= 2 ? data[size - 2] : 0;
    FileImage image = {data, size, size, size, 0};
    if (mode & 1) {  // beyond 4 GB, the ID3v1 tag read through the seek's high part
        uint64_t tail = size < 128 ? size : 128;
        image.size = (1ull << 32) + (uint64_t)(mode >> 4) * 4096 + tail;
        image.tailAt = image.size - tail;
        image.tailFrom = size - tail;
    }
    char linuxPath[128], path[128];
    snprintf(linuxPath, sizeof linuxPath, "%s/Fuzzed Song.mp3", folder);
    for (size_t i = 0; i <= strlen(linuxPath); i++)
        path[i] = linuxPath[i] == '/' ? '\\' : linuxPath[i];
    if (!writeImage(linuxPath, image)) return;
    MediaBytes reference = {readImage, &image, image.size};
    if (mode & 6)
        checkFaultyFile(path, capacity, mode);
    else
        checkFile(path, &reference, capacity);
    unlink(linuxPath);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryBlock block = {data, size};
    MediaBytes in = memoryBytes(&block);
    // The last byte chooses a buffer size, so small buffers are cut too.
    int capacity = size ? 1 + data[size - 1] % kTitleUnits : kTitleUnits;
    static const UINT kPages[] = {1252, 932};
    for (UINT cp : kPages) {
        checkReader(readID3v2Title, &in, capacity, cp);
        checkReader(readID3v1Title, &in, capacity, cp);
    }
    char path[1200];
    size_t n = size < sizeof path - 1 ? size : sizeof path - 1;
    memcpy(path, data, n);
    path[n] = '\0';
    WCHAR name[kTitleUnits];
    checkTitle(name, capacity, getTitleFromFileName(name, path, capacity));
    fuzzFileLayer(data, size, capacity);
    return 0;
}

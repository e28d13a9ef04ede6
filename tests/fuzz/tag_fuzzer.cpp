// libFuzzer target over the media-file title reader: any bytes, read as a
// file's ID3v2 and ID3v1 tags under a single-byte and a double-byte code
// page and into buffers of every size, and read as a path for its name.
// AddressSanitizer catches a read past what was received or a write past a
// buffer; the checks below catch a text left unterminated.
#include <stdint.h>
#include <string.h>

#include "frame/wide_text.h"
#include "players/id3_tags.h"
#include "players/media_file_title.h"
#include "players/player_status.h"

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

// The text and the returned length as every caller relies on them.
void checkTitle(const WCHAR* title, int capacity, int32_t length) {
    check(length >= 0);
    int n = 0;
    while (n < capacity && title[n]) n++;
    check(n < capacity);
    check(length == 0 || n <= length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryBlock block = {data, size};
    MediaBytes in = memoryBytes(&block);
    // The last byte chooses a buffer size, so small buffers are cut too.
    int capacity = size ? 1 + data[size - 1] % kTitleUnits : kTitleUnits;
    static const UINT kPages[] = {1252, 932};
    for (UINT cp : kPages) {
        WCHAR title[kTitleUnits] = {0};
        checkTitle(title, capacity, readID3v2Title(&in, title, capacity, cp));
        WCHAR v1[kTitleUnits] = {0};
        checkTitle(v1, capacity, readID3v1Title(&in, v1, capacity, cp));
    }
    char path[1200];
    size_t n = size < sizeof path - 1 ? size : sizeof path - 1;
    memcpy(path, data, n);
    path[n] = '\0';
    WCHAR name[kTitleUnits];
    checkTitle(name, capacity, getTitleFromFileName(name, path, capacity));
    return 0;
}

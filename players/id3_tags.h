// ID3 tags read for a title: "<title> - <artist>" from the tag at the start
// of a media file (ID3v2.2, v2.3, v2.4) or from the one in its last 128
// bytes (ID3v1).
//
// The readers are pure logic over MediaBytes, so the same code reads a file
// (media_file_title.cpp) or a block of memory (tests, the fuzzer).  The
// ID3v2 reader reads the tag a window of a few KB at a time, one read per
// window, and parses the frames inside from memory; frames it does not want,
// cover pictures included, are passed over by offset and never read, and no
// file costs it more than 16 KB (an unsynchronised v2.2/v2.3 tag, which
// cannot be walked by offset, up to twice the 64 KB its undone body may
// take).
#pragma once

#include <stdint.h>
#include <windows.h>

// The bytes of a media file, read at absolute offsets.
struct MediaBytes {
    // Copies up to n bytes from offset into out and returns how many it
    // copied: fewer near the end, 0 past it or when the read fails.
    uint32_t (*read)(void* context, uint64_t offset, uint8_t* out, uint32_t n);
    void* context;
    // The file's size, or kUnknownSize: the ID3v2 reader takes a short read
    // for the end and needs no size; the ID3v1 reader needs it.
    uint64_t size;
};
const uint64_t kUnknownSize = ~(uint64_t)0;

// A block of memory as MediaBytes; `block` must outlive the readers' use.
struct MemoryBlock {
    const uint8_t* data;
    uint64_t size;
};
MediaBytes memoryBytes(MemoryBlock* block);

enum {
    kTagTextUnits = 128,    // title and artist: 127 units and the NUL
    kFrameDataBytes = 1024  // what is read of a wanted frame
};

// "<title> - <artist>" from the ID3v2 tag into dest (len units, cut at a
// whole character).  Returns the composed length before the cut, or 0 when
// there is no tag or it holds neither text (dest is then untouched).
// Encoding 0 text is widened with cp.
int32_t readID3v2Title(const MediaBytes* in, WCHAR* dest, int32_t len, UINT cp);

// The same from the ID3v1 tag, whose fields are widened with cp.
int32_t readID3v1Title(const MediaBytes* in, WCHAR* dest, int32_t len, UINT cp);

// Copies the n-byte field src into dest (n + 1 bytes), stopping at a NUL
// and filling with NULs, then drops the blanks that run to the field's very
// end.  Returns the position just past the field's last byte that is not a
// blank (a NUL counts as not blank), or -1 when every byte was a blank or n
// is 0 (dest then untouched for n 0).
int32_t rtrim(char* dest, const char* src, int32_t n);
// The same over UTF-16 units.
int32_t rtrimWide(WCHAR* dest, const WCHAR* src, int32_t n);

// An ID3v2 synchsafe integer: seven bits of each byte, the first byte most
// significant (00 00 02 01 is 257).
uint32_t getSynchsafeInt(const uint8_t* bytes);

// The text of a text frame (data[0] is its encoding) into out (capacity
// units): encodings 1 and 2 are UTF-16 (a byte-order mark chooses the byte
// order), 3 is UTF-8, and 0 and anything else are widened with cp.
void decodeFrameText(const uint8_t* data, uint32_t size, UINT cp, WCHAR* out,
                     int capacity);

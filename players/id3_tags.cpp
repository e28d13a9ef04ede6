#include "players/id3_tags.h"

#include <string.h>

#include "frame/trace_log.h"
#include "frame/wide_text.h"

namespace {

enum { kTagHeaderBytes = 10, kV1TagBytes = 128, kV1FieldBytes = 30 };
enum { kTagUnsynchronised = 0x80, kTagExtendedHeader = 0x40 };
enum { kFrameDataUnits = kFrameDataBytes / 2 };
// Real tags hold tens of frames.  A damaged or hostile one could hold
// millions of empty ones, each a seek and a read on the host's thread; the
// walk gives up long before that could be felt.
enum { kMaxFrames = 4096 };

// How one major version lays out its frames.
struct FrameLayout {
    int version;           // 2, 3 or 4
    uint32_t headerBytes;  // 6 for v2.2, 10 after it
    uint32_t idBytes;      // 3 for v2.2, 4 after it
    const char* titleId;
    const char* artistId;
    bool unsynchronised;  // the tag flag: every frame's data is unsynchronised
};

// What must be done to a frame's data before its text can be read.
struct FrameShape {
    uint32_t skip;    // bytes before the text frame's encoding byte
    bool unreadable;  // compressed or encrypted
    bool unsynchronised;
};

uint32_t readAt(const MediaBytes* in, uint64_t offset, uint8_t* out, uint32_t n) {
    uint32_t got = in->read(in->context, offset, out, n);
    return got > n ? n : got;
}

uint32_t bigEndian(const uint8_t* bytes, int n) {
    uint32_t value = 0;
    for (int i = 0; i < n; i++) value = (value << 8) | bytes[i];
    return value;
}

bool isFrameId(const uint8_t* id, uint32_t n) {
    for (uint32_t i = 0; i < n; i++)
        if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9')))
            return false;
    return true;
}

// Unknown major versions are walked as v2.3 tags, the common layout.  A
// v2.2 tag whose flag 0x40 is set is compressed, by a scheme the format
// never defined, so it is no use to anyone.
bool frameLayout(const uint8_t* header, FrameLayout* layout) {
    static const FrameLayout kV22 = {2, 6, 3, "TT2", "TP1", false};
    static const FrameLayout kV23 = {3, 10, 4, "TIT2", "TPE1", false};
    static const FrameLayout kV24 = {4, 10, 4, "TIT2", "TPE1", false};
    if (header[3] == 2 && (header[5] & kTagExtendedHeader)) return false;
    *layout = header[3] == 2 ? kV22 : header[3] == 4 ? kV24 : kV23;
    layout->unsynchronised = (header[5] & kTagUnsynchronised) != 0;
    return true;
}

// The extended header's size counts itself in v2.4 (synchsafe) but not in
// v2.3 (plain); the tag's end stays where the tag header put it.
uint64_t firstFrame(const MediaBytes* in, const uint8_t* header,
                    const FrameLayout& layout) {
    uint64_t at = kTagHeaderBytes;
    if (layout.version == 2 || !(header[5] & kTagExtendedHeader)) return at;
    uint8_t size[4] = {0};
    readAt(in, at, size, 4);
    return layout.version == 4 ? at + getSynchsafeInt(size) : at + 4 + bigEndian(size, 4);
}

// What lies where a frame would end, ranked: 2 the next frame, 1 the tag's
// end or its padding (or the file's end), 0 anything else.
int landing(const MediaBytes* in, uint64_t at, uint64_t end) {
    if (at == end) return 1;
    if (at > end) return 0;
    uint8_t id[4] = {0};
    readAt(in, at, id, 4);
    if (isFrameId(id, 4)) return 2;
    return id[0] == 0 ? 1 : 0;
}

// Frame sizes in v2.4 are synchsafe, but some writers put plain sizes there
// as v2.3 has them.  The two readings agree below 128 bytes; above, the
// one that lands on a frame (or else on the end or padding) is taken, the
// synchsafe one when neither does better.
uint32_t frameSize(const MediaBytes* in, const FrameLayout& layout, const uint8_t* header,
                   uint64_t at, uint64_t end) {
    if (layout.version == 2) return bigEndian(header + 3, 3);
    uint32_t plain = bigEndian(header + 4, 4);
    if (layout.version != 4) return plain;
    uint32_t synchsafe = getSynchsafeInt(header + 4);
    if (synchsafe == plain) return plain;
    uint64_t data = at + layout.headerBytes;
    return landing(in, data + plain, end) > landing(in, data + synchsafe, end)
               ? plain
               : synchsafe;
}

// The format flags of v2.3 and v2.4 frames sit at different bits.  A
// grouping byte or v2.4's data-length field precede the text; compressed
// or encrypted text cannot be read without a library we do not carry.
FrameShape frameShape(const FrameLayout& layout, const uint8_t* header) {
    FrameShape shape = {0, false, layout.unsynchronised};
    uint8_t flags = header[9];
    if (layout.version == 3) {
        shape.unreadable = (flags & 0xC0) != 0;
        if (flags & 0x20) shape.skip += 1;
    } else if (layout.version == 4) {
        shape.unreadable = (flags & 0x0C) != 0;
        if (flags & 0x40) shape.skip += 1;
        if (flags & 0x01) shape.skip += 4;
        if (flags & 0x02) shape.unsynchronised = true;
    }
    return shape;
}

// Undoes unsynchronisation (FF 00 was written for every FF that could be
// taken for a sync), in place; returns the new length.
uint32_t resynchronise(uint8_t* data, uint32_t n) {
    uint32_t out = 0;
    for (uint32_t i = 0; i < n; i++) {
        data[out++] = data[i];
        if (data[i] == 0xFF && i + 1 < n && data[i + 1] == 0x00) i++;
    }
    return out;
}

bool sameId(const uint8_t* header, const char* id, uint32_t n) {
    return memcmp(header, id, n) == 0;
}

// A frame of the encoding byte alone (or less) leaves the text as it was.
void readFrameText(const MediaBytes* in, uint64_t data, uint32_t size,
                   const FrameShape& shape, UINT cp, WCHAR* text) {
    if (shape.unreadable || size <= shape.skip) return;
    uint8_t bytes[kFrameDataBytes];
    uint32_t want = size - shape.skip;
    if (want > kFrameDataBytes) want = kFrameDataBytes;
    uint32_t got = readAt(in, data + shape.skip, bytes, want);
    if (shape.unsynchronised) got = resynchronise(bytes, got);
    if (got >= 2) decodeFrameText(bytes, got, cp, text, kTagTextUnits);
}

void decodeUtf16(const uint8_t* text, uint32_t n, bool bigEndianDefault, WCHAR* out,
                 int capacity) {
    bool big = bigEndianDefault;
    if (n >= 2 &&
        ((text[0] == 0xFF && text[1] == 0xFE) || (text[0] == 0xFE && text[1] == 0xFF))) {
        big = text[0] == 0xFE;
        text += 2;
        n -= 2;
    }
    WCHAR units[kFrameDataUnits];
    uint32_t count = n / 2;
    if (count > kFrameDataUnits) count = kFrameDataUnits;
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t* b = text + 2 * i;
        units[i] = (WCHAR)(big ? (b[0] << 8) | b[1] : (b[1] << 8) | b[0]);
    }
    WCHAR field[kFrameDataUnits + 1];
    field[0] = 0;
    rtrimWide(field, units, (int32_t)count);
    replaceLoneSurrogates(field);
    copyWide(out, capacity, field);
}

// The walk over one field, shared by both widths.
template <typename Unit>
int32_t trimField(Unit* dest, const Unit* src, int32_t n) {
    if (n <= 0) return -1;
    memset(dest, 0, (size_t)n * sizeof(Unit));
    for (int32_t i = 0; i < n && src[i]; i++) dest[i] = src[i];
    for (int32_t i = n - 1; i >= 0; i--) {
        if (dest[i] != ' ') {
            dest[i + 1] = 0;
            writeLogText("#rtrim End.");
            return i + 1;
        }
        dest[i] = 0;
    }
    return -1;
}

uint32_t readMemory(void* context, uint64_t offset, uint8_t* out, uint32_t n) {
    const MemoryBlock* block = (const MemoryBlock*)context;
    if (offset >= block->size) return 0;
    if (n > block->size - offset) n = (uint32_t)(block->size - offset);
    memcpy(out, block->data + offset, n);
    return n;
}

}  // namespace

MediaBytes memoryBytes(MemoryBlock* block) {
    MediaBytes bytes = {readMemory, block, block->size};
    return bytes;
}

uint32_t getSynchsafeInt(const uint8_t* bytes) {
    return ((uint32_t)(bytes[0] & 0x7F) << 21) | ((uint32_t)(bytes[1] & 0x7F) << 14) |
           ((uint32_t)(bytes[2] & 0x7F) << 7) | (uint32_t)(bytes[3] & 0x7F);
}

int32_t rtrim(char* dest, const char* src, int32_t n) {
    return trimField(dest, src, n);
}

int32_t rtrimWide(WCHAR* dest, const WCHAR* src, int32_t n) {
    return trimField(dest, src, n);
}

void decodeFrameText(const uint8_t* data, uint32_t size, UINT cp, WCHAR* out,
                     int capacity) {
    if (!out || capacity <= 0) return;
    out[0] = 0;
    if (size < 1) return;
    uint8_t encoding = data[0];
    const uint8_t* text = data + 1;
    uint32_t n = size - 1;
    if (n > kFrameDataBytes - 1) n = kFrameDataBytes - 1;
    if (encoding == 1 || encoding == 2) {
        decodeUtf16(text, n, encoding == 2, out, capacity);
        return;
    }
    // Encoding 0 is Latin-1 by the format, but for years taggers wrote the
    // system's code page there, and users' files still carry it: the bytes
    // are widened with the code page the rest of the plug-in uses.
    UINT page = cp;
    if (encoding == 3) {
        page = CP_UTF8;
        if (n >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) {
            text += 3;
            n -= 3;
        }
    }
    char field[kFrameDataBytes];
    field[0] = 0;
    rtrim(field, (const char*)text, (int32_t)n);
    widenText(out, capacity, field, -1, page);
}

int32_t readID3v2Title(const MediaBytes* in, WCHAR* dest, int32_t len, UINT cp) {
    uint8_t header[kTagHeaderBytes];
    if (readAt(in, 0, header, kTagHeaderBytes) != kTagHeaderBytes) return 0;
    FrameLayout layout;
    if (memcmp(header, "ID3", 3) != 0 || !frameLayout(header, &layout)) return 0;
    uint64_t end = (uint64_t)getSynchsafeInt(header + 6) + kTagHeaderBytes;
    WCHAR title[kTagTextUnits] = {0}, artist[kTagTextUnits] = {0};
    uint64_t at = firstFrame(in, header, layout);
    for (int frames = 0; at < end && frames < kMaxFrames; frames++) {
        uint8_t frame[10] = {0};
        readAt(in, at, frame, layout.headerBytes);
        // No frame id starts with a zero byte, and nothing follows padding
        // but more padding; a header the file ends in reads as zeros too.
        if (frame[0] == 0) break;
        uint32_t size = frameSize(in, layout, frame, at, end);
        uint64_t data = at + layout.headerBytes;
        if (sameId(frame, layout.titleId, layout.idBytes))
            readFrameText(in, data, size, frameShape(layout, frame), cp, title);
        else if (sameId(frame, layout.artistId, layout.idBytes))
            readFrameText(in, data, size, frameShape(layout, frame), cp, artist);
        at = data + size;
    }
    // A tag with neither text is no answer: the ID3v1 tag or the file
    // name may still have one.
    if (title[0] == 0 && artist[0] == 0) return 0;
    return composeTitleArtist(dest, len, title, artist);
}

int32_t readID3v1Title(const MediaBytes* in, WCHAR* dest, int32_t len, UINT cp) {
    if (in->size < kV1TagBytes) return 0;
    uint8_t tag[kV1TagBytes];
    if (readAt(in, in->size - kV1TagBytes, tag, kV1TagBytes) != kV1TagBytes) return 0;
    if (memcmp(tag, "TAG", 3) != 0) return 0;
    char field[kV1FieldBytes + 1];
    WCHAR title[kTagTextUnits], artist[kTagTextUnits];
    rtrim(field, (const char*)tag + 3, kV1FieldBytes);
    widenText(title, kTagTextUnits, field, -1, cp);
    rtrim(field, (const char*)tag + 3 + kV1FieldBytes, kV1FieldBytes);
    widenText(artist, kTagTextUnits, field, -1, cp);
    if (title[0] == 0 && artist[0] == 0) return 0;
    return composeTitleArtist(dest, len, title, artist);
}

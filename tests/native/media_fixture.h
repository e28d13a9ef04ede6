// Media files made byte by byte, for what no tagger writes, and a test
// folder to put them in.
#pragma once

#include <stdint.h>

#include "plugin_fixture.h"

namespace media {

inline std::string bytes(std::initializer_list<int> list) {
    std::string out;
    for (int b : list) out += (char)b;
    return out;
}
inline std::string be32(uint32_t v) {
    return bytes({(int)(v >> 24) & 0xFF, (int)(v >> 16) & 0xFF, (int)(v >> 8) & 0xFF,
                  (int)v & 0xFF});
}
inline std::string synchsafe(uint32_t v) {
    return bytes({(int)(v >> 21) & 0x7F, (int)(v >> 14) & 0x7F, (int)(v >> 7) & 0x7F,
                  (int)v & 0x7F});
}

// Text frame data: the encoding byte, then the text as given.
inline std::string text(int encoding, const std::string& raw) {
    return (char)encoding + raw;
}
// UTF-8 source text as UTF-16 bytes, with or without a byte-order mark.
inline std::string utf16(const std::string& utf8, bool bigEndian, bool bom) {
    std::string out;
    if (bom) out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (WCHAR u : testhost::widen(utf8)) {
        char hi = (char)(u >> 8), lo = (char)(u & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

// Frames of each layout; flags are the two v2.3/v2.4 flag bytes.
inline std::string frame23(const char* id, const std::string& data, int flags = 0) {
    return id + be32((uint32_t)data.size()) + bytes({flags >> 8, flags & 0xFF}) + data;
}
inline std::string frame24(const char* id, const std::string& data, int flags = 0) {
    return id + synchsafe((uint32_t)data.size()) + bytes({flags >> 8, flags & 0xFF}) +
           data;
}
inline std::string frame22(const char* id, const std::string& data) {
    uint32_t n = (uint32_t)data.size();
    return id + bytes({(int)(n >> 16) & 0xFF, (int)(n >> 8) & 0xFF, (int)n & 0xFF}) +
           data;
}

// An ID3v2 tag whose size is the body's unless given.
inline std::string tag(int version, int flags, const std::string& body,
                       int64_t size = -1) {
    return "ID3" + bytes({version, 0, flags}) +
           synchsafe(size < 0 ? (uint32_t)body.size() : (uint32_t)size) + body;
}

// What a tagger does to a body before it sets the tag's flag 0x80: a 00
// after every FF that a 00 or a byte from E0 up follows, or that ends it.
inline std::string unsynchronise(const std::string& body) {
    std::string out;
    for (size_t i = 0; i < body.size(); i++) {
        out += body[i];
        if ((uint8_t)body[i] != 0xFF) continue;
        if (i + 1 == body.size() || body[i + 1] == 0 || (uint8_t)body[i + 1] >= 0xE0)
            out += '\0';
    }
    return out;
}

// A picture frame's data as v2.3/v2.4 (APIC) or v2.2 (PIC) lay it out:
// JPEG bytes, FF in every other byte, as a real picture has them.
inline std::string jpegPicture(bool v22, size_t bytes) {
    std::string jpeg = "\xFF\xD8\xFF\xE0";
    for (size_t i = 0; jpeg.size() < bytes; i++)
        jpeg += i % 2 ? (char)(0xE0 + i % 32) : '\xFF';
    std::string head =
        v22 ? std::string("\0JPG\x03", 5) : std::string("\0image/jpeg\0\x03", 13);
    return head + std::string("\0", 1) + jpeg;
}

// An ID3v1 tag; fields are padded with `fill`.
inline std::string tagV1(std::string title, std::string artist, char fill = '\0') {
    title.resize(30, fill);
    artist.resize(30, fill);
    return "TAG" + title + artist + std::string(65, '\0');
}

// Some MPEG audio to stand between the tags.
inline std::string audio() {
    return bytes({0xFF, 0xE3, 0x18, 0xC4}) + std::string(200, 'U');
}

}  // namespace media

class MediaTest : public PluginTest {
protected:
    // Writes the file into the test's folder and returns its path as a
    // player reports it (backslashes; the stand-in maps them back).
    std::string writeMedia(const std::string& name, const std::string& content) {
        std::ofstream(folder_ + "/" + name, std::ios::binary) << content;
        return windowsPath(folder_ + "/" + name);
    }
    std::string mediaPath(const std::string& name) const {
        return windowsPath(folder_ + "/" + name);
    }
};

// Code-page conversion of the stand-in: MultiByteToWideChar and
// WideCharToMultiByte for code pages 1252, 932 and 65001 (and CP_ACP /
// CP_THREAD_ACP, which mean the simulated ANSI code page).
//
// Behaviour matched to Windows (as measured under Wine, see
// tests/differential):
//   * srcLen < 0: the source runs to its NUL, which is converted and counted.
//   * dstLen 0: nothing is written, the required size is returned.
//   * A destination that is too small: the characters that fit whole are
//     written, then 0 with ERROR_INSUFFICIENT_BUFFER (122).
//   * srcLen 0, a null source, dstLen < 0, or an unknown code page: 0 with
//     ERROR_INVALID_PARAMETER (87).
//   * 1252: all 256 bytes convert; the five bytes CP1252 leaves undefined
//     (81 8D 8F 90 9D) are U+0081 etc., both ways.
//   * 932: a lead byte takes the next byte with it whatever that byte is
//     (but NUL); a pair with no mapping, or a lead byte alone, is U+30FB.  The
//     unassigned single bytes 80, A0, FD, FE, FF are U+0080, U+F8F0..U+F8F3.
//   * 65001: invalid input becomes U+FFFD following Windows' rule for how
//     many bytes each U+FFFD replaces (decoded here by hand: iconv reports
//     errors but cannot reproduce that rule); lone surrogates become U+FFFD
//     (EF BF BD) when encoding.
//   * To 1252 and 932, a character the code page lacks becomes the default
//     character ('?', or lpDefaultChar), each UTF-16 unit of a surrogate pair
//     on its own ("??" for an emoji), and *usedDef says whether that
//     happened.
//
// Deliberate differences:
//   * Best fit is not modelled: Windows maps some characters a code page
//     lacks to a look-alike (1252: U+0100 -> 'A', U+FF21 -> 'A'; 932:
//     U+00E9 -> 'e', U+00A5 -> '\'); here they become the default character.
//   * For CP_UTF8, a non-null defChar or usedDef fails with
//     ERROR_INVALID_PARAMETER, as Microsoft documents (Wine accepts them).
//   * flags other than 0 fail with ERROR_INVALID_FLAGS (1004): the plug-in
//     passes 0, and the stand-in models nothing else.
//
// No heap is touched per call: the iconv descriptors are opened once (at
// start-up) and reused under a mutex; 1252 is served from tables built from
// iconv at the same time.
#include <iconv.h>
#include <string.h>
#include <windows.h>

#include <mutex>

#include "standin_internal.h"

namespace standin {

bool isDbcsLeadByte(unsigned char c) {
    return standin_ansiCodePage() == 932 &&
           ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}

}  // namespace standin

namespace {

const DWORD kErrorInsufficientBuffer = 122;
const DWORD kErrorInvalidParameter = 87;
const DWORD kErrorInvalidFlags = 1004;
const WCHAR kReplacement = 0xFFFD;
const WCHAR kCp932DefaultUnicode = 0x30FB;

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

struct Converters {
    std::mutex lock;
    iconv_t cp932ToWide = kNoIconv;
    iconv_t wideToCp932 = kNoIconv;
    // 1252, from iconv: byte -> unit, and unit -> byte sorted by unit.
    WCHAR cp1252ToWide[256];
    struct Back {
        WCHAR unit;
        unsigned char byte;
    } cp1252Back[128];

    Converters() {
        cp932ToWide = iconv_open("UTF-16LE", "CP932");
        wideToCp932 = iconv_open("CP932", "UTF-16LE");
        iconv_t cd = iconv_open("UTF-16LE", "CP1252");
        for (int b = 0; b < 256; ++b) {
            cp1252ToWide[b] = static_cast<WCHAR>(b);
            if (b < 0x80 || cd == kNoIconv) continue;
            char in = static_cast<char>(b);
            unsigned char out[4];
            char* ip = &in;
            char* op = reinterpret_cast<char*>(out);
            size_t il = 1, ol = sizeof out;
            if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && ol == 2)
                cp1252ToWide[b] = static_cast<WCHAR>(out[0] | out[1] << 8);
            else
                iconv(cd, NULL, NULL, NULL, NULL);
        }
        if (cd != kNoIconv) iconv_close(cd);
        for (int b = 0x80; b < 256; ++b) {
            Back e = {cp1252ToWide[b], static_cast<unsigned char>(b)};
            int i = b - 0x80;
            while (i > 0 && cp1252Back[i - 1].unit > e.unit) {
                cp1252Back[i] = cp1252Back[i - 1];
                --i;
            }
            cp1252Back[i] = e;
        }
    }
};

Converters& converters() {
    static Converters c;
    return c;
}

// Opens everything before main, so no conversion ever opens (allocates).
struct WarmUp {
    WarmUp() { converters(); }
} warmUp;

// Which of the known code pages cp names; 0 for none.
UINT resolve(UINT cp) {
    if (cp == CP_ACP || cp == CP_THREAD_ACP) cp = standin_ansiCodePage();
    return cp == 1252 || cp == 932 || cp == CP_UTF8 ? cp : 0;
}

// Collects output, counting only when there is no buffer.
template <typename T>
struct Sink {
    T* dst;
    int cap;
    int n = 0;
    bool full = false;
    // Appends a whole character of count items, or marks the sink full.
    bool put(const T* items, int count) {
        if (dst) {
            if (n + count > cap) {
                full = true;
                return false;
            }
            memcpy(dst + n, items, sizeof(T) * count);
        }
        n += count;
        return true;
    }
};

// One character of UTF-8 at s[0..len), Windows' way: returns the code point
// or ~0u for "U+FFFD", and sets *used to the bytes consumed.
unsigned decodeUtf8(const unsigned char* s, size_t len, size_t* used) {
    unsigned char b = s[0];
    if (b < 0x80) {
        *used = 1;
        return b;
    }
    int more = b >= 0xC2 && b <= 0xDF   ? 1
               : b >= 0xE0 && b <= 0xEF ? 2
               : b >= 0xF0 && b <= 0xF4 ? 3
                                        : 0;
    if (more == 0) {
        *used = 1;
        return ~0u;
    }
    if (static_cast<size_t>(more) + 1 > len) {  // cut short by the end: all of it goes
        *used = len;
        return ~0u;
    }
    static const unsigned char mask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    unsigned res = b & mask[more];
    size_t pos = 1;
    unsigned c;
    if (more == 3) {
        if ((c = s[pos] ^ 0x80u) >= 0x40) goto fail;
        res = res << 6 | c;
        ++pos;
        if (res < 0x10 || res >= 0x110) goto fail;  // overlong, or above U+10FFFF
    }
    if (more >= 2) {
        if ((c = s[pos] ^ 0x80u) >= 0x40) goto fail;
        res = res << 6 | c;
        ++pos;
        if (more == 2 && (res < 0x20 || (res >= 0x360 && res < 0x380)))
            goto fail;  // overlong, surrogate
    }
    if ((c = s[pos] ^ 0x80u) >= 0x40) goto fail;
    res = res << 6 | c;
    ++pos;
    *used = pos;
    return res;
fail:
    *used = pos;
    return ~0u;
}

// One CP932 character through iconv (1 or 2 bytes) -> a UTF-16 unit.
bool cp932Char(Converters& cv, const unsigned char* s, size_t n, WCHAR* out) {
    if (cv.cp932ToWide == kNoIconv) return false;
    char in[2] = {static_cast<char>(s[0]), n > 1 ? static_cast<char>(s[1]) : '\0'};
    unsigned char buf[8];
    char* ip = in;
    char* op = reinterpret_cast<char*>(buf);
    size_t il = n, ol = sizeof buf;
    if (iconv(cv.cp932ToWide, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0 ||
        sizeof buf - ol != 2) {
        iconv(cv.cp932ToWide, NULL, NULL, NULL, NULL);
        return false;
    }
    *out = static_cast<WCHAR>(buf[0] | buf[1] << 8);
    return true;
}

// One UTF-16 unit to CP932 through iconv -> 1 or 2 bytes in out; 0 if none.
int cp932FromUnit(Converters& cv, WCHAR u, unsigned char* out) {
    if (cv.wideToCp932 == kNoIconv) return 0;
    if (u >= 0xD800 && u <= 0xDFFF) return 0;
    unsigned char in[2] = {static_cast<unsigned char>(u & 0xFF),
                           static_cast<unsigned char>(u >> 8)};
    char* ip = reinterpret_cast<char*>(in);
    char* op = reinterpret_cast<char*>(out);
    size_t il = 2, ol = 2;
    if (iconv(cv.wideToCp932, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) {
        iconv(cv.wideToCp932, NULL, NULL, NULL, NULL);
        return 0;
    }
    return static_cast<int>(2 - ol);
}

int cp1252FromUnit(const Converters& cv, WCHAR u, unsigned char* out) {
    if (u < 0x80) {
        out[0] = static_cast<unsigned char>(u);
        return 1;
    }
    int lo = 0, hi = 127;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if (cv.cp1252Back[mid].unit == u) {
            out[0] = cv.cp1252Back[mid].byte;
            return 1;
        }
        if (cv.cp1252Back[mid].unit < u)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return 0;
}

int finish(int n, bool full) {
    if (full) {
        SetLastError(kErrorInsufficientBuffer);
        return 0;
    }
    return n;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT cp, DWORD flags, LPCCH src, int srcLen, LPWSTR dst,
                               int dstLen) {
    UINT page = resolve(cp);
    if (!src || srcLen == 0 || dstLen < 0 || (dstLen && !dst) || !page) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    if (flags != 0) {
        SetLastError(kErrorInvalidFlags);
        return 0;
    }
    size_t n = srcLen < 0 ? strlen(src) + 1 : static_cast<size_t>(srcLen);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    Sink<WCHAR> out{dstLen ? dst : NULL, dstLen};
    Converters& cv = converters();

    if (page == 1252) {
        for (size_t i = 0; i < n; ++i)
            if (!out.put(&cv.cp1252ToWide[s[i]], 1)) break;
        return finish(out.n, out.full);
    }

    if (page == CP_UTF8) {
        size_t i = 0;
        while (i < n) {
            size_t used = 1;
            unsigned c = decodeUtf8(s + i, n - i, &used);
            i += used;
            WCHAR units[2];
            int count = 1;
            if (c == ~0u) {
                units[0] = kReplacement;
            } else if (c >= 0x10000) {
                c -= 0x10000;
                units[0] = static_cast<WCHAR>(0xD800 | c >> 10);
                units[1] = static_cast<WCHAR>(0xDC00 | (c & 0x3FF));
                count = 2;
            } else {
                units[0] = static_cast<WCHAR>(c);
            }
            // Unit by unit: Windows writes the first half of a pair that
            // does not fit whole.
            bool ok = true;
            for (int k = 0; k < count && ok; ++k) ok = out.put(&units[k], 1);
            if (!ok) break;
        }
        return finish(out.n, out.full);
    }

    // 932
    std::lock_guard<std::mutex> guard(cv.lock);
    size_t i = 0;
    while (i < n) {
        unsigned char b = s[i];
        WCHAR u;
        if (b < 0x80) {
            u = b;
            i += 1;
        } else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            if (i + 1 < n && s[i + 1] != 0) {
                if (!cp932Char(cv, s + i, 2, &u)) u = kCp932DefaultUnicode;
                i += 2;
            } else {
                u = kCp932DefaultUnicode;
                i += 1;
            }
        } else {
            if (b == 0x80)
                u = 0x0080;
            else if (b == 0xA0)
                u = 0xF8F0;
            else if (b >= 0xFD)
                u = static_cast<WCHAR>(0xF8F1 + (b - 0xFD));
            else if (!cp932Char(cv, s + i, 1, &u))
                u = kCp932DefaultUnicode;
            i += 1;
        }
        if (!out.put(&u, 1)) break;
    }
    return finish(out.n, out.full);
}

int WINAPI WideCharToMultiByte(UINT cp, DWORD flags, LPCWCH src, int srcLen, LPSTR dst,
                               int dstLen, LPCCH defChar, LPBOOL usedDef) {
    UINT page = resolve(cp);
    if (!src || srcLen == 0 || dstLen < 0 || (dstLen && !dst) || !page ||
        (page == CP_UTF8 && (defChar || usedDef))) {
        SetLastError(kErrorInvalidParameter);
        return 0;
    }
    if (flags != 0) {
        SetLastError(kErrorInvalidFlags);
        return 0;
    }
    size_t n = 0;
    if (srcLen < 0) {
        while (src[n]) ++n;
        ++n;
    } else {
        n = static_cast<size_t>(srcLen);
    }
    Sink<char> out{dstLen ? dst : NULL, dstLen};

    if (page == CP_UTF8) {
        for (size_t i = 0; i < n; ++i) {
            unsigned c = src[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && src[i + 1] >= 0xDC00 &&
                src[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (src[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = kReplacement;
            }
            char b[4];
            int count;
            if (c < 0x80) {
                b[0] = static_cast<char>(c);
                count = 1;
            } else if (c < 0x800) {
                b[0] = static_cast<char>(0xC0 | c >> 6);
                b[1] = static_cast<char>(0x80 | (c & 0x3F));
                count = 2;
            } else if (c < 0x10000) {
                b[0] = static_cast<char>(0xE0 | c >> 12);
                b[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
                b[2] = static_cast<char>(0x80 | (c & 0x3F));
                count = 3;
            } else {
                b[0] = static_cast<char>(0xF0 | c >> 18);
                b[1] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
                b[2] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
                b[3] = static_cast<char>(0x80 | (c & 0x3F));
                count = 4;
            }
            if (!out.put(b, count)) break;
        }
        return finish(out.n, out.full);
    }

    // 1252 and 932: unit by unit, the default character for what is missing.
    char def[2] = {'?', 0};
    int defCount = 1;
    if (defChar) {
        def[0] = defChar[0];
        if (page == 932 && defChar[0] && defChar[1] &&
            ((static_cast<unsigned char>(defChar[0]) >= 0x81 &&
              static_cast<unsigned char>(defChar[0]) <= 0x9F) ||
             (static_cast<unsigned char>(defChar[0]) >= 0xE0 &&
              static_cast<unsigned char>(defChar[0]) <= 0xFC))) {
            def[1] = defChar[1];
            defCount = 2;
        }
    }
    bool anyDefault = false;
    Converters& cv = converters();
    std::unique_lock<std::mutex> guard(cv.lock, std::defer_lock);
    if (page == 932) guard.lock();
    for (size_t i = 0; i < n; ++i) {
        WCHAR u = src[i];
        unsigned char b[2];
        int count;
        if (page == 1252) {
            count = cp1252FromUnit(cv, u, b);
        } else if (u < 0x80) {
            b[0] = static_cast<unsigned char>(u);
            count = 1;
        } else if (u == 0x0080) {
            b[0] = 0x80;
            count = 1;
        } else if (u >= 0xF8F0 && u <= 0xF8F3) {
            b[0] = u == 0xF8F0 ? 0xA0 : static_cast<unsigned char>(0xFD + (u - 0xF8F1));
            count = 1;
        } else {
            count = cp932FromUnit(cv, u, b);
        }
        bool ok;
        if (count) {
            ok = out.put(reinterpret_cast<const char*>(b), count);
        } else {
            anyDefault = true;
            ok = out.put(def, defCount);
        }
        if (!ok) break;
    }
    if (usedDef) *usedDef = anyDefault ? TRUE : FALSE;
    return finish(out.n, out.full);
}

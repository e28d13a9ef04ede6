// Kernel string functions of the stand-in: lstrlenA, lstrcmpA, lstrcpynA,
// and msvcrt's _snprintf.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "standin_internal.h"

int WINAPI lstrlenA(LPCSTR s) {
    return s ? static_cast<int>(strlen(s)) : 0;
}

// Win32's lstrcpynA: copies at most max-1 bytes and always ends the copy with
// a NUL, except that max 0 writes nothing.  A negative max is taken as a very
// large unsigned count, as Win32 does.
LPSTR WINAPI lstrcpynA(LPSTR dst, LPCSTR src, int max) {
    unsigned count = static_cast<unsigned>(max);
    char* d = dst;
    while (count > 1 && *src) {
        --count;
        *d++ = *src++;
    }
    if (count) *d = '\0';
    return dst;
}

// lstrcmpA is CompareStringA(LOCALE_USER_DEFAULT, 0, ...) on Win32: a
// linguistic "word sort", not strcmp.  This is an approximation that agrees
// with Windows (as measured under Wine) for ASCII text:
//
//   * Levels, compared in order: primary weights, then case (lower case
//     before upper case, at the first letter whose case differs), then the
//     "special" characters that word sort leaves out of the first two levels.
//   * Primary order: blanks and punctuation in Windows' own order (space,
//     \t \n \v \f \r, ! " # $ % & ( ) * , . / : ; ? @ [ \ ] ^ _ ` { | } ~,
//     then + < = >), then digits, then letters regardless of case.  Under
//     the simulated ANSI code page 932 (standing for a Japanese system, whose
//     locale sorts '\' as the yen sign) the backslash moves to just after '~'.
//   * Special characters: the apostrophe and the hyphen (so "co-op" sorts
//     right after "coop"), and the control characters.  Among strings equal
//     on the first two levels, the one with more special characters, or with
//     a heavier one earlier, sorts later.
//   * Bytes 0x80-0xFF are NOT modelled linguistically (Windows sorts e.g. E9
//     next to 'e'); they sort after the letters by byte value.
//
// Results are -1, 0 or 1, as on Win32.  A null pointer sorts before
// everything, including "".
namespace {

struct Weights {
    unsigned short primary[256];  // 0 for special characters
    unsigned char special[256];
    explicit Weights(bool japanese) {
        for (int i = 0; i < 256; ++i) {
            primary[i] = 0;
            special[i] = 0;
        }
        unsigned short w = 1;
        const char* symbols =
            japanese ? " \t\n\v\f\r!\"#$%&()*,./:;?@[]^_`{|}~\\+<=>0123456789"
                     : " \t\n\v\f\r!\"#$%&()*,./:;?@[\\]^_`{|}~+<=>0123456789";
        for (const char* p = symbols; *p; ++p)
            primary[static_cast<unsigned char>(*p)] = w++;
        for (int c = 'a'; c <= 'z'; ++c) {
            primary[c] = w;
            primary[c - 'a' + 'A'] = w;
            ++w;
        }
        for (int c = 0x80; c < 256; ++c) primary[c] = w++;
        unsigned char s = 1;
        for (int c = 0x01; c <= 0x08; ++c) special[c] = s++;
        for (int c = 0x0E; c <= 0x1F; ++c) special[c] = s++;
        special[0x7F] = s++;
        special[static_cast<unsigned char>('\'')] = s++;
        special[static_cast<unsigned char>('-')] = s++;
    }
};

const Weights& weights() {
    static const Weights western(false), japanese(true);
    return standin_ansiCodePage() == 932 ? japanese : western;
}

int sign(int v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// Next byte of s at or after i that has a primary weight; returns its index
// or -1 at the end of the string.
long nextPrimary(const unsigned char* s, long i, const Weights& w) {
    while (s[i] && w.primary[s[i]] == 0) ++i;
    return s[i] ? i : -1;
}

bool isUpper(unsigned char c) {
    return c >= 'A' && c <= 'Z';
}

}  // namespace

int WINAPI lstrcmpA(LPCSTR a, LPCSTR b) {
    if (!a || !b) {
        if (!a && !b) return 0;
        return a ? 1 : -1;
    }
    const Weights& w = weights();
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);

    // Primary level.
    long i = nextPrimary(x, 0, w), j = nextPrimary(y, 0, w);
    while (i >= 0 && j >= 0) {
        if (w.primary[x[i]] != w.primary[y[j]])
            return sign(w.primary[x[i]] - w.primary[y[j]]);
        i = nextPrimary(x, i + 1, w);
        j = nextPrimary(y, j + 1, w);
    }
    if (i >= 0) return 1;
    if (j >= 0) return -1;

    // Case level (the primary sequences are equal, so they pair up).
    i = nextPrimary(x, 0, w);
    j = nextPrimary(y, 0, w);
    while (i >= 0 && j >= 0) {
        bool ux = isUpper(x[i]), uy = isUpper(y[j]);
        if (ux != uy) return ux ? 1 : -1;
        i = nextPrimary(x, i + 1, w);
        j = nextPrimary(y, j + 1, w);
    }

    // Special characters: (position, weight) pairs in order.
    i = 0;
    j = 0;
    for (;;) {
        while (x[i] && w.special[x[i]] == 0) ++i;
        while (y[j] && w.special[y[j]] == 0) ++j;
        if (!x[i] || !y[j]) {
            if (x[i]) return 1;
            if (y[j]) return -1;
            return 0;
        }
        if (i != j) return i < j ? 1 : -1;
        if (w.special[x[i]] != w.special[y[j]])
            return sign(w.special[x[i]] - w.special[y[j]]);
        ++i;
        ++j;
    }
}

// msvcrt's _snprintf: a text shorter than count is written with its NUL; one
// of exactly count bytes without it; a longer one is cut to count bytes,
// unterminated, and the result is -1.
int _snprintf(char* out, size_t count, const char* format, ...) {
    char text[4096];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) return -1;
    if ((size_t)n > count) {
        memcpy(out, text, count);
        return -1;
    }
    memcpy(out, text, (size_t)n < count ? (size_t)n + 1 : (size_t)n);
    return n;
}

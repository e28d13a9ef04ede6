#include "frame/wide_text.h"

#include <string.h>

namespace {

bool isHighSurrogate(WCHAR c) {
    return c >= 0xD800 && c < 0xDC00;
}

bool isLowSurrogate(WCHAR c) {
    return c >= 0xDC00 && c < 0xE000;
}

WCHAR foldAscii(WCHAR c) {
    return (c >= 'A' && c <= 'Z') ? (WCHAR)(c + ('a' - 'A')) : c;
}

bool matchesAt(const WCHAR* text, const WCHAR* find, int length) {
    for (int i = 0; i < length; i++)
        if (foldAscii(text[i]) != foldAscii(find[i])) return false;
    return true;
}

int narrowLength(const char* text, int bytes) {
    int n = 0;
    while ((bytes < 0 || n < bytes) && text[n]) n++;
    return n;
}

}  // namespace

int wideLength(const WCHAR* text) {
    int n = 0;
    if (text)
        while (text[n]) n++;
    return n;
}

int wholeUnits(const WCHAR* text, int units, int room) {
    if (room <= 0) return 0;
    if (units <= room) return units;
    return isHighSurrogate(text[room - 1]) ? room - 1 : room;
}

int copyWideN(WCHAR* out, int capacity, const WCHAR* text, int units) {
    if (!out || capacity <= 0) return 0;
    int n = 0;
    if (text)
        while (n < units && text[n]) n++;
    n = wholeUnits(text, n, capacity - 1);
    if (n > 0 && out != text) memmove(out, text, (size_t)n * sizeof(WCHAR));
    out[n] = 0;
    return n;
}

int copyWide(WCHAR* out, int capacity, const WCHAR* text) {
    return copyWideN(out, capacity, text, wideLength(text));
}

int widenText(WCHAR* out, int capacity, const char* text, int bytes, UINT cp) {
    if (!out || capacity <= 0) return 0;
    out[0] = 0;
    if (!text) return 0;
    int n = narrowLength(text, bytes);
    if (n > kWidenBytes) n = kWidenBytes;
    if (n == 0) return 0;
    // A narrow text never yields more units than it has bytes.
    WCHAR wide[kWidenBytes + 1];
    int units = MultiByteToWideChar(cp, 0, text, n, wide, kWidenBytes);
    if (units <= 0) return 0;
    wide[units] = 0;
    return copyWideN(out, capacity, wide, units);
}

int composeTitleArtist(WCHAR* out, int capacity, const WCHAR* title,
                       const WCHAR* artist) {
    static const WCHAR kJoin[] = {' ', '-', ' ', 0};
    int titleUnits = wideLength(title), artistUnits = wideLength(artist);
    int total = titleUnits + 3 + artistUnits;
    if (!out || capacity <= 0) return total;
    int at = copyWideN(out, capacity, title, titleUnits);
    if (at == titleUnits) at += copyWideN(out + at, capacity - at, kJoin, 3);
    if (at == titleUnits + 3) copyWideN(out + at, capacity - at, artist, artistUnits);
    return total;
}

int findLastNoCase(const WCHAR* text, const WCHAR* find) {
    int n = wideLength(text), m = wideLength(find);
    if (m == 0 || m > n) return -1;
    for (int p = n - m; p >= 0; p--)
        if (matchesAt(text + p, find, m)) return p;
    return -1;
}

int findFirstNoCase(const WCHAR* text, const WCHAR* find) {
    int n = wideLength(text), m = wideLength(find);
    if (m == 0) return -1;
    for (int p = 0; p + m <= n; p++)
        if (matchesAt(text + p, find, m)) return p;
    return -1;
}

void replaceLoneSurrogates(WCHAR* text) {
    if (!text) return;
    for (int i = 0; text[i]; i++) {
        bool high = isHighSurrogate(text[i]);
        bool low = isLowSurrogate(text[i]);
        if (high && isLowSurrogate(text[i + 1]))
            i++;
        else if (high || low)
            text[i] = 0xFFFD;
    }
}

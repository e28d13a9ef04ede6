#include "frame/text_conversion.h"

CodePageSelector volatile g_codePageSelector = chooseCodePage;

UINT threadCodePage() {
    return CP_THREAD_ACP;
}

// The thread locale's LOCALE_IDEFAULTANSICODEPAGE text, read as decimal.
// Nothing is cached: the thread's locale may change between calls.  The
// reading stops at the first non-digit, so a damaged locale entry gives
// GetACP() rather than a code page made of junk.
UINT localeCodePage() {
    char text[7] = {0};
    UINT number = 0;
    if (GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, text,
                       (int)sizeof text) > 0) {
        for (int i = 0; i < (int)sizeof text && text[i] >= '0' && text[i] <= '9'; i++)
            number = number * 10 + (UINT)(text[i] - '0');
    }
    return number != 0 ? number : GetACP();
}

UINT chooseCodePage() {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    GetVersionExA(&info);
    CodePageSelector chosen =
        (info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 5)
            ? threadCodePage
            : localeCodePage;
    InterlockedExchangePointer((void* volatile*)&g_codePageSelector, (void*)chosen);
    return chosen();
}

UINT getConversionCodePage() {
    return g_codePageSelector();
}

WCHAR* ansiToWide(WCHAR* out, const char* text, int capacity, UINT cp) {
    if (!out || !text) return NULL;
    if (capacity <= 0) return NULL;
    out[0] = 0;
    if (MultiByteToWideChar(cp, 0, text, -1, out, capacity) == 0) {
        out[0] = 0;
        return NULL;
    }
    return out;
}

static bool isHighSurrogate(WCHAR c) {
    return c >= 0xD800 && c < 0xDC00;
}

// Bytes that the first units of text take in cp, without the NUL.
static int ansiBytes(const WCHAR* text, int units, UINT cp) {
    if (units == 0) return 0;
    return WideCharToMultiByte(cp, 0, text, units, NULL, 0, NULL, NULL);
}

char* wideToAnsi(char* out, int capacity, const WCHAR* text, UINT cp) {
    if (!text) return NULL;
    if (!out || capacity <= 0) return NULL;
    out[0] = '\0';
    int units = wideLength(text);
    int room = capacity - 1;
    int needed = ansiBytes(text, units, cp);
    if (units > 0 && needed == 0) return NULL;
    if (needed > room) {
        // Longest prefix that fits; bytes grow with units, so bisect.
        int lo = 0, hi = units;
        while (lo < hi) {
            int mid = (lo + hi + 1) / 2;
            if (ansiBytes(text, mid, cp) <= room)
                lo = mid;
            else
                hi = mid - 1;
        }
        units = lo;
        if (units > 0 && isHighSurrogate(text[units - 1])) units--;
    }
    int written =
        units ? WideCharToMultiByte(cp, 0, text, units, out, room, NULL, NULL) : 0;
    if (units > 0 && written == 0) {
        out[0] = '\0';
        return NULL;
    }
    out[written] = '\0';
    return out;
}

#include "publish/display_name.h"

#include <string.h>

#include "frame/settings.h"
#include "frame/text_conversion.h"
#include "frame/trace_log.h"

namespace {

WCHAR foldAscii(WCHAR c) {
    return (c >= 'A' && c <= 'Z') ? (WCHAR)(c + ('a' - 'A')) : c;
}
char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? (char)(c + ('a' - 'A')) : c;
}

template <typename Char>
bool matchesAt(const Char* text, const Char* find, int length) {
    for (int i = 0; i < length; i++)
        if (foldAscii(text[i]) != foldAscii(find[i])) return false;
    return true;
}

template <typename Char>
int textLength(const Char* s) {
    int n = 0;
    while (s[n]) n++;
    return n;
}

template <typename Char>
int findLast(const Char* text, const Char* find) {
    int n = textLength(text), m = textLength(find);
    if (m == 0 || m > n) return -1;
    for (int p = n - m; p >= 0; p--)
        if (matchesAt(text + p, find, m)) return p;
    return -1;
}

template <typename Char>
int findFirst(const Char* text, const Char* find) {
    int n = textLength(text), m = textLength(find);
    if (m == 0) return -1;
    for (int p = 0; p + m <= n; p++)
        if (matchesAt(text + p, find, m)) return p;
    return -1;
}

bool isHighSurrogate(WCHAR c) {
    return c >= 0xD800 && c < 0xDC00;
}

}  // namespace

int findSeparator(const WCHAR* name, const WCHAR* separator) {
    if (!name || !separator) return -1;
    return findLast(name, separator);
}

void separatorToWide(WCHAR* out, UINT cp) {
    if (!ansiToWide(out, g_separator, kSeparatorUnits, cp)) out[0] = 0;
}

int cutUserName(char* strMsnTitle, int titleSize, char* strUserName, int userSize,
                const WCHAR* name) {
    UINT cp = getConversionCodePage();
    writeLogText("@@cutUserName");
    strMsnTitle[0] = '\0';
    strUserName[0] = '\0';
    WCHAR separator[kSeparatorUnits];
    separatorToWide(separator, cp);

    WCHAR user[kNameUnits];
    int nameUnits = name ? wideLength(name) : 0;
    if (nameUnits > kNameUnits - 1) nameUnits = kNameUnits - 1;
    int at = name ? findLast(name, separator) : -1;
    int userUnits = (at >= 0 && at < nameUnits) ? at : nameUnits;
    if (name) memcpy(user, name, (size_t)userUnits * sizeof(WCHAR));
    user[userUnits] = 0;
    wideToAnsi(strUserName, userSize, user, cp);
    if (at >= 0)
        wideToAnsi(strMsnTitle, titleSize, name + at + wideLength(separator), cp);
    writeLogText("#cutUserName");
    return userUnits;
}

int makeUserName(WCHAR* out, const WCHAR* userName, int userUnits, const WCHAR* separator,
                 const WCHAR* title) {
    int separatorUnits = wideLength(separator);
    int room = kNameUnits - 1 - userUnits - separatorUnits;
    if (room < 1) return -1;
    int titleUnits = wideLength(title);
    if (titleUnits > room) {
        titleUnits = room;
        if (isHighSurrogate(title[titleUnits - 1])) titleUnits--;
    }
    if (out != userName) memmove(out, userName, (size_t)userUnits * sizeof(WCHAR));
    memcpy(out + userUnits, separator, (size_t)separatorUnits * sizeof(WCHAR));
    memcpy(out + userUnits + separatorUnits, title, (size_t)titleUnits * sizeof(WCHAR));
    out[userUnits + separatorUnits + titleUnits] = 0;
    return titleUnits;
}

bool isSameTitle(const char* strMsnTitle, const char* strTitle) {
    return strncmp(strMsnTitle, strTitle, strlen(strTitle)) == 0;
}

// Each pass shortens the title (a one-character separator is dropped, a
// longer one becomes one blank), so the loop ends, and it ends only when no
// occurrence is left, including one formed across a replaced blank.
void neutralizeSeparator(char* title) {
    int m = textLength(g_separator);
    for (int at = findFirst(title, g_separator); at >= 0;
         at = findFirst(title, g_separator)) {
        int keep = m > 1 ? 1 : 0;
        if (keep) title[at] = ' ';
        memmove(title + at + keep, title + at + m, strlen(title + at + m) + 1);
    }
}

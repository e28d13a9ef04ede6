#include "publish/display_name.h"

#include <string.h>

#include "frame/settings.h"
#include "frame/text_conversion.h"
#include "frame/trace_log.h"
#include "frame/wide_text.h"

int findSeparator(const WCHAR* name, const WCHAR* separator) {
    if (!name || !separator) return -1;
    return findLastNoCase(name, separator);
}

void separatorToWide(WCHAR* out, UINT cp) {
    if (!ansiToWide(out, g_separator, kSeparatorUnits, cp)) out[0] = 0;
}

int cutUserName(WCHAR* strMsnTitle, int titleCapacity, const WCHAR* name) {
    UINT cp = getConversionCodePage();
    writeLogText("@@cutUserName");
    strMsnTitle[0] = 0;
    WCHAR separator[kSeparatorUnits];
    separatorToWide(separator, cp);
    int nameUnits = name ? wideLength(name) : 0;
    if (nameUnits > kNameUnits - 1) nameUnits = kNameUnits - 1;
    int at = findSeparator(name, separator);
    int userUnits = (at >= 0 && at < nameUnits) ? at : nameUnits;
    if (at >= 0) copyWide(strMsnTitle, titleCapacity, name + at + wideLength(separator));
    writeLogText("#cutUserName");
    return userUnits;
}

int makeUserName(WCHAR* out, const WCHAR* userName, int userUnits, const WCHAR* separator,
                 const WCHAR* title) {
    int separatorUnits = wideLength(separator);
    int room = kNameUnits - 1 - userUnits - separatorUnits;
    if (room < 1) return -1;
    int fullUnits = wideLength(title);
    int titleUnits = wholeUnits(title, fullUnits, room);
    // A server trims trailing blanks, and would never read back the name.
    if (titleUnits < fullUnits)
        while (titleUnits > 0 && title[titleUnits - 1] == ' ') titleUnits--;
    if (out != userName) memmove(out, userName, (size_t)userUnits * sizeof(WCHAR));
    memcpy(out + userUnits, separator, (size_t)separatorUnits * sizeof(WCHAR));
    memcpy(out + userUnits + separatorUnits, title, (size_t)titleUnits * sizeof(WCHAR));
    out[userUnits + separatorUnits + titleUnits] = 0;
    return titleUnits;
}

bool isSameTitle(const WCHAR* strMsnTitle, const WCHAR* strTitle) {
    for (int i = 0; strTitle[i]; i++)
        if (strMsnTitle[i] != strTitle[i]) return false;
    return true;
}

namespace {

// True when the separator, placed right before title, would occur again
// starting inside itself ("~~" before "~Ambient" reads as "~~~Ambient",
// whose last "~~" begins one unit later): the name would then be split
// after the title's first unit and grow by it on every tick.
bool separatorRunsIntoTitle(const WCHAR* title, const WCHAR* separator) {
    int m = wideLength(separator);
    if (m < 2) return false;
    WCHAR seam[2 * kSeparatorUnits];
    copyWideN(seam, kSeparatorUnits, separator, m);
    int head = 0;
    while (head < m - 1 && title[head]) {
        seam[m + head] = title[head];
        head++;
    }
    seam[m + head] = 0;
    return findLastNoCase(seam, separator) > 0;
}

}  // namespace

// Each pass shortens the title (a one-character separator is dropped, a
// longer one becomes one blank), so the loop ends, and it ends only when no
// occurrence is left, including one formed across a replaced blank.
void neutralizeSeparator(WCHAR* title, const WCHAR* separator) {
    int m = wideLength(separator);
    for (int at = findFirstNoCase(title, separator); at >= 0;
         at = findFirstNoCase(title, separator)) {
        int keep = m > 1 ? 1 : 0;
        if (keep) title[at] = ' ';
        memmove(title + at + keep, title + at + m,
                (size_t)(wideLength(title + at + m) + 1) * sizeof(WCHAR));
    }
    // Dropping leading units forms no new occurrence inside the title.
    int drop = 0;
    while (title[drop] && separatorRunsIntoTitle(title + drop, separator)) drop++;
    if (drop > 0)
        memmove(title, title + drop,
                (size_t)(wideLength(title + drop) + 1) * sizeof(WCHAR));
}

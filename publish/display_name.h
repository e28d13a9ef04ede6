// The layout of a display name: the user's own name, the separator, the
// title.  A name carries a title only by containing the separator; the last
// occurrence counts (case ignored for ASCII), so a user name that itself
// contains the separator stays whole as long as a title follows it.
//
// Names and titles are UTF-16 throughout, so the user's part goes back
// exactly as it came and a title keeps every character; only the trace log
// sees them in the ANSI code page.
#pragma once

#include <windows.h>

enum { kNameUnits = 1024 };

// Index of the first unit of the last occurrence of separator in name, or
// -1 (also for an empty separator, which marks nothing).
int findSeparator(const WCHAR* name, const WCHAR* separator);

// The Separator setting in UTF-16 (capacity 32 units is always enough).
enum { kSeparatorUnits = 32 };
void separatorToWide(WCHAR* out, UINT cp);

// Splits name at the separator's last occurrence: the title part goes into
// strMsnTitle (titleCapacity units, cut at a whole character), and the
// result is the user-name part's length in units: name[0..that) is the
// user's own text.
int cutUserName(WCHAR* strMsnTitle, int titleCapacity, const WCHAR* name);

// Composes user part (userUnits units of userName), separator and title into
// out (kNameUnits units with the NUL).  The title is cut to fit, never the
// user's part, and never between the two halves of a surrogate pair; a cut
// title loses its trailing blanks.
// Returns the title units used, or -1 when the user's part and the separator
// leave no room for a title.
int makeUserName(WCHAR* out, const WCHAR* userName, int userUnits, const WCHAR* separator,
                 const WCHAR* title);

// True when the name's title part begins with strTitle (an empty title
// always matches), unit for unit.
bool isSameTitle(const WCHAR* strMsnTitle, const WCHAR* strTitle);

// Blanks out every occurrence of the separator inside a title (case ignored
// for ASCII), and drops the title's leading units while the separator would
// reappear across the seam between the two: either way the name's last
// occurrence would not be ours, it would be split inside the title next
// time, and the name would grow on every tick.
void neutralizeSeparator(WCHAR* title, const WCHAR* separator);

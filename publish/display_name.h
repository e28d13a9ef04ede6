// The layout of a display name: the user's own name, the separator, the
// title.  A name carries a title only by containing the separator; the last
// occurrence counts (case ignored for ASCII), so a user name that itself
// contains the separator stays whole as long as a title follows it.
//
// The host's names are UTF-16 and may hold characters that the ANSI code
// page lacks, so the split is made in UTF-16 and the user's part is sent
// back exactly as it came; only the title and the log go through ANSI.
#pragma once

#include <windows.h>

enum { kNameUnits = 1024, kNameBytes = 1024, kTitleBytes = 256 };

// Index of the first unit of the last occurrence of separator in name, or
// -1 (also for an empty separator, which marks nothing).
int findSeparator(const WCHAR* name, const WCHAR* separator);

// The Separator setting in UTF-16 (capacity 32 units is always enough).
enum { kSeparatorUnits = 32 };
void separatorToWide(WCHAR* out, UINT cp);

// Splits name into its title part and user-name part, as ANSI texts in the
// caller's buffers (always terminated; over-long parts are cut).  Returns
// the user-name part's length in UTF-16 units: name[0..that) is the user's
// own text.
int cutUserName(char* strMsnTitle, int titleSize, char* strUserName, int userSize,
                const WCHAR* name);

// Composes user part (userUnits units of userName), separator and title into
// out (kNameUnits units with the NUL).  The title is cut to fit, never the
// user's part, and never between the two halves of a surrogate pair.
// Returns the title units used, or -1 when the user's part and the separator
// leave no room for a title.
int makeUserName(WCHAR* out, const WCHAR* userName, int userUnits, const WCHAR* separator,
                 const WCHAR* title);

// True when the name's title part begins with strTitle (an empty title
// always matches), byte for byte.
bool isSameTitle(const char* strMsnTitle, const char* strTitle);

// Blanks out every occurrence of the separator inside a title (case ignored
// for ASCII): a title holding it would be split inside itself next time and
// the name would grow on every tick.
void neutralizeSeparator(char* title);

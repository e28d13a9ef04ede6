// UTF-16 text in fixed buffers: the form a title takes from its reader to
// the display name.
//
// Every writer here takes its buffer's capacity in units, NUL included,
// always leaves a terminated text, and cuts only at a whole character: a
// high surrogate is never left without its low half, which hosts and
// servers reject or show as garbage.
#pragma once

#include <windows.h>

// Length in units; 0 for NULL.
int wideLength(const WCHAR* text);

// How many of the first `units` units of text may be kept within `room`
// units without splitting a surrogate pair.
int wholeUnits(const WCHAR* text, int units, int room);

// Copies at most `units` units of text (stopping at its NUL) into out, cut
// to capacity - 1 at a whole character.  Returns the units written.
int copyWideN(WCHAR* out, int capacity, const WCHAR* text, int units);
// The same for a whole NUL-terminated text; NULL copies as empty.
int copyWide(WCHAR* out, int capacity, const WCHAR* text);

// Widens narrow text in code page cp into out.  At most `bytes` bytes are
// read, fewer when a NUL comes first (-1: up to the NUL).  Returns the
// units written; an undecodable text gives an empty one.
//
// Narrow titles come from players and tags; only the first kWidenBytes of
// them are converted, which is always more than a title buffer can hold
// (even three bytes per unit give 341 units), so a character that the
// bound splits never reaches the output.
enum { kWidenBytes = 1024 };
int widenText(WCHAR* out, int capacity, const char* text, int bytes, UINT cp);

// "%s - %s" with the title first and the artist second, in UTF-16, cut to
// capacity at a whole character.  NULL parts count as empty.  Returns the
// length of the whole composed text, before any cut.
int composeTitleArtist(WCHAR* out, int capacity, const WCHAR* title, const WCHAR* artist);

// Case-insensitive for ASCII letters only, like the platform's search for
// the texts we look for (all ASCII); other units compare exactly.
// Index of the last / first occurrence of find in text, or -1 (also for an
// empty find).
int findLastNoCase(const WCHAR* text, const WCHAR* find);
int findFirstNoCase(const WCHAR* text, const WCHAR* find);

// Unpaired surrogates become U+FFFD, in place: hosts and servers refuse a
// name that holds one, and a player's caption or a COM string may carry
// one as readily as a tag.
void replaceLoneSurrogates(WCHAR* text);

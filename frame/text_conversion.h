// Conversion between the host's UTF-16 and the plug-in's ANSI texts.
//
// Every conversion of one operation uses the code page that
// getConversionCodePage() gave at the operation's start.  Outputs are
// caller-owned fixed buffers; nothing here touches the heap.
#pragma once

#include <windows.h>

#include "frame/wide_text.h"

// CP_THREAD_ACP on NT 5 and later (the system follows the thread's code page
// at each conversion); on older systems the thread locale's default ANSI
// code page.  The platform is looked at once per module load.
UINT getConversionCodePage();

// Converts text (ANSI, NUL-terminated) into out, capacity UTF-16 units
// including the NUL.  Returns out, or NULL when out or text is NULL (out is
// then untouched) or the conversion fails.
WCHAR* ansiToWide(WCHAR* out, const char* text, int capacity, UINT cp);

// Converts text (UTF-16, NUL-terminated) into out, capacity bytes including
// the NUL.  A text whose ANSI form does not fit is cut at the last whole
// character that fits, so the result is never lost for lack of room (UTF-8
// can take three bytes for one unit).  Returns out, or NULL when text is NULL
// or the conversion fails; out always holds a terminated text when
// capacity > 0.
char* wideToAnsi(char* out, int capacity, const WCHAR* text, UINT cp);

// The selector behind getConversionCodePage(); exposed so tests can see the
// choice happen once.
typedef UINT (*CodePageSelector)();
extern CodePageSelector volatile g_codePageSelector;
UINT chooseCodePage();
UINT threadCodePage();
UINT localeCodePage();

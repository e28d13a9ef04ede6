// The trace log: one plain line per event, for diagnosing a user's setup.
//
// Lines are formatted by our own small formatter (%d, %f, %s and nothing
// else, no widths), so that a stray percent sign in a title can never make
// the formatter read an argument that was not passed.
#pragma once

#include <stdint.h>
#include <windows.h>

enum { kLogLineBytes = 1024, kLogPathBytes = 264 };
enum { kLogOpenFailed = -12300 };

// "<host folder>\Plugins\MelodyRibbon\MelodyRibbon.Log"; empty when the
// folder was too long for it, and then nothing is ever written.
extern char g_logPath[kLogPathBytes];
// Off at load; Initialize copies the Log setting into it.
extern bool g_logEnabled;

// Formats one line into out (capacity bytes, always terminated) and returns
// its length; a line too long for the buffer is cut.
int32_t formatLogLine(char* out, int32_t capacity, const char* format, ...);

// Formats one line and, when logging is on, appends it with CR LF.  Returns
// the line's length, or kLogOpenFailed when the file could not be opened.
int32_t writeLog(const char* format, ...);
int32_t writeLogText(const char* text);

// Logs one line whose only conversion is a "%s" of a UTF-16 text (a title,
// a name): the text goes to the log in the conversion code page, where a
// character that the code page lacks shows as its default character.
// Returns what writeLog returns; with logging off nothing is converted or
// formatted, and the result is 0.
int32_t writeLogWide(const char* format, const WCHAR* text);

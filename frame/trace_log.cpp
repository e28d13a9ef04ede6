#include "frame/trace_log.h"

#include <stdarg.h>
#include <string.h>
#include <windows.h>

#include "frame/text_builder.h"
#include "frame/text_conversion.h"

char g_logPath[kLogPathBytes];
bool g_logEnabled;

namespace {

int32_t formatLine(char* out, int32_t capacity, const char* format, va_list args) {
    if (!out || capacity <= 0) return 0;
    TextBuilder w(out, capacity);
    for (const char* p = format; p && *p; p++) {
        if (*p != '%') {
            const char* run = p;
            while (p[1] && p[1] != '%') p++;
            w.append(run, (int32_t)(p - run + 1));
            continue;
        }
        char kind = *++p;
        if (kind == '\0') break;  // a lone trailing '%' ends the line
        if (kind == 'd')
            w.putDecimal(va_arg(args, int32_t));
        else if (kind == 'f')
            w.putFixed(va_arg(args, double));
        else if (kind == 's')
            w.puts(va_arg(args, const char*));
        else
            w.put(kind);
    }
    return w.length;
}

// Writes the bytes that a text-mode stream would: every LF becomes CR LF.
// The file is opened for each line and shared for reading and deleting, so
// that a user can watch or remove it while the host runs.
bool appendLine(const char* line, int32_t length) {
    char bytes[2 * kLogLineBytes + 2];
    int32_t n = 0;
    for (int32_t i = 0; i < length; i++) {
        if (line[i] == '\n') bytes[n++] = '\r';
        bytes[n++] = line[i];
    }
    bytes[n++] = '\r';
    bytes[n++] = '\n';
    HANDLE f = CreateFileA(g_logPath, FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(f, bytes, (DWORD)n, &written, NULL);
    CloseHandle(f);
    return true;
}

}  // namespace

int32_t formatLogLine(char* out, int32_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int32_t n = formatLine(out, capacity, format, args);
    va_end(args);
    return n;
}

int32_t writeLog(const char* format, ...) {
    char line[kLogLineBytes];
    va_list args;
    va_start(args, format);
    int32_t n = formatLine(line, sizeof line, format, args);
    va_end(args);
    if (g_logEnabled && (g_logPath[0] == '\0' || !appendLine(line, n)))
        return kLogOpenFailed;
    return n;
}

int32_t writeLogText(const char* text) {
    return writeLog("%s", text);
}

int32_t writeLogWide(const char* format, const WCHAR* text) {
    // Nothing would show the text: a tick's titles and names are not
    // converted for a log that is off.
    if (!g_logEnabled) return 0;
    // A title holds at most 255 units and a name 1023; two bytes a unit
    // suffice for every single- and double-byte code page, and wideToAnsi
    // cuts at a whole character where a wider one would overflow.
    static const WCHAR kEmpty[1] = {0};
    char ansi[2 * kLogLineBytes];
    if (!wideToAnsi(ansi, sizeof ansi, text ? text : kEmpty, getConversionCodePage()))
        ansi[0] = '\0';
    return writeLog(format, ansi);
}

#include "frame/text_builder.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

TextBuilder::TextBuilder(char* buffer, int32_t bytes)
    : out(buffer), capacity(bytes), length(0), cut(false) {
    if (out && capacity > 0) out[0] = '\0';
}

void TextBuilder::put(char c) {
    if (!out || length + 1 >= capacity) {
        cut = true;
        return;
    }
    out[length++] = c;
    out[length] = '\0';
}

// A log line is mostly runs of text, so they are copied whole, and
// terminated once.
void TextBuilder::append(const char* text, int32_t n) {
    if (n <= 0) return;
    if (!out || length + 1 >= capacity) {
        cut = true;
        return;
    }
    int32_t room = capacity - 1 - length;
    if (n > room) {
        n = room;
        cut = true;
    }
    memcpy(out + length, text, (size_t)n);
    length += n;
    out[length] = '\0';
}

void TextBuilder::puts(const char* text) {
    if (!text) return;
    // Measured only as far as there is room: one byte more tells a cut.
    int32_t limit = capacity - length;
    if (limit < 1) limit = 1;
    const char* end = (const char*)memchr(text, '\0', (size_t)limit);
    append(text, end ? (int32_t)(end - text) : limit);
}

void TextBuilder::putDecimal(int32_t value) {
    char digits[12];
    int n = 0;
    // Counted in the negative range, so that INT32_MIN needs no special case;
    // and in 32 bits, since a 64-bit division on the 32-bit build would bring
    // in the compiler's runtime helpers for it (a kilobyte of code).
    int32_t v = value < 0 ? value : -value;
    do {
        digits[n++] = (char)('0' - v % 10);
        v /= 10;
    } while (v != 0);
    if (value < 0) put('-');
    while (n > 0) put(digits[--n]);
}

void TextBuilder::putFixed(double value) {
    // The largest double takes 309 digits before the point, and msvcrt's
    // _snprintf does not terminate what it cuts.
    char text[330];
    int n = _snprintf(text, sizeof text - 1, "%f", value);
    text[(n >= 0 && n < (int)sizeof text) ? n : (int)sizeof text - 1] = '\0';
    puts(text);
}

void buildPluginPath(char* out, int32_t size, const char* folder, const char* file) {
    TextBuilder path(out, size);
    path.puts(folder);
    path.puts("\\Plugins\\MelodyRibbon\\");
    path.puts(file);
    if (path.cut && size > 0) out[0] = '\0';
}

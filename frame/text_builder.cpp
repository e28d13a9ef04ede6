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

void TextBuilder::puts(const char* text) {
    if (!text) return;
    while (*text) put(*text++);
}

void TextBuilder::putDecimal(int32_t value) {
    char digits[12];
    int n = 0;
    // Counted in the negative range, so that INT32_MIN needs no special case.
    int64_t v = value < 0 ? value : -(int64_t)value;
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

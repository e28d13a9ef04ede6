// Narrow text put together in a caller's fixed buffer.
//
// The plug-in formats only a handful of things (paths, numbers for the
// settings file, log lines), so it does so by hand rather than through the
// C runtime's printf family: the mingw one alone would double the DLL's
// size, and a caller's text can never be taken for a format.
#pragma once

#include <stdint.h>

struct TextBuilder {
    char* out;
    int32_t capacity;  // bytes, NUL included
    int32_t length;
    bool cut;  // something did not fit and was dropped

    TextBuilder(char* buffer, int32_t bytes);
    void put(char c);
    void puts(const char* text);               // NULL appends nothing
    void append(const char* text, int32_t n);  // n bytes of text, no NUL among them
    void putDecimal(int32_t value);
    void putFixed(double value);  // as "%f" prints it: six decimals
};

// folder + "\Plugins\MelodyRibbon\" + file into out; a path that would not
// fit is left empty rather than cut, because a cut path names another file.
void buildPluginPath(char* out, int32_t size, const char* folder, const char* file);

#include "testhost/transcript.h"

#include <stdio.h>
#include <windows.h>

namespace testhost {

namespace {

LARGE_INTEGER g_start;
LARGE_INTEGER g_frequency;
int g_failures = 0;

}  // namespace

void startClock() {
    QueryPerformanceFrequency(&g_frequency);
    QueryPerformanceCounter(&g_start);
}

double secondsSinceStart() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - g_start.QuadPart) / double(g_frequency.QuadPart);
}

void say(const std::string& line) {
    fprintf(stdout, "[%7.2fs] %s\n", secondsSinceStart(), line.c_str());
    fflush(stdout);
}

void fail(const std::string& line) {
    ++g_failures;
    say("FAIL " + line);
}

int failureCount() {
    return g_failures;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace testhost

// The differential table: calls into the pure Win32 functions the plug-in
// uses, each rendered as one line of text.  The same table is built against
// the Linux stand-in (main_native.cpp) and against real Win32 under Wine
// (main_windows.cpp); scripts/differential.sh compares the two outputs line
// by line, once under ANSI code page 1252 and once under 932, so every case
// also checks what depends on the ANSI code page.
#pragma once

#include <shlwapi.h>
#include <windows.h>

#include <string>

namespace differential {

// What a platform's main hands to the table.
struct Env {
    std::string dir;  // scratch directory, no trailing separator
    // Removes an empty directory (the table's directory cases start clean).
    bool (*removeDir)(const char* path);
    // Turns a Win32 path built by path() into one stdio can open.
    std::string (*toStdio)(const std::string& path);

    // dir + '\' + name.  The profile and directory calls get paths with
    // backslashes on both sides, so the stand-in's conversion is exercised
    // by every such case.
    std::string path(const std::string& name) const { return dir + "\\" + name; }
    // The Windows directory, where profile files named without a folder go
    // (a scratch folder on the stand-in's side).
    std::string windowsDir;
};

struct Case {
    const char* name;
    std::string (*run)(const Env& env);
};

// The table, in output order.
const Case* cases(size_t* count);

// Runs every case and prints "name<TAB>result" lines to stdout; returns the
// process exit code.
int runAll(const Env& env);

// --- rendering helpers (runner.cpp) -----------------------------------------

// "text" with \\, \", \r, \n, \t and \xHH escapes; NULL for a null pointer.
std::string str(const char* s);
std::string str(const char* s, size_t n);
// Hex bytes "41 42 00".
std::string hex(const void* p, size_t n);
// Hex UTF-16 units "0041 3042".
std::string hexw(const WCHAR* p, size_t n);
std::string num(long long v);
// The whole file's bytes as str(), or <missing>.
std::string fileText(const Env& env, const std::string& path);
// Writes the file's bytes exactly (binary mode).
void writeFile(const Env& env, const std::string& path, const std::string& bytes);
void removeFile(const Env& env, const std::string& path);

}  // namespace differential

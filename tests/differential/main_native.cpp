// The differential table against the Linux stand-in.
// Usage: differential SCRATCH_DIR [ACP]
//   SCRATCH_DIR  a Linux path; the profile and directory cases work there.
//   ACP          the ANSI code page to simulate (default: the stand-in's
//                default, 1252); the Windows side is run under the same one.
#include <standin/desktop.h>
#include <standin/profile.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cases.h"

namespace {

bool removeDir(const char* path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return rmdir(p.c_str()) == 0;
}

std::string toStdio(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        fprintf(stderr, "usage: %s SCRATCH_DIR [ACP]\n", argv[0]);
        return 2;
    }
    if (argc == 3) standin::setAnsiCodePage(static_cast<UINT>(atoi(argv[2])));
    std::string dir = argv[1];
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    mkdir(dir.c_str(), 0777);
    differential::Env env;
    env.dir = dir;
    env.removeDir = removeDir;
    env.toStdio = toStdio;
    // The locale agrees with the ANSI code page, as Wine's does.
    if (argc == 3) standin::setLocaleAnsiCodePageText(argv[2]);
    std::string windows = dir + "/windows";
    mkdir(windows.c_str(), 0777);
    standin::setWindowsDirectory(windows);
    env.windowsDir = dir + "\\windows";
    return differential::runAll(env);
}

// The differential table against real Win32 (run under Wine).
// Usage: differential.exe SCRATCH_DIR [ACP]
//   SCRATCH_DIR  a Windows path (e.g. Z:\tmp\x); the profile and directory
//                cases work there.
//   ACP          the ANSI code page the process must be running under (Wine
//                takes it from the Unix locale: ja_JP.UTF-8 gives 932); the
//                program refuses to run under another.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>

#include "cases.h"

namespace {

bool removeDir(const char* path) {
    return RemoveDirectoryA(path) != 0;
}

std::string toStdio(const std::string& path) {
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        fprintf(stderr, "usage: %s SCRATCH_DIR [ACP]\n", argv[0]);
        return 2;
    }
    if (argc == 3 && GetACP() != static_cast<UINT>(atoi(argv[2]))) {
        fprintf(stderr, "differential: running under code page %u, not %s\n", GetACP(),
                argv[2]);
        return 3;
    }
    // Lines end in \n alone, as on Linux, so the two outputs compare as bytes.
    _setmode(_fileno(stdout), _O_BINARY);
    std::string dir = argv[1];
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    CreateDirectoryA(dir.c_str(), NULL);
    differential::Env env;
    env.dir = dir;
    env.removeDir = removeDir;
    env.toStdio = toStdio;
    char windows[MAX_PATH];
    UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    env.windowsDir = n > 0 && n < sizeof windows ? windows : "C:\\windows";
    return differential::runAll(env);
}

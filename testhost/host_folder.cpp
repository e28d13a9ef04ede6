#include "testhost/host_folder.h"

#include <stdio.h>
#include <windows.h>

#include <vector>

#include "testhost/host_core.h"

namespace testhost {

std::string hostFolder() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string pluginFolder() {
    return hostFolder() + "Plugins\\MelodyRibbon\\";
}
std::string iniPath() {
    return pluginFolder() + "MelodyRibbon.ini";
}
std::string logPath() {
    return pluginFolder() + "MelodyRibbon.Log";
}

std::string utf8ToAnsi(const std::string& text) {
    WText wide = widen(text);
    int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()),
                                NULL, 0, NULL, NULL);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), &out[0],
                        n, NULL, NULL);
    return out;
}

std::string ansiToUtf8(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                NULL, 0);
    WText wide(n, 0);
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &wide[0],
                        n);
    return narrow(wide);
}

bool writeIni(const std::string& section, const std::string& key,
              const std::string& value) {
    CreateDirectoryA((hostFolder() + "Plugins").c_str(), NULL);
    CreateDirectoryA(pluginFolder().c_str(), NULL);
    return WritePrivateProfileStringA(section.c_str(), key.c_str(),
                                      utf8ToAnsi(value).c_str(), iniPath().c_str()) != 0;
}

std::string readIni(const std::string& section, const std::string& key) {
    char value[256];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01", value, sizeof value,
                             iniPath().c_str());
    if (std::string(value) == "\x01") return "(missing)";
    return ansiToUtf8(value);
}

namespace {

bool makePluginFolder() {
    CreateDirectoryA((hostFolder() + "Plugins").c_str(), NULL);
    CreateDirectoryA(pluginFolder().c_str(), NULL);
    return GetFileAttributesA(pluginFolder().c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::pair<std::string, HANDLE>> g_heldFiles;

void release(const std::string& path) {
    for (size_t i = 0; i < g_heldFiles.size(); i++) {
        if (g_heldFiles[i].first != path) continue;
        CloseHandle(g_heldFiles[i].second);
        g_heldFiles.erase(g_heldFiles.begin() + i);
        return;
    }
}

// Whatever stood at the log's path before goes first.
void clearLogPath() {
    release(logPath());
    DeleteFileA(logPath().c_str());
    RemoveDirectoryA(logPath().c_str());
}

}  // namespace

bool clearLog() {
    clearLogPath();
    return GetFileAttributesA(logPath().c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool putFolderAtLog() {
    if (!makePluginFolder()) return false;
    clearLogPath();
    return CreateDirectoryA(logPath().c_str(), NULL);
}

namespace {

bool hold(const std::string& path) {
    release(path);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return false;
    g_heldFiles.push_back(std::make_pair(path, f));
    return true;
}

}  // namespace

bool holdLog(const std::string& text) {
    if (!makePluginFolder()) return false;
    clearLogPath();
    FILE* f = fopen(logPath().c_str(), "wb");
    if (!f) return false;
    std::string bytes = utf8ToAnsi(text);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return hold(logPath());
}

bool holdIni() {
    return hold(iniPath());
}

void releaseHeldFiles() {
    for (const auto& held : g_heldFiles) CloseHandle(held.second);
    g_heldFiles.clear();
}

std::string readLog() {
    FILE* f = fopen(logPath().c_str(), "rb");
    if (!f) return std::string();
    std::string bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return ansiToUtf8(bytes);
}

}  // namespace testhost

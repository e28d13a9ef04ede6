// The plug-in DLL as the messaging host loads it: LoadLibrary, then
// Initialize with the host's table; Terminate, then FreeLibrary.
#pragma once

#include <stdint.h>
#include <windows.h>

#include <string>

#include "frame/host_api.h"

namespace testhost {

class PluginModule {
public:
    // Returns false with a reason when the DLL, an export or Initialize failed.
    bool load(const std::string& path, std::string* error);
    // Terminate alone, as a host does when it shuts down; unload() then
    // only frees the module.
    void terminate();
    void unload();
    bool loaded() const { return module_ != NULL; }

private:
    typedef int32_t(WINAPI* GetPluginInfoFn)(int32_t index, char* buf, int32_t size);
    typedef int32_t(WINAPI* InitializeFn)(const HostApi* api);
    typedef int32_t(WINAPI* TerminateFn)(void);

    void reportInfo();

    HMODULE module_ = NULL;
    bool terminated_ = false;
    GetPluginInfoFn getPluginInfo_ = NULL;
    InitializeFn initialize_ = NULL;
    TerminateFn terminate_ = NULL;
};

}  // namespace testhost

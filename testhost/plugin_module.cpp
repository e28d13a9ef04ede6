#include "testhost/plugin_module.h"

#include <stdio.h>

#include "testhost/fault_guard.h"
#include "testhost/host_core.h"
#include "testhost/host_folder.h"
#include "testhost/transcript.h"

namespace testhost {

bool PluginModule::load(const std::string& path, std::string* error) {
    if (module_) {
        *error = "already loaded";
        return false;
    }
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        *error =
            "LoadLibrary(" + path + ") failed, error " + std::to_string(GetLastError());
        return false;
    }
    getPluginInfo_ = reinterpret_cast<GetPluginInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "GetPluginInfo")));
    initialize_ = reinterpret_cast<InitializeFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "Initialize")));
    terminate_ = reinterpret_cast<TerminateFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "Terminate")));
    if (!getPluginInfo_ || !initialize_ || !terminate_) {
        FreeLibrary(module);
        *error = "an export is missing (GetPluginInfo, Initialize, Terminate)";
        return false;
    }
    module_ = module;
    terminated_ = false;
    watchModule(module_, "MelodyRibbon.dll");
    reportInfo();
    int32_t result = initialize_(Host::instance().table());
    say("Initialize returned " + std::to_string(result));
    return true;
}

// What the host's plug-in list would show: name, version and command path.
void PluginModule::reportInfo() {
    std::string line = "plugin";
    for (int32_t index : {2, 0, 1}) {
        char buffer[256] = {0};
        getPluginInfo_(index, buffer, sizeof buffer - 1);
        buffer[sizeof buffer - 1] = 0;
        line += " " + quoted(ansiToUtf8(buffer));
    }
    say(line);
}

void PluginModule::terminate() {
    if (!module_ || terminated_) return;
    terminated_ = true;
    int32_t result = terminate_();
    say("Terminate returned " + std::to_string(result));
    Host::instance().pluginTerminated();
}

void PluginModule::unload() {
    if (!module_) return;
    terminate();
    FreeLibrary(module_);
    moduleUnloaded();
    module_ = NULL;
}

}  // namespace testhost

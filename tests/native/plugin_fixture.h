// A fresh plug-in, simulated desktop and test host for every test, with the
// host executable in a scratch folder of its own.
#pragma once

#include <gtest/gtest.h>
#include <standin/desktop.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/host_services.h"
#include "frame/plugin_exports.h"
#include "frame/settings.h"
#include "frame/text_conversion.h"
#include "frame/trace_log.h"
#include "publish/connections.h"
#include "publish/update_cycle.h"
#include "testhost/host_core.h"

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/mr-native-XXXXXX";
        folder_ = mkdtemp(tmpl);
        standin::reset();
        testhost::Host::instance().reset();
        resetPlugin();
        standin::setModuleFileName(windowsPath(folder_ + "/host.exe"));
    }
    void TearDown() override {
        killTitleTimer();
        std::string cmd = "rm -rf '" + folder_ + "'";
        (void)system(cmd.c_str());
    }

    // Everything the module holds from load to unload, as at load.
    static void resetPlugin() {
        g_logEnabled = false;
        g_logPath[0] = '\0';
        g_iniPath[0] = '\0';
        memset(&g_slots, 0, sizeof g_slots);
        memset(&g_hostApi, 0, sizeof g_hostApi);
        g_getInfoService = 0;
        g_timerId = 0;
        g_terminated = false;
        g_mrOnOff = false;
        g_codePageSelector = chooseCodePage;
    }

    static std::string windowsPath(std::string p) {
        std::replace(p.begin(), p.end(), '/', '\\');
        return p;
    }

    std::string pluginDir() const { return folder_ + "/Plugins/MelodyRibbon"; }
    std::string iniFile() const { return pluginDir() + "/MelodyRibbon.ini"; }
    std::string logFile() const { return pluginDir() + "/MelodyRibbon.Log"; }

    void writeIni(const std::string& text) {
        std::string cmd = "mkdir -p '" + pluginDir() + "'";
        ASSERT_EQ(0, system(cmd.c_str()));
        std::ofstream(iniFile(), std::ios::binary) << text;
    }
    static std::string readFile(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    // The log's lines, CR LF removed.
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::string all = readFile(logFile()), line;
        std::istringstream in(all);
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    testhost::Host& host() { return testhost::Host::instance(); }
    void initialize() { Initialize(host().table()); }

    std::string folder_;
};

#include <dirent.h>
#include <standin/profile.h>
#include <sys/stat.h>

#include "plugin_fixture.h"

namespace {

std::string listFolder(const std::string& path) {
    std::string names;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names += e->d_name;
        closedir(d);
    }
    return names;
}

}  // namespace

using FrameTest = PluginTest;

TEST_F(FrameTest, PluginInfoCopiesBytesAndCutsToTheBuffer) {
    struct Case {
        int32_t index;
        int32_t size;
        const char* text;
        int32_t result;
    } cases[] = {
        {0, 256, "0.2.3", 5},
        {0, 4, "0.2", 3},
        {0, 1, "", 0},
        {1, 256, "AddIn/MELODYRIBBON", 18},
        {2, 256, "MelodyRibbon", 12},
        {6, 256, "0.3.1", 5},
    };
    for (const Case& c : cases) {
        char buffer[256];
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(c.result, GetPluginInfo(c.index, buffer, c.size))
            << c.index << "/" << c.size;
        EXPECT_STREQ(c.text, buffer);
    }
    char description[256];
    EXPECT_EQ(58, GetPluginInfo(3, description, sizeof description));
    EXPECT_EQ(0, memcmp(description, "Winamp\x82\xc5", 8));  // Shift-JIS bytes
}

TEST_F(FrameTest, PluginInfoOutsideTheTableLeavesTheBuffer) {
    for (int32_t index : {-1, 7, 1000}) {
        char buffer[8] = "keep";
        EXPECT_EQ(0, GetPluginInfo(index, buffer, sizeof buffer));
        EXPECT_STREQ("keep", buffer);
    }
}

TEST_F(FrameTest, InitializeRegistersCommandAndHooksAndStartsNoTimer) {
    initialize();
    EXPECT_EQ(std::vector<std::string>{"AddIn/MELODYRIBBON/UIService/Main/swTitle"},
              host().registeredCommands());
    EXPECT_EQ((std::vector<std::string>{"System/Connection/OnConnect",
                                        "System/Connection/OnDisconnect",
                                        "System/Connection/OnInfoChange"}),
              host().hookedEvents());
    EXPECT_EQ(std::vector<std::string>{"System/Connection/GetInfo"},
              host().openedServices());
    EXPECT_TRUE(standin::activeTimers().empty());
    EXPECT_FALSE(g_logEnabled);
    EXPECT_NE(0, access(pluginDir().c_str(), F_OK)) << "nothing is created without Log";
}

TEST_F(FrameTest, PathsComeFromTheHostExecutableFolder) {
    standin::setModuleFileName("C:\\Host\\bin\\host.exe");
    initialize();
    EXPECT_STREQ("C:\\Host\\bin\\Plugins\\MelodyRibbon\\MelodyRibbon.ini", g_iniPath);
    EXPECT_STREQ("C:\\Host\\bin\\Plugins\\MelodyRibbon\\MelodyRibbon.Log", g_logPath);
}

TEST_F(FrameTest, AFolderTooLongForTheLogPathLeavesTheLogOff) {
    std::string folder = "C:\\" + std::string(230, 'a');
    standin::setModuleFileName(folder + "\\host.exe");
    initialize();
    EXPECT_EQ(folder + "\\Plugins\\MelodyRibbon\\MelodyRibbon.ini",
              std::string(g_iniPath));
    EXPECT_STREQ("", g_logPath);
    g_logEnabled = true;
    EXPECT_EQ(kLogOpenFailed, writeLogText("x"));
}

TEST_F(FrameTest, AHostPathThatDoesNotFitGivesNoFilesAtAll) {
    standin::setModuleFileName("C:\\" + std::string(300, 'a') + "\\host.exe");
    initialize();
    EXPECT_STREQ("", g_iniPath);
    EXPECT_STREQ("", g_logPath);
    EXPECT_EQ(1, g_winampOrder);
    // An empty settings path would name the Windows folder's files.
    std::string windows = folder_ + "/windows";
    ASSERT_EQ(0, mkdir(windows.c_str(), 0755));
    standin::setWindowsDirectory(windows);
    Terminate();
    EXPECT_EQ(0, standin::profileWrites()) << "must not write anywhere";
    EXPECT_EQ("", listFolder(windows));
}

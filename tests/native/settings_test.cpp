#include "plugin_fixture.h"

using SettingsTest = PluginTest;

// The release's sample file spells out the defaults; a user who copies it
// must get exactly what no file gives.
class SettingsDefaultsTest : public PluginTest,
                             public ::testing::WithParamInterface<bool> {};

TEST_P(SettingsDefaultsTest, NoFileAndTheSampleFileGiveTheDefaults) {
    if (GetParam()) writeIni(readFile(MR_SOURCE_DIR "/release/MelodyRibbon.ini"));
    initialize();
    EXPECT_FALSE(g_statusSaveFlg);
    EXPECT_FALSE(g_mrOnOff);
    EXPECT_FALSE(g_logSetting);
    EXPECT_STREQ("MSNP8", g_protocolName);
    EXPECT_STREQ("/NowPlaying...", g_separator);
    EXPECT_EQ(5, g_timerSeconds);
    EXPECT_EQ(1, g_winampOrder);
    EXPECT_EQ(-1, g_iTunesOrder);
    EXPECT_EQ(-1, g_kbMediaPlayerOrder);
    EXPECT_EQ(-1, g_bsPlayerOrder);
    EXPECT_EQ(-1, g_lilithOrder);
    EXPECT_EQ(-1, g_mediaSessionOrder);
    EXPECT_STREQ("", g_mediaSessionApps);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutTheSample, SettingsDefaultsTest,
                         ::testing::Values(false, true));

TEST_F(SettingsTest, SwitchStateIsReadOnlyWhenItIsMeantToSurvive) {
    writeIni("[Main]\r\nStatusSaveFlg=0\r\nMrOnOff=1\r\n");
    initialize();
    EXPECT_FALSE(g_mrOnOff);
    EXPECT_TRUE(standin::activeTimers().empty());

    writeIni("[Main]\r\nStatusSaveFlg=1\r\nMrOnOff=1\r\nTimer=7\r\n");
    resetPlugin();
    initialize();
    EXPECT_TRUE(g_mrOnOff);
    ASSERT_EQ(1u, standin::activeTimers().size());
    EXPECT_EQ(7000u, standin::activeTimers()[0].intervalMs);
}

TEST_F(SettingsTest, TextsAreCutTo31Characters) {
    std::string forty(40, 's');
    writeIni("[Main]\r\nSeparator=" + forty + "\r\nProtocolName=" + forty + "\r\n");
    initialize();
    EXPECT_EQ(forty.substr(0, 31), g_separator);
    EXPECT_EQ(forty.substr(0, 31), g_protocolName);
    Terminate();
    EXPECT_NE(std::string::npos,
              readFile(iniFile()).find("Separator=" + forty.substr(0, 31) + "\r\n"));
}

TEST_F(SettingsTest, WriteBackKeepsOtherLinesAndResetsLog) {
    writeIni(
        "; my notes\r\n[Main]\r\nLog=1\r\nStatusSaveFlg=1\r\nMrOnOff=0\r\nTimer=-3\r\n"
        "Extra=kept\r\n\r\n[Player]\r\nLilithOrder=abc\r\n");
    initialize();
    EXPECT_TRUE(g_logEnabled);
    EXPECT_EQ(0, g_lilithOrder) << "no leading digits reads as 0";
    EXPECT_EQ(-3, g_timerSeconds) << "kept as stored; only the timer is kept sane";
    g_mrOnOff = true;
    Terminate();
    std::string ini = readFile(iniFile());
    for (const char* line :
         {"; my notes\r\n", "Log=0\r\n", "MrOnOff=1\r\n", "Timer=-3\r\n",
          "Extra=kept\r\n", "StatusSaveFlg=1\r\n", "LilithOrder=0\r\n",
          "WinampOrder=1\r\n", "ProtocolName=MSNP8\r\n"})
        EXPECT_NE(std::string::npos, ini.find(line)) << line << " in\n" << ini;
}

TEST_F(SettingsTest, SaveCreatesTheFolderBesideTheHostNotTheCurrentDirectory) {
    initialize();
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    ASSERT_EQ(0, chdir("/"));
    Terminate();
    ASSERT_EQ(0, chdir(cwd));
    std::string ini = readFile(iniFile());
    EXPECT_NE(std::string::npos,
              ini.find("[Main]\r\nStatusSaveFlg=0\r\nMrOnOff=0\r\nLog=0\r\n"))
        << ini;
}

TEST_F(SettingsTest, AnEmptySeparatorMeansTheDefault) {
    writeIni("[Main]\r\nSeparator=\r\n");
    initialize();
    EXPECT_STREQ("/NowPlaying...", g_separator);
}

// A settings file the user made read-only: it is read as usual, and saving
// at Terminate leaves it exactly as it was.
TEST_F(SettingsTest, AReadOnlyFileIsReadAndLeftAsItWas) {
    const std::string text = "[Main]\r\nTimer=7\r\nLog=1\r\n";
    writeIni(text);
    ASSERT_EQ(0, system(("chmod 0444 '" + iniFile() + "'").c_str()));
    initialize();
    EXPECT_EQ(7, g_timerSeconds);
    g_mrOnOff = true;
    Terminate();
    EXPECT_EQ(text, readFile(iniFile()));
}

// The app list has room for several long app ids, well beyond the other
// texts' 31 characters, and is written back as read.
TEST_F(SettingsTest, MediaSessionSettingsAreReadAndWrittenBack) {
    const std::string apps =
        "Spotify.exe;foobar2000;Microsoft.ZuneMusic_8wekyb3d8bbwe!Microsoft.ZuneMusic";
    writeIni("[Player]\r\nMediaSessionOrder=2\r\nMediaSessionApps=" + apps + "\r\n");
    initialize();
    EXPECT_EQ(2, g_mediaSessionOrder);
    EXPECT_EQ(apps, g_mediaSessionApps);
    Terminate();
    std::string ini = readFile(iniFile());
    EXPECT_NE(std::string::npos, ini.find("MediaSessionOrder=2\r\n")) << ini;
    EXPECT_NE(std::string::npos, ini.find("MediaSessionApps=" + apps + "\r\n")) << ini;
}

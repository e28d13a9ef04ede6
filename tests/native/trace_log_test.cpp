#include "plugin_fixture.h"

using TraceLogTest = PluginTest;

TEST_F(TraceLogTest, FormatsOnlyItsOwnConversions) {
    struct Case {
        const char* expected;
        int32_t length;
        std::string actual;
    };
    char line[kLogLineBytes];
    std::vector<Case> cases;
    auto fmt = [&](const char* expected, int32_t n) {
        cases.push_back({expected, n, line});
    };
    fmt("Timer:5", formatLogLine(line, sizeof line, "Timer:%d", 5));
    fmt("Title[]", formatLogLine(line, sizeof line, "Title[%s]", ""));
    fmt("100%", formatLogLine(line, sizeof line, "100%%"));
    fmt("c7", formatLogLine(line, sizeof line, "%c%d", 7));
    fmt("-2147483648", formatLogLine(line, sizeof line, "%d", INT32_MIN));
    fmt("2147483647 0 -7",
        formatLogLine(line, sizeof line, "%d %d %d", INT32_MAX, 0, -7));
    fmt("1.500000", formatLogLine(line, sizeof line, "%f", 1.5));
    fmt("a[]", formatLogLine(line, sizeof line, "a[%s]", (const char*)NULL));
    fmt("end", formatLogLine(line, sizeof line, "end%"));
    fmt("T\n", formatLogLine(line, sizeof line, "T\n"));
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, c.actual);
        EXPECT_EQ((int32_t)strlen(c.expected), c.length) << c.expected;
    }
}

TEST_F(TraceLogTest, LongLinesAreCutInsideTheBuffer) {
    std::string name(2047, 'n');
    char line[kLogLineBytes];
    EXPECT_EQ(1023, formatLogLine(line, sizeof line, "strUserName[%s]", name.c_str()));
    EXPECT_EQ('\0', line[1023]);
}

// Literal runs, texts and numbers are each copied as far as they fit.
TEST_F(TraceLogTest, ASmallBufferIsFilledToItsLastByte) {
    struct Case {
        const char* format;
        const char* text;  // NULL: the argument is INT32_MIN
        const char* expected;
    } cases[] = {
        {"abcdefghij", "", "abcdefg"},     {"abcdefg", "", "abcdefg"},
        {"ab%scd", "xyz12345", "abxyz12"}, {"abcdef%s", "g", "abcdefg"},
        {"abcdef%s", "gh", "abcdefg"},     {"abcdefg%s", "h", "abcdefg"},
        {"%s%%", "abcdef", "abcdef%"},     {"%d", NULL, "-214748"},
    };
    for (const Case& c : cases) {
        char line[8];
        memset(line, 'X', sizeof line);
        int32_t n = c.text ? formatLogLine(line, sizeof line, c.format, c.text)
                           : formatLogLine(line, sizeof line, c.format, INT32_MIN);
        EXPECT_STREQ(c.expected, line) << c.format;
        EXPECT_EQ((int32_t)strlen(c.expected), n) << c.format;
    }
}

TEST_F(TraceLogTest, NothingReachesTheFileBeforeTheSwitchIsOn) {
    writeIni("[Main]\r\nLog=1\r\nStatusSaveFlg=1\r\nMrOnOff=1\r\n");
    DllMain(NULL, DLL_PROCESS_ATTACH, NULL);
    initialize();
    writeLog("Title[%s]\n", "A");
    DllMain(NULL, DLL_PROCESS_DETACH, NULL);
    std::vector<std::string> lines = logLines();
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ("TimerON", lines[0]);
    EXPECT_EQ("#Initialize End.", lines[1]);
    EXPECT_EQ("Title[A]", lines[2]);
    EXPECT_EQ("", lines[3]) << "a line feed in the format leaves an empty line";
    // The detach text carries its own CR LF; text mode makes that CR CR LF,
    // and the line's own end follows, as an empty line.
    EXPECT_EQ("\x83\x66\x83\x5e\x83\x62\x83\x60\x82\xb5\x82\xdc\x82\xb5\x82\xbd\r",
              lines[4]);
    EXPECT_EQ("", lines[5]);
}

TEST_F(TraceLogTest, OffWritesNothingAndAMissingFolderFailsEveryLine) {
    g_logEnabled = false;
    lstrcpynA(g_logPath, (folder_ + "/missing/x.Log").c_str(), kLogPathBytes);
    EXPECT_EQ(7, writeLog("Timer:%d", 5));
    g_logEnabled = true;
    EXPECT_EQ(kLogOpenFailed, writeLog("Timer:%d", 5));
    EXPECT_EQ(kLogOpenFailed, writeLogText("again"));
    EXPECT_NE(0, access((folder_ + "/missing").c_str(), F_OK));
}

// The log's path taken by a folder, or by a file the user made read-only:
// every line fails, and what stands there is left exactly as it was.
TEST_F(TraceLogTest, AnUnwritableLogFailsEveryLineAndChangesNothing) {
    struct Case {
        const char* what;
        const char* prepare;  // shell command; %s is the log's path
    } cases[] = {
        {"a folder", "mkdir '%s'"},
        {"a read-only file", "printf 'kept' > '%s' && chmod 0444 '%s'"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::string path = folder_ + "/" + k.what + ".Log";
        char command[1024];
        snprintf(command, sizeof command, k.prepare, path.c_str(), path.c_str());
        ASSERT_EQ(0, system(command));
        lstrcpynA(g_logPath, path.c_str(), kLogPathBytes);
        g_logEnabled = true;
        EXPECT_EQ(kLogOpenFailed, writeLog("Timer:%d", 5));
        EXPECT_EQ(kLogOpenFailed, writeLogText("again"));
        EXPECT_EQ(kLogOpenFailed,
                  writeLogWide("Title[%s]", testhost::widen("A").c_str()));
        if (std::string(k.what) == "a folder")
            EXPECT_EQ(0, system(("test -d '" + path + "'").c_str()));
        else
            EXPECT_EQ("kept", readFile(path));
    }
}

#include "players/lilith.h"

#include "dde_fixture.h"
#include "players/player_selection.h"
#include "winamp_fixture.h"

using LilithTest = LoggingPluginTest;

TEST_F(LilithTest, WithoutItsWindowLilithIsNotAskedAtAll) {
    standin::addDdeServer("LILITH_EXT_CONTROL", "LILITH_EXT_CONTROL").answers["/status"] =
        cfText("play");
    HWND slot = (HWND)1;
    EXPECT_EQ(kLilithAbsent, checkLilithStatus(&slot));
    EXPECT_EQ(NULL, slot);
    EXPECT_TRUE(standin::ddeCalls().empty());
    EXPECT_EQ((std::vector<std::string>{
                  "checkLilithStatus Exit  Reason: Lilith don't execute."}),
              logLines());
}

TEST_F(LilithTest, StatusFromTheAnswer) {
    struct Case {
        const char* name;
        std::string answer;
        PlayerStatus expected;
    } cases[] = {
        {"play", cfText("play"), kLilithPlaying},
        {"play, unterminated", "play", kLilithPlaying},
        {"stop", cfText("stop"), kLilithNotPlaying},
        {"Play", cfText("Play"), kLilithAbsent},
        {"STOP", cfText("STOP"), kLilithAbsent},
        {"playing", cfText("playing"), kLilithAbsent},
        {"play and a blank", cfText("play "), kLilithAbsent},
        {"pause", cfText("pause"), kLilithAbsent},
        {"empty", cfText(""), kLilithAbsent},
        {"no bytes", "", kLilithAbsent},
        {"longer than the answer buffer", std::string(5000, 'p'), kLilithAbsent},
    };
    FakeLilith lilith("Lilith");
    HWND slot = NULL;
    for (const Case& c : cases) {
        lilith.answer(c.answer);
        EXPECT_EQ(c.expected, checkLilithStatus(&slot)) << c.name;
        EXPECT_EQ(lilith.window(), slot) << c.name;
    }
    EXPECT_TRUE(logLines().empty()) << "only a missing window is logged";
    expectAllReleased("answers");
}

// Every failure gives -520 without a word in the log, and releases what the
// probe made; a silent Lilith costs exactly its 3 s time-out.
TEST_F(LilithTest, FailuresReleaseEverything) {
    struct Case {
        const char* name;
        void (*arrange)(FakeLilith&);
        DWORD waitedMs;
    } cases[] = {
        {"silent", [](FakeLilith& l) { l.server().silent = true; }, 3000},
        {"late", [](FakeLilith& l) { l.server().delayMs = 3500; }, 3000},
        {"refused", [](FakeLilith& l) { l.server().answers.clear(); }, 0},
        {"no DDE server",
         [](FakeLilith&) {
             standin::removeDdeServer("LILITH_EXT_CONTROL", "LILITH_EXT_CONTROL");
         },
         0},
        {"DdeInitializeA fails", [](FakeLilith&) { standin::failDdeInitialize(true); },
         0},
        {"service handle fails", [](FakeLilith&) { standin::failDdeStringHandle(1); }, 0},
        {"topic handle fails", [](FakeLilith&) { standin::failDdeStringHandle(2); }, 0},
        {"item handle fails", [](FakeLilith&) { standin::failDdeStringHandle(3); }, 0},
    };
    for (const Case& c : cases) {
        standin::reset();
        FakeLilith lilith("Lilith");
        c.arrange(lilith);
        HWND slot = NULL;
        DWORD before = standin::nowMs();
        EXPECT_EQ(kLilithAbsent, checkLilithStatus(&slot)) << c.name;
        EXPECT_EQ(c.waitedMs, standin::nowMs() - before) << c.name;
        expectAllReleased(c.name);
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(LilithTest, OneRequestThenTeardownInOrder) {
    FakeLilith lilith("Lilith");
    HWND slot = NULL;
    EXPECT_EQ(kLilithPlaying, checkLilithStatus(&slot));
    std::vector<std::string> expected = {
        "DdeInitializeA flags=16",
        "DdeCreateStringHandleA LILITH_EXT_CONTROL 1004",
        "DdeCreateStringHandleA LILITH_EXT_CONTROL 1004",
        "DdeConnect LILITH_EXT_CONTROL LILITH_EXT_CONTROL",
        "DdeCreateStringHandleA /status 1004",
        "DdeClientTransaction /status fmt=1 type=0x20b0 timeout=3000",
        "DdeFreeStringHandle /status",
        "DdeGetData",
        "DdeFreeDataHandle",
        "DdeDisconnect",
        "DdeFreeStringHandle LILITH_EXT_CONTROL",
        "DdeFreeStringHandle LILITH_EXT_CONTROL",
        "DdeUninitialize",
    };
    EXPECT_EQ(expected, standin::ddeCalls());
}

// Mend: the marker is the full-width bracket itself, found in the UTF-16
// caption, so the cut does not depend on the ANSI code page.
TEST_F(LilithTest, TitleFollowsTheFirstFullWidthBracket) {
    struct Case {
        const char* caption;
        const char* title;
    } cases[] = {
        {"abc］Artist - Song", "Artist - Song"},
        {"a］b］c", "b］c"},
        {"abc］", ""},
        {"］", ""},
        {"[01/12]］宇多田 - 桜流し 😀", "宇多田 - 桜流し 😀"},
        {"no marker", ""},
        {"a]b", ""},  // an ASCII bracket is no marker
        {"", ""},
    };
    for (const Case& c : cases) {
        WCHAR out[kTitleUnits];
        memset(out, 'x', sizeof out);
        cutLilithCaption(testhost::widen(c.caption).c_str(), out, kTitleUnits);
        EXPECT_EQ(testhost::widen(c.title), testhost::WText(out)) << c.caption;
    }
}

TEST_F(LilithTest, TitleIsTheSameUnderEveryCodePage) {
    FakeLilith lilith("Lilith［1/3］宇多田 - 桜流し");
    for (UINT cp : {932u, 1252u}) {
        standin::setAnsiCodePage(cp);
        WCHAR title[kTitleUnits];
        EXPECT_TRUE(getLilithTitle(title, kTitleUnits, lilith.window())) << cp;
        EXPECT_EQ(testhost::widen("宇多田 - 桜流し"), testhost::WText(title)) << cp;
    }
    // The log is ANSI: under 1252 the Japanese letters show as '?'.
    EXPECT_EQ((std::vector<std::string>{"LilithTitle[\x89\x46\x91\xbd\x93\x63 - "
                                        "\x8d\xf7\x97\xac\x82\xb5]",
                                        "LilithTitle[??? - ???]"}),
              logLines());
    lilith.caption("］" + std::string(300, 'a'));
    WCHAR title[kTitleUnits];
    getLilithTitle(title, kTitleUnits, lilith.window());
    EXPECT_EQ(testhost::WText(kTitleUnits - 1, 'a'), testhost::WText(title));
}

// Lilith's caption is Shift-JIS.  Under another ANSI code page its bracket
// arrives as that code page reads the two bytes 81 6E (U+0081 'n' under
// 1252), and marks the title all the same; under 932 those units are
// plain text.
TEST_F(LilithTest, TheBracketWidenedUnderAnotherCodePageMarksTheTitle) {
    struct Case {
        UINT acp;
        const char* caption;
        const char* title;
    } cases[] = {
        {1252, "Lilith[1/3]\u0081nArtist - Song", "Artist - Song"},
        {1252, "a\u0081nb］c", "b］c"},
        {1252, "a］b\u0081nc", "b\u0081nc"},
        {1252, "a\u0081", ""},
        {1252, "a\u0081m b", ""},
        {932, "a\u0081nb", ""},
        // UTF-8 cannot read 81: its U+FFFD would stand for any byte.
        {65001, "a\uFFFDnb", ""},
        {932, "a］b", "b"},
    };
    for (const Case& c : cases) {
        standin::setAnsiCodePage(c.acp);
        WCHAR out[kTitleUnits];
        memset(out, 'x', sizeof out);
        cutLilithCaption(testhost::widen(c.caption).c_str(), out, kTitleUnits);
        EXPECT_EQ(testhost::widen(c.title), testhost::WText(out))
            << c.acp << " " << c.caption;
    }
}

TEST_F(LilithTest, LilithFirstBeatsWinampFifth) {
    writeIni("[Main]\r\nLog=1\r\n[Player]\r\nWinampOrder=5\r\nLilithOrder=1\r\n");
    initialize();
    FakeWinamp winamp("1. A - B - Winamp");
    FakeLilith lilith("Lilith］Artist - Song");
    PlayerHandles handles = {};
    std::remove(logFile().c_str());
    int32_t target = checkPlayerStatus(&handles);
    EXPECT_EQ(10500, target);
    EXPECT_EQ(lilith.window(), handles.lilith);
    WCHAR title[kTitleUnits] = {0};
    EXPECT_TRUE(getTitle(target, title, kTitleUnits, &handles));
    EXPECT_EQ(testhost::widen("Artist - Song"), testhost::WText(title));
    std::vector<std::string> expected = {
        "@@checkPlayerStatus",        "Winamp Status:50100",  "Lilith Status:10500",
        "#checkPlayerStatus",         "@@getTitle",           "TargetPlayer:500",
        "LilithTitle[Artist - Song]", "Title[Artist - Song]", "#getTitle"};
    EXPECT_EQ(expected, logLines());
    expectAllReleased("selection");
}

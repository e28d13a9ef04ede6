// Titles keep every character on their way from a reader to the display
// name, whatever the ANSI code page; only the trace log shows them narrowed.
#include "frame/wide_text.h"
#include "players/player_status.h"
#include "winamp_fixture.h"

using testhost::widen;
using testhost::WText;

class WideTitleTest : public PluginTest {
protected:
    void start(UINT acp) {
        standin::setAnsiCodePage(acp);
        writeIni("[Main]\r\nLog=1\r\nTimer=1\r\n");
        initialize();
    }
    void pump(DWORD ms) {
        for (DWORD t = 0; t < ms; t += 100) {
            standin::advance(100);
            host().deliverPendingEvents();
        }
    }
    bool logHas(const std::string& line) const {
        std::vector<std::string> lines = logLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

// Every writer cuts at a whole character: an emoji (a surrogate pair) that
// would straddle the end is left out whole.
TEST_F(WideTitleTest, WritersCutAtAWholeCharacter) {
    WCHAR out[8];
    struct Case {
        const char* text;
        const char* copied;  // into 8 units
    } cases[] = {{"abc", "abc"},
                 {"abcdefgh", "abcdefg"},
                 {"abcdef😀", "abcdef"},
                 {"abcde😀", "abcde😀"},
                 {"桜流し😀桜流し", "桜流し😀桜流"}};
    for (const Case& c : cases) {
        EXPECT_EQ(widen(c.copied), WText(out, copyWide(out, 8, widen(c.text).c_str())))
            << c.text;
        EXPECT_EQ(widen(c.copied), WText(out)) << c.text;
    }

    struct Compose {
        const char* title;
        const char* artist;
        const char* composed;  // into 8 units
        int length;
    } composes[] = {{"Song", "Band", "Song - ", 11},
                    {"A", "B", "A - B", 5},
                    {"A", "", "A - ", 4},
                    {"", "B", " - B", 4},
                    {"ab", "cd😀", "ab - cd", 9},
                    {"😀😀😀😀", "x", "😀😀😀", 12}};
    for (const Compose& c : composes) {
        EXPECT_EQ(c.length, composeTitleArtist(out, 8, widen(c.title).c_str(),
                                               widen(c.artist).c_str()))
            << c.title;
        EXPECT_EQ(widen(c.composed), WText(out)) << c.title;
    }
    EXPECT_EQ(3, composeTitleArtist(out, 8, NULL, NULL));
    EXPECT_EQ(widen(" - "), WText(out));
}

// Narrow sources are widened with the conversion code page: exactly the
// characters the code page gives them, cut at a whole character.
TEST_F(WideTitleTest, NarrowTextIsWidenedWithTheCodePage) {
    WCHAR out[8];
    EXPECT_EQ(widen("Beyoncé"), WText(out, widenText(out, 8, "Beyonc\xe9", -1, 1252)));
    EXPECT_EQ(widen("桜流し"),
              WText(out, widenText(out, 8, "\x8d\xf7\x97\xac\x82\xb5", -1, 932)));
    EXPECT_EQ(widen("ab"), WText(out, widenText(out, 8, "abcd", 2, 1252)));
    EXPECT_EQ(widen("abcdefg"), WText(out, widenText(out, 8, "abcdefghij", -1, 1252)));
    EXPECT_EQ(0, widenText(out, 8, NULL, -1, 1252));
    EXPECT_EQ(0, out[0]);
    // The bound on what is converted never shows in a title.
    std::string longText(3 * kWidenBytes, '\x82');
    for (size_t i = 1; i < longText.size(); i += 2) longText[i] = '\xa0';  // "あ"...
    WCHAR title[kTitleUnits];
    EXPECT_EQ(kTitleUnits - 1, widenText(title, kTitleUnits, longText.c_str(), -1, 932));
    EXPECT_EQ(WText(kTitleUnits - 1, (WCHAR)0x3042), WText(title));
}

// The log shows a title in the code page: characters it lacks become its
// default character, one "?" per unit.
TEST_F(WideTitleTest, TheLogShowsTheCodePagesRendering) {
    // (Windows maps some missing characters to look-alikes, "é" to "e"
    // under 932; the cases keep to characters it has no look-alike for.)
    struct Case {
        UINT acp;
        const char* title;
        const char* expected;
    } cases[] = {{1252, "桜流 - Beyoncé 😀", "Title[?? - Beyonc\xe9 ??]"},
                 {932, "桜流 - 😀", "Title[\x8d\xf7\x97\xac - ??]"}};
    for (const Case& c : cases) {
        standin::setAnsiCodePage(c.acp);
        char line[kLogLineBytes];
        WText title = widen(c.title);
        g_logEnabled = true;
        lstrcpynA(g_logPath, (folder_ + "/t.Log").c_str(), kLogPathBytes);
        std::remove((folder_ + "/t.Log").c_str());
        int32_t n = writeLogWide("Title[%s]", title.c_str());
        formatLogLine(line, sizeof line, "%s", readFile(folder_ + "/t.Log").c_str());
        EXPECT_EQ(std::string(c.expected) + "\r\n", line) << c.acp;
        EXPECT_EQ((int32_t)strlen(c.expected), n);
    }
}

// End to end, under both code pages: the title is published unit for unit,
// is not sent again while it stays, and switching off gives the user's name
// back exactly.
class WideTitleCycleTest : public WideTitleTest,
                           public ::testing::WithParamInterface<UINT> {};

TEST_P(WideTitleCycleTest, ATitleOutsideTheCodePageIsPublishedUnitForUnit) {
    const UINT acp = GetParam();
    start(acp);
    FakeWinamp winamp(acp == 932 ? "5. 宇多田 - 桜流し 😀 - Winamp"
                                 : "5. 宇多田 - 桜流し 😀 Beyoncé - Winamp");
    WText title = widen(acp == 932 ? "宇多田 - 桜流し 😀" : "宇多田 - 桜流し 😀 Beyoncé");
    uint32_t c = host().connect("MSNP8", widen("ボブ"));
    host().chooseCommand();
    pump(3000);
    EXPECT_EQ(widen("ボブ/NowPlaying...") + title, host().name(c));
    EXPECT_EQ(1u, host().nameChanges().size()) << "same title, nothing sent again";
    EXPECT_TRUE(logHas(acp == 932 ? "Title[\x89\x46\x91\xbd\x93\x63 - "
                                    "\x8d\xf7\x97\xac\x82\xb5 ??]"
                                  : "Title[??? - ??? ?? Beyonc\xe9]"));
    host().chooseCommand();
    EXPECT_EQ(widen("ボブ"), host().name(c));
}

INSTANTIATE_TEST_SUITE_P(CodePages, WideTitleCycleTest, ::testing::Values(1252u, 932u));

#include "plugin_fixture.h"

using TextConversionTest = PluginTest;
using testhost::widen;

TEST_F(TextConversionTest, ChooserDecidesOnceFromThePlatform) {
    struct Case {
        DWORD platform, major;
        const char* localeText;
        UINT expected;
    } cases[] = {
        {VER_PLATFORM_WIN32_NT, 5, "932", CP_THREAD_ACP},
        {VER_PLATFORM_WIN32_NT, 6, "932", CP_THREAD_ACP},
        {VER_PLATFORM_WIN32_NT, 4, "932", 932},
        {VER_PLATFORM_WIN32_WINDOWS, 4, "932", 932},
        {VER_PLATFORM_WIN32_WINDOWS, 4, "0", 1252},  // GetACP()
    };
    for (const Case& c : cases) {
        standin::reset();
        g_codePageSelector = chooseCodePage;
        standin::setVersion(c.platform, c.major, 0);
        standin::setLocaleAnsiCodePageText(c.localeText);
        EXPECT_EQ(c.expected, getConversionCodePage()) << c.platform << "." << c.major;
        standin::setVersion(VER_PLATFORM_WIN32_NT, 10, 0);
        EXPECT_EQ(c.expected, getConversionCodePage()) << "the first choice stands";
        EXPECT_EQ(1, standin::versionQueryCount());
    }
}

TEST_F(TextConversionTest, LocaleVariantLooksUpTheLocaleEveryTime) {
    standin::setVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    standin::setLocaleAnsiCodePageText("932");
    EXPECT_EQ(932u, getConversionCodePage());
    standin::setLocaleAnsiCodePageText("1251");
    EXPECT_EQ(1251u, getConversionCodePage());
    standin::failLocaleQuery(true);
    EXPECT_EQ(1252u, getConversionCodePage());
}

TEST_F(TextConversionTest, NullAndEmptyTexts) {
    WCHAR out[4] = {'k', 'e', 'e', 'p'};
    EXPECT_EQ(nullptr, ansiToWide(out, NULL, 4, 1252));
    EXPECT_EQ('k', out[0]) << "output untouched";
    char ansi[8] = "x";
    const WCHAR empty[] = {0};
    EXPECT_EQ(ansi, wideToAnsi(ansi, sizeof ansi, empty, 1252));
    EXPECT_STREQ("", ansi);
    EXPECT_EQ(nullptr, wideToAnsi(ansi, sizeof ansi, NULL, 1252));
}

TEST_F(TextConversionTest, WideToAnsiNeverFailsForLackOfRoom) {
    // Three UTF-8 bytes per unit: more than two bytes per unit of room.
    testhost::WText japanese = widen("再生中のタイトル");
    char out[64];
    ASSERT_NE(nullptr, wideToAnsi(out, sizeof out, japanese.c_str(), CP_UTF8));
    EXPECT_STREQ("再生中のタイトル", out);
    // Too small: cut at the last whole character, still terminated.
    char small[8];
    ASSERT_NE(nullptr, wideToAnsi(small, sizeof small, japanese.c_str(), CP_UTF8));
    EXPECT_STREQ("再生", small);
    // An emoji is never split between its two units.
    testhost::WText emoji = widen("ab😀");
    char five[5];
    ASSERT_NE(nullptr, wideToAnsi(five, sizeof five, emoji.c_str(), CP_UTF8));
    EXPECT_STREQ("ab", five);
}

TEST_F(TextConversionTest, CharactersTheCodePageLacksBecomeItsDefault) {
    testhost::WText text = widen("Bob😀Ж");
    char out[32];
    ASSERT_NE(nullptr, wideToAnsi(out, sizeof out, text.c_str(), 1252));
    std::string ansi = out;
    EXPECT_EQ("Bob", ansi.substr(0, 3));
    EXPECT_LE(2u, ansi.size() - 3);
    EXPECT_EQ(std::string::npos, ansi.find_first_not_of('?', 3)) << ansi;
    WCHAR back[32];
    ASSERT_NE(nullptr, ansiToWide(back, "Caf\xe9", 32, 1252));
    EXPECT_EQ(widen("Café"), testhost::WText(back));
}

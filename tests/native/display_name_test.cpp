#include "publish/display_name.h"

#include "players/player_status.h"
#include "plugin_fixture.h"

using DisplayNameTest = PluginTest;
using testhost::widen;
using testhost::WText;

TEST_F(DisplayNameTest, CutFindsTheLastSeparatorIgnoringCase) {
    lstrcpynA(g_separator, "/NowPlaying...", kSettingTextBytes);
    struct Case {
        const char* name;
        const char* user;
        const char* title;
    } cases[] = {
        {"Bob", "Bob", ""},
        {"Bob/NowPlaying...A - B", "Bob", "A - B"},
        {"Bob/NOWPLAYING...A - B", "Bob", "A - B"},
        {"Bob/NowPlaying...", "Bob", ""},
        {"/NowPlaying...A - B", "", "A - B"},
        {"A/NowPlaying...B/NowPlaying...C", "A/NowPlaying...B", "C"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        WCHAR title[kTitleUnits];
        testhost::WText name = widen(c.name);
        int units = cutUserName(title, kTitleUnits, name.c_str());
        EXPECT_EQ(widen(c.user), name.substr(0, units)) << c.name;
        EXPECT_EQ(widen(c.title), WText(title)) << c.name;
    }
}

TEST_F(DisplayNameTest, CutKeepsOverlongPartsInsideTheirBuffers) {
    testhost::WText name = widen(std::string(1023, 'u'));
    WCHAR title[kTitleUnits];
    EXPECT_EQ(1023, cutUserName(title, kTitleUnits, name.c_str()));
    name = widen("Bob/NowPlaying..." + std::string(900, 't'));
    cutUserName(title, kTitleUnits, name.c_str());
    EXPECT_EQ(255u, WText(title).size());
    // A title part whose 255th unit would be half an emoji stops before it.
    name = widen("Bob/NowPlaying..." + std::string(254, 't') + "😀");
    cutUserName(title, kTitleUnits, name.c_str());
    EXPECT_EQ(254u, WText(title).size());
}

// On UTF-16 units: characters that one ANSI code page would render alike
// ("?" for both) stay different titles.
TEST_F(DisplayNameTest, SameTitleIsAPrefixComparisonOfUnits) {
    struct Case {
        const char* inName;
        const char* title;
        bool same;
    } cases[] = {
        {"A - B", "A - B", true},
        {"A - B", "A - b", false},
        {"A - B (live)", "A - B", true},
        {"A - B", "A - B (live)", false},
        {"anything", "", true},
        {"", "A", false},
        {"桜流し - 宇多田", "桜流し", true},
        {"桜流し", "桜流れ", false},
        {"Beyoncé 😀 - x", "Beyoncé 😀", true},
        {"Beyoncé 😁", "Beyoncé 😀", false},
        {"Beyonce", "Beyoncé", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.same, isSameTitle(widen(c.inName).c_str(), widen(c.title).c_str()))
            << c.inName << " / " << c.title;
}

TEST_F(DisplayNameTest, MakeCutsTheTitleNeverTheUserName) {
    testhost::WText sep = widen("/NowPlaying..."), title = widen("A - B");
    WCHAR out[kNameUnits];
    testhost::WText bob = widen("Bob");
    EXPECT_EQ(5, makeUserName(out, bob.c_str(), 3, sep.c_str(), title.c_str()));
    EXPECT_EQ(widen("Bob/NowPlaying...A - B"), testhost::WText(out));
    EXPECT_EQ(5, makeUserName(out, bob.c_str(), 0, sep.c_str(), title.c_str()));
    EXPECT_EQ(widen("/NowPlaying...A - B"), testhost::WText(out));

    testhost::WText longUser(1000, 'u'), longTitle(20, 't');
    EXPECT_EQ(9,
              makeUserName(out, longUser.c_str(), 1000, sep.c_str(), longTitle.c_str()));
    EXPECT_EQ(1023u, testhost::WText(out).size());
    EXPECT_EQ(longUser, testhost::WText(out).substr(0, 1000));

    // A surrogate pair that would be cut in half is left out whole.
    testhost::WText user(1023 - 14 - 2, 'u'), emoji = widen("a😀");
    EXPECT_EQ(
        1, makeUserName(out, user.c_str(), (int)user.size(), sep.c_str(), emoji.c_str()));

    testhost::WText full(1010, 'u');
    EXPECT_EQ(-1, makeUserName(out, full.c_str(), 1010, sep.c_str(), title.c_str()));
}

TEST_F(DisplayNameTest, SeparatorInsideATitleIsBlankedOut) {
    struct Case {
        const char* separator;
        const char* title;
        const char* after;
    } cases[] = {
        {"/NowPlaying...", "X/nowplaying...Y/NowPlaying...", "X Y "},
        {"-", "a--b-", "ab"},
        {"/NowPlaying...", "宇多田/NowPlaying...😀", "宇多田 😀"},
        {"♪", "♪桜♪😀", "桜😀"},
    };
    for (const Case& c : cases) {
        WText title = widen(c.title), separator = widen(c.separator);
        neutralizeSeparator(&title[0], separator.c_str());
        EXPECT_EQ(widen(c.after), WText(title.c_str())) << c.title;
    }
}

// Names of every length and make-up, pieces of the separator among them:
// the split always leaves the user's own units in front, and the composed
// name keeps them, carries the separator and stays within the host's limit.
// The sanitizer build turns any overrun here into a failure.
TEST_F(DisplayNameTest, AnyNameSplitsAndComposesWithinBounds) {
    lstrcpynA(g_separator, "/NowPlaying...", kSettingTextBytes);
    const WText pieces[] = {widen("/NowPlaying..."),
                            widen("/nowplaying"),
                            widen("..."),
                            widen("😀"),
                            widen("Ж"),
                            WText(1, (WCHAR)0xD800),
                            widen("Bob"),
                            widen(" - "),
                            WText(37, 'x')};
    const WText separator = widen("/NowPlaying...");
    unsigned seed = 12345;
    auto next = [&seed]() {
        return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF;
    };
    for (int round = 0; round < 3000; round++) {
        WText name;
        size_t target = next() % 1100;
        while (name.size() < target) name += pieces[next() % 9];
        if (name.size() > kNameUnits - 1) name.resize(kNameUnits - 1);
        WCHAR title[kTitleUnits];
        int units = cutUserName(title, kTitleUnits, name.c_str());
        ASSERT_GE(units, 0);
        ASSERT_LE((size_t)units, name.size());
        ASSERT_LT(WText(title).size(), (size_t)kTitleUnits);
        WText newTitle = pieces[next() % 9] + pieces[next() % 9];
        WCHAR out[kNameUnits];
        int used =
            makeUserName(out, name.c_str(), units, separator.c_str(), newTitle.c_str());
        if (used < 0) {
            ASSERT_GT(units + separator.size(), (size_t)kNameUnits - 2);
            continue;
        }
        WText sent(out);
        ASSERT_LE(sent.size(), (size_t)kNameUnits - 1);
        ASSERT_EQ(name.substr(0, units), sent.substr(0, units));
        ASSERT_EQ(separator, sent.substr(units, separator.size()));
    }
}

#include "publish/display_name.h"

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
        char title[kTitleBytes], user[kNameBytes];
        testhost::WText name = widen(c.name);
        int units = cutUserName(title, sizeof title, user, sizeof user, name.c_str());
        EXPECT_STREQ(c.user, user) << c.name;
        EXPECT_STREQ(c.title, title) << c.name;
        EXPECT_EQ((int)strlen(c.user), units) << c.name;
    }
}

TEST_F(DisplayNameTest, CutKeepsOverlongPartsInsideTheirBuffers) {
    testhost::WText name = widen(std::string(1023, 'u'));
    char title[kTitleBytes], user[kNameBytes];
    EXPECT_EQ(1023, cutUserName(title, sizeof title, user, sizeof user, name.c_str()));
    EXPECT_EQ(1023u, strlen(user));
    name = widen("Bob/NowPlaying..." + std::string(900, 't'));
    cutUserName(title, sizeof title, user, sizeof user, name.c_str());
    EXPECT_EQ(255u, strlen(title));
}

TEST_F(DisplayNameTest, SameTitleIsAPrefixComparison) {
    struct Case {
        const char* inName;
        const char* title;
        bool same;
    } cases[] = {
        {"A - B", "A - B", true},        {"A - B", "A - b", false},
        {"A - B (live)", "A - B", true}, {"A - B", "A - B (live)", false},
        {"anything", "", true},          {"", "A", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.same, isSameTitle(c.inName, c.title)) << c.inName << " / " << c.title;
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
    lstrcpynA(g_separator, "/NowPlaying...", kSettingTextBytes);
    char title[64] = "X/nowplaying...Y/NowPlaying...";
    neutralizeSeparator(title);
    EXPECT_STREQ("X Y ", title);
    lstrcpynA(g_separator, "-", kSettingTextBytes);
    char dashes[64] = "a--b-";
    neutralizeSeparator(dashes);
    EXPECT_STREQ("ab", dashes);
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
        char title[kTitleBytes], user[kNameBytes];
        int units = cutUserName(title, sizeof title, user, sizeof user, name.c_str());
        ASSERT_GE(units, 0);
        ASSERT_LE((size_t)units, name.size());
        ASSERT_LT(strlen(title), sizeof title);
        ASSERT_LT(strlen(user), sizeof user);
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

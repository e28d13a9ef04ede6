#include "players/winamp.h"

#include "winamp_fixture.h"

using WinampTest = PluginTest;

TEST_F(WinampTest, TitleIsCutFromTheCaption) {
    struct Case {
        const char* caption;
        const char* title;
    } cases[] = {
        {"12. Artist - Song - Winamp", "Artist - Song"},
        {"7. artist - song - WINAMP", "artist - song"},
        {"3. Song - Winamp - Winamp", "Song - Winamp"},
        {"Artist - Song - Winamp", "Artist - Song"},  // no number: the first word stays
        {"2001 A Space Odyssey - Winamp", "2001 A Space Odyssey"},
        {"12.Song - Winamp", "12.Song"},
        {"Winamp 5.9", ""},
        {"12.  - Winamp", ""},
        {" - Winamp", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        WCHAR out[kTitleUnits];
        memset(out, 'x', sizeof out);
        cutWinampCaption(testhost::widen(c.caption).c_str(), out, kTitleUnits);
        EXPECT_EQ(testhost::widen(c.title), testhost::WText(out)) << c.caption;
    }
}

TEST_F(WinampTest, TitleIsCutToTheCallersCapacity) {
    FakeWinamp winamp("1. " + std::string(600, 'a') + " - Winamp");
    WCHAR title[kTitleUnits];
    EXPECT_TRUE(getWinampTitle(title, kTitleUnits, winamp.window()));
    EXPECT_EQ(testhost::WText(255, 'a'), testhost::WText(title));
    // Characters beyond the code page are kept; an emoji that the cut would
    // halve is left out whole.
    winamp.play("1. " + std::string(254, 'a') + "😀 - Winamp");
    EXPECT_TRUE(getWinampTitle(title, kTitleUnits, winamp.window()));
    EXPECT_EQ(testhost::WText(254, 'a'), testhost::WText(title));
    winamp.play("3. 宇多田 - 桜流し 😀 Beyoncé - Winamp");
    EXPECT_TRUE(getWinampTitle(title, kTitleUnits, winamp.window()));
    EXPECT_EQ(testhost::widen("宇多田 - 桜流し 😀 Beyoncé"), testhost::WText(title));
}

TEST_F(WinampTest, StatusFromTheWindowAndItsAnswer) {
    HWND slot = (HWND)1;
    EXPECT_EQ(kWinampAbsent, checkWinampStatus(&slot));
    EXPECT_EQ(NULL, slot) << "the slot takes the lookup's result, null included";
    FakeWinamp winamp("1. A - Winamp");
    struct Case {
        LRESULT answer;
        PlayerStatus status;
    } cases[] = {{1, kWinampPlaying}, {0, kWinampNotPlaying}, {3, kWinampNotPlaying}};
    for (const Case& c : cases) {
        winamp.setState(c.answer);
        EXPECT_EQ(c.status, checkWinampStatus(&slot)) << c.answer;
        EXPECT_EQ(winamp.window(), slot);
    }
}

TEST_F(WinampTest, AHungWinampCountsAsNotAnsweringWithinTwoSeconds) {
    FakeWinamp winamp("1. A - Winamp");
    winamp.hang(true);
    HWND slot = NULL;
    DWORD before = standin::nowMs();
    EXPECT_EQ(kWinampAbsent, checkWinampStatus(&slot));
    EXPECT_EQ(2000u, standin::nowMs() - before);
    EXPECT_EQ(0, standin::blockingSendsToHungWindows());
    const standin::SentMessage& m = standin::sentMessages().back();
    EXPECT_TRUE(m.withTimeout);
    EXPECT_TRUE(m.flags & SMTO_ABORTIFHUNG);
}

// A player that messages one of our windows while it answers: with
// SMTO_BLOCK our thread could not take that message in, and the two would
// wait for each other until the bound.
TEST_F(WinampTest, APlayerThatMessagesUsWhileAnsweringIsStillHeard) {
    FakeWinamp winamp("1. A - Winamp");
    standin::setCallsBackWhileAnswering(winamp.window(), true);
    HWND slot = NULL;
    DWORD before = standin::nowMs();
    EXPECT_EQ(kWinampPlaying, checkWinampStatus(&slot));
    EXPECT_EQ(0u, standin::nowMs() - before);
}

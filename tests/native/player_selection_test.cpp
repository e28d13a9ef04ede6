#include "players/player_selection.h"

#include "winamp_fixture.h"

using PlayerSelectionTest = PluginTest;

TEST_F(PlayerSelectionTest, SmallestOrderWinsAndTiesGoToTheEarlierPlayer) {
    // Visiting order: Winamp, iTunes, KbMedia Player, BSPlayer, Lilith.
    struct Case {
        int32_t orders[5];
        PlayerStatus statuses[5];
        int32_t target;
    } cases[] = {
        {{1, -1, -1, -1, -1}, {100, 0, 0, 0, 0}, 10100},
        {{2, 1, -1, -1, -1}, {100, 200, 0, 0, 0}, 10200},
        {{1, -1, -1, 1, -1}, {100, 0, 0, 400, 0}, 10100},
        {{1, 2, -1, -1, -1}, {100, 200, 0, 0, 0}, 10100},
        {{5, -1, -1, -1, 1}, {100, 0, 0, 0, 500}, 10500},
        {{-1, -1, 1, 3, -1}, {0, 0, -310, 400, 0}, 30400},
        {{1, 1, 1, 1, 1}, {-110, -210, -320, -420, -520}, -1},
        {{0, -1, 0, -5, 0}, {100, 200, 300, 400, 500}, -1},
        {{INT32_MAX, -1, -1, -1, 7}, {100, 0, 0, 0, 500}, 70500},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.target, chooseTargetPlayer(c.orders, c.statuses, 5)) << c.target;
}

TEST_F(PlayerSelectionTest, DisabledPlayersAreNotProbed) {
    writeIni("[Main]\r\nLog=1\r\n[Player]\r\nWinampOrder=0\r\n");
    initialize();
    FakeWinamp winamp("1. A - Winamp");
    PlayerHandles handles = {};
    std::remove(logFile().c_str());
    EXPECT_EQ(-1, checkPlayerStatus(&handles));
    EXPECT_EQ(0, winamp.queries());
    EXPECT_EQ((std::vector<std::string>{"@@checkPlayerStatus", "#checkPlayerStatus"}),
              logLines());
}

TEST_F(PlayerSelectionTest, TitleGoesToTheTargetsReader) {
    writeIni("[Main]\r\nLog=1\r\n[Player]\r\nWinampOrder=3\r\n");
    initialize();
    FakeWinamp winamp("4. A - B - Winamp");
    PlayerHandles handles = {};
    std::remove(logFile().c_str());
    int32_t target = checkPlayerStatus(&handles);
    EXPECT_EQ(30100, target);
    WCHAR title[kTitleUnits] = {0};
    EXPECT_TRUE(getTitle(target, title, kTitleUnits, &handles));
    EXPECT_EQ(testhost::widen("A - B"), testhost::WText(title));
    EXPECT_FALSE(getTitle(-1, title, kTitleUnits, &handles));
    std::vector<std::string> expected = {"@@checkPlayerStatus",
                                         "Winamp Status:30100",
                                         "#checkPlayerStatus",
                                         "@@getTitle",
                                         "TargetPlayer:100",
                                         "AmpTitle[A - B]",
                                         "Title[A - B]",
                                         "#getTitle",
                                         "@@getTitle",
                                         "TargetPlayer:-1",
                                         "getTitle Exit  Reason:TargetPlayer Not Exist.",
                                         "#getTitle"};
    EXPECT_EQ(expected, logLines());
}

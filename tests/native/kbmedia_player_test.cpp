#include "players/kbmedia_player.h"

#include "dde_fixture.h"
#include "players/player_selection.h"
#include "winamp_fixture.h"

class KbMediaPlayerTest : public LoggingPluginTest {
protected:
    std::string title() {
        WCHAR out[kTitleUnits];
        memset(out, 'x', sizeof out);
        getkbMediaPlayerTitle(out, kTitleUnits);
        return testhost::narrow(testhost::WText(out));
    }
};

TEST_F(KbMediaPlayerTest, OnlyAnExactStopIsAStoppedPlayer) {
    struct Case {
        std::string status;
        PlayerStatus expected;
    } cases[] = {
        {cfText("Stop"), kKbMediaPlayerNotPlaying},
        {"Stop", kKbMediaPlayerNotPlaying},  // unterminated, ended by us
        {cfText("stop"), kKbMediaPlayerPlaying},
        {cfText("STOP"), kKbMediaPlayerPlaying},
        {cfText("Stop "), kKbMediaPlayerPlaying},
        {cfText("Stopped"), kKbMediaPlayerPlaying},
        {cfText(""), kKbMediaPlayerPlaying},
        {"", kKbMediaPlayerPlaying},
        {cfText("Play"), kKbMediaPlayerPlaying},
        {cfText("Pause"), kKbMediaPlayerPlaying},
    };
    FakeKbMedia player;
    for (const Case& c : cases) {
        player.answer("Status", c.status);
        EXPECT_EQ(c.expected, checkkbMediaPlayerStatus()) << c.status;
    }
    expectAllReleased("status answers");
}

TEST_F(KbMediaPlayerTest, StatusLogLines) {
    EXPECT_EQ(kKbMediaPlayerAbsent, checkkbMediaPlayerStatus());
    {
        FakeKbMedia player;
        player.play("Song", "Singer", "Stop");
        EXPECT_EQ(kKbMediaPlayerNotPlaying, checkkbMediaPlayerStatus());
        player.play("Song", "Singer", "Play");
        EXPECT_EQ(kKbMediaPlayerPlaying, checkkbMediaPlayerStatus());
        player.server().silent = true;
        DWORD before = standin::nowMs();
        EXPECT_EQ(kKbMediaPlayerAbsent, checkkbMediaPlayerStatus());
        EXPECT_EQ(2000u, standin::nowMs() - before);
    }
    std::vector<std::string> expected = {
        "checkkbMediaPlayerStatus Exit  Reason: kbMediaPlayer don't execute.",
        "KBStatus:Stop",
        "checkkbMediaPlayerStatus Exit  Reason:kbMediaPlayer Not Playing.",
        "KBStatus:Play",
        "checkkbMediaPlayerStatus Exit  Reason: kbMediaPlayer don't execute.",
    };
    EXPECT_EQ(expected, logLines());
    expectAllReleased("status");
}

TEST_F(KbMediaPlayerTest, TitleComesFirstThenTheArtist) {
    FakeKbMedia player;
    player.play("Song", "Singer");
    EXPECT_EQ("Song - Singer", title());
    std::vector<std::string> expected = {"kbMediaPlayerTitle[Song]",
                                         "kbMediaPlayerArtist[Singer]"};
    EXPECT_EQ(expected, logLines());
    // One fresh conversation per item.
    EXPECT_EQ(2, standin::ddeTally().conversations);
    expectAllReleased("title");
}

// Mend: a part that gets no answer is empty, never "(null)"; with neither
// part there is no title at all rather than a bare " - ".
TEST_F(KbMediaPlayerTest, APartWithoutAnAnswerIsEmpty) {
    struct Case {
        const char* refused[2];
        const char* title;
        const char* titleLine;
        const char* artistLine;
    } cases[] = {
        {{"Artist", ""}, "Song - ", "kbMediaPlayerTitle[Song]", "kbMediaPlayerArtist[]"},
        {{"Title", ""},
         " - Singer",
         "kbMediaPlayerTitle[]",
         "kbMediaPlayerArtist[Singer]"},
        {{"Title", "Artist"}, "", "kbMediaPlayerTitle[]", "kbMediaPlayerArtist[]"},
    };
    FakeKbMedia player;
    for (const Case& c : cases) {
        std::remove(logFile().c_str());
        player.play("Song", "Singer");
        for (const char* item : c.refused) player.refuse(item);
        EXPECT_EQ(c.title, title()) << c.title;
        EXPECT_EQ((std::vector<std::string>{c.titleLine, c.artistLine}), logLines());
    }
    // Answers that are there but empty are the player's own word.
    player.play("", "");
    EXPECT_EQ(" - ", title());
    // A player gone quiet costs both time-outs and gives no title.
    player.server().silent = true;
    DWORD before = standin::nowMs();
    EXPECT_EQ("", title());
    EXPECT_EQ(4000u, standin::nowMs() - before);
    expectAllReleased("missing parts");
}

// The answers are ANSI text of the player's code page; the title leaves
// them in UTF-16, cut to the caller's buffer.
TEST_F(KbMediaPlayerTest, AnswersAreWidenedFromTheAnsiCodePage) {
    FakeKbMedia player;
    player.play("\x8d\xf7\x97\xac\x82\xb5", "\x89\x46\x91\xbd\x93\x63");
    standin::setAnsiCodePage(932);
    EXPECT_EQ("桜流し - 宇多田", title());
    standin::setAnsiCodePage(1252);
    player.play("Halo", "Beyonc\xe9");
    EXPECT_EQ("Halo - Beyoncé", title());
    player.play(std::string(300, 'a').c_str(), "x");
    EXPECT_EQ(std::string(kTitleUnits - 1, 'a'), title());
    expectAllReleased("widening");
}

TEST_F(KbMediaPlayerTest, JoinsTheSelectionBetweenWinampAndTheLaterPlayers) {
    writeIni("[Main]\r\nLog=1\r\n[Player]\r\nWinampOrder=3\r\nkbMediaPlayerOrder=1\r\n");
    initialize();
    FakeWinamp winamp("1. A - B - Winamp");
    FakeKbMedia player;
    player.play("Song", "Singer", "Stop");
    PlayerHandles handles = {};
    std::remove(logFile().c_str());
    EXPECT_EQ(30100, checkPlayerStatus(&handles));
    player.play("Song", "Singer");
    int32_t target = checkPlayerStatus(&handles);
    EXPECT_EQ(10300, target);
    WCHAR out[kTitleUnits] = {0};
    EXPECT_TRUE(getTitle(target, out, kTitleUnits, &handles));
    EXPECT_EQ(testhost::widen("Song - Singer"), testhost::WText(out));
    std::vector<std::string> lines = logLines();
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("kbMediaPlayer Status:-310"));
    EXPECT_TRUE(has("kbMediaPlayer Status:10300"));
    EXPECT_TRUE(has("TargetPlayer:300"));
    EXPECT_TRUE(has("Title[Song - Singer]"));
    expectAllReleased("selection");
}

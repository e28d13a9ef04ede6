#include "players/bsplayer.h"

#include "bsplayer_fixture.h"
#include "media_fixture.h"
#include "players/player_selection.h"

using namespace media;
using testhost::widen;
using testhost::WText;

class BsPlayerTest : public MediaTest {
protected:
    void SetUp() override {
        MediaTest::SetUp();
        writeIni("[Main]\r\nLog=1\r\n[Player]\r\nWinampOrder=0\r\nBSplayerOrder=3\r\n");
        initialize();
        hostWindow_ = standin::createOwnWindow("TFrmMain", "Host", nullptr);
        std::remove(logFile().c_str());
    }
    // A title buffer as a caller hands it, so that "untouched" shows.
    void prefill(WCHAR* title) {
        for (int i = 0; i < kTitleUnits - 1; i++) title[i] = 'u';
        title[kTitleUnits - 1] = 0;
    }
    // Without a window of ours to name, BSPlayer is not asked, and the
    // caller's buffer stays as it was.
    void expectNoSenderWindow(WCHAR* title, FakeBsPlayer& player) {
        prefill(title);
        EXPECT_FALSE(getBSplayerTitle(title, kTitleUnits, player.window()));
        EXPECT_EQ(WText(kTitleUnits - 1, 'u'), WText(title));
        EXPECT_EQ(0, player.fileNameQueries());
        EXPECT_EQ(
            std::vector<std::string>{
                "getBSplayerTitle Exit  Reason: Parent HWND is NULL."},
            logLines());
    }
    std::string songBandFile() {
        return writeMedia("Song.mp3", tag(3, 0,
                                          frame23("TIT2", text(0, "Song")) +
                                              frame23("TPE1", text(0, "Band"))));
    }
    HWND hostWindow_;
};

TEST_F(BsPlayerTest, StatusFromTheWindowAndItsAnswer) {
    HWND slot = (HWND)1;
    EXPECT_EQ(kBsPlayerAbsent, checkBSplayerStatus(&slot));
    EXPECT_EQ(NULL, slot);
    FakeBsPlayer player;
    struct Case {
        LRESULT answer;
        PlayerStatus status;
    } cases[] = {{2, kBsPlayerPlaying},
                 {5, kBsPlayerPlaying},
                 {1, kBsPlayerNotPlaying},
                 {0, kBsPlayerNotPlaying},
                 {-1, kBsPlayerNotPlaying},
                 {(LRESULT)0xFFFFFFFFu, kBsPlayerNotPlaying}};  // -1 from a 32-bit player
    for (const Case& c : cases) {
        player.setState(c.answer);
        EXPECT_EQ(c.status, checkBSplayerStatus(&slot)) << c.answer;
        EXPECT_EQ(player.window(), slot);
    }
    const standin::SentMessage& m = standin::sentMessages().back();
    EXPECT_EQ((UINT)(WM_USER + 2), m.msg);
    EXPECT_EQ((WPARAM)0x10102, m.wParam);
    EXPECT_EQ(0, m.lParam);
    EXPECT_EQ((std::vector<std::string>{
                  "checkBSplayerStatus Exit  Reason: BSplayer don't execute.",
                  "checkBSplayerStatus Exit  Reason:BSplayer Not Playing.",
                  "checkBSplayerStatus Exit  Reason:BSplayer Not Playing.",
                  "checkBSplayerStatus Exit  Reason:BSplayer Not Playing.",
                  "checkBSplayerStatus Exit  Reason:BSplayer Not Playing."}),
              logLines());
}

TEST_F(BsPlayerTest, AHungPlayerCostsAtMostTwoSeconds) {
    FakeBsPlayer player;
    player.play(songBandFile());
    player.hang(true);
    HWND slot = NULL;
    DWORD before = standin::nowMs();
    EXPECT_EQ(kBsPlayerAbsent, checkBSplayerStatus(&slot));
    EXPECT_EQ(2000u, standin::nowMs() - before);
    EXPECT_EQ(0, standin::blockingSendsToHungWindows());

    // Hung between the two queries: the title stays as handed in.
    player.hang(false);
    player.hangAfterTheStateQuery();
    EXPECT_EQ(kBsPlayerPlaying, checkBSplayerStatus(&slot));
    WCHAR title[kTitleUnits];
    prefill(title);
    before = standin::nowMs();
    EXPECT_FALSE(getBSplayerTitle(title, kTitleUnits, slot));
    EXPECT_EQ(2000u, standin::nowMs() - before);
    EXPECT_EQ(WText(kTitleUnits - 1, 'u'), WText(title));
    EXPECT_EQ(0, standin::blockingSendsToHungWindows());
    std::vector<std::string> log = logLines();
    EXPECT_EQ("checkBSplayerStatus Exit  Reason: BSplayer don't answer.", log.front());
    EXPECT_EQ("getBSplayerTitle Exit  Reason: BSplayer don't answer.", log.back());
}

TEST_F(BsPlayerTest, TheTitleComesFromTheFileThePlayerNames) {
    FakeBsPlayer player;
    player.play(songBandFile());
    WCHAR title[kTitleUnits];
    prefill(title);
    EXPECT_TRUE(getBSplayerTitle(title, kTitleUnits, player.window()));
    EXPECT_EQ(widen("Song - Band"), WText(title));
    EXPECT_EQ(hostWindow_, player.sender());
    EXPECT_EQ((DWORD)sizeof(void*), player.recordBytes());
    const standin::SentMessage& m = standin::sentMessages().back();
    EXPECT_EQ((UINT)WM_COPYDATA, m.msg);
    EXPECT_TRUE(m.withTimeout);
    EXPECT_EQ(2000u, m.timeoutMs);
    EXPECT_EQ("BSTitle[Song - Band]", logLines().back());

    // Without the host's "TFrmMain" window its other main window is named.
    standin::destroyWindow(hostWindow_);
    HWND other = standin::createOwnWindow("inaka_win_wnd_FrameWnd1", "Host", nullptr);
    player.play(mediaPath("Other Song.mp3"));
    EXPECT_TRUE(getBSplayerTitle(title, kTitleUnits, player.window()));
    EXPECT_EQ(widen("Other Song"), WText(title));
    EXPECT_EQ(other, player.sender());
}

TEST_F(BsPlayerTest, NoHostWindowMeansNoQueryAndNoChange) {
    standin::destroyWindow(hostWindow_);
    FakeBsPlayer player;
    player.play(songBandFile());
    WCHAR title[kTitleUnits];
    expectNoSenderWindow(title, player);
}

// "TFrmMain" is a common form class name.  The player writes into the
// process that owns the window it is given, at our buffer's address, so
// another program's window, even one found first, is never named.
TEST_F(BsPlayerTest, OnlyAWindowOfThisProcessIsNamedAsTheSender) {
    FakeBsPlayer player;
    player.play(songBandFile());
    standin::destroyWindow(hostWindow_);
    HWND foreign[] = {standin::createWindow("TFrmMain", "Other", nullptr),
                      standin::createWindow("inaka_win_wnd_FrameWnd1", "Other", nullptr)};
    WCHAR title[kTitleUnits];
    expectNoSenderWindow(title, player);

    // Ours behind the others: the other class's own window, then "TFrmMain".
    HWND ownOther = standin::createOwnWindow("inaka_win_wnd_FrameWnd1", "Host", nullptr);
    EXPECT_TRUE(getBSplayerTitle(title, kTitleUnits, player.window()));
    EXPECT_EQ(widen("Song - Band"), WText(title));
    EXPECT_EQ(ownOther, player.sender());
    HWND ownMain = standin::createOwnWindow("TFrmMain", "Host", nullptr);
    EXPECT_TRUE(getBSplayerTitle(title, kTitleUnits, player.window()));
    EXPECT_EQ(ownMain, player.sender());
    for (const standin::SentMessage& m : standin::sentMessages())
        for (HWND w : foreign) EXPECT_NE((WPARAM)w, m.wParam);
}

TEST_F(BsPlayerTest, APathThePlayerDidNotWriteIsNeverUsed) {
    FakeBsPlayer player;
    player.play(songBandFile());
    WCHAR title[kTitleUnits];
    EXPECT_TRUE(getBSplayerTitle(title, kTitleUnits, player.window()));
    // The next answer writes nothing: the last path must not come back.
    player.answerNothing();
    prefill(title);
    std::remove(logFile().c_str());
    EXPECT_FALSE(getBSplayerTitle(title, kTitleUnits, player.window()));
    EXPECT_EQ(WText(kTitleUnits - 1, 'u'), WText(title));
    EXPECT_EQ(std::vector<std::string>{"getBSplayerTitle Exit  Reason: No File Name."},
              logLines());
}

// A query that timed out may still be answered, later, by a write into our
// process: the address handed out must outlive the call, so it is the same
// whatever the caller's stack depth.
TEST_F(BsPlayerTest, TheAnswerGoesToABufferThatOutlivesTheCall) {
    FakeBsPlayer player;
    player.play(songBandFile());
    WCHAR title[kTitleUnits];
    getBSplayerTitle(title, kTitleUnits, player.window());
    char* first = player.answerAddress();
    auto deeper = [&](int depth, auto& self) -> void {
        volatile char frame[4096];
        frame[0] = (char)depth;
        if (depth > 0)
            self(depth - 1, self);
        else
            getBSplayerTitle(title, kTitleUnits, player.window());
    };
    deeper(8, deeper);
    EXPECT_EQ(first, player.answerAddress());
    memset(first, 'x', 1024);  // a late answer lands harmlessly
}

TEST_F(BsPlayerTest, AnUnterminatedPathIsCutInsideTheBuffer) {
    FakeBsPlayer player;
    player.answerRaw("C:\\" + std::string(1021, 'n'));  // fills all 1024 bytes, no NUL
    WCHAR title[kTitleUnits];
    EXPECT_TRUE(getBSplayerTitle(title, kTitleUnits, player.window()));
    EXPECT_EQ(WText(kTitleUnits - 1, 'n'), WText(title));
}

TEST_F(BsPlayerTest, PublishesThroughTheUpdateCycle) {
    FakeBsPlayer player;
    player.play(songBandFile());
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    std::remove(logFile().c_str());
    EXPECT_EQ(1, TimerProc(c, 0));
    EXPECT_EQ(widen("Bob/NowPlaying...Song - Band"), host().name(c));
    std::vector<std::string> log = logLines();
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "BSplayer Status:30400"));
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "TargetPlayer:400"));
}

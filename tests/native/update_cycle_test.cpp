#include "publish/display_name.h"
#include "winamp_fixture.h"

using testhost::widen;
using testhost::WText;

class UpdateCycleTest : public PluginTest {
protected:
    void start(const std::string& ini = "") {
        writeIni("[Main]\r\nLog=1\r\nTimer=1\r\n" + ini);
        initialize();
    }
    // The host's message loop: timers fire, and queued events arrive on
    // later turns.
    void pump(DWORD ms) {
        for (DWORD t = 0; t < ms; t += 100) {
            standin::advance(100);
            host().deliverPendingEvents();
        }
    }
    std::vector<WText> sentNames(uint32_t connection) {
        std::vector<WText> names;
        for (const testhost::NameChange& c : host().nameChanges())
            if (c.connection == connection) names.push_back(c.name);
        return names;
    }
    void clearLog() { std::remove(logFile().c_str()); }
};

TEST_F(UpdateCycleTest, AnEmptyTickOnlyCountsTheSlots) {
    start();
    host().chooseCommand();
    clearLog();
    pump(1000);
    EXPECT_EQ(
        (std::vector<std::string>{"Oparating...0.", "Oparating...1.", "Oparating...2.",
                                  "Oparating...3.", "Oparating...4."}),
        logLines());
}

TEST_F(UpdateCycleTest, CaptionNamesTheNextActionAndSwitchingOnWaitsOneInterval) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    EXPECT_EQ(widen("MelodyRibbon ON"), host().commandCaption());
    host().chooseCommand();
    EXPECT_EQ(widen("MelodyRibbon OFF"), host().commandCaption());
    EXPECT_TRUE(g_mrOnOff);
    EXPECT_TRUE(host().nameChanges().empty()) << "no step at switch-on";
    pump(900);
    EXPECT_TRUE(host().nameChanges().empty());
    pump(200);
    EXPECT_EQ(std::vector<WText>{widen("Bob/NowPlaying...A - B")}, sentNames(c));
    EXPECT_EQ(testhost::widen("A - B"), testhost::WText(g_slots.lastPublishedTitle[0]));
}

TEST_F(UpdateCycleTest, PublishesOnceFollowsTheTrackAndRestoresWhenWinampStops) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    pump(5000);
    EXPECT_EQ(1u, sentNames(c).size()) << "not sent again while unchanged";
    winamp.play("2. C - D - Winamp");
    pump(1000);
    EXPECT_EQ(widen("Bob/NowPlaying...C - D"), host().name(c));
    clearLog();
    winamp.stop();
    pump(1000);
    EXPECT_EQ(widen("Bob"), host().name(c));
    EXPECT_EQ(testhost::WText(), testhost::WText(g_slots.lastPublishedTitle[0]));
    std::vector<std::string> log = logLines();
    auto restore = std::find(log.begin(), log.end(), "@@cutMelodyRibbon");
    ASSERT_GE(log.end() - restore, 9);
    EXPECT_EQ((std::vector<std::string>{
                  "@@cutMelodyRibbon", "@@cutUserName", "#cutUserName",
                  "strUserName[Bob]", "strMsnTitle[C - D]", "strTitle[]", "Change Start.",
                  "#cutMelodyRibbon", "TimerProc Exit  Reason: Not Target Player"}),
              std::vector<std::string>(restore, restore + 9));
    size_t before = host().nameChanges().size();
    pump(3000);
    EXPECT_EQ(before, host().nameChanges().size()) << "a plain name is left alone";
}

TEST_F(UpdateCycleTest, StepExitsWithItsReason) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob/NowPlaying...A - B (live)"));
    struct Case {
        const char* what;
        std::function<void()> arrange;
        const char* reason;
    } cases[] = {
        {"offline", [&] { host().setStatus(c, 3); },
         "TimerProc Exit  Reason: Not Connect"},
        {"no name", [&] { host().failInfoQuery(kInfoDisplayName, true); },
         "TimerProc Exit  Reason: Cannot Get UserName"},
        {"same title", [] {}, "TimerProc Exit  Reason: same title"},
        {"empty title", [&] { winamp.play("Winamp 5"); },
         "TimerProc Exit  Reason: same title"},
    };
    for (const Case& k : cases) {
        host().setStatus(c, 1);
        host().failInfoQuery(kInfoDisplayName, false);
        winamp.play("1. A - B - Winamp");
        k.arrange();
        clearLog();
        int queriesBefore = winamp.queries();
        EXPECT_EQ(0, TimerProc(c, 0)) << k.what;
        EXPECT_EQ(k.reason, logLines().back()) << k.what;
        if (std::string(k.what) == "offline") EXPECT_EQ(queriesBefore, winamp.queries());
    }
    EXPECT_TRUE(host().nameChanges().empty());
    clearLog();
    EXPECT_EQ(0, TimerProc(c, 1));
    EXPECT_EQ(std::vector<std::string>{"TimerProc Exit  Reason:Not End Before Change."},
              logLines());
}

TEST_F(UpdateCycleTest, SwitchingOffRestoresEveryConnectionInSlotOrder) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t a = host().connect("MSNP8", widen("Ann"));
    uint32_t b = host().connect("MSNP9", widen("Ben"));
    host().connect("MSN", widen("Not watched"));
    host().chooseCommand();
    pump(1000);
    clearLog();
    host().chooseCommand();
    EXPECT_TRUE(standin::activeTimers().empty());
    EXPECT_FALSE(g_mrOnOff);
    const std::vector<testhost::NameChange>& changes = host().nameChanges();
    ASSERT_EQ(4u, changes.size());
    EXPECT_EQ(a, changes[2].connection);
    EXPECT_EQ(widen("Ann"), changes[2].name);
    EXPECT_EQ(b, changes[3].connection);
    EXPECT_EQ(widen("Ben"), changes[3].name);
    EXPECT_EQ("TimerOFF", logLines()[logLines().size() - 2]);
}

TEST_F(UpdateCycleTest, UserNameTheCodePageLacksSurvivesPublishAndRestore) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    WText name = widen("Bob😀Ж");
    uint32_t c = host().connect("MSNP8", name);
    host().chooseCommand();
    pump(1000);
    EXPECT_EQ(name + widen("/NowPlaying...A - B"), host().name(c));
    pump(3000);
    EXPECT_EQ(1u, sentNames(c).size());
    host().chooseCommand();
    EXPECT_EQ(name, host().name(c));
}

TEST_F(UpdateCycleTest, TitleHoldingTheSeparatorDoesNotGrowTheName) {
    start();
    FakeWinamp winamp("1. X/NowPlaying...Y - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    pump(5000);
    EXPECT_EQ(widen("Bob/NowPlaying...X Y"), host().name(c));
    EXPECT_EQ(1u, sentNames(c).size());
}

TEST_F(UpdateCycleTest, AHostThatRefusesEveryChangeIsAskedAgainButNotEveryTick) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    host().refuseNameChanges(true);
    host().chooseCommand();
    pump(6000);
    EXPECT_EQ(widen("Bob"), host().name(c));
    EXPECT_EQ(3u, sentNames(c).size()) << "ticks 1, 3 and 5: one tick of grace between";
}

TEST_F(UpdateCycleTest, AConfirmedChangeReleasesTheSlotAtOnce) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    pump(1000);
    EXPECT_EQ(0, g_slots.pending[0]);
    EXPECT_EQ("Change End.", logLines()[logLines().size() - 2]);
}

// Some hosts raise OnInfoChange from inside the ChangeUserName call.
static CallServiceFn g_realCallService;
static int32_t WINAPI confirmAtOnce(uint32_t service, uint32_t connection,
                                    void* request) {
    int32_t result = g_realCallService(service, connection, request);
    testhost::Host::instance().deliverPendingEvents();
    return result;
}

TEST_F(UpdateCycleTest, AHostThatConfirmsInsideTheCallReleasesTheSlotToo) {
    start();
    g_realCallService = g_hostApi.callService;
    g_hostApi.callService = confirmAtOnce;
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    standin::advance(1000);
    EXPECT_EQ(0, g_slots.pending[0]);
    winamp.play("2. C - D - Winamp");
    standin::advance(1000);
    EXPECT_EQ(widen("Bob/NowPlaying...C - D"), host().name(c)) << "no tick held back";
}

TEST_F(UpdateCycleTest, OverlongNamesStayWithinTheHostsLimit) {
    start();
    FakeWinamp winamp("1. " + std::string(200, 't') + " - Winamp");
    uint32_t longest = host().connect("MSNP8", WText(1010, 'u'));
    uint32_t roomy = host().connect("MSNP8", WText(1000, 'u'));
    host().chooseCommand();
    pump(4000);
    EXPECT_TRUE(sentNames(longest).empty()) << "no room for any title: left alone";
    ASSERT_EQ(1u, sentNames(roomy).size()) << "the cut title counts as the same later";
    WText sent = sentNames(roomy)[0];
    EXPECT_EQ(1023u, sent.size());
    EXPECT_EQ(WText(1000, 'u') + widen("/NowPlaying...") + WText(9, 't'), sent);
}

TEST_F(UpdateCycleTest, TimerIntervalIsKeptSane) {
    struct Case {
        int32_t seconds;
        UINT ms;
    } cases[] = {{5, 5000}, {1, 1000}, {0, 1000}, {-7, 1000}, {INT32_MAX, 86400000}};
    for (const Case& c : cases) EXPECT_EQ(c.ms, timerIntervalMs(c.seconds)) << c.seconds;
}

TEST_F(UpdateCycleTest, UnloadingWithoutTerminateStopsTheTimer) {
    start();
    host().chooseCommand();
    ASSERT_EQ(1u, standin::activeTimers().size());
    DllMain(NULL, DLL_PROCESS_DETACH, NULL);
    EXPECT_TRUE(standin::activeTimers().empty());
}

TEST_F(UpdateCycleTest, TerminateSavesTheSwitchThenStopsTheTimer) {
    start("StatusSaveFlg=1\r\n");
    host().chooseCommand();
    ASSERT_EQ(1u, standin::activeTimers().size());
    Terminate();
    EXPECT_TRUE(standin::activeTimers().empty());
    EXPECT_NE(std::string::npos, readFile(iniFile()).find("MrOnOff=1\r\n"));
}

// Servers limit how often a name may change, so a host may refuse the plain
// name at switch-off; it is asked for again at the polling pace until it
// takes it, and no longer once the connection ends or publishing resumes.
TEST_F(UpdateCycleTest, APlainNameRefusedAtSwitchOffIsAskedForAgain) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    uint32_t d = host().connect("MSNP8", widen("Dan"));
    host().chooseCommand();
    pump(1000);
    host().refuseNameChanges(true);
    host().chooseCommand();
    EXPECT_EQ(widen("Bob/NowPlaying...A - B"), host().name(c));
    EXPECT_EQ(1u, standin::activeTimers().size()) << "one timer waits for the names";
    pump(2000);
    EXPECT_EQ(4u, sentNames(c).size()) << "publish, switch-off, two retries";
    host().disconnect(d);
    host().refuseNameChanges(false);
    pump(1000);
    EXPECT_EQ(widen("Bob"), host().name(c));
    EXPECT_TRUE(standin::activeTimers().empty()) << "taken: nothing waits any more";
    pump(3000);
    EXPECT_EQ(5u, sentNames(c).size());
    EXPECT_EQ(4u, sentNames(d).size()) << "nothing after its disconnect";

    // Switching on again hands the name back to the update cycle.
    host().chooseCommand();
    pump(1000);
    host().refuseNameChanges(true);
    host().chooseCommand();
    host().chooseCommand();
    EXPECT_EQ(1u, standin::activeTimers().size()) << "only the update timer";
}

// A player's wait may run a modal loop in which the host dispatches our
// timer or our command again: a second tick is dropped, and a switch-off
// in the middle of a step is not undone by the step's end.
TEST_F(UpdateCycleTest, ReentryDuringAPlayersWaitIsHarmless) {
    start();
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    int reentries = 0;
    bool switchOff = false;
    HWND w = standin::createWindow("Winamp v1.x", "1. A - B - Winamp",
                                   [&](HWND, UINT msg, WPARAM, LPARAM lp) {
                                       if (msg != WM_USER || lp != 104) return (LRESULT)0;
                                       if (reentries++ == 0)
                                           timerCallback(NULL, WM_TIMER, 0, 0);
                                       if (switchOff) host().chooseCommand();
                                       return (LRESULT)1;
                                   });
    host().chooseCommand();
    pump(1000);
    EXPECT_EQ(1, reentries) << "the nested tick probed nothing";
    EXPECT_EQ(1u, sentNames(c).size());
    standin::setWindowText(w, "2. C - D - Winamp");
    switchOff = true;
    pump(1000);
    EXPECT_FALSE(g_mrOnOff);
    EXPECT_EQ(widen("Bob"), host().name(c)) << "no title after the switch-off";
    standin::destroyWindow(w);
}

// A host may handle its own shutdown inside a player's wait (a message that
// another of its threads sent meanwhile).  The step then ends without
// another call into the host, with or without a title to publish, and no
// tick follows; the settings keep the switch as the user left it.
TEST_F(UpdateCycleTest, TerminateDuringAPlayersWaitEndsTheStepWithoutAWord) {
    for (LRESULT playing : {1, 0}) {
        SCOPED_TRACE(playing ? "a new title" : "the player stopped");
        TearDown();
        SetUp();
        start("StatusSaveFlg=1\r\n");
        uint32_t c = host().connect("MSNP8", widen("Bob"));
        bool terminate = false;
        HWND w = standin::createWindow("Winamp v1.x", "1. A - B - Winamp",
                                       [&](HWND, UINT msg, WPARAM, LPARAM lp) {
                                           if (msg != WM_USER || lp != 104)
                                               return (LRESULT)0;
                                           if (!terminate) return (LRESULT)1;
                                           Terminate();
                                           host().pluginTerminated();
                                           return playing;
                                       });
        host().chooseCommand();
        pump(1000);
        standin::setWindowText(w, "2. C - D - Winamp");
        terminate = true;
        pump(3000);
        EXPECT_EQ(0, host().callsAfterTerminate());
        EXPECT_EQ(widen("Bob/NowPlaying...A - B"), host().name(c));
        EXPECT_TRUE(standin::activeTimers().empty());
        EXPECT_EQ("TimerProc Exit  Reason: Terminated", logLines().back());
        EXPECT_NE(std::string::npos, readFile(iniFile()).find("MrOnOff=1\r\n"));
        standin::destroyWindow(w);
    }
}

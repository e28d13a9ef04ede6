#include "players/media_session.h"

#include <roapi.h>
#include <standin/runtime.h>

#include "players/player_selection.h"
#include "winamp_fixture.h"

using standin::SimSession;
using testhost::widen;
using testhost::WText;

class MediaSessionTest : public PluginTest {
protected:
    void TearDown() override {
        releaseMediaSession();
        PluginTest::TearDown();
    }
    void start(const std::string& player = "") {
        writeIni(
            "[Main]\r\nLog=1\r\nTimer=1\r\n[Player]\r\nWinampOrder=0\r\n"
            "MediaSessionOrder=1\r\n" +
            player);
        initialize();
    }
    // The next case of a table starts from a fresh plug-in and stand-in.
    void fresh() {
        releaseMediaSession();
        standin::reset();
        host().reset();
        resetPlugin();
        standin::setModuleFileName(windowsPath(folder_ + "/host.exe"));
    }
    // The host's message loop, as the update cycle's tests run it.
    void pump(DWORD ms) {
        for (DWORD t = 0; t < ms; t += 100) {
            standin::advance(100);
            host().deliverPendingEvents();
        }
    }
    static standin::RuntimeScript& script() { return standin::runtime(); }
    // One probe and, when it plays, its reader, as an update step runs them.
    static WText probe(PlayerStatus* status = nullptr) {
        PlayerStatus s = checkMediaSessionStatus();
        if (status) *status = s;
        WCHAR title[kTitleUnits];
        bool read = getMediaSessionTitle(title, kTitleUnits);
        EXPECT_EQ(s == kMediaSessionPlaying, read);
        return read ? WText(title) : WText(u"(not playing)");
    }
    // Nothing but the manager is held between two probes, every string is
    // deleted and no call went to a released object or outside the
    // apartment.
    static void expectOnlyTheManager(const std::string& what) {
        EXPECT_EQ(1, standin::liveRuntimeObjects()) << what;
        EXPECT_EQ(0, standin::liveRuntimeStrings()) << what;
        EXPECT_EQ(0, standin::strayRuntimeCalls()) << what;
    }
    static void expectNothingLeft(const std::string& what) {
        EXPECT_EQ(0, standin::liveRuntimeObjects()) << what;
        EXPECT_EQ(0, standin::liveRuntimeStrings()) << what;
        EXPECT_EQ(0, standin::strayRuntimeCalls()) << what;
        EXPECT_EQ(0, standin::runtimeInitDepth()) << what;
        EXPECT_EQ(0, standin::excessRoUninits()) << what;
        EXPECT_EQ(0, standin::liveCombaseRefs()) << what;
    }
};

TEST_F(MediaSessionTest, ChoosesTheCurrentSessionThenTheFirstAllowedOneThatPlays) {
    struct Case {
        const char* what;
        std::vector<SimSession> sessions;
        int current;
        const char* filter;
        const char16_t* title;
    } cases[] = {
        {"current plays",
         {{u"Chrome", 4, u"Video", u""}, {u"Spotify.exe", 4, u"Song", u"Band"}},
         1,
         "",
         u"Song - Band"},
        {"current paused: the first that plays",
         {{u"Spotify.exe", 5, u"Song", u"Band"},
          {u"MSEdge", 3, u"Page", u""},
          {u"Chrome", 4, u"Video", u"Channel"},
          {u"foobar2000", 4, u"Other", u"X"}},
         0,
         "",
         u"Video - Channel"},
        {"no current session",
         {{u"MSEdge", 5, u"A", u""}, {u"Chrome", 4, u"B", u"C"}},
         -1,
         "",
         u"B - C"},
        {"current filtered out",
         {{u"Chrome", 4, u"Video", u""}, {u"Spotify.exe", 4, u"Song", u"Band"}},
         0,
         "spotify",
         u"Song - Band"},
        {"filter ignores case and spaces around entries",
         {{u"Microsoft.ZuneMusic_8wekyb3d8bbwe!Microsoft.ZuneMusic", 4, u"T", u"A"}},
         0,
         " foobar2000 ;  zunemusic ;",
         u"T - A"},
        {"empty artist: the title alone",
         {{u"Chrome", 4, u"Video", u""}},
         0,
         "",
         u"Video"},
        {"empty title: not playing",
         {{u"Chrome", 4, u"", u"Channel"}},
         0,
         "",
         u"(not playing)"},
        {"no media properties: not playing, the manager kept",
         {{u"Chrome", 4, u"Video", u"Channel", false}},
         0,
         "",
         u"(not playing)"},
        {"nothing plays",
         {{u"Chrome", 5, u"A", u""},
          {u"Spotify.exe", 3, u"B", u""},
          {u"X", 2, u"C", u""}},
         0,
         "",
         u"(not playing)"},
        {"only filtered apps play",
         {{u"Chrome", 4, u"A", u""}},
         0,
         "spotify;foobar",
         u"(not playing)"},
        {"no sessions", {}, -1, "", u"(not playing)"},
    };
    for (const Case& c : cases) {
        start("MediaSessionApps=" + std::string(c.filter) + "\r\n");
        script().sessions = c.sessions;
        script().current = c.current;
        EXPECT_EQ(WText(c.title), probe()) << c.what;
        EXPECT_EQ(WText(c.title), probe()) << c.what << ", again";
        expectOnlyTheManager(c.what);
        EXPECT_EQ(1, standin::runtimeCalls("RequestAsync")) << c.what;
        releaseMediaSession();
        expectNothingLeft(c.what);
        fresh();
    }
}

TEST_F(MediaSessionTest, AppFilterEntries) {
    struct Case {
        const char16_t* appId;
        const char* filter;
        bool allowed;
    } cases[] = {
        {u"Spotify.exe", "", true},
        {u"Spotify.exe", " ; ;", true},
        {u"Spotify.exe", "SPOTIFY", true},
        {u"Spotify.exe", "spotify.exe;chrome", true},
        {u"Spotify.exe", "chrome;msedge", false},
        {u"Spotify.exe", "spotify.exe.bak", false},
        {u"MSEdge", "edge", true},
        {u"", "chrome", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.allowed, mediaSessionAppAllowed((const WCHAR*)c.appId, c.filter))
            << c.filter;
}

// The title buffer holds 255 units; a surrogate pair that the bound would
// split is left out whole, from the title or from the artist.
TEST_F(MediaSessionTest, TitlesAreCutAtAWholeCharacter) {
    const std::u16string emoji = u"\U0001F600";
    struct Case {
        std::u16string title, artist, expected;
    } cases[] = {
        {std::u16string(300, u'a'), u"", std::u16string(255, u'a')},
        {std::u16string(254, u'a') + emoji, u"", std::u16string(254, u'a')},
        {std::u16string(250, u'a'), u"B" + emoji, std::u16string(250, u'a') + u" - B"},
        {u"桜流し" + emoji, u"宇多田 Beyoncé", u"桜流し" + emoji + u" - 宇多田 Beyoncé"},
    };
    for (const Case& c : cases) {
        start();
        script().sessions = {{u"App", 4, c.title, c.artist}};
        EXPECT_EQ(c.expected, probe());
        fresh();
    }
}

// XP and 7 have no combase.dll, Windows 8 no session manager: the source
// never plays, and after the first look costs nothing more while on.
TEST_F(MediaSessionTest, WithoutTheRuntimeOrTheClassNothingIsHeldAndNothingAskedAgain) {
    struct Case {
        const char* what;
        bool combase;
        const char* missing;
        bool registered;
        int loads, activations;
    } cases[] = {
        {"no combase", false, "", true, 1, 0},
        {"a function missing", true, "WindowsGetStringRawBuffer", true, 1, 0},
        {"class not registered", true, "", false, 1, 1},
    };
    for (const Case& c : cases) {
        start();
        script().combase = c.combase;
        script().missingFunction = c.missing;
        script().classRegistered = c.registered;
        script().sessions = {{u"App", 4, u"T", u"A"}};
        for (int i = 0; i < 3; i++) {
            PlayerStatus status = 0;
            EXPECT_EQ(u"(not playing)", probe(&status)) << c.what;
            EXPECT_EQ(kMediaSessionAbsent, status) << c.what;
            EXPECT_EQ(0, standin::liveRuntimeObjects()) << c.what;
            EXPECT_EQ(0, standin::runtimeInitDepth()) << c.what;
        }
        EXPECT_EQ(c.loads, standin::combaseLoads()) << c.what;
        EXPECT_EQ(c.activations, standin::runtimeCalls("RoGetActivationFactory"))
            << c.what;
        EXPECT_TRUE(standin::combaseLoadFlags() & LOAD_LIBRARY_SEARCH_SYSTEM32) << c.what;
        releaseMediaSession();
        expectNothingLeft(c.what);
        fresh();
    }
}

// The host's thread may be in either apartment already; ours is entered
// single-threaded, kept while the manager lives, and balanced only when it
// took effect.
TEST_F(MediaSessionTest, TheApartmentIsBalancedWhateverTheHostLeft) {
    struct Case {
        standin::RuntimeApartment host;
        int depthWhileOn;
    } cases[] = {
        {standin::RuntimeApartment::kNone, 1},
        {standin::RuntimeApartment::kSingleThreaded, 1},
        {standin::RuntimeApartment::kMultithreaded, 0},
    };
    for (const Case& c : cases) {
        start();
        script().host = c.host;
        script().sessions = {{u"App", 4, u"T", u"A"}};
        EXPECT_EQ(u"T - A", probe());
        EXPECT_EQ(u"T - A", probe());
        EXPECT_EQ(RO_INIT_SINGLETHREADED, standin::lastRoInitType());
        EXPECT_EQ(c.depthWhileOn, standin::runtimeInitDepth());
        EXPECT_EQ(1, standin::runtimeCalls("RequestAsync"));
        releaseMediaSession();
        expectNothingLeft("host apartment " + std::to_string((int)c.host));
        fresh();
    }
}

// Answers that come late are looked at again on the next probe, never
// waited for long on the host's thread; one that never comes is given up.
TEST_F(MediaSessionTest, LateAnswersAreCarriedToTheNextProbe) {
    start();
    script().sessions = {{u"App", 4, u"Song", u"Band"}};
    script().managerDelayMs = 300;
    script().propertiesDelayMs = 300;
    std::remove(logFile().c_str());
    EXPECT_EQ(u"(not playing)", probe());
    EXPECT_LE(standin::totalSleepMs(), (DWORD)kMediaSessionWaitMs + kMediaSessionPollMs);
    standin::advance(300);
    EXPECT_EQ(u"(not playing)", probe()) << "manager there, properties awaited";
    standin::advance(300);
    EXPECT_EQ(u"Song - Band", probe());
    EXPECT_EQ(1, standin::runtimeCalls("RequestAsync"));
    EXPECT_EQ(1, standin::runtimeCalls("TryGetMediaPropertiesAsync"));
    std::vector<std::string> lines = logLines();
    EXPECT_EQ(1,
              std::count(lines.begin(), lines.end(),
                         "checkMediaSessionStatus Exit  Reason:MediaSession Not Ready."));
    EXPECT_EQ(1, std::count(lines.begin(), lines.end(),
                            "checkMediaSessionStatus Exit  Reason:Title Not Ready."));

    // The next track's answer is late: the last title of the same app stays
    // meanwhile.
    script().sessions[0].title = u"Next";
    EXPECT_EQ(u"Song - Band", probe());
    standin::advance(300);
    EXPECT_EQ(u"Next - Band", probe());

    // Another app's session gets no borrowed title.
    script().sessions = {{u"Other", 4, u"Else", u""}};
    EXPECT_EQ(u"(not playing)", probe());

    // An answer that never comes is cancelled and dropped in the end.
    script().propertiesDelayMs = 0x7FFFFFFF;
    standin::advance(300);
    EXPECT_EQ(u"Else", probe());
    script().sessions[0].title = u"Stuck";
    for (int i = 0; i < 12; i++) {
        probe();
        standin::advance(1000);
    }
    EXPECT_GE(standin::runtimeCalls("Cancel"), 1);
    EXPECT_LE(standin::longestSleepMs(), (DWORD)kMediaSessionPollMs);
    releaseMediaSession();
    expectNothingLeft("late answers");
}

// A failed call on one probe: nothing of it is kept, and the next probe asks
// for the manager afresh and plays.
TEST_F(MediaSessionTest, AFailedCallReleasesEverythingAndTheNextProbePlays) {
    const char* calls[] = {"RoInitialize",
                           "RoGetActivationFactory",
                           "RequestAsync",
                           "Status",
                           "GetResults",
                           "GetCurrentSession",
                           "GetSessions",
                           "Size",
                           "GetAt",
                           "SourceAppUserModelId",
                           "GetPlaybackInfo",
                           "PlaybackStatus",
                           "TryGetMediaPropertiesAsync",
                           "Title",
                           "Artist"};
    for (const char* call : calls) {
        start();
        // A paused current session, so that the list is walked too.
        script().sessions = {{u"Paused", 5, u"P", u""}, {u"App", 4, u"T", u"A"}};
        script().current = 0;
        script().failCall = call;
        script().failTimes = 1;
        EXPECT_EQ(u"(not playing)", probe()) << call;
        EXPECT_EQ(0, standin::liveRuntimeObjects()) << call;
        EXPECT_EQ(0, standin::runtimeInitDepth()) << call;
        EXPECT_EQ(u"T - A", probe()) << call;
        EXPECT_EQ(0, standin::strayRuntimeCalls()) << call;
        releaseMediaSession();
        expectNothingLeft(call);
        fresh();
    }
    start();
    script().sessions = {{u"App", 4, u"T", u"A"}};
    script().operationsFail = true;
    EXPECT_EQ(u"(not playing)", probe());
    EXPECT_EQ(0, standin::liveRuntimeObjects());
}

TEST_F(MediaSessionTest, TheDescribedPlayersWinOnEqualOrders) {
    struct Case {
        int winampOrder, sessionOrder;
        int32_t target;
    } cases[] = {{1, 1, 10100}, {2, 1, 10600}, {1, 2, 10100}, {0, 3, 30600}};
    for (const Case& c : cases) {
        writeIni("[Main]\r\nLog=1\r\n[Player]\r\nWinampOrder=" +
                 std::to_string(c.winampOrder) +
                 "\r\nMediaSessionOrder=" + std::to_string(c.sessionOrder) + "\r\n");
        initialize();
        FakeWinamp winamp("1. A - B - Winamp");
        script().sessions = {{u"App", 4, u"T", u"A"}};
        PlayerHandles handles = {};
        int32_t target = checkPlayerStatus(&handles);
        EXPECT_EQ(c.target, target);
        WCHAR title[kTitleUnits] = {0};
        EXPECT_TRUE(getTitle(target, title, kTitleUnits, &handles));
        EXPECT_EQ(c.target % 1000 == 600 ? u"T - A" : u"A - B", WText(title));
        fresh();
    }
}

// Switching off and Terminate leave nothing of the runtime alive; the name
// follows the session meanwhile.
TEST_F(MediaSessionTest, PublishesWhileOnAndHoldsNothingAfterSwitchOffOrTerminate) {
    for (bool terminate : {false, true}) {
        start();
        script().sessions = {{u"Spotify.exe", 4, u"Song", u"Band"}};
        uint32_t c = host().connect("MSNP8", widen("Bob"));
        host().chooseCommand();
        pump(1000);
        EXPECT_EQ(widen("Bob/NowPlaying...Song - Band"), host().name(c));
        script().sessions[0].title = u"Next";
        pump(1000);
        EXPECT_EQ(widen("Bob/NowPlaying...Next - Band"), host().name(c));
        script().sessions[0].playback = 5;
        pump(1000);
        EXPECT_EQ(widen("Bob"), host().name(c));
        script().sessions[0].playback = 4;
        pump(1000);
        EXPECT_EQ(1, standin::runtimeCalls("RequestAsync")) << "the manager is kept";
        if (terminate)
            Terminate();
        else
            host().chooseCommand();
        expectNothingLeft(terminate ? "Terminate" : "switch-off");
        fresh();
    }
}

// A call that runs a modal loop lets the host switch off or call Terminate
// in the middle of a probe: the objects in use are let go only when the
// probe is done with them, and then all of them.
TEST_F(MediaSessionTest, ASwitchOffInsideAProbeReleasesOnlyWhenTheProbeEnds) {
    for (const char* call : {"GetCurrentSession", "GetPlaybackInfo", "Status", "Title"}) {
        for (bool terminate : {false, true}) {
            start();
            script().sessions = {{u"App", 4, u"T", u"A"}};
            uint32_t c = host().connect("MSNP8", widen("Bob"));
            host().chooseCommand();
            pump(1000);
            ASSERT_EQ(widen("Bob/NowPlaying...T - A"), host().name(c)) << call;
            script().sessions[0].title = u"Next";
            script().reenterDuring = call;
            script().reenter = [terminate, this] {
                terminate ? (void)Terminate() : host().chooseCommand();
            };
            pump(1000);
            EXPECT_TRUE(script().reenter == nullptr) << call << " was not made";
            if (!terminate) {  // after Terminate the names are the host's to keep
                pump(1500);
                EXPECT_EQ(widen("Bob"), host().name(c)) << call;
            }
            expectNothingLeft(std::string(call) + (terminate ? ", Terminate" : ", off"));
            fresh();
        }
    }
}

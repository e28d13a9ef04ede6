// The user's own display name survives every sequence of switching, host
// answers and server behaviour: no cut beyond the title the plug-in put
// there, no title left behind, no call for a connection that has ended.
#include "publish/display_name.h"
#include "winamp_fixture.h"

using testhost::widen;
using testhost::WText;

class NameSurvivalTest : public PluginTest {
protected:
    void start(const std::string& ini = "") {
        writeIni("[Main]\r\nLog=1\r\nTimer=1\r\n" + ini);
        initialize();
    }
    // A later run of the host: the plug-in loaded afresh over the same
    // folder, the server keeping the names the connections had.
    void restart() {
        testhost::Host::instance().reset();
        resetPlugin();
        std::remove(logFile().c_str());
        standin::setModuleFileName(windowsPath(folder_ + "/host.exe"));
        initialize();
    }
    void pump(DWORD ms) {
        for (DWORD t = 0; t < ms; t += 100) {
            standin::advance(100);
            host().deliverPendingEvents();
        }
    }
    size_t sent(uint32_t connection) {
        size_t n = 0;
        for (const testhost::NameChange& c : host().nameChanges())
            if (c.connection == connection) n++;
        return n;
    }
    bool logHas(const std::string& line) {
        std::vector<std::string> log = logLines();
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    // What the settings file holds for a key of Main, or "(none)".
    std::string iniValue(const char* key) {
        char value[2048];
        GetPrivateProfileStringA("Main", key, "(none)", value, sizeof value,
                                 windowsPath(iniFile()).c_str());
        return value;
    }
    static std::string hexUnits(const WText& text) {
        std::string out;
        char unit[8];
        for (WCHAR c : text) {
            snprintf(unit, sizeof unit, "%04X", (unsigned)c);
            out += unit;
        }
        return out;
    }
};

// With the separator " - " the user part of "A - B - C" is "A - B": the
// first publish takes " - C" as a title, as any cut at the last separator
// does.  What follows must not cut the user's name any further.
TEST_F(NameSurvivalTest, ARestoreRetryCutsOnlyTheTitleItTookOff) {
    start("Separator=\" - \"\r\n");
    FakeWinamp winamp("1. Song - Winamp");
    uint32_t c = host().connect("MSNP8", widen("A - B - C"));
    host().chooseCommand();
    pump(1000);
    ASSERT_EQ(widen("A - B - Song"), host().name(c));

    host().refuseNameChanges(true);
    host().chooseCommand();
    pump(1000);
    host().refuseNameChanges(false);
    pump(3000);
    EXPECT_EQ(widen("A - B"), host().name(c)) << "taken once, never cut again";

    host().chooseCommand();
    pump(1000);
    host().refuseNameChanges(true);
    host().chooseCommand();
    host().rename(c, widen("Me - Myself"));
    host().refuseNameChanges(false);
    pump(3000);
    EXPECT_EQ(widen("Me - Myself"), host().name(c)) << "the user's rename is left alone";

    host().chooseCommand();
    pump(1000);
    host().refuseNameChanges(true);
    size_t before = sent(c);
    host().chooseCommand();
    pump(20000);
    EXPECT_EQ(before + 1 + kRestoreTickLimit, sent(c)) << "asked again a few times only";
    EXPECT_TRUE(standin::activeTimers().empty());
}

// A host that applies a name only when the server acknowledges it: switched
// off between the send and the acknowledgement, the name still reads plain,
// and the title arrives afterwards.
TEST_F(NameSurvivalTest, SwitchingOffBeforeTheAcknowledgementLeavesNoTitle) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    host().holdAcknowledgements(true);
    host().chooseCommand();
    pump(1000);
    ASSERT_EQ(1u, sent(c));
    ASSERT_EQ(widen("Bob"), host().name(c));
    host().chooseCommand();
    host().holdAcknowledgements(false);
    pump(100);
    ASSERT_EQ(widen("Bob/NowPlaying...A - B"), host().name(c));
    pump(1000);
    EXPECT_EQ(widen("Bob"), host().name(c));
    pump(3000);
    EXPECT_EQ(2u, sent(c));
    EXPECT_TRUE(standin::activeTimers().empty());

    // An acknowledgement that never comes is waited for no longer than an
    // update step would wait for it.
    host().holdAcknowledgements(true);
    host().chooseCommand();
    pump(1000);
    host().chooseCommand();
    pump(5000);
    EXPECT_TRUE(standin::activeTimers().empty());
    EXPECT_EQ(3u, sent(c));
}

// A player's wait pumps the host's messages; the host may end the
// connection meanwhile and release its handle.
TEST_F(NameSurvivalTest, AConnectionEndedDuringAPlayersWaitIsNotCalledAgain) {
    for (LRESULT playing : {1, 0}) {
        SCOPED_TRACE(playing ? "a title to publish" : "the player stopped");
        TearDown();
        SetUp();
        start();
        uint32_t c = host().connect("MSNP8", widen("Bob"));
        uint32_t d = host().connect("MSNP8", widen("Dan/NowPlaying...Old"));
        bool end = false;
        HWND w = standin::createWindow("Winamp v1.x", "1. A - B - Winamp",
                                       [&](HWND, UINT msg, WPARAM, LPARAM lp) {
                                           if (msg != WM_USER || lp != 104)
                                               return (LRESULT)0;
                                           if (end) {
                                               end = false;
                                               host().disconnect(c);
                                           }
                                           return playing;
                                       });
        host().chooseCommand();
        end = true;
        pump(1000);
        EXPECT_EQ(0, host().callsForEndedConnections());
        EXPECT_TRUE(logHas("TimerProc Exit  Reason: Connection Ended"));
        EXPECT_EQ(widen(playing ? "Dan/NowPlaying...A - B" : "Dan"), host().name(d))
            << "the other connection is served";
        standin::destroyWindow(w);
    }
}

// The profile reader drops blanks at either end and one pair of quotes.
TEST_F(NameSurvivalTest, SeparatorAndProtocolReadBackUnchangedAfterShutdown) {
    const char* values[] = {" ~ ",
                            "~ ",
                            " ~",
                            "\"q\"",
                            "'q'",
                            " \"",
                            "123456789012345678901234567890 ",
                            "/NowPlaying..."};
    for (const char* v : values) {
        SCOPED_TRACE(std::string("[") + v + "]");
        TearDown();
        SetUp();
        writeIni("[Main]\r\n");
        initialize();
        lstrcpynA(g_separator, v, kSettingTextBytes);
        lstrcpynA(g_protocolName, v, kSettingTextBytes);
        Terminate();
        for (int run = 0; run < 2; run++) {
            restart();
            EXPECT_STREQ(v, g_separator);
            EXPECT_STREQ(v, g_protocolName);
            Terminate();
        }
    }
    EXPECT_EQ("/NowPlaying...", iniValue("Separator")) << "a plain value stays bare";
    EXPECT_NE(std::string::npos,
              readFile(iniFile()).find("Separator=/NowPlaying...\r\n"));
}

// A separator that can reappear across its seam with the title ("~~" then
// "~Ambient") must not be read back as ending one unit later.
TEST_F(NameSurvivalTest, SelfOverlappingSeparatorsKeepTheNameStable) {
    struct Case {
        const char* separator;  // as written in the file
        const char* title;      // as the player shows it
        const char* name;       // as published
    } cases[] = {
        {"~~", "~Ambient", "Bob~~Ambient"},
        {"~~", "~~~Ambient", "Bob~~ ~Ambient"},
        {"...", ".Song", "Bob...Song"},
        {"...", "..Song", "Bob...Song"},
        {"--", "-x", "Bob--x"},
        {"\" - \"", "- Song", "Bob -  Song"},
        {"abab", "abSong", "BobababbSong"},
        {"/NowPlaying...", ".Song", "Bob/NowPlaying....Song"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.separator) + " + " + k.title);
        TearDown();
        SetUp();
        start(std::string("Separator=") + k.separator + "\r\n");
        FakeWinamp winamp(std::string("1. ") + k.title + " - Winamp");
        uint32_t c = host().connect("MSNP8", widen("Bob"));
        host().chooseCommand();
        pump(5000);
        EXPECT_EQ(widen(k.name), host().name(c));
        EXPECT_EQ(1u, sent(c)) << "held stable over the ticks";
        host().chooseCommand();
        pump(2000);
        EXPECT_EQ(widen("Bob"), host().name(c));
    }
}

// Titles cut differently per connection: each confirmation is matched with
// what its own slot sent, so no slot loses a tick.
TEST_F(NameSurvivalTest, EachSlotConfirmsTheTitleItSent) {
    start();
    FakeWinamp winamp("1. Some Long Title - Winamp");
    uint32_t roomy = host().connect("MSNP8", widen("Bob"));
    uint32_t tight = host().connect("MSNP8", WText(1005, 'u'));
    host().chooseCommand();
    pump(1000);
    EXPECT_EQ(WText(1005, 'u') + widen("/NowPlaying...Some"), host().name(tight));
    EXPECT_FALSE(logHas("Not Hit."));
    winamp.play("2. Next - Winamp");
    pump(1000);
    EXPECT_EQ(widen("Bob/NowPlaying...Next"), host().name(roomy));
    EXPECT_EQ(WText(1005, 'u') + widen("/NowPlaying...Next"), host().name(tight));
}

TEST_F(NameSurvivalTest, NoTimerOutlivesASecondInitializeOrTerminate) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    pump(1000);
    host().refuseNameChanges(true);
    host().chooseCommand();
    host().chooseCommand();
    host().chooseCommand();
    ASSERT_EQ(1u, standin::activeTimers().size()) << "a plain name waits";
    Initialize(host().table());
    EXPECT_TRUE(standin::activeTimers().empty()) << "a second Initialize stops them";

    TearDown();
    SetUp();
    start();
    host().connect("MSNP8", widen("Ann"));
    host().chooseCommand();
    pump(1000);
    Terminate();
    size_t before = host().nameChanges().size();
    host().chooseCommand();
    host().chooseCommand();
    EXPECT_TRUE(standin::activeTimers().empty()) << "after Terminate nothing starts";
    EXPECT_EQ(before, host().nameChanges().size()) << "and nothing is restored";
    EXPECT_EQ(widen("MelodyRibbon OFF"), host().commandCaption()) << "but it answers";
}

// A server that normalises names never reads back what it was sent; the
// same name is then not sent again while the title stays.  A host that
// refuses is still asked again (tested with the update cycle).
TEST_F(NameSurvivalTest, ANameTheServerNormalisesIsSentOnce) {
    struct Case {
        const char* what;
        size_t serverUnits;
        WText user;
        const char* title;
        WText published;
    } cases[] = {
        {"shortened", 20, widen("Bob"), "A Long Song Title",
         widen("Bob/NowPlaying...A L")},
        {"the cut at a blank", 2000, WText(1000, 'u'), "abcdefgh ijk",
         WText(1000, 'u') + widen("/NowPlaying...abcdefgh")},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TearDown();
        SetUp();
        start();
        host().normaliseNames(k.serverUnits);
        FakeWinamp winamp(std::string("1. ") + k.title + " - Winamp");
        uint32_t c = host().connect("MSNP8", k.user);
        host().chooseCommand();
        pump(6000);
        EXPECT_EQ(k.published, host().name(c));
        EXPECT_EQ(1u, sent(c));
        winamp.play("2. Other - Winamp");
        pump(1000);
        EXPECT_EQ(2u, sent(c)) << "a new title is sent";
    }
}

// The host quits or crashes with a title shown; the next run starts with
// publishing off.  Only a name that ends with exactly the separator and
// title last appended gets its plain name back.
TEST_F(NameSurvivalTest, ATitleLeftByACrashIsTakenOffAtTheNextSignIn) {
    start();
    FakeWinamp winamp("1. A - B 😀 - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    pump(1000);
    ASSERT_EQ(widen("Bob/NowPlaying...A - B 😀"), host().name(c));
    EXPECT_EQ(hexUnits(widen("/NowPlaying...A - B 😀")), iniValue("LastAppended"))
        << "written when published, before any shutdown";
    pump(3000);

    struct Case {
        const char* atSignIn;
        const char* after;
    } cases[] = {
        {"Bob/NowPlaying...A - B 😀", "Bob"}, {"Bob/NowPlaying...A - B 😀 x", nullptr},
        {"Bob/NowPlaying...Other", nullptr}, {"Bob/nowplaying...A - B 😀", nullptr},
        {"/NowPlaying...A - B 😀", nullptr},  {"Bob", nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.atSignIn);
        restart();  // a crash: no Terminate
        uint32_t s = host().connect("MSNP8", widen(k.atSignIn));
        pump(3000);
        EXPECT_EQ(widen(k.after ? k.after : k.atSignIn), host().name(s));
        EXPECT_EQ(k.after ? 1u : 0u, host().nameChanges().size());
        EXPECT_EQ(k.after != nullptr, logHas("Stale Title Removed."));
    }
}

// A host may report the connection before the server's name: the first
// name it reports afterwards is looked at, once.
TEST_F(NameSurvivalTest, AStaleTitleThatArrivesAfterTheConnectIsTakenOffOnce) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    pump(1000);
    Terminate();
    EXPECT_EQ("1", iniValue("MrOnOff"));
    restart();
    ASSERT_FALSE(g_mrOnOff);
    uint32_t s = host().connect("MSNP8", WText());
    host().rename(s, widen("Bob/NowPlaying...A - B"));
    pump(200);
    EXPECT_EQ(widen("Bob"), host().name(s));
    host().rename(s, widen("Bob/NowPlaying...A - B"));
    pump(200);
    EXPECT_EQ(widen("Bob/NowPlaying...A - B"), host().name(s)) << "once per sign-in";
}

// Once every connection has its plain name back, nothing is remembered, so
// a name the user writes that way later is left as it is.
TEST_F(NameSurvivalTest, NothingIsCutAfterAPlainNameCameBack) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    pump(1000);
    host().chooseCommand();
    ASSERT_EQ(widen("Bob"), host().name(c));
    EXPECT_EQ("", iniValue("LastAppended"));

    host().chooseCommand();
    pump(1000);
    winamp.stop();
    pump(2000);
    EXPECT_EQ("", iniValue("LastAppended")) << "the player stopped: plain again";
    Terminate();
    EXPECT_EQ("", iniValue("LastAppended"));
    restart();
    uint32_t s = host().connect("MSNP8", widen("Bob/NowPlaying...A - B"));
    pump(1000);
    EXPECT_TRUE(host().nameChanges().empty());
    (void)s;
}

// A connection that ends while its name carries a title leaves the title
// on the server: it is remembered even when the others come back plain.
TEST_F(NameSurvivalTest, ATitleLeftByAnEndedConnectionIsRemembered) {
    start();
    FakeWinamp winamp("1. A - B - Winamp");
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    uint32_t d = host().connect("MSNP8", widen("Dan"));
    host().chooseCommand();
    pump(1000);
    host().disconnect(d);
    host().chooseCommand();
    EXPECT_EQ(widen("Bob"), host().name(c));
    EXPECT_EQ(hexUnits(widen("/NowPlaying...A - B")), iniValue("LastAppended"));
    uint32_t again = host().connect("MSNP8", widen("Dan/NowPlaying...A - B"));
    EXPECT_EQ(widen("Dan"), host().name(again));
}

// LastAppended is ours to read only as whole groups of hex digits; anything
// else (a hand edit, another program's text) cuts nothing.
TEST_F(NameSurvivalTest, AnUnreadableLastAppendedCutsNothing) {
    const std::string valid = hexUnits(widen("/NowPlaying...A"));
    const char* values[] = {"/NowPlaying...A", "002F004", "002G004E", ""};
    for (const char* v : values) {
        SCOPED_TRACE(v);
        TearDown();
        SetUp();
        start(std::string("LastAppended=") + v + "\r\n");
        uint32_t c = host().connect("MSNP8", widen("Bob/NowPlaying...A"));
        pump(1000);
        EXPECT_EQ(widen("Bob/NowPlaying...A"), host().name(c));
    }
    TearDown();
    SetUp();
    start("LastAppended=" + valid + "\r\n");
    uint32_t c = host().connect("MSNP8", widen("Bob/NowPlaying...A"));
    EXPECT_EQ(widen("Bob"), host().name(c));
}

#include "players/itunes.h"

#include <standin/com.h>
#include <standin/processes.h>

#include "players/player_selection.h"
#include "players/player_window.h"
#include "winamp_fixture.h"

using standin::ComCall;
using testhost::widen;
using testhost::WText;

class ITunesTest : public PluginTest {
protected:
    void start(const std::string& ini = "") {
        writeIni("[Main]\r\nLog=1\r\nTimer=1\r\n" + ini);
        initialize();
        std::remove(logFile().c_str());
    }
    // iTunes.exe with its main window, which answers at once.
    static DWORD runITunes() {
        standin::createWindow("iTunes", "iTunes", nullptr);
        standin::startProcess("C:\\Program Files\\iTunes\\iTunes.exe");
        return standin::startProcess("C:\\WINDOWS\\explorer.exe");
    }
    // Every object released, every string freed, every CoInitialize
    // balanced and nothing called outside COM's lifetime.
    static void expectNothingLeft(const std::string& what) {
        EXPECT_EQ(0, standin::liveComObjects()) << what;
        EXPECT_EQ(0, standin::liveComStrings()) << what;
        EXPECT_EQ(0, standin::comInitDepth()) << what;
        EXPECT_EQ(0, standin::excessComUninits()) << what;
        EXPECT_EQ(0, standin::strayComCalls()) << what;
        EXPECT_EQ(0, standin::badComStringFrees()) << what;
        EXPECT_EQ(0, standin::openProcessHandles()) << what;
    }
    static std::vector<ComCall> calls(const std::string& text) {
        // "a58 d9 d2" -> {'a',58},{'d',9},{'d',2}
        std::vector<ComCall> out;
        std::istringstream in(text);
        std::string word;
        while (in >> word) out.push_back({word[0], std::stoi(word.substr(1))});
        return out;
    }
    // A probe that plays followed by its reader, as one update step runs them.
    WText probeAndRead(int capacity = kTitleUnits) {
        ITunesSlot slot = {};
        EXPECT_EQ(kITunesPlaying, checkiTunesStatus(&slot));
        std::vector<WCHAR> title((size_t)capacity, 'x');
        getiTunesTitle(title.data(), capacity, &slot);
        EXPECT_EQ(NULL, slot.application);
        return WText(title.data());
    }
};

// XP names a process through psapi, Vista and later through the image-name
// query, which also names processes whose loader data cannot be read (a
// 64-bit iTunes seen from this 32-bit module); 9x lists full paths in its
// snapshot, openable or not.
TEST_F(ITunesTest, ProcessPathMatchesAsACaseSensitiveSubstringOnEveryPlatform) {
    struct Case {
        std::string path;
        bool unopenable, unreadable;
        bool foundOnXp, foundOnVista, foundOn9x;
    } cases[] = {
        {"D:\\Tools\\Player\\iTunes.exe", false, false, true, true, true},
        {"D:\\Tools\\Player\\ITUNES.EXE", false, false, false, false, false},
        {"D:\\Tools\\Player\\itunes.exe", false, false, false, false, false},
        {"C:\\Backup\\iTunes.exe.bak\\player.exe", false, false, true, true, true},
        {"C:\\Program Files\\iTunes\\iTunesHelper.exe", false, false, false, false,
         false},
        {"C:\\Program Files\\iTunes\\iTunes.exe", true, false, false, false, true},
        {"C:\\Program Files\\iTunes\\iTunes.exe", false, true, false, true, true},
        // Cut at MAX_PATH: the name beyond is not seen.  A path that fills
        // the buffer comes back unterminated and loses its last character.
        {"C:\\" + std::string(MAX_PATH - 14, 'd') + "\\iTunes.exe", false, false, false,
         false, false},
        {"C:\\" + std::string(300, 'd') + "\\iTunes.exe", false, false, false, false,
         false},
    };
    struct Platform {
        DWORD id, major;
        const char* name;
    } platforms[] = {{VER_PLATFORM_WIN32_NT, 5, "XP"},
                     {VER_PLATFORM_WIN32_NT, 6, "Vista"},
                     {VER_PLATFORM_WIN32_WINDOWS, 4, "9x"}};
    for (const Platform& platform : platforms) {
        for (const Case& c : cases) {
            standin::reset();
            standin::setVersion(platform.id, platform.major, 10);
            standin::startProcess("C:\\WINDOWS\\system32\\smss.exe", true);
            DWORD id = standin::startProcess(c.path, c.unopenable, c.unreadable);
            standin::startProcess("C:\\WINDOWS\\explorer.exe");
            bool expected = platform.major == 5   ? c.foundOnXp
                            : platform.major == 6 ? c.foundOnVista
                                                  : c.foundOn9x;
            std::string what = c.path + " on " + platform.name;
            EXPECT_EQ(expected, DispProcessIDs("iTunes.exe")) << what;
            EXPECT_EQ(0, standin::openProcessHandles()) << what;
            if (platform.id == VER_PLATFORM_WIN32_NT) {
                EXPECT_EQ((DWORD)0x410, standin::lastOpenAccess());
                EXPECT_EQ(0, standin::snapshotsTaken());
            } else {
                EXPECT_EQ(0, standin::processesOpened());
            }
            standin::endProcess(id);
            EXPECT_FALSE(DispProcessIDs("iTunes.exe")) << what << ", ended";
        }
    }
}

TEST_F(ITunesTest, ProcessSearchStopsAtTheFirstMatchAndHoldsItsBounds) {
    standin::startProcess("C:\\a.exe");
    standin::startProcess("C:\\iTunes.exe");
    standin::startProcess("C:\\b.exe");
    EXPECT_TRUE(findProcessNT("iTunes.exe"));
    EXPECT_EQ(2, standin::processesOpened());
    EXPECT_EQ(2, standin::loaderReads());
    // Vista and later ask psapi only where the image-name query fails.
    standin::setVersion(VER_PLATFORM_WIN32_NT, 6, 1);
    EXPECT_TRUE(findProcessNT("iTunes.exe"));
    EXPECT_EQ(2, standin::loaderReads());
    standin::setVersion(VER_PLATFORM_WIN32_NT, 5, 1);

    // Only the first 1000 processes are listed on NT; the snapshot has no
    // such bound.
    standin::reset();
    for (int i = 0; i < 1000; i++) standin::startProcess("C:\\p.exe");
    standin::startProcess("C:\\iTunes.exe");
    EXPECT_FALSE(findProcessNT("iTunes.exe"));
    EXPECT_EQ(1000, standin::processesOpened());
    EXPECT_TRUE(findProcess9x("iTunes.exe"));
    EXPECT_EQ(0, standin::openProcessHandles());

    // Nothing to search: no list, no snapshot, or neither platform.
    standin::failProcessList(true);
    standin::failProcessSnapshot(true);
    EXPECT_FALSE(findProcessNT("iTunes.exe"));
    EXPECT_FALSE(findProcess9x("iTunes.exe"));
    standin::reset();
    EXPECT_FALSE(findProcessNT("iTunes.exe"));
    EXPECT_FALSE(findProcess9x("iTunes.exe"));
    standin::startProcess("C:\\iTunes.exe");
    standin::setVersion(VER_PLATFORM_WIN32s, 3, 1);
    EXPECT_FALSE(DispProcessIDs("iTunes.exe"));
    EXPECT_EQ(0, standin::openProcessHandles());
}

// Without iTunes's main window the probe is one window lookup: no process
// search, no COM call.  An iTunes.exe that is quitting has taken its window
// down already, and creating the object then would start it anew.
TEST_F(ITunesTest, NotRunningMeansNoComCallAtAll) {
    start();
    standin::startProcess("C:\\WINDOWS\\explorer.exe");
    int versionQueries = standin::versionQueryCount();
    for (bool exiting : {false, true}) {
        if (exiting) standin::startProcess("C:\\Program Files\\iTunes\\iTunes.exe");
        ITunesSlot slot = {(void*)1, true};
        EXPECT_EQ(kITunesNotPlaying, checkiTunesStatus(&slot)) << exiting;
        EXPECT_EQ(NULL, slot.application) << exiting;
        EXPECT_FALSE(slot.comInitialised) << exiting;
        EXPECT_EQ(0, standin::comEntryCalls()) << exiting;
        EXPECT_EQ(0, standin::iTunesActivations()) << exiting;
        EXPECT_EQ(0, standin::processesOpened()) << exiting;
        EXPECT_EQ(versionQueries, standin::versionQueryCount()) << exiting;
        EXPECT_TRUE(standin::sentMessages().empty()) << exiting;
        EXPECT_EQ(std::vector<std::string>{}, logLines()) << exiting;
    }
}

// A hung iTunes would hold the host in the first COM call, which has no
// time-out: its window is asked first, within the players' bound.  Another
// program's window of the same class without an iTunes.exe is no iTunes.
TEST_F(ITunesTest, AMainWindowThatDoesNotAnswerMeansNoComCall) {
    start();
    standin::startProcess("C:\\Program Files\\iTunes\\iTunes.exe");
    HWND window = standin::createWindow("iTunes", "iTunes", nullptr);
    standin::setHung(window, true);
    ITunesSlot slot = {};
    DWORD before = standin::nowMs();
    EXPECT_EQ(kITunesNotPlaying, checkiTunesStatus(&slot));
    EXPECT_EQ((DWORD)kPlayerAnswerTimeoutMs, standin::nowMs() - before);
    const standin::SentMessage& m = standin::sentMessages().back();
    EXPECT_EQ(window, m.window);
    EXPECT_EQ((UINT)WM_NULL, m.msg);
    EXPECT_TRUE(m.withTimeout);
    EXPECT_TRUE(m.flags & SMTO_ABORTIFHUNG);
    EXPECT_EQ(0, standin::comEntryCalls());
    EXPECT_EQ(0, standin::iTunesActivations());
    EXPECT_EQ(
        std::vector<std::string>{"checkiTunesStatus Exit  Reason:iTunes Not Answering."},
        logLines());

    standin::reset();
    standin::createWindow("iTunes", "iTunes", nullptr);
    std::remove(logFile().c_str());
    EXPECT_EQ(kITunesNotPlaying, checkiTunesStatus(&slot));
    EXPECT_EQ(0, standin::comEntryCalls());
    EXPECT_EQ((std::vector<std::string>{"@@DispProcessIDs", "#DispProcessIDs"}),
              logLines());
    expectNothingLeft("a window without iTunes.exe");
}

TEST_F(ITunesTest, ProbeAnswersByDisplayAndPlayerStateAndLeavesNothingOnRefusal) {
    start();
    runITunes();
    struct Case {
        VARIANT_BOOL visible;
        LONG state;
        PlayerStatus status;
        const char* calls;
        const char* reason;
    } cases[] = {
        {-1, 1, kITunesPlaying, "a58 d9 d2 a39", nullptr},
        {-1, 2, kITunesPlaying, "a58 d9 d2 a39", nullptr},
        {1, -7, kITunesPlaying, "a58 d9 d2 a39", nullptr},
        {-1, 0, kITunesNotPlaying, "a58 d9 d2 a39 a2",
         "checkiTunesStatus Exit  Reason:iTunes Not Playing."},
        {0, 1, kITunesNotPlaying, "a58 d9 d2 a2",
         "checkiTunesStatus Exit  Reason:iTunes Not Displayed."},
    };
    for (const Case& c : cases) {
        std::string what = std::to_string(c.visible) + "/" + std::to_string(c.state);
        standin::reset();
        runITunes();
        std::remove(logFile().c_str());
        standin::iTunes().visible = c.visible;
        standin::iTunes().playerState = c.state;
        ITunesSlot slot = {};
        EXPECT_EQ(c.status, checkiTunesStatus(&slot)) << what;
        EXPECT_EQ(calls(c.calls), standin::comCalls()) << what;
        EXPECT_EQ(1, standin::iTunesActivations()) << what;
        std::vector<std::string> log = {"@@DispProcessIDs", "#DispProcessIDs"};
        if (c.reason) log.push_back(c.reason);
        EXPECT_EQ(log, logLines()) << what;
        if (c.status == kITunesPlaying) {
            EXPECT_NE(nullptr, slot.application) << what;
            EXPECT_EQ(1, standin::liveComObjects()) << what;
            EXPECT_EQ(1, standin::comInitDepth()) << what;
            releaseiTunes(&slot);
        }
        EXPECT_EQ(NULL, slot.application) << what;
        expectNothingLeft(what);
    }
}

TEST_F(ITunesTest, TitleIsTitleThenArtistAndTheLogShowsEachFollowedByAnEmptyLine) {
    start();
    runITunes();
    EXPECT_EQ(widen("Song - Band"), probeAndRead());
    EXPECT_EQ(calls("a58 d9 d2 a39 a62 t8 t22 t2 a2"), standin::comCalls());
    EXPECT_EQ((std::vector<std::string>{"@@DispProcessIDs", "#DispProcessIDs",
                                        "Title:Song", "", "Artist:Band", ""}),
              logLines());
    expectNothingLeft("Song - Band");
}

TEST_F(ITunesTest, CompositionKeepsUtf16AndMissingStringsAreEmpty) {
    start();
    runITunes();
    struct Case {
        bool hasTitle, hasArtist;
        std::u16string title, artist;
        int capacity;
        const char* expected;
    } cases[] = {
        {true, false, u"Song", u"", kTitleUnits, "Song - "},
        {false, true, u"", u"Band", kTitleUnits, " - Band"},
        {true, true, u"", u"", kTitleUnits, " - "},
        {true, true, u"桜流し", u"宇多田😀", kTitleUnits, "桜流し - 宇多田😀"},
        {true, true, u"Beyoncé %s %d", u"Ünïcode", kTitleUnits,
         "Beyoncé %s %d - Ünïcode"},
        // Cut at capacity - 1, never inside a surrogate pair.
        {true, true, u"abc", u"de😀", 9, "abc - de"},
        {true, true, u"abc", u"de😀", 11, "abc - de😀"},
        {true, true, u"abcd", u"x", 3, "ab"},
        {true, true, u"abcd", u"x", 1, ""},
    };
    for (const Case& c : cases) {
        standin::reset();
        runITunes();
        standin::ITunesScript& s = standin::iTunes();
        s.hasTitle = c.hasTitle;
        s.hasArtist = c.hasArtist;
        s.title = c.title;
        s.artist = c.artist;
        EXPECT_EQ(widen(c.expected), probeAndRead(c.capacity)) << c.expected;
        expectNothingLeft(c.expected);
    }
    // 300 characters into the update step's buffer: the first 255 remain.
    standin::reset();
    runITunes();
    standin::iTunes().title = std::u16string(296, u'a');
    standin::iTunes().artist = u"z";
    EXPECT_EQ(WText(255, 'a'), probeAndRead());
    std::vector<std::string> log = logLines();
    EXPECT_EQ(std::find(log.begin(), log.end(), "Title:(null)"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Artist:"), log.end());
}

// Whatever fails on the way (no class, a refused creation, a missing
// object, a call into a server that died), the probe answers -210 or the
// reader an empty title, nothing is called through a missing object and
// nothing is left behind.
template <int Slot>
void refuseSlot(standin::ITunesScript& s) {
    s.failingSlot = Slot;
    s.failingSlotResult = E_FAIL;
}
template <int Calls>
void dieAfter(standin::ITunesScript& s) {
    s.dieAfterCalls = Calls;
}
void unregistered(standin::ITunesScript& s) {
    s.registered = false;
}
void refuseCreation(standin::ITunesScript& s) {
    s.createResult = E_OUTOFMEMORY;
}
void noDisplay(standin::ITunesScript& s) {
    s.hasDisplay = false;
}
void noTrack(standin::ITunesScript& s) {
    s.hasTrack = false;
}

TEST_F(ITunesTest, ComFailuresAreSafeOnEveryPath) {
    start();
    struct Case {
        const char* what;
        void (*script)(standin::ITunesScript&);
        PlayerStatus status;
        const char* calls;
    } cases[] = {
        {"class not registered", unregistered, kITunesNotPlaying, ""},
        {"creation refused", refuseCreation, kITunesNotPlaying, ""},
        {"no display object", noDisplay, kITunesNotPlaying, "a58 a2"},
        {"display object refused", refuseSlot<58>, kITunesNotPlaying, "a58 a2"},
        {"visibility refused", refuseSlot<9>, kITunesNotPlaying, "a58 d9 d2 a2"},
        {"player state refused", refuseSlot<39>, kITunesNotPlaying, "a58 d9 d2 a39 a2"},
        {"dies at once", dieAfter<0>, kITunesNotPlaying, "a58 a2"},
        {"dies after the display", dieAfter<1>, kITunesNotPlaying, "a58 d9 d2 a2"},
        {"dies before the state", dieAfter<2>, kITunesNotPlaying, "a58 d9 d2 a39 a2"},
        {"no track object", noTrack, kITunesPlaying, "a58 d9 d2 a39 a62 a2"},
        {"track refused", refuseSlot<62>, kITunesPlaying, "a58 d9 d2 a39 a62 a2"},
        {"dies before the track", dieAfter<3>, kITunesPlaying, "a58 d9 d2 a39 a62 a2"},
        {"dies before the title", dieAfter<4>, kITunesPlaying,
         "a58 d9 d2 a39 a62 t8 t2 a2"},
        {"dies before the artist", dieAfter<5>, kITunesPlaying,
         "a58 d9 d2 a39 a62 t8 t22 t2 a2"},
    };
    for (standin::Apartment apartment :
         {standin::Apartment::kNone, standin::Apartment::kSingleThreaded,
          standin::Apartment::kMultithreaded}) {
        for (const Case& c : cases) {
            std::string what =
                std::string(c.what) + ", apartment " + std::to_string((int)apartment);
            standin::reset();
            standin::setHostApartment(apartment);
            runITunes();
            c.script(standin::iTunes());
            ITunesSlot slot = {};
            EXPECT_EQ(c.status, checkiTunesStatus(&slot)) << what;
            if (c.status == kITunesPlaying) {
                WCHAR title[kTitleUnits];
                memset(title, 'x', sizeof title);
                EXPECT_FALSE(getiTunesTitle(title, kTitleUnits, &slot)) << what;
                EXPECT_EQ(WText(), WText(title)) << what;
            }
            EXPECT_EQ(NULL, slot.application) << what;
            EXPECT_EQ(calls(c.calls), standin::comCalls()) << what;
            expectNothingLeft(what);
        }
    }
}

TEST_F(ITunesTest, WorksInEveryApartmentAndBalancesOnlyItsOwnInitialisation) {
    start();
    for (standin::Apartment apartment :
         {standin::Apartment::kNone, standin::Apartment::kSingleThreaded,
          standin::Apartment::kMultithreaded}) {
        standin::reset();
        standin::setHostApartment(apartment);
        runITunes();
        EXPECT_EQ(widen("Song - Band"), probeAndRead()) << (int)apartment;
        // CoInitialize and CoCreateInstance, then CoUninitialize unless the
        // host's multithreaded apartment refused the initialisation.
        EXPECT_EQ(apartment == standin::Apartment::kMultithreaded ? 2 : 3,
                  standin::comEntryCalls());
        expectNothingLeft(std::to_string((int)apartment));
    }
}

TEST_F(ITunesTest, ALosingITunesIsEndedBeforeTheSelectionReturns) {
    start("[Player]\r\nWinampOrder=1\r\niTunesOrder=2\r\n");
    FakeWinamp winamp("1. A - B - Winamp");
    runITunes();
    PlayerHandles handles = {};
    EXPECT_EQ(10100, checkPlayerStatus(&handles));
    EXPECT_EQ(NULL, handles.iTunes.application);
    EXPECT_FALSE(handles.iTunes.comInitialised);
    EXPECT_EQ(calls("a58 d9 d2 a39 a2"), standin::comCalls()) << "the probe's calls only";
    expectNothingLeft("Winamp wins");
    std::vector<std::string> log = logLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "iTunes Status:20200"), log.end());

    // With iTunes first the title comes from it.
    standin::reset();
    runITunes();
    g_iTunesOrder = 1;
    EXPECT_EQ(10200, checkPlayerStatus(&handles));
    EXPECT_NE(nullptr, handles.iTunes.application);
    WCHAR title[kTitleUnits] = {0};
    EXPECT_TRUE(getTitle(10200, title, kTitleUnits, &handles));
    EXPECT_EQ(widen("Song - Band"), WText(title));
    expectNothingLeft("iTunes wins");
}

TEST_F(ITunesTest, EachConnectionsStepCreatesAndEndsItsOwnObject) {
    start("[Player]\r\nWinampOrder=0\r\niTunesOrder=1\r\n");
    runITunes();
    uint32_t bob = host().connect("MSNP8", widen("Bob"));
    uint32_t ann = host().connect("MSNP9", widen("Ann😀"));
    host().chooseCommand();
    standin::advance(1000);
    EXPECT_EQ(2, standin::iTunesActivations());
    expectNothingLeft("one tick, two steps");
    host().deliverPendingEvents();
    EXPECT_EQ(widen("Bob/NowPlaying...Song - Band"), host().name(bob));
    EXPECT_EQ(widen("Ann😀/NowPlaying...Song - Band"), host().name(ann));
}

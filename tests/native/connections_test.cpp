#include "frame/wide_text.h"
#include "plugin_fixture.h"
#include "publish/display_name.h"

using ConnectionsTest = PluginTest;
using testhost::widen;

TEST_F(ConnectionsTest, WatchesMsnProtocolsAndTheConfiguredOne) {
    writeIni("[Main]\r\nProtocolName=JABBER\r\n");
    initialize();
    struct Case {
        const char* protocol;
        bool watched;
    } cases[] = {{"MSNP8", true},  {"MSNP9", true}, {"MSNP", true},    {"JABBER", true},
                 {"msnp8", false}, {"MSN", false},  {"JABBER2", false}};
    for (const Case& c : cases) {
        uint32_t h = host().connect(c.protocol, widen("Bob"));
        bool watched = std::count(g_slots.handles, g_slots.handles + kSlotCount, h) == 1;
        EXPECT_EQ(c.watched, watched) << c.protocol;
        host().disconnect(h);
    }
}

TEST_F(ConnectionsTest, FiveSlotsLowestFirstAndOneServiceForAll) {
    initialize();
    std::vector<uint32_t> h;
    for (int i = 0; i < 6; i++)
        h.push_back(host().connect(i ? "MSNP9" : "MSNP8", widen("B")));
    for (int i = 0; i < 5; i++) EXPECT_EQ(h[i], g_slots.handles[i]);
    EXPECT_EQ(0, std::count(g_slots.handles, g_slots.handles + kSlotCount, h[5]));
    EXPECT_EQ(1,
              std::count(host().openedServices().begin(), host().openedServices().end(),
                         "Protocol/MSNP8/Connection/ChangeUserName"));
    EXPECT_EQ(2u, host().openedServices().size()) << "GetInfo and one ChangeUserName";

    host().disconnect(h[2]);
    EXPECT_EQ(0u, g_slots.handles[2]);
    uint32_t next = host().connect("MSNP8", widen("C"));
    EXPECT_EQ(next, g_slots.handles[2]);
}

TEST_F(ConnectionsTest, HookResultsAndLogLines) {
    writeIni("[Main]\r\nLog=1\r\n");
    initialize();
    std::remove(logFile().c_str());
    uint32_t h = host().connect("MSNP8", widen("Bob"));
    EXPECT_EQ(0, eCConnect(h, NULL)) << "the same handle again";
    EXPECT_EQ(0, eCDisconnect(9999, NULL));
    EXPECT_EQ(-1, eCInfoChange(9999, NULL));
    host().failInfoQuery(kInfoProtocolName, true);
    EXPECT_EQ(-1, eCConnect(4242, NULL));
    std::vector<std::string> expected = {
        "@@eCConnect",   "Connection HANDLE:" + std::to_string(h),
        "#eCConnect",    "@@eCConnect",
        "#eCConnect",    "@@eCDisconnect",
        "#eCDisconnect", "@@eCInfoChange",
        "Not Found.",    "#eCInfoChange",
        "@@eCConnect",   "MsnConnHook Exit  Reason: Cannot Get ProtocolName",
        "#eCConnect"};
    EXPECT_EQ(expected, logLines());
}

TEST_F(ConnectionsTest, AServiceThatCannotBeOpenedIsTriedAgainByTheNextConnection) {
    initialize();
    host().failServicePrefix("Protocol/MSNP8/");
    uint32_t first = host().connect("MSNP8", widen("A"));
    EXPECT_EQ(first, g_slots.handles[0]) << "watched all the same";
    EXPECT_EQ(0u, g_slots.changeUserNameService);
    host().connect("MSNP9", widen("B"));
    EXPECT_NE(0u, g_slots.changeUserNameService);
    EXPECT_EQ("Protocol/MSNP9/Connection/ChangeUserName", host().openedServices().back());
}

TEST_F(ConnectionsTest, ADisconnectHandsNoPendingChangeToTheNextConnection) {
    initialize();
    uint32_t a = host().connect("MSNP8", widen("A"));
    g_slots.pending[0] = 1;
    host().disconnect(a);
    host().connect("MSNP8", widen("B"));
    EXPECT_EQ(0, g_slots.pending[0]);
}

// Each hook clears on its own: a slot left pending by a disconnect the host
// never reported, or by one that did, starts the next connection clean.
TEST_F(ConnectionsTest, ConnectAndDisconnectEachClearThePendingChange) {
    initialize();
    for (bool byDisconnect : {true, false}) {
        SCOPED_TRACE(byDisconnect ? "cleared by the disconnect"
                                  : "cleared by the connect");
        uint32_t a = host().connect("MSNP8", widen("A"));
        ASSERT_EQ(a, g_slots.handles[0]);
        g_slots.pending[0] = 1;
        g_slots.pendingTicks[0] = 1;
        if (byDisconnect) {
            eCDisconnect(a, NULL);
        } else {
            g_slots.handles[0] = 0;  // gone without an event
            uint32_t b = host().connect("MSNP8", widen("B"));
            ASSERT_EQ(b, g_slots.handles[0]);
        }
        EXPECT_EQ(0, g_slots.pending[0]);
        EXPECT_EQ(0, g_slots.pendingTicks[0]);
        g_slots.handles[0] = 0;
    }
}

// A record that fills the name buffer without a terminator is cut one unit
// short, so the copy ends inside the buffer; its title part still confirms.
TEST_F(ConnectionsTest, AnUnterminatedNameFillingTheBufferIsCutToFit) {
    initialize();
    uint32_t h = host().connect("MSNP8", widen("Bob"));
    const testhost::WText prefix = widen("Bob/NowPlaying...");
    std::vector<WCHAR> name(kNameUnits, (WCHAR)'x');
    std::copy(prefix.begin(), prefix.end(), name.begin());
    testhost::WText title(kNameUnits - 1 - prefix.size(), (WCHAR)'x');
    copyWide(g_slots.lastPublishedTitle[0], kLastTitleUnits, title.c_str());
    g_slots.pending[0] = 1;
    InfoValue value = {1, name.data(), (int32_t)(name.size() * sizeof(WCHAR))};
    InfoChangeEvent event = {0, kInfoDisplayName, &value};
    EXPECT_EQ(0, eCInfoChange(h, &event));
    EXPECT_EQ(0, g_slots.pending[0]) << "the first kNameUnits - 1 units confirm";
}

TEST_F(ConnectionsTest, ConfirmationMatchesTheTitlePartAgainstTheLastTitle) {
    initialize();
    uint32_t h = host().connect("MSNP8", widen("Bob"));
    copyWide(g_slots.lastPublishedTitle[0], kLastTitleUnits, widen("A - B").c_str());
    struct Case {
        const char* name;
        int32_t code;
        uint8_t pendingAfter;
    } cases[] = {{"Bob/NowPlaying...A - C", kInfoDisplayName, 1},
                 {"Bob/NowPlaying...A - B", 2000, 1},
                 {"Bob/NowPlaying...A - B", kInfoDisplayName, 0}};
    for (const Case& c : cases) {
        g_slots.pending[0] = 1;
        testhost::WText name = widen(c.name);
        InfoValue value = {1, (void*)name.c_str(), (int32_t)(2 * (name.size() + 1))};
        InfoChangeEvent event = {0, c.code, &value};
        EXPECT_EQ(0, eCInfoChange(h, &event));
        EXPECT_EQ(c.pendingAfter, g_slots.pending[0]) << c.name << " " << c.code;
    }
}

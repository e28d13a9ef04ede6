// One update step on the Winamp path, from status query to name change,
// touches no heap.  malloc is interposed for the whole test program and
// counts while armed; the sanitizer build brings its own allocator, so the
// test is left out there.
#ifndef MR_SANITIZED

#include <malloc.h>

#include "bsplayer_fixture.h"
#include "media_fixture.h"
#include "publish/display_name.h"
#include "winamp_fixture.h"

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);

static volatile bool g_countAllocations;
static volatile int g_allocations;

extern "C" void* malloc(size_t n) {
    if (g_countAllocations) g_allocations++;
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t m) {
    if (g_countAllocations) g_allocations++;
    return __libc_calloc(n, m);
}
extern "C" void* realloc(void* p, size_t n) {
    if (g_countAllocations) g_allocations++;
    return __libc_realloc(p, n);
}

namespace {

// A host of fixed buffers, so that only the plug-in's own allocations count.
WCHAR g_hostName[kNameUnits];
int g_changes;

int32_t WINAPI answer(uint32_t service, uint32_t, void* request) {
    if (service == 1) {
        InfoRequest* r = (InfoRequest*)request;
        if (r->code == kInfoConnectionStatus) *(int32_t*)r->value->data = 1;
        if (r->code == kInfoDisplayName)
            memcpy(r->value->data, g_hostName, sizeof g_hostName);
        return 1;
    }
    const NameChangeRequest* r = (const NameChangeRequest*)request;
    int n = wideLength(r->name);
    memcpy(g_hostName, r->name, (size_t)(n + 1) * sizeof(WCHAR));
    g_changes++;
    return 1;
}

}  // namespace

class NoHeapTest : public PluginTest {
protected:
    // Loads the plug-in with `ini` and puts it in front of the fixed-buffer
    // host, whose user is called `name`.
    void start(const std::string& ini, const testhost::WText& name) {
        writeIni("[Main]\r\nLog=1\r\n" + ini);
        initialize();
        g_hostApi.callService = answer;
        g_getInfoService = 1;
        g_slots.changeUserNameService = 2;
        memset(g_hostName, 0, sizeof g_hostName);
        memcpy(g_hostName, name.c_str(), name.size() * sizeof(WCHAR));
    }
    // One update step with the allocation counter armed; returns what it sent.
    int32_t countedStep() {
        g_allocations = 0;
        g_countAllocations = true;
        int32_t sent = TimerProc(77, 0);
        g_countAllocations = false;
        return sent;
    }
};

TEST_F(NoHeapTest, OneWinampUpdateStepAllocatesNothing) {
    testhost::WText bob = testhost::widen("Bob😀");
    start("", bob);
    FakeWinamp winamp("1. A - B - Winamp");

    ASSERT_EQ(1, TimerProc(77, 0));  // warms up the converters
    winamp.play("2. C - D - Winamp");
    EXPECT_EQ(1, countedStep());
    EXPECT_EQ(2, g_changes);
    EXPECT_EQ(0, g_allocations);
    EXPECT_EQ(bob + testhost::widen("/NowPlaying...C - D"), testhost::WText(g_hostName));
}

// The BSPlayer path opens, reads and closes the media file on every step:
// no stdio, whose FILE buffers come from the heap.
TEST_F(NoHeapTest, OneBsPlayerUpdateStepAllocatesNothing) {
    start("[Player]\r\nWinampOrder=0\r\nBSplayerOrder=1\r\n", testhost::widen("Bob"));
    standin::createOwnWindow("TFrmMain", "Host", nullptr);
    std::string first = folder_ + "/first.mp3", second = folder_ + "/second.mp3";
    std::ofstream(first, std::ios::binary)
        << media::tag(3, 0, media::frame23("TIT2", media::text(0, "A")));
    std::ofstream(second, std::ios::binary) << media::tag(
        4, 0,
        media::frame24("PRIV", std::string(5000, 'p')) +
            media::frame24("TIT2", media::text(1, media::utf16("B😀", false, true))));
    FakeBsPlayer player;
    player.play(windowsPath(first));

    ASSERT_EQ(1, TimerProc(77, 0));  // warms up the converters
    player.play(windowsPath(second));
    EXPECT_EQ(1, countedStep());
    EXPECT_EQ(0, g_allocations);
    EXPECT_EQ(testhost::widen("Bob/NowPlaying...B😀 - "), testhost::WText(g_hostName));
}

#endif

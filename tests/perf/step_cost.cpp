// step_cost [ticks]: the update step's cost on the native build, over the
// Linux stand-in, for the cases of docs/performance.md, logging off and on.
//
// For each case the plug-in is loaded afresh, switched on and given two
// ticks to settle (the first publishes the title, the host confirms it);
// then `ticks` more ticks are measured, each one call of timerCallback as
// the host's message loop would make it.  Printed per case:
//   - heap allocations per tick: HeapAlloc calls (the stand-in's tally) and
//     malloc calls, each malloc put down to the code that asked for it (the
//     plug-in, the stand-in's simulated Win32, the test host);
//   - the wall time per tick.
// Under valgrind's callgrind (scripts/perf) only the measured ticks are
// collected, and one profile is dumped per case, named after it.
#include <dlfcn.h>
#include <execinfo.h>
#include <standin/com.h>
#include <standin/dde.h>
#include <standin/desktop.h>
#include <standin/processes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "frame/host_services.h"
#include "frame/plugin_exports.h"
#include "frame/settings.h"
#include "frame/text_conversion.h"
#include "frame/trace_log.h"
#include "publish/connections.h"
#include "publish/update_cycle.h"
#include "testhost/host_core.h"
#include "tests/native/plugin_state.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#define CALLGRIND_TOGGLE_COLLECT
#define CALLGRIND_DUMP_STATS_AT(name) (void)(name)
#define CALLGRIND_ZERO_STATS
#endif

// --- malloc, counted while armed -------------------------------------------

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);

namespace {

enum { kMaxCallers = 512, kCallerFrames = 4 };
// The innermost frames of this program above the allocation: the first of
// them may be a container's method, instantiated out of line.
struct Caller {
    void* frames[kCallerFrames];
    int allocations;
};
volatile bool g_counting;
bool g_inCounter;
int g_mallocs;
int g_callerCount;
Caller g_callers[kMaxCallers];
Dl_info g_self;

// Kept as addresses in a fixed table, since resolving them here would
// allocate.
void noteCaller(const Caller& caller) {
    for (int i = 0; i < g_callerCount; i++) {
        if (memcmp(g_callers[i].frames, caller.frames, sizeof caller.frames) != 0)
            continue;
        g_callers[i].allocations++;
        return;
    }
    if (g_callerCount < kMaxCallers) g_callers[g_callerCount++] = caller;
}

void noteAllocation() {
    if (!g_counting || g_inCounter) return;
    g_inCounter = true;
    g_mallocs++;
    void* frames[16];
    int n = RUNNING_ON_VALGRIND ? 0 : backtrace(frames, 16);
    Caller caller = {{}, 1};
    int kept = 0;
    for (int i = 2; i < n && kept < kCallerFrames; i++) {
        Dl_info info;
        if (dladdr(frames[i], &info) && info.dli_fbase == g_self.dli_fbase)
            caller.frames[kept++] = frames[i];
    }
    if (kept) noteCaller(caller);
    g_inCounter = false;
}

}  // namespace

extern "C" void* malloc(size_t n) {
    noteAllocation();
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t m) {
    noteAllocation();
    return __libc_calloc(n, m);
}
extern "C" void* realloc(void* p, size_t n) {
    noteAllocation();
    return __libc_realloc(p, n);
}

namespace {

// --- where an allocation came from ------------------------------------------

// The source file of the code that asked for memory, from the program's
// debug information: the first frame outside the system's headers, and in
// each frame the outermost function that the code was inlined into (the
// last of addr2line's lines for its address).
std::vector<std::string> sourceFiles(const Caller* callers, int count) {
    std::vector<std::string> files;
    char list[] = "/tmp/mr-step-cost-XXXXXX";
    int fd = mkstemp(list);
    if (fd < 0) return files;
    FILE* out = fdopen(fd, "w");
    for (int i = 0; i < count; i++) {
        for (void* frame : callers[i].frames) {
            if (!frame) frame = (char*)g_self.dli_fbase + 1;  // resolves to nothing
            fprintf(out, "0x%lx\n",
                    (unsigned long)((char*)frame - 1 - (char*)g_self.dli_fbase));
        }
    }
    fclose(out);
    // -a starts each address's lines with the address itself.
    std::string command = std::string("addr2line -a -i -e /proc/") +
                          std::to_string(getpid()) + "/exe < " + list;
    FILE* in = popen(command.c_str(), "r");
    char line[4096];
    std::vector<std::string> frameFiles;
    while (in && fgets(line, sizeof line, in)) {
        if (strncmp(line, "0x", 2) == 0)
            frameFiles.push_back("??");
        else if (!frameFiles.empty())
            frameFiles.back() = line;
    }
    if (in) pclose(in);
    unlink(list);
    for (int i = 0; i < count; i++) {
        std::string file = "??";
        for (int k = 0; k < kCallerFrames; k++) {
            size_t f = (size_t)i * kCallerFrames + k;
            if (f >= frameFiles.size()) break;
            const std::string& candidate = frameFiles[f];
            if (candidate.compare(0, 2, "??") == 0 ||
                candidate.compare(0, 5, "/usr/") == 0)
                continue;
            file = candidate;
            break;
        }
        files.push_back(file);
    }
    return files;
}

std::string ownerOf(const std::string& file) {
    for (const char* dir : {"/frame/", "/publish/", "/players/"})
        if (file.find(dir) != std::string::npos) return "plug-in";
    if (file.find("/win32-standin/") != std::string::npos) return "stand-in";
    if (file.find("/testhost/") != std::string::npos) return "test host";
    return "other";
}

// --- the simulated desktop ---------------------------------------------------

std::string g_folder;

std::string windowsPath(std::string p) {
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

void writeFile(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

// A desktop with a few dozen ordinary programs, so that a search of the
// process list walks one of realistic length.
void startIdleProcesses() {
    for (int i = 0; i < 30; i++)
        standin::startProcess("C:\\WINDOWS\\system32\\idle" + std::to_string(i) + ".exe");
}

HWND g_winamp;
LRESULT g_winampState;
LRESULT winampWindow(HWND, UINT msg, WPARAM, LPARAM lp) {
    return msg == WM_USER && lp == 104 ? g_winampState : 0;
}
// Its state query answers 0: stopped.
LRESULT bsPlayerWindow(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

std::string cfText(const char* text) {
    return std::string(text, strlen(text) + 1);
}

void startWinamp(LRESULT state) {
    g_winampState = state;
    g_winamp =
        standin::createWindow("Winamp v1.x", "1. Artist - Song - Winamp", winampWindow);
}
void startLilith() {
    standin::createWindow("Lilith",
                          "[01/10] Lilith \xef\xbc\xbd"
                          "Artist - Song",
                          nullptr);
    standin::addDdeServer("LILITH_EXT_CONTROL", "LILITH_EXT_CONTROL").answers["/status"] =
        cfText("play");
}
void startKbMediaPlaying() {
    standin::DdeServer& server =
        standin::addDdeServer("KbMedia Player", "KbMedia Player");
    server.answers["Status"] = cfText("Play");
    server.answers["Title"] = cfText("Song");
    server.answers["Artist"] = cfText("Artist");
}
void startOthersStopped() {
    startWinamp(0);
    standin::startProcess("C:\\Program Files\\iTunes\\iTunes.exe");
    standin::iTunes().playerState = 0;
    standin::addDdeServer("KbMedia Player", "KbMedia Player").answers["Status"] =
        cfText("Stop");
    standin::createWindow("BSPlayer", "BSPlayer", bsPlayerWindow);
}

struct Case {
    const char* name;
    const char* players;  // the [Player] section
    int connections;
    void (*desktop)();
    void (*beforeTick)(int tick);  // NULL: the desktop stays as it is
};

// Every tick finds another title, so every tick sends a name.
void nextWinampTitle(int tick) {
    standin::setWindowText(g_winamp, tick % 2 ? "1. Artist - Song - Winamp"
                                              : "2. Artist - Another Song - Winamp");
}

const char kAllFive[] =
    "[Player]\r\nWinampOrder=1\r\niTunesOrder=2\r\nkbMediaPlayerOrder=3\r\n"
    "BSplayerOrder=4\r\nLilithOrder=5\r\n";

const Case kCases[] = {
    {"winamp-1", "", 1, [] { startWinamp(1); }, NULL},
    {"winamp-2", "", 2, [] { startWinamp(1); }, NULL},
    {"winamp-1-new-title", "", 1, [] { startWinamp(1); }, nextWinampTitle},
    {"kbmedia-1", "[Player]\r\nWinampOrder=0\r\nkbMediaPlayerOrder=1\r\n", 1,
     startKbMediaPlaying, NULL},
    {"five-none", kAllFive, 1, [] {}, NULL},
    {"five-lilith-alone", kAllFive, 1, startLilith, NULL},
    {"five-lilith-others-stopped", kAllFive, 1,
     [] {
         startOthersStopped();
         startLilith();
     },
     NULL},
};

void loadPlugin(const Case& c, bool logging) {
    standin::reset();
    testhost::Host::instance().reset();
    resetPluginState();
    standin::setModuleFileName(windowsPath(g_folder + "/host.exe"));
    std::string dir = g_folder + "/Plugins/MelodyRibbon";
    std::string command = "rm -rf '" + g_folder + "/Plugins' && mkdir -p '" + dir + "'";
    if (system(command.c_str()) != 0) exit(2);
    writeFile(dir + "/MelodyRibbon.ini",
              std::string("[Main]\r\nLog=") + (logging ? "1" : "0") + "\r\n" + c.players);
    startIdleProcesses();
    c.desktop();
    Initialize(testhost::Host::instance().table());
    const char* users[] = {"Bob", "Alice"};
    for (int i = 0; i < c.connections; i++)
        testhost::Host::instance().connect("MSNP9", testhost::widen(users[i]));
    testhost::Host::instance().chooseCommand();
}

// One turn of the host's message loop: the desktop moves on, the timer's
// message comes, and the host's events (OnInfoChange) go out.
void tick(const Case& c, int i) {
    if (c.beforeTick) c.beforeTick(i);
    timerCallback(NULL, WM_TIMER, g_timerId, 0);
    testhost::Host::instance().deliverPendingEvents();
}

double nowNs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return 1e9 * (double)t.tv_sec + (double)t.tv_nsec;
}

void runCase(const Case& c, bool logging, int ticks) {
    loadPlugin(c, logging);
    tick(c, 0);  // publishes the title
    tick(c, 0);  // finds it in the name
    const size_t changesBefore = testhost::Host::instance().nameChanges().size();

    // Heap: every allocation's caller is looked up, which is slow, so the
    // time is taken over ticks of their own.
    const int heapBefore = standin::ddeTally().heapBlocks;
    g_mallocs = 0;
    g_callerCount = 0;
    g_counting = true;
    for (int i = 0; i < ticks; i++) tick(c, i);
    g_counting = false;
    const int heapAllocs = standin::ddeTally().heapBlocks - heapBefore;

    const double start = nowNs();
    CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < ticks; i++) tick(c, i);
    CALLGRIND_TOGGLE_COLLECT;
    const double ns = (nowNs() - start) / ticks;
    std::string label = std::string(c.name) + (logging ? ", log on" : ", log off");
    CALLGRIND_DUMP_STATS_AT(label.c_str());

    std::map<std::string, int> byOwner;
    std::vector<std::string> files = sourceFiles(g_callers, g_callerCount);
    for (size_t i = 0; i < files.size(); i++)
        byOwner[ownerOf(files[i])] += g_callers[i].allocations;
    const size_t changes =
        testhost::Host::instance().nameChanges().size() - changesBefore;
    // Both passes of ticks count their name changes.
    printf("| %s | %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", c.name,
           logging ? "on" : "off", (double)changes / (2 * ticks),
           (double)heapAllocs / ticks, (double)byOwner["plug-in"] / ticks,
           (double)byOwner["stand-in"] / ticks, (double)byOwner["test host"] / ticks,
           (double)(g_mallocs - byOwner["plug-in"] - byOwner["stand-in"] -
                    byOwner["test host"]) /
               ticks,
           ns / 1000);
    fflush(stdout);
    killTitleTimer();
}

}  // namespace

int main(int argc, char** argv) {
    int ticks = argc > 1 ? atoi(argv[1]) : 100;
    if (ticks <= 0) ticks = 100;
    if (!dladdr((void*)&runCase, &g_self)) return 2;
    void* warm[2];
    backtrace(warm, 2);  // loads the unwinder before anything is counted
    char folder[] = "/tmp/mr-step-cost-XXXXXX";
    if (!mkdtemp(folder)) return 2;
    g_folder = folder;
    printf(
        "| case | log | name changes per tick | HeapAlloc per tick | malloc per tick: "
        "plug-in | stand-in | test host | this program | wall µs per tick |\n"
        "|---|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (bool logging : {false, true})
        for (const Case& c : kCases) runCase(c, logging, ticks);
    std::string command = "rm -rf '" + g_folder + "'";
    return system(command.c_str()) == 0 ? 0 : 2;
}

// testhost.exe <scenario file>: the messaging host's side for end-to-end runs
// of the 64-bit plug-in under Wine.
//
// Exit code: 0 when every expectation held, 1 when one failed, 2 when the
// scenario could not be run, kExitFault after a fault.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <string>

#include "testhost/fault_guard.h"
#include "testhost/scenario.h"
#include "testhost/transcript.h"

namespace {

enum { kExitPassed = 0, kExitFailed = 1, kExitBadScenario = 2 };

bool readFile(const char* path, std::string* text) {
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, n);
    fclose(f);
    return true;
}

// The messaging host's main window; a player that answers through window
// messages looks for it as the sender.
HWND createMainWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "TFrmMain";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "MelodyRibbon test host",
                           WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320, 240,
                           NULL, NULL, wc.hInstance, NULL);
}

}  // namespace

int main(int argc, char** argv) {
    // Plain LF lines, whatever the C runtime's text mode would do.
    _setmode(_fileno(stdout), _O_BINARY);
    testhost::startClock();
    if (argc != 2) {
        fprintf(stderr, "usage: testhost <scenario file>\n");
        return kExitBadScenario;
    }
    std::string text;
    if (!readFile(argv[1], &text)) {
        testhost::say(std::string("ERROR cannot read ") + argv[1]);
        return kExitBadScenario;
    }
    testhost::installFaultGuard();
    if (!createMainWindow()) testhost::say("ERROR cannot create the TFrmMain window");

    testhost::say(std::string("scenario ") + argv[1] + " (ANSI code page " +
                  std::to_string(GetACP()) + ")");
    testhost::Scenario scenario;
    const bool ran = scenario.run(text);
    scenario.finish();

    const int failed = testhost::failureCount();
    testhost::say("done: " + std::to_string(scenario.expectations()) + " expectations, " +
                  std::to_string(failed) + " failed" +
                  (ran ? "" : ", scenario stopped early"));
    if (!ran) return kExitBadScenario;
    return failed ? kExitFailed : kExitPassed;
}

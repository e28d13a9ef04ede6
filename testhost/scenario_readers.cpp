// Scenario commands for what a real desktop holds besides our fakes:
// another program's window with the host's class, an iTunes whose main
// window is gone or hung.
#include <stdio.h>

#include "testhost/host_folder.h"
#include "testhost/scenario.h"

namespace testhost {

namespace {

// Lines of bsplayer-writes.txt (one process id each) that name a process
// other than this one.
int foreignWrites() {
    FILE* f = fopen((hostFolder() + "bsplayer-writes.txt").c_str(), "rb");
    if (!f) return 0;
    int foreign = 0;
    unsigned long pid = 0;
    while (fscanf(f, "%lu", &pid) == 1)
        if (pid != GetCurrentProcessId()) ++foreign;
    fclose(f);
    return foreign;
}

}  // namespace

bool Scenario::foreignFormCommand(const Words& args) {
    static const char kUsage[] = "foreignform start|quit";
    if (!arguments(args, 1, 1, kUsage)) return false;
    if (args[0].text == "start") return foreignForm_.start(WText(), &error_);
    if (args[0].text == "quit") return foreignForm_.quit(&error_);
    error_ = std::string("usage: ") + kUsage;
    return false;
}

// "window on|off" and "hang <ms>", after the verb "itunes".
bool Scenario::itunesWindowCommand(const Words& args) {
    static const char kUsage[] = "itunes window on|off | itunes hang <ms>";
    bool on = false;
    long ms = 0;
    if (args.size() == 2 && args[0].text == "window" && onOff(args[1], &on))
        return itunes_.setMainWindow(on, &error_);
    if (args.size() == 2 && args[0].text == "hang" && number(args[1], &ms))
        return itunes_.hang(static_cast<DWORD>(ms), &error_);
    error_ = std::string("usage: ") + kUsage;
    return false;
}

bool Scenario::expectBsPlayerForeignWrites(const Words& args) {
    return comparison(args, 0, "expect bsplayer-foreign-writes [<=|>=] <n>",
                      foreignWrites(), "BSPlayer's writes into other processes");
}

}  // namespace testhost

#include "testhost/scenario.h"

#include <stdio.h>

#include <algorithm>
#include <numeric>

#include "testhost/host_folder.h"
#include "testhost/transcript.h"

namespace testhost {

const Scenario::Command Scenario::kCommands[] = {
    {"ini", &Scenario::iniCommand},
    {"inifile", &Scenario::iniFileCommand},
    {"logfile", &Scenario::logFileCommand},
    {"load", &Scenario::loadCommand},
    {"terminate", &Scenario::terminateCommand},
    {"unload", &Scenario::unloadCommand},
    {"connect", &Scenario::connectCommand},
    {"disconnect", &Scenario::disconnectCommand},
    {"status", &Scenario::statusCommand},
    {"rename", &Scenario::renameCommand},
    {"refuse", &Scenario::refuseCommand},
    {"host", &Scenario::hostCommand},
    {"caption", &Scenario::captionCommand},
    {"choose", &Scenario::chooseCommand},
    {"pump", &Scenario::pumpCommand},
    {"await", &Scenario::awaitCommand},
    {"winamp", &Scenario::winampCommand},
    {"itunes", &Scenario::itunesCommand},
    {"kbmedia", &Scenario::kbmediaCommand},
    {"lilith", &Scenario::lilithCommand},
    {"bsplayer", &Scenario::bsplayerCommand},
    {"hostwindow", &Scenario::hostWindowCommand},
    {"foreignform", &Scenario::foreignFormCommand},
    {"mediasession", &Scenario::mediaSessionCommand},
    {"expect", &Scenario::expectCommand},
    {"log", &Scenario::logCommand},
    {"note", &Scenario::noteCommand},
    {"ticks", &Scenario::ticksCommand},
};

namespace {

std::string units(const WText& text) {
    std::string out;
    for (WCHAR c : text) {
        char hex[8];
        snprintf(hex, sizeof hex, "%s%04x", out.empty() ? "" : " ",
                 static_cast<unsigned>(c));
        out += hex;
    }
    return out;
}

}  // namespace

Scenario::Scenario()
    : winamp_([this](DWORD ms) { loop_.pump(ms); }),
      itunes_([this](DWORD ms) { loop_.pump(ms); }),
      kbmedia_("fake_kbmedia.exe", "FakeKbMediaPlayer",
               [this](DWORD ms) { loop_.pump(ms); }),
      lilith_("fake_lilith.exe", "Lilith", [this](DWORD ms) { loop_.pump(ms); }),
      bsplayer_([this](DWORD ms) { loop_.pump(ms); }),
      foreignForm_("fake_form.exe", "TFrmMain", [this](DWORD ms) { loop_.pump(ms); }) {
    loop_.setObserver([this] { reportNameChanges(); });
}

bool Scenario::run(const std::string& text) {
    size_t lineNumber = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        Words words;
        if (!splitLine(line, &words, &error_) || (!words.empty() && !runLine(words))) {
            say("ERROR line " + std::to_string(lineNumber) + ": " + error_);
            return false;
        }
        reportNameChanges();
    }
    return true;
}

bool Scenario::runLine(const Words& words) {
    std::string echo = ">";
    for (const Word& w : words) echo += " " + (w.quoted ? quoted(w.text) : w.text);
    say(echo);
    for (const Command& c : kCommands) {
        if (words[0].text == c.name) {
            return (this->*c.handler)(Words(words.begin() + 1, words.end()));
        }
    }
    error_ = "unknown command " + words[0].text;
    return false;
}

void Scenario::finish() {
    if (plugin_.loaded()) {
        say("end: unloading the plug-in");
        plugin_.unload();
        forgetPlugin();
    }
    if (winamp_.running()) {
        std::string error;
        if (!winamp_.quit(&error)) say("end: " + error);
    }
    for (DdePlayerDriver* player : {&kbmedia_, &lilith_}) {
        std::string error;
        if (player->running() && !player->quit(&error)) say("end: " + error);
    }
    if (bsplayer_.running()) {
        std::string error;
        if (!bsplayer_.quit(&error)) say("end: " + error);
    }
    if (foreignForm_.running()) {
        std::string error;
        if (!foreignForm_.quit(&error)) say("end: " + error);
    }
    itunes_.finish();
    mediaSession_.finish();
    releaseHeldFiles();
}

bool Scenario::arguments(const Words& args, size_t min, size_t max, const char* usage) {
    if (args.size() >= min && args.size() <= max) return true;
    error_ = std::string("usage: ") + usage;
    return false;
}

bool Scenario::number(const Word& word, long* value) {
    if (parseNumber(word.text, value)) return true;
    error_ = "not a number: " + word.text;
    return false;
}

bool Scenario::connection(const Word& id, uint32_t* handle) {
    auto it = handles_.find(id.text);
    if (it == handles_.end()) {
        error_ = "no connection " + id.text;
        return false;
    }
    *handle = it->second;
    return true;
}

// The core records every name change; print the new ones under the
// scenario's own connection ids.
void Scenario::reportNameChanges() {
    const std::vector<NameChange>& changes = Host::instance().nameChanges();
    for (; reported_ < changes.size(); ++reported_) {
        const NameChange& change = changes[reported_];
        std::string id = std::to_string(change.connection);
        for (const auto& entry : handles_) {
            if (entry.second == change.connection) id = entry.first;
        }
        ++changesSent_[id];
        sentTo_.push_back(id);
        say(id + (change.accepted ? " name -> " : " name refused ") +
            quoted(narrow(change.name)));
    }
}

// After unload the plug-in's hooks and command point into freed code.
void Scenario::forgetPlugin() {
    reportNameChanges();
    Host::instance().forgetPlugin();
}

void Scenario::check(bool ok, const std::string& what) {
    if (awaiting_) {
        awaitedHolds_ = awaitedHolds_ && ok;
        return;
    }
    ++expectations_;
    if (ok) {
        say("ok " + what);
    } else {
        fail(what);
    }
}

bool Scenario::iniCommand(const Words& args) {
    if (!arguments(args, 3, 3, "ini <Section> <Key> <value>")) return false;
    if (!writeIni(args[0].text, args[1].text, args[2].text)) {
        error_ = "could not write " + iniPath();
        return false;
    }
    return true;
}

bool Scenario::iniFileCommand(const Words& args) {
    if (!arguments(args, 1, 1, "inifile held") || args[0].text != "held") {
        error_ = "usage: inifile held";
        return false;
    }
    if (holdIni()) return true;
    error_ = "could not hold " + iniPath();
    return false;
}

bool Scenario::logFileCommand(const Words& args) {
    static const char kUsage[] = "logfile clear | folder | held \"<text>\"";
    if (!arguments(args, 1, 2, kUsage)) return false;
    if (args[0].text == "clear" && args.size() == 1) {
        if (clearLog()) return true;
    } else if (args[0].text == "folder" && args.size() == 1) {
        if (putFolderAtLog()) return true;
    } else if (args[0].text == "held" && args.size() == 2) {
        if (holdLog(args[1].text)) return true;
    } else {
        error_ = std::string("usage: ") + kUsage;
        return false;
    }
    error_ = "could not prepare " + logPath();
    return false;
}

bool Scenario::loadCommand(const Words& args) {
    if (!arguments(args, 0, 1, "load [dll path]")) return false;
    std::string path = args.empty() ? hostFolder() + "MelodyRibbon.dll" : args[0].text;
    terminated_ = false;
    return plugin_.load(path, &error_);
}

void Scenario::terminatePlugin() {
    if (!plugin_.loaded() || terminated_) return;
    terminated_ = true;
    ticksAtTerminate_ = loop_.ticksStarted();
    plugin_.terminate();
}

bool Scenario::terminateCommand(const Words& args) {
    if (!arguments(args, 0, 0, "terminate")) return false;
    if (!plugin_.loaded()) {
        error_ = "not loaded";
        return false;
    }
    terminatePlugin();
    return true;
}

bool Scenario::unloadCommand(const Words& args) {
    if (!arguments(args, 0, 0, "unload")) return false;
    if (!plugin_.loaded()) {
        error_ = "not loaded";
        return false;
    }
    terminatePlugin();
    plugin_.unload();
    forgetPlugin();
    return true;
}

bool Scenario::connectCommand(const Words& args) {
    if (!arguments(args, 3, 4, "connect <id> <protocol> \"<name>\" [status]"))
        return false;
    long status = 1;
    if (args.size() == 4 && !number(args[3], &status)) return false;
    if (handles_.count(args[0].text)) {
        error_ = "connection " + args[0].text + " exists";
        return false;
    }
    handles_[args[0].text] = Host::instance().connect(args[1].text, widen(args[2].text),
                                                      static_cast<int32_t>(status));
    return true;
}

bool Scenario::disconnectCommand(const Words& args) {
    uint32_t handle;
    if (!arguments(args, 1, 1, "disconnect <id>") || !connection(args[0], &handle))
        return false;
    Host::instance().disconnect(handle);
    reportNameChanges();
    handles_.erase(args[0].text);
    return true;
}

bool Scenario::statusCommand(const Words& args) {
    uint32_t handle;
    long status;
    if (!arguments(args, 2, 2, "status <id> <n>") || !connection(args[0], &handle) ||
        !number(args[1], &status))
        return false;
    Host::instance().setStatus(handle, static_cast<int32_t>(status));
    return true;
}

bool Scenario::renameCommand(const Words& args) {
    uint32_t handle;
    if (!arguments(args, 2, 2, "rename <id> \"<name>\"") || !connection(args[0], &handle))
        return false;
    Host::instance().rename(handle, widen(args[1].text));
    return true;
}

bool Scenario::refuseCommand(const Words& args) {
    if (!arguments(args, 1, 1, "refuse on|off")) return false;
    if (args[0].text != "on" && args[0].text != "off") {
        error_ = "usage: refuse on|off";
        return false;
    }
    refusing_ = args[0].text == "on";
    Host::instance().refuseNameChanges(refusing_);
    return true;
}

bool Scenario::onOff(const Word& word, bool* on) {
    if (word.text != "on" && word.text != "off") return false;
    *on = word.text == "on";
    return true;
}

// What the host does on a message that it posted or sent itself around a
// tick: choose the command, call Terminate, unload the plug-in (which only
// a message handled after the tick may do), or run a modal loop for a
// while (as a dialog box does), in which our timer and posted messages go
// out.
bool Scenario::hostAction(const Words& args, size_t at, std::function<void()>* action) {
    const size_t rest = args.size() - at;
    const std::string verb = rest > 0 ? args[at].text : "";
    long ms = 0;
    if (verb == "choose" && rest == 1) {
        *action = [] {
            say("host: the command is chosen");
            Host::instance().chooseCommand();
        };
        return true;
    }
    if (verb == "terminate" && rest == 1) {
        *action = [this] {
            say("host: Terminate");
            terminatePlugin();
        };
        return true;
    }
    if (verb == "unload" && rest == 1) {
        *action = [this] {
            say("host: Terminate and unload");
            terminatePlugin();
            plugin_.unload();
            forgetPlugin();
        };
        return true;
    }
    uint32_t handle = 0;
    if (verb == "disconnect" && rest == 2 && connection(args[at + 1], &handle)) {
        *action = [handle] {
            say("host: the connection ends");
            Host::instance().disconnect(handle);
        };
        return true;
    }
    if (verb == "modal" && rest == 2 && number(args[at + 1], &ms)) {
        *action = [this, ms] {
            say("host: a modal loop of " + std::to_string(ms) + " ms");
            loop_.pump(static_cast<DWORD>(ms));
            say("host: the modal loop ends");
        };
        return true;
    }
    return false;
}

bool Scenario::hostCommand(const Words& args) {
    static const char kUsage[] =
        "host no-getinfo on|off | status-fails on|off | no-infochange on|off | "
        "hold-acks on|off | normalise <units> | "
        "post-before-tick <action> | send-during-tick <ms> <action> "
        "(action: choose | terminate | unload | modal <ms> | disconnect <id>)";
    if (!arguments(args, 1, 4, kUsage)) return false;
    const std::string& verb = args[0].text;
    bool on = false;
    long ms = 0;
    std::function<void()> action;
    if (verb == "no-getinfo" && args.size() == 2 && onOff(args[1], &on)) {
        Host::instance().failServicePrefix(on ? "System/Connection/GetInfo" : "");
        return true;
    }
    if (verb == "status-fails" && args.size() == 2 && onOff(args[1], &on)) {
        Host::instance().failInfoQuery(kInfoConnectionStatus, on);
        return true;
    }
    if (verb == "no-infochange" && args.size() == 2 && onOff(args[1], &on)) {
        Host::instance().silenceInfoChange(on);
        return true;
    }
    if (serverCommand(args)) return true;
    if (verb == "post-before-tick" && hostAction(args, 1, &action)) {
        loop_.postBeforeNextTick(action);
        return true;
    }
    if (verb == "send-during-tick" && args.size() > 2 && number(args[1], &ms) &&
        hostAction(args, 2, &action)) {
        loop_.sendDuringNextTick(static_cast<DWORD>(ms), action);
        return true;
    }
    error_ = std::string("usage: ") + kUsage;
    return false;
}

// How the server takes names: acknowledged late (held until "off"), or
// normalised (trailing blanks trimmed, shortened to <units>; 0 is off).
bool Scenario::serverCommand(const Words& args) {
    const std::string& verb = args[0].text;
    bool on = false;
    long n = 0;
    if (verb == "hold-acks" && args.size() == 2 && onOff(args[1], &on)) {
        Host::instance().holdAcknowledgements(on);
        return true;
    }
    if (verb == "normalise" && args.size() == 2 && parseNumber(args[1].text, &n) &&
        n >= 0) {
        Host::instance().normaliseNames(static_cast<size_t>(n));
        return true;
    }
    return false;
}

bool Scenario::captionCommand(const Words& args) {
    if (!arguments(args, 0, 0, "caption")) return false;
    say("caption " + quoted(narrow(Host::instance().commandCaption())));
    return true;
}

bool Scenario::chooseCommand(const Words& args) {
    long times = 1, ms = 0;
    if (!arguments(args, 0, 2, "choose [<times> [<ms>]]") ||
        (args.size() > 0 && !number(args[0], &times)) ||
        (args.size() > 1 && !number(args[1], &ms)))
        return false;
    for (long i = 0; i < times; i++) {
        if (i > 0 && ms > 0) loop_.pump(static_cast<DWORD>(ms));
        Host::instance().chooseCommand();
    }
    return true;
}

bool Scenario::pumpCommand(const Words& args) {
    long ms;
    if (!arguments(args, 1, 1, "pump <ms>") || !number(args[0], &ms)) return false;
    loop_.pump(static_cast<DWORD>(ms));
    return true;
}

// Pumps until the expectation holds, at most <ms>, then checks it: a step
// that a loaded machine delays passes, one that never comes still fails,
// and no scenario waits longer than it must.
bool Scenario::awaitCommand(const Words& args) {
    long ms;
    if (args.size() < 2 || !number(args[0], &ms)) {
        error_ = "usage: await <ms> <what expect checks>";
        return false;
    }
    const Words expectation(args.begin() + 1, args.end());
    const DWORD start = GetTickCount();
    for (;;) {
        awaiting_ = true;
        awaitedHolds_ = true;
        const bool ran = expectCommand(expectation);
        awaiting_ = false;
        if (!ran) return false;
        if (awaitedHolds_ || GetTickCount() - start >= (DWORD)ms) break;
        loop_.pump(50);
    }
    say("after " + std::to_string(GetTickCount() - start) + " ms");
    return expectCommand(expectation);
}

bool Scenario::winampCommand(const Words& args) {
    static const char kUsage[] =
        "winamp start [\"<caption>\"] [playing|stopped|paused] | caption \"<text>\" | "
        "play | stop | pause | hang <ms> | quit-after-status | quit";
    if (!arguments(args, 1, 3, kUsage)) return false;
    const std::string& verb = args[0].text;
    if (verb == "start") {
        WText caption =
            widen(args.size() > 1 ? args[1].text : "1. Artist - Song - Winamp");
        return winamp_.start(args.size() > 2 ? args[2].text : "playing", caption,
                             &error_);
    }
    if (verb == "caption" && args.size() == 2)
        return winamp_.setCaption(widen(args[1].text), &error_);
    if (verb == "play") return winamp_.setState(1, &error_);
    if (verb == "stop") return winamp_.setState(0, &error_);
    if (verb == "pause") return winamp_.setState(3, &error_);
    long ms;
    if (verb == "hang" && args.size() == 2) {
        return number(args[1], &ms) && winamp_.hang(static_cast<DWORD>(ms), &error_);
    }
    if (verb == "quit-after-status") return winamp_.quitAfterStatus(&error_);
    if (verb == "quit") return winamp_.quit(&error_);
    error_ = std::string("usage: ") + kUsage;
    return false;
}

bool Scenario::itunesCommand(const Words& args) {
    static const char kUsage[] =
        "itunes register | create | start | title \"<text>\" | artist \"<text>\" | "
        "no-title | no-artist | play [state] | stop | hide | show | die-after <n> | "
        "slow <ms> | window on|off | hang <ms> | quit";
    if (!arguments(args, 1, 2, kUsage)) return false;
    const std::string& verb = args[0].text;
    const bool one = args.size() == 1;
    long n = 1;
    if (verb == "register" && one) return itunes_.registerOnly(&error_);
    if (verb == "create" && one) return itunes_.createFromHost(&error_);
    if (verb == "start" && one) return itunes_.start(&error_);
    if ((verb == "title" || verb == "artist") && !one) {
        WText text = widen(args[1].text);
        return itunes_.setText(verb == "title" ? 1 : 2, &text, &error_);
    }
    if (verb == "no-title" && one) return itunes_.setText(1, NULL, &error_);
    if (verb == "no-artist" && one) return itunes_.setText(2, NULL, &error_);
    if (verb == "play")
        return (one || number(args[1], &n)) && itunes_.setState(n, &error_);
    if (verb == "stop" && one) return itunes_.setState(0, &error_);
    if (verb == "hide" && one) return itunes_.setVisible(false, &error_);
    if (verb == "show" && one) return itunes_.setVisible(true, &error_);
    if (verb == "die-after" && !one)
        return number(args[1], &n) && itunes_.dieAfter(n, &error_);
    if (verb == "slow" && !one) return number(args[1], &n) && itunes_.slow(n, &error_);
    if (verb == "quit" && one) return itunes_.quit(&error_);
    if ((verb == "window" || verb == "hang") && !one) return itunesWindowCommand(args);
    error_ = std::string("usage: ") + kUsage;
    return false;
}

// The verbs both fake DDE players share; false with usage when args are
// none of them.
bool Scenario::ddePlayerBehaviour(DdePlayerDriver& player, const Words& args,
                                  const char* usage) {
    const std::string& verb = args[0].text;
    long ms = 0;
    if (args.size() == 1) {
        if (verb == "answer") return player.setBehaviour(fake::kAnswer, 0, &error_);
        if (verb == "silent") return player.setBehaviour(fake::kSilent, 0, &error_);
        if (verb == "quit-after-status") return player.quitAfterStatus(&error_);
        if (verb == "quit") return player.quit(&error_);
    }
    const bool die = verb == "die";
    if (args.size() == 2 && (verb == "late" || verb == "busy" || die)) {
        if (!number(args[1], &ms)) return false;
        fake::Mode mode = die ? fake::kDie : verb == "late" ? fake::kLate : fake::kBusy;
        return player.setBehaviour(mode, static_cast<DWORD>(ms), &error_);
    }
    error_ = std::string("usage: ") + usage;
    return false;
}

bool Scenario::kbmediaCommand(const Words& args) {
    static const char kUsage[] =
        "kbmedia start | status|title|artist \"<text>\" | answer | silent | late <ms> | "
        "busy <ms> | die <n> | quit-after-status | quit";
    if (!arguments(args, 1, 2, kUsage)) return false;
    const std::string& verb = args[0].text;
    if (verb == "start" && args.size() == 1) return kbmedia_.start(WText(), &error_);
    static const struct {
        const char* verb;
        const char* item;
    } kItems[] = {{"status", "Status"}, {"title", "Title"}, {"artist", "Artist"}};
    for (const auto& i : kItems) {
        if (verb == i.verb && args.size() == 2)
            return kbmedia_.setItem(widen(i.item), widen(args[1].text), &error_);
    }
    return ddePlayerBehaviour(kbmedia_, args, kUsage);
}

bool Scenario::lilithCommand(const Words& args) {
    static const char kUsage[] =
        "lilith start [\"<caption>\"] | caption \"<text>\" | status \"<text>\" | "
        "answer | silent | late <ms> | busy <ms> | die <n> | quit-after-status | quit";
    if (!arguments(args, 1, 2, kUsage)) return false;
    const std::string& verb = args[0].text;
    if (verb == "start")
        return lilith_.start(widen(args.size() > 1 ? args[1].text : "Lilith"), &error_);
    if (verb == "caption" && args.size() == 2)
        return lilith_.setCaption(widen(args[1].text), &error_);
    if (verb == "status" && args.size() == 2)
        return lilith_.setItem(widen("/status"), widen(args[1].text), &error_);
    return ddePlayerBehaviour(lilith_, args, kUsage);
}

bool Scenario::bsplayerCommand(const Words& args) {
    static const char kUsage[] =
        "bsplayer start [<state>] | file \"<path>\" | play | stop | state <n> | "
        "hang <ms> | quit-after-status | quit";
    if (!arguments(args, 1, 2, kUsage)) return false;
    const std::string& verb = args[0].text;
    long n = 2;
    if (verb == "start")
        return (args.size() == 1 || number(args[1], &n)) &&
               bsplayer_.start(static_cast<int>(n), &error_);
    if (verb == "file" && args.size() == 2) {
        std::string path = utf8ToAnsi(args[1].text);
        if (path.find(':') == std::string::npos) path = hostFolder() + path;
        return bsplayer_.setFile(path, &error_);
    }
    if (verb == "play" && args.size() == 1) return bsplayer_.setState(2, &error_);
    if (verb == "stop" && args.size() == 1) return bsplayer_.setState(0, &error_);
    if (verb == "state" && args.size() == 2)
        return number(args[1], &n) && bsplayer_.setState(static_cast<int>(n), &error_);
    if (verb == "hang" && args.size() == 2)
        return number(args[1], &n) && bsplayer_.hang(static_cast<DWORD>(n), &error_);
    if (verb == "quit-after-status" && args.size() == 1)
        return bsplayer_.quitAfterStatus(&error_);
    if (verb == "quit" && args.size() == 1) return bsplayer_.quit(&error_);
    error_ = std::string("usage: ") + kUsage;
    return false;
}

bool Scenario::hostWindowCommand(const Words& args) {
    if (!arguments(args, 1, 1, "hostwindow on|off")) return false;
    if (args[0].text != "on" && args[0].text != "off") {
        error_ = "usage: hostwindow on|off";
        return false;
    }
    return BsPlayerDriver::setHostWindow(args[0].text == "on", &error_);
}

bool Scenario::expectCommand(const Words& args) {
    static const char kUsage[] =
        "expect name <id> \"<text>\" | caption \"<text>\" | changes <id> [<=|>=] <n> | "
        "last-changes <id>... | log-contains \"<text>\" | log-lacks \"<text>\" | "
        "log-count \"<text>\" [<=|>=] <n> | ini <Section> <Key> \"<value>\" | "
        "tick-time-max <ms> | nested-ticks [<=|>=] <n> | nested-tick-time-max <ms> | "
        "host-message inside-tick|after-tick | "
        "after-terminate ticks|calls <n> | ended-calls [<=|>=] <n> | acp <n> | "
        "itunes-activations [<=|>=] <n> | "
        "itunes-objects <n>";
    if (args.empty()) {
        error_ = std::string("usage: ") + kUsage;
        return false;
    }
    const std::string& what = args[0].text;
    Words rest(args.begin() + 1, args.end());
    if (what == "name") return expectName(rest);
    if (what == "caption") return expectCaption(rest);
    if (what == "changes") return expectChanges(rest);
    if (what == "last-changes") return expectLastChanges(rest);
    if (what == "log-contains") return expectLog(rest, true);
    if (what == "log-lacks") return expectLog(rest, false);
    if (what == "log-count") return expectLogCount(rest);
    if (what == "ini") return expectIni(rest);
    if (what == "host-message") return expectHostMessage(rest);
    if (what == "nested-ticks")
        return comparison(rest, 0, "expect nested-ticks [<=|>=] <n>", loop_.nestedTicks(),
                          "ticks dispatched inside a tick");
    if (what == "nested-tick-time-max") return expectNestedTickTime(rest);
    if (what == "after-terminate") return expectAfterTerminate(rest);
    if (what == "ended-calls")
        return comparison(rest, 0, "expect ended-calls [<=|>=] <n>",
                          Host::instance().callsForEndedConnections(),
                          "calls into the host for ended connections");
    if (what == "tick-time-max") return expectTickTime(rest);
    if (what == "itunes-activations") return expectITunesActivations(rest);
    if (what == "itunes-objects") return expectITunesObjects(rest);
    if (what == "bsplayer-foreign-writes") return expectBsPlayerForeignWrites(rest);
    if (what == "acp") return expectAcp(rest);
    error_ = std::string("usage: ") + kUsage;
    return false;
}

bool Scenario::expectName(const Words& args) {
    uint32_t handle;
    if (!arguments(args, 2, 2, "expect name <id> \"<text>\"") ||
        !connection(args[0], &handle))
        return false;
    const WText expected = widen(args[1].text);
    const WText actual = Host::instance().name(handle);
    std::string what = "name " + args[0].text + " is " + quoted(args[1].text);
    if (actual != expected) {
        what += ", but it is " + quoted(narrow(actual)) + " [" + units(actual) +
                "], wanted [" + units(expected) + "]";
    }
    check(actual == expected, what);
    return true;
}

bool Scenario::expectCaption(const Words& args) {
    if (!arguments(args, 1, 1, "expect caption \"<text>\"")) return false;
    const std::string actual = narrow(Host::instance().commandCaption());
    std::string what = "caption is " + quoted(args[0].text);
    if (actual != args[0].text) what += ", but it is " + quoted(actual);
    check(actual == args[0].text, what);
    return true;
}

// args[at] is the wanted count, or an operator ("<=" or ">=") and the count;
// checks the actual value against it.
bool Scenario::comparison(const Words& args, size_t at, const char* usage, long actual,
                          const std::string& what) {
    const bool withOperator = args.size() == at + 2;
    if (args.size() != at + 1 && !withOperator) {
        error_ = std::string("usage: ") + usage;
        return false;
    }
    const std::string op = withOperator ? args[at].text : "=";
    if (op != "=" && op != "<=" && op != ">=") {
        error_ = std::string("usage: ") + usage;
        return false;
    }
    long wanted;
    if (!number(args.back(), &wanted)) return false;
    const bool ok = op == "<="   ? actual <= wanted
                    : op == ">=" ? actual >= wanted
                                 : actual == wanted;
    std::string line = what + " " + op + " " + std::to_string(wanted);
    if (!ok) line += ", but it is " + std::to_string(actual);
    check(ok, line);
    return true;
}

bool Scenario::expectChanges(const Words& args) {
    static const char kUsage[] = "expect changes <id> [<=|>=] <n>";
    if (!arguments(args, 2, 3, kUsage)) return false;
    reportNameChanges();
    // Also for a connection that has ended since.
    uint32_t handle;
    if (!changesSent_.count(args[0].text) && !connection(args[0], &handle)) return false;
    return comparison(args, 1, kUsage, changesSent_[args[0].text],
                      "changes " + args[0].text);
}

bool Scenario::expectLastChanges(const Words& args) {
    if (!arguments(args, 1, 64, "expect last-changes <id>...")) return false;
    reportNameChanges();
    std::string wanted, actual;
    for (const Word& w : args) wanted += " " + w.text;
    const size_t n = std::min(args.size(), sentTo_.size());
    for (size_t i = sentTo_.size() - n; i < sentTo_.size(); ++i)
        actual += " " + sentTo_[i];
    std::string what = "last changes went to" + wanted;
    if (actual != wanted)
        what += ", but to" + (actual.empty() ? std::string(" nobody") : actual);
    check(actual == wanted, what);
    return true;
}

bool Scenario::expectLog(const Words& args, bool present) {
    if (!arguments(
            args, 1, 1,
            present ? "expect log-contains \"<text>\"" : "expect log-lacks \"<text>\""))
        return false;
    const bool found = readLog().find(args[0].text) != std::string::npos;
    check(found == present,
          std::string(present ? "log contains " : "log lacks ") + quoted(args[0].text));
    return true;
}

bool Scenario::expectLogCount(const Words& args) {
    static const char kUsage[] = "expect log-count \"<text>\" [<=|>=] <n>";
    if (!arguments(args, 2, 3, kUsage)) return false;
    const std::string log = readLog();
    long lines = 0;
    for (size_t start = 0; start < log.size();) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        if (log.substr(start, end - start).find(args[0].text) != std::string::npos)
            ++lines;
        start = end + 1;
    }
    return comparison(args, 1, kUsage, lines, "log lines with " + quoted(args[0].text));
}

bool Scenario::expectIni(const Words& args) {
    if (!arguments(args, 3, 3, "expect ini <Section> <Key> \"<value>\"")) return false;
    const std::string actual = readIni(args[0].text, args[1].text);
    std::string what =
        "ini " + args[0].text + " " + args[1].text + " is " + quoted(args[2].text);
    if (actual != args[2].text) what += ", but it is " + quoted(actual);
    check(actual == args[2].text, what);
    return true;
}

bool Scenario::expectHostMessage(const Words& args) {
    static const char kUsage[] = "expect host-message inside-tick|after-tick";
    if (!arguments(args, 1, 1, kUsage) ||
        (args[0].text != "inside-tick" && args[0].text != "after-tick")) {
        error_ = std::string("usage: ") + kUsage;
        return false;
    }
    const bool inside = args[0].text == "inside-tick";
    std::string what = "the host's message ran " + args[0].text;
    if (!loop_.actionRan())
        what += ", but it has not run";
    else if (loop_.actionRanInsideTick() != inside)
        what += ", but it ran " +
                std::string(loop_.actionRanInsideTick() ? "inside-tick" : "after-tick");
    check(loop_.actionRan() && loop_.actionRanInsideTick() == inside, what);
    return true;
}

bool Scenario::expectAfterTerminate(const Words& args) {
    static const char kUsage[] = "expect after-terminate ticks|calls [<=|>=] <n>";
    if (!arguments(args, 2, 3, kUsage)) return false;
    if (!terminated_) {
        error_ = "Terminate has not been called";
        return false;
    }
    if (args[0].text == "ticks")
        return comparison(args, 1, kUsage, loop_.ticksStarted() - ticksAtTerminate_,
                          "ticks started after Terminate");
    if (args[0].text == "calls")
        return comparison(args, 1, kUsage, Host::instance().callsAfterTerminate(),
                          "calls into the host after Terminate");
    error_ = std::string("usage: ") + kUsage;
    return false;
}

bool Scenario::expectNestedTickTime(const Words& args) {
    long ms;
    if (!arguments(args, 1, 1, "expect nested-tick-time-max <ms>") ||
        !number(args[0], &ms))
        return false;
    char what[128];
    snprintf(what, sizeof what, "longest tick inside a tick %.0f ms <= %ld ms (%u ticks)",
             loop_.longestNestedTickMs(), ms, loop_.nestedTicks());
    check(loop_.longestNestedTickMs() <= ms, what);
    return true;
}

bool Scenario::expectTickTime(const Words& args) {
    long ms;
    if (!arguments(args, 1, 1, "expect tick-time-max <ms>") || !number(args[0], &ms))
        return false;
    char what[128];
    snprintf(what, sizeof what, "longest tick %.0f ms <= %ld ms (%u ticks)",
             loop_.longestTickMs(), ms, loop_.ticks());
    check(loop_.longestTickMs() <= ms, what);
    return true;
}

bool Scenario::expectITunesActivations(const Words& args) {
    return comparison(args, 0, "expect itunes-activations [<=|>=] <n>",
                      itunes_.activations(), "iTunes activations");
}

// Counted between two steps: a client's last release reaches the server
// before the release returns, so nothing of a finished step may be left.
bool Scenario::expectITunesObjects(const Words& args) {
    long wanted;
    int count = -1;
    if (!arguments(args, 1, 1, "expect itunes-objects <n>") ||
        !number(args[0], &wanted) || !itunes_.liveObjects(&count, &error_))
        return false;
    std::string what = "iTunes objects alive = " + std::to_string(wanted);
    if (count != wanted) what += ", but there are " + std::to_string(count);
    check(count == wanted, what);
    return true;
}

bool Scenario::expectAcp(const Words& args) {
    long cp;
    if (!arguments(args, 1, 1, "expect acp <n>") || !number(args[0], &cp)) return false;
    const UINT acp = GetACP();
    std::string what = "ANSI code page is " + std::to_string(cp);
    if (acp != static_cast<UINT>(cp)) what += ", but it is " + std::to_string(acp);
    check(acp == static_cast<UINT>(cp), what);
    return true;
}

bool Scenario::logCommand(const Words& args) {
    if (!arguments(args, 0, 0, "log")) return false;
    const std::string text = readLog();
    if (text.empty()) say("log: (no log at " + logPath() + ")");
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        say("log| " + line);
        start = end + 1;
    }
    return true;
}

bool Scenario::noteCommand(const Words& args) {
    if (!arguments(args, 1, 1, "note \"<text>\"")) return false;
    say("-- " + args[0].text);
    return true;
}

// One line that scripts/perf reads: the wall time of the ticks since the
// last reset.
bool Scenario::ticksCommand(const Words& args) {
    static const char kUsage[] = "ticks reset | report \"<label>\"";
    if (args.size() == 1 && args[0].text == "reset") {
        loop_.resetTickTimes();
        return true;
    }
    if (args.size() != 2 || args[0].text != "report") {
        error_ = std::string("usage: ") + kUsage;
        return false;
    }
    std::vector<double> ms = loop_.tickTimesMs();
    if (ms.empty()) {
        error_ = "no ticks since the reset";
        return false;
    }
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    const double median = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / double(n);
    char line[256];
    snprintf(line, sizeof line,
             "ticks %s: %zu ticks, median %.3f ms, mean %.3f ms, max %.3f ms",
             args[1].text.c_str(), n, median, mean, ms.back());
    say(line);
    return true;
}

}  // namespace testhost

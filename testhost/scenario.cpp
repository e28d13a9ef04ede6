#include "testhost/scenario.h"

#include <stdio.h>

#include <algorithm>

#include "testhost/host_folder.h"
#include "testhost/transcript.h"

namespace testhost {

const Scenario::Command Scenario::kCommands[] = {
    {"ini", &Scenario::iniCommand},
    {"load", &Scenario::loadCommand},
    {"unload", &Scenario::unloadCommand},
    {"connect", &Scenario::connectCommand},
    {"disconnect", &Scenario::disconnectCommand},
    {"status", &Scenario::statusCommand},
    {"rename", &Scenario::renameCommand},
    {"refuse", &Scenario::refuseCommand},
    {"caption", &Scenario::captionCommand},
    {"choose", &Scenario::chooseCommand},
    {"pump", &Scenario::pumpCommand},
    {"winamp", &Scenario::winampCommand},
    {"itunes", &Scenario::itunesCommand},
    {"kbmedia", &Scenario::kbmediaCommand},
    {"lilith", &Scenario::lilithCommand},
    {"bsplayer", &Scenario::bsplayerCommand},
    {"hostwindow", &Scenario::hostWindowCommand},
    {"expect", &Scenario::expectCommand},
    {"log", &Scenario::logCommand},
    {"note", &Scenario::noteCommand},
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
      bsplayer_([this](DWORD ms) { loop_.pump(ms); }) {
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
    itunes_.finish();
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

bool Scenario::loadCommand(const Words& args) {
    if (!arguments(args, 0, 1, "load [dll path]")) return false;
    std::string path = args.empty() ? hostFolder() + "MelodyRibbon.dll" : args[0].text;
    return plugin_.load(path, &error_);
}

bool Scenario::unloadCommand(const Words& args) {
    if (!arguments(args, 0, 0, "unload")) return false;
    if (!plugin_.loaded()) {
        error_ = "not loaded";
        return false;
    }
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

bool Scenario::captionCommand(const Words& args) {
    if (!arguments(args, 0, 0, "caption")) return false;
    say("caption " + quoted(narrow(Host::instance().commandCaption())));
    return true;
}

bool Scenario::chooseCommand(const Words& args) {
    if (!arguments(args, 0, 0, "choose")) return false;
    Host::instance().chooseCommand();
    return true;
}

bool Scenario::pumpCommand(const Words& args) {
    long ms;
    if (!arguments(args, 1, 1, "pump <ms>") || !number(args[0], &ms)) return false;
    loop_.pump(static_cast<DWORD>(ms));
    return true;
}

bool Scenario::winampCommand(const Words& args) {
    static const char kUsage[] =
        "winamp start [\"<caption>\"] [playing|stopped|paused] | caption \"<text>\" | "
        "play | stop | pause | hang <ms> | quit";
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
    if (verb == "quit") return winamp_.quit(&error_);
    error_ = std::string("usage: ") + kUsage;
    return false;
}

bool Scenario::itunesCommand(const Words& args) {
    static const char kUsage[] =
        "itunes register | create | start | title \"<text>\" | artist \"<text>\" | "
        "no-title | no-artist | play [state] | stop | hide | show | die-after <n> | quit";
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
    if (verb == "quit" && one) return itunes_.quit(&error_);
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
        if (verb == "quit") return player.quit(&error_);
    } else if (args.size() == 2 && (verb == "late" || verb == "busy")) {
        if (!number(args[1], &ms)) return false;
        return player.setBehaviour(verb == "late" ? fake::kLate : fake::kBusy,
                                   static_cast<DWORD>(ms), &error_);
    }
    error_ = std::string("usage: ") + usage;
    return false;
}

bool Scenario::kbmediaCommand(const Words& args) {
    static const char kUsage[] =
        "kbmedia start | status|title|artist \"<text>\" | answer | silent | late <ms> | "
        "busy <ms> | quit";
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
        "lilith start [\"<caption>\"] | caption \"<text>\" | status \"<text>\" | answer "
        "| "
        "silent | late <ms> | busy <ms> | quit";
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
        "hang <ms> | quit";
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
        "expect name <id> \"<text>\" | caption \"<text>\" | changes <id> [>=] <n> | "
        "log-contains \"<text>\" | log-lacks \"<text>\" | tick-time-max <ms> | acp <n> | "
        "itunes-activations [>=] <n> | itunes-objects <n>";
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
    if (what == "tick-time-max") return expectTickTime(rest);
    if (what == "itunes-activations") return expectITunesActivations(rest);
    if (what == "itunes-objects") return expectITunesObjects(rest);
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

bool Scenario::expectChanges(const Words& args) {
    static const char kUsage[] = "expect changes <id> [>=] <n>";
    uint32_t handle;
    if (!arguments(args, 2, 3, kUsage) || !connection(args[0], &handle)) return false;
    const bool atLeast = args.size() == 3;
    if (atLeast && args[1].text != ">=") {
        error_ = std::string("usage: ") + kUsage;
        return false;
    }
    long wanted;
    if (!number(args.back(), &wanted)) return false;
    reportNameChanges();
    const int sent = changesSent_[args[0].text];
    std::string what =
        "changes " + args[0].text + (atLeast ? " >= " : " = ") + std::to_string(wanted);
    bool ok = atLeast ? sent >= wanted : sent == wanted;
    if (!ok) what += ", but " + std::to_string(sent) + " were sent";
    check(ok, what);
    return true;
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
    static const char kUsage[] = "expect itunes-activations [>=] <n>";
    const bool atLeast = args.size() == 2;
    long wanted;
    if (!arguments(args, 1, 2, kUsage)) return false;
    if (atLeast && args[0].text != ">=") {
        error_ = std::string("usage: ") + kUsage;
        return false;
    }
    if (!number(args.back(), &wanted)) return false;
    const int count = itunes_.activations();
    std::string what = std::string("iTunes activations ") + (atLeast ? ">= " : "= ") +
                       std::to_string(wanted);
    const bool ok = atLeast ? count >= wanted : count == wanted;
    if (!ok) what += ", but there were " + std::to_string(count);
    check(ok, what);
    return true;
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

}  // namespace testhost

// The scenario command that steers the fake system media session:
//
//   mediasession register | unregister   the class's key in the prefix
//   mediasession add "<app id>" <playback> "<title>" ["<artist>"]
//                                        one more session (playback 4 plays,
//                                        5 is paused), in the list's order
//   mediasession set <n> <playback> ["<title>" ["<artist>"]]
//   mediasession current <n>|none        GetCurrentSession's answer
//   mediasession clear                   no sessions, no delay, no failures
//   mediasession delay <ms>              operations complete <ms> after asked
//   mediasession fail <call> [<times>]   the call fails its next <times> (1)
//   mediasession pump-during <call> <ms> the next such call runs the host's
//                                        messages for <ms> first (a modal
//                                        loop, as calls into another
//                                        process run)
//   mediasession apartment sta|mta|none  the host's thread enters a COM
//                                        apartment, or leaves what it entered
//   mediasession apartment-is sta|mta|none  expect: the thread's apartment
//   mediasession live [<=|>=] <n>        expect: objects of the fake alive
//   mediasession calls <call> [<=|>=] <n>  expect: how often the call was made
#include "testhost/scenario.h"

namespace testhost {

bool Scenario::mediaSessionCommand(const Words& args) {
    static const char kUsage[] =
        "mediasession register | unregister | add \"<app id>\" <playback> \"<title>\" "
        "[\"<artist>\"] | set <n> <playback> [\"<title>\" [\"<artist>\"]] | "
        "current <n>|none | clear | delay <ms> | fail <call> [<times>] | "
        "pump-during <call> <ms> | apartment sta|mta|none | apartment-is sta|mta|none | "
        "live [<=|>=] <n> | calls <call> [<=|>=] <n>";
    if (!arguments(args, 1, 5, kUsage)) return false;
    const std::string& verb = args[0].text;
    const size_t n = args.size();
    long a = 0, b = 0;
    if (verb == "register" && n == 1) return mediaSession_.registerClass(&error_);
    if (verb == "unregister" && n == 1) return mediaSession_.unregisterClass(&error_);
    if (verb == "clear" && n == 1) return mediaSession_.clear(&error_);
    if (verb == "add" && (n == 4 || n == 5) && number(args[2], &a))
        return mediaSession_.add(widen(args[1].text), (int)a, widen(args[3].text),
                                 n == 5 ? widen(args[4].text) : WText(), &error_);
    if (verb == "set" && n >= 3 && number(args[1], &a) && number(args[2], &b)) {
        WText title = n > 3 ? widen(args[3].text) : WText();
        WText artist = n > 4 ? widen(args[4].text) : WText();
        return mediaSession_.set((int)a, (int)b, n > 3 ? &title : NULL,
                                 n > 4 ? &artist : NULL, &error_);
    }
    if (verb == "current" && n == 2) {
        if (args[1].text == "none") return mediaSession_.current(-1, &error_);
        return number(args[1], &a) && mediaSession_.current((int)a, &error_);
    }
    if (verb == "delay" && n == 2)
        return number(args[1], &a) && mediaSession_.delay((DWORD)a, &error_);
    if (verb == "fail" && (n == 2 || n == 3)) {
        a = 1;
        return (n == 2 || number(args[2], &a)) &&
               mediaSession_.fail(args[1].text, (int)a, &error_);
    }
    if (verb == "pump-during" && n == 3)
        return number(args[2], &a) &&
               mediaSession_.pumpDuring(args[1].text, (DWORD)a, &error_);
    if (verb == "apartment" && n == 2)
        return mediaSession_.setHostApartment(args[1].text, &error_);
    if (verb == "apartment-is" && n == 2) {
        const std::string actual = mediaSession_.apartment();
        std::string what = "the host thread's apartment is " + args[1].text;
        if (actual != args[1].text) what += ", but it is " + actual;
        check(actual == args[1].text, what);
        return true;
    }
    int value = 0;
    if (verb == "live" && n >= 2)
        return mediaSession_.count("", &value, &error_) &&
               comparison(args, 1, "mediasession live [<=|>=] <n>", value,
                          "media session objects alive");
    if (verb == "calls" && n >= 3)
        return mediaSession_.count(args[1].text, &value, &error_) &&
               comparison(args, 2, "mediasession calls <call> [<=|>=] <n>", value,
                          "media session calls of " + args[1].text);
    error_ = std::string("usage: ") + kUsage;
    return false;
}

}  // namespace testhost

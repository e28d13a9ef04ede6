// Runs a scenario: the commands that drive the host, the plug-in and the fake
// players, and the expectations that decide the exit code.
//
//   ini <Section> <Key> <value>          setting, written before load
//   inifile held                         the host holds the settings file open
//                                        without write sharing
//   logfile clear                        the log is deleted
//   logfile folder                       a folder takes the log's path
//   logfile held "<text>"                a log holding text, held likewise
//   load [dll path]  /  unload
//   terminate                            Terminate alone; unload then frees
//   connect <id> <protocol> "<name>" [status]
//   disconnect <id>  /  status <id> <n>  /  rename <id> "<name>"
//   refuse on|off                        the host refuses every name change
//   host no-getinfo on|off               GetInfo cannot be opened (at load)
//   host status-fails on|off             status queries fail
//   host no-infochange on|off            no OnInfoChange is ever raised
//   host hold-acks on|off                the server acknowledges names late:
//                                        accepted names are held, and taken
//                                        (with OnInfoChange) after "off"
//   host normalise <units>               the server trims trailing blanks and
//                                        shortens names to <units> (0: off)
//   host post-before-tick <action>       just before the next tick the host
//                                        posts itself a message for <action>
//   host send-during-tick <ms> <action>  <ms> into the next tick, another
//                                        thread of the host sends it one
//                                        <action>: choose | terminate |
//                                        unload | modal <ms> (a modal loop,
//                                        as a dialog box runs) | disconnect
//                                        <id> (the connection ends)
//   caption  /  choose [<times> [<ms>]]  the plug-in's command (chosen <times>
//                                        times, the loop run <ms> between)
//   pump <ms>                            run the message loop
//   await <ms> <expectation>             run the message loop until the
//                                        expectation (as after "expect")
//                                        holds, at most <ms>, then check it
//   winamp start ["<caption>"] [playing|stopped|paused]
//   winamp caption "<text>"  /  winamp play|stop|pause  /  winamp hang <ms>
//   winamp quit
//   kbmedia start  /  kbmedia status|title|artist "<text>"
//   lilith start ["<caption>"]  /  lilith caption|status "<text>"
//   kbmedia|lilith answer|silent|late <ms>|busy <ms>|die <n>|quit
//                                        how the fake DDE player answers: at
//                                        once, never, late from a timer; busy:
//                                        the next request hangs its window
//                                        procedure for <ms>; die: the process
//                                        answers <n> more requests and ends
//                                        at the next
//   bsplayer start [<state>]              state as the query answers it (default 2)
//   bsplayer file "<path>"               relative to the host's folder unless
//                                        it has a drive; UTF-8, sent as ANSI
//   bsplayer play|stop  /  bsplayer state <n>  /  bsplayer hang <ms>  /  bsplayer quit
//   winamp|bsplayer|kbmedia|lilith quit-after-status
//                                        the player quits right after it
//                                        answers its next status query
//   hostwindow on|off                    the host's "TFrmMain" window
//   foreignform start|quit               another program with a "TFrmMain"
//                                        window, in front of the host's
//   itunes register                      registered for COM, not started
//   itunes create                        the host creates an object (COM may start it)
//   itunes start                         displayed, stopped, empty strings
//   itunes title|artist "<text>"  /  itunes no-title|no-artist
//   itunes play [state]  /  itunes stop  /  itunes hide  /  itunes show
//   itunes die-after <n>                 answers n more calls, dies at the next
//   itunes slow <ms>                     answers every call <ms> late
//   itunes window on|off                 its main window (class "iTunes"),
//                                        the process staying
//   itunes hang <ms>                     its thread sleeps <ms>: neither its
//                                        windows nor COM answer
//   itunes quit
//   expect name <id> "<text>"            exact UTF-16 comparison
//   expect caption "<text>"
//   expect changes <id> [<=|>=] <n>      name changes sent for the connection
//   expect last-changes <id>...          the latest changes went to these, in order
//   expect log-contains "<text>"  /  expect log-lacks "<text>"
//   expect log-count "<text>" [<=|>=] <n>  lines of the log holding text
//   expect ini <Section> <Key> "<value>" the settings file as it is now
//   expect tick-time-max <ms>            longest timer tick so far
//   ticks reset  /  ticks report "<label>"
//                                        forget the ticks timed so far / print
//                                        count, median, mean and max of the
//                                        ticks since the reset
//   expect host-message inside-tick|after-tick
//                                        where the host's message ran
//   expect nested-ticks [<=|>=] <n>      ticks dispatched inside a tick
//   expect nested-tick-time-max <ms>     the longest of those
//   expect after-terminate ticks|calls <n>  ticks started, calls into the
//                                        host made, since Terminate
//   expect ended-calls [<=|>=] <n>      calls into the host that named a
//                                        connection after it had ended
//   expect acp <n>                       the ANSI code page (GetACP)
//   expect itunes-activations [<=|>=] <n>  application objects the fake created
//   expect itunes-objects <n>            objects alive in the running fake
//   expect bsplayer-foreign-writes <n>   paths the fake BSPlayer wrote into
//                                        processes other than the host
//   mediasession ...                     the fake system media session (see
//                                        scenario_media_session.cpp)
//   log                                  the plug-in's log into the transcript
//   note "<text>"                        a line for the reader
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "testhost/bsplayer_driver.h"
#include "testhost/dde_player_driver.h"
#include "testhost/host_core.h"
#include "testhost/itunes_driver.h"
#include "testhost/media_session_driver.h"
#include "testhost/message_loop.h"
#include "testhost/plugin_module.h"
#include "testhost/scenario_syntax.h"
#include "testhost/winamp_driver.h"

namespace testhost {

class Scenario {
public:
    Scenario();

    // Runs every line; false when a line could not be run (the reason is in
    // the transcript).  Expectations that fail do not stop the run.
    bool run(const std::string& text);
    // Unloads the plug-in and stops the player if the scenario left them.
    void finish();

    int expectations() const { return expectations_; }

private:
    typedef bool (Scenario::*Handler)(const Words& args);
    struct Command {
        const char* name;
        Handler handler;
    };

    bool runLine(const Words& words);
    bool arguments(const Words& args, size_t min, size_t max, const char* usage);
    bool number(const Word& word, long* value);
    bool connection(const Word& id, uint32_t* handle);
    void reportNameChanges();
    void forgetPlugin();
    void check(bool ok, const std::string& what);

    bool iniCommand(const Words& args);
    bool iniFileCommand(const Words& args);
    bool logFileCommand(const Words& args);
    bool loadCommand(const Words& args);
    bool terminateCommand(const Words& args);
    bool unloadCommand(const Words& args);
    bool connectCommand(const Words& args);
    bool disconnectCommand(const Words& args);
    bool statusCommand(const Words& args);
    bool renameCommand(const Words& args);
    bool refuseCommand(const Words& args);
    bool hostCommand(const Words& args);
    bool hostAction(const Words& args, size_t at, std::function<void()>* action);
    bool serverCommand(const Words& args);
    bool onOff(const Word& word, bool* on);
    void terminatePlugin();
    bool captionCommand(const Words& args);
    bool chooseCommand(const Words& args);
    bool pumpCommand(const Words& args);
    bool winampCommand(const Words& args);
    bool kbmediaCommand(const Words& args);
    bool lilithCommand(const Words& args);
    bool ddePlayerBehaviour(DdePlayerDriver& player, const Words& args,
                            const char* usage);
    bool bsplayerCommand(const Words& args);
    bool hostWindowCommand(const Words& args);
    bool itunesCommand(const Words& args);
    bool itunesWindowCommand(const Words& args);
    bool foreignFormCommand(const Words& args);
    bool mediaSessionCommand(const Words& args);
    bool expectCommand(const Words& args);
    bool awaitCommand(const Words& args);
    bool logCommand(const Words& args);
    bool noteCommand(const Words& args);
    bool ticksCommand(const Words& args);

    bool expectName(const Words& args);
    bool expectCaption(const Words& args);
    bool expectChanges(const Words& args);
    bool expectLastChanges(const Words& args);
    bool expectLog(const Words& args, bool present);
    bool expectLogCount(const Words& args);
    bool expectIni(const Words& args);
    bool expectHostMessage(const Words& args);
    bool expectAfterTerminate(const Words& args);
    bool expectNestedTickTime(const Words& args);
    bool comparison(const Words& args, size_t at, const char* usage, long value,
                    const std::string& what);
    bool expectTickTime(const Words& args);
    bool expectAcp(const Words& args);
    bool expectITunesActivations(const Words& args);
    bool expectITunesObjects(const Words& args);
    bool expectBsPlayerForeignWrites(const Words& args);

    static const Command kCommands[];

    MessageLoop loop_;
    PluginModule plugin_;
    WinampDriver winamp_;
    ITunesDriver itunes_;
    DdePlayerDriver kbmedia_;
    DdePlayerDriver lilith_;
    BsPlayerDriver bsplayer_;
    FakeProcess foreignForm_;
    MediaSessionDriver mediaSession_;
    std::map<std::string, uint32_t> handles_;  // scenario id -> host handle
    std::map<std::string, int> changesSent_;   // scenario id -> name changes
    std::vector<std::string> sentTo_;          // scenario ids, one per name change
    size_t reported_ = 0;                      // name changes already printed
    bool refusing_ = false;
    bool terminated_ = false;
    unsigned ticksAtTerminate_ = 0;
    int expectations_ = 0;
    // While await evaluates its expectation: nothing is counted or printed,
    // and awaitedHolds_ says whether every check held.
    bool awaiting_ = false;
    bool awaitedHolds_ = true;
    std::string error_;
};

}  // namespace testhost

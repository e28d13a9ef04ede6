// The host's message loop, run on the thread that initialised the plug-in.
//
// The plug-in's update timer is a thread timer without a window, so its
// callback only runs when this loop dispatches the WM_TIMER.  Each dispatch of
// a WM_TIMER is timed: a tick that blocks on a hung player shows up here.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace testhost {

class MessageLoop {
public:
    MessageLoop();
    ~MessageLoop();

    // Called on every turn of the loop, after the host's queued events went out.
    void setObserver(std::function<void()> observer) { observer_ = observer; }

    // Runs the loop for ms milliseconds (at least one turn).
    void pump(DWORD ms);

    // Just before it dispatches the next timer tick, the host posts itself a
    // message that runs action, as a host does with a command the user chose
    // a moment before.  Our loop dispatches it after that tick; a modal loop
    // that runs inside the tick (a player's wait) may dispatch it there.
    void postBeforeNextTick(std::function<void()> action);
    // afterMs into the next tick, another thread of the host sends its window
    // a message that runs action, as a host's network thread does with an
    // event.  Any wait inside the tick that takes sent messages (Wine's DDE
    // and COM waits do) runs it there.
    void sendDuringNextTick(DWORD afterMs, std::function<void()> action);
    // Where the last action ran: inside a tick's dispatch or not.
    bool actionRan() const { return actionRan_; }
    bool actionRanInsideTick() const { return actionInsideTick_; }

    double longestTickMs() const { return longestTickMs_; }
    unsigned ticks() const { return ticks_; }
    unsigned ticksStarted() const { return ticksStarted_; }
    // Ticks dispatched while another was being dispatched (by a modal loop
    // that the host ran inside it), and the longest of them.
    unsigned nestedTicks() const { return nestedTicks_; }
    double longestNestedTickMs() const { return longestNestedTickMs_; }

    // Every tick's wall time since the last reset, in milliseconds, for the
    // performance figures; the longest tick and the count above are kept
    // for the whole run.
    const std::vector<double>& tickTimesMs() const { return tickTimesMs_; }
    void resetTickTimes() { tickTimesMs_.clear(); }

private:
    struct Sender {
        HWND window;
        DWORD afterMs;
    };
    static LRESULT CALLBACK actionWindowProc(HWND, UINT, WPARAM, LPARAM);
    static DWORD WINAPI sendLater(void* sender);
    void turn();
    void dispatch(const MSG& msg);
    void releaseActions();
    void runAction(bool sent);
    void joinSender();

    std::function<void()> observer_;
    std::function<void()> toPost_, toSend_, posted_, sent_;
    DWORD sendAfterMs_ = 0;
    Sender sender_ = {};
    HANDLE senderThread_ = NULL;
    HWND actionWindow_ = NULL;
    bool actionRan_ = false;
    bool actionInsideTick_ = false;
    int tickDepth_ = 0;
    double longestTickMs_ = 0;
    double longestNestedTickMs_ = 0;
    unsigned ticks_ = 0;
    std::vector<double> tickTimesMs_;
    unsigned ticksStarted_ = 0;
    unsigned nestedTicks_ = 0;
};

}  // namespace testhost

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
    // Called on every turn of the loop, after the host's queued events went out.
    void setObserver(std::function<void()> observer) { observer_ = observer; }

    // Runs the loop for ms milliseconds (at least one turn).
    void pump(DWORD ms);

    double longestTickMs() const { return longestTickMs_; }
    unsigned ticks() const { return ticks_; }

    // Every tick's wall time since the last reset, in milliseconds, for the
    // performance figures; the longest tick and the count above are kept
    // for the whole run.
    const std::vector<double>& tickTimesMs() const { return tickTimesMs_; }
    void resetTickTimes() { tickTimesMs_.clear(); }

private:
    void turn();
    void dispatch(const MSG& msg);

    std::function<void()> observer_;
    double longestTickMs_ = 0;
    unsigned ticks_ = 0;
    std::vector<double> tickTimesMs_;
};

}  // namespace testhost

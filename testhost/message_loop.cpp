#include "testhost/message_loop.h"

#include "testhost/host_core.h"

namespace testhost {

void MessageLoop::pump(DWORD ms) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        turn();
        // Checked after every message: when ticks take longer than the timer's
        // interval a WM_TIMER is always waiting and the queue never runs dry.
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        MSG msg;
        if (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            dispatch(msg);
            continue;
        }
        MsgWaitForMultipleObjectsEx(0, NULL, static_cast<DWORD>(deadline - now),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// Events that a call into the plug-in caused (OnInfoChange after an accepted
// name change) go out here, on a later turn, never inside that call.
void MessageLoop::turn() {
    Host::instance().deliverPendingEvents();
    if (observer_) observer_();
}

void MessageLoop::dispatch(const MSG& msg) {
    if (msg.message != WM_TIMER) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        return;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    DispatchMessageW(&msg);
    QueryPerformanceCounter(&end);
    const double ms =
        double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
    ++ticks_;
    if (ms > longestTickMs_) longestTickMs_ = ms;
    tickTimesMs_.push_back(ms);
}

}  // namespace testhost

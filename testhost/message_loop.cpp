#include "testhost/message_loop.h"

#include "testhost/host_core.h"

namespace testhost {

namespace {

const char kActionClass[] = "MelodyRibbonTestHostActions";
const UINT kRunAction = WM_APP + 1;

}  // namespace

MessageLoop::MessageLoop() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = actionWindowProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = kActionClass;
    RegisterClassA(&wc);
    actionWindow_ = CreateWindowExA(0, kActionClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                    NULL, wc.hInstance, NULL);
    SetWindowLongPtrA(actionWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

MessageLoop::~MessageLoop() {
    joinSender();
    if (actionWindow_) DestroyWindow(actionWindow_);
}

void MessageLoop::joinSender() {
    if (!senderThread_) return;
    // The sender waits for our window, so the loop must run meanwhile.
    while (MsgWaitForMultipleObjects(1, &senderThread_, FALSE, INFINITE, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    CloseHandle(senderThread_);
    senderThread_ = NULL;
}

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

void MessageLoop::postBeforeNextTick(std::function<void()> action) {
    toPost_ = action;
    actionRan_ = false;
    actionInsideTick_ = false;
}

void MessageLoop::sendDuringNextTick(DWORD afterMs, std::function<void()> action) {
    joinSender();
    toSend_ = action;
    sendAfterMs_ = afterMs;
    actionRan_ = false;
    actionInsideTick_ = false;
}

DWORD WINAPI MessageLoop::sendLater(void* parameter) {
    const Sender* sender = static_cast<const Sender*>(parameter);
    Sleep(sender->afterMs);
    SendMessageW(sender->window, kRunAction, 1, 0);
    return 0;
}

// The armed actions go out as the tick begins: one posted, one sent from a
// thread of ours.
void MessageLoop::releaseActions() {
    if (toPost_) {
        posted_.swap(toPost_);
        toPost_ = nullptr;
        PostMessageA(actionWindow_, kRunAction, 0, 0);
    }
    if (toSend_) {
        sent_.swap(toSend_);
        toSend_ = nullptr;
        sender_ = Sender{actionWindow_, sendAfterMs_};
        senderThread_ = CreateThread(NULL, 0, sendLater, &sender_, 0, NULL);
    }
}

LRESULT CALLBACK MessageLoop::actionWindowProc(HWND window, UINT msg, WPARAM wParam,
                                               LPARAM lParam) {
    MessageLoop* loop =
        reinterpret_cast<MessageLoop*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (msg == kRunAction && loop) {
        loop->runAction(wParam != 0);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

void MessageLoop::runAction(bool sent) {
    std::function<void()> action;
    action.swap(sent ? sent_ : posted_);
    actionInsideTick_ = tickDepth_ > 0;
    actionRan_ = true;
    if (action) action();
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
    const bool nested = tickDepth_ > 0;
    if (!nested) releaseActions();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ++ticksStarted_;
    ++tickDepth_;
    DispatchMessageW(&msg);
    --tickDepth_;
    QueryPerformanceCounter(&end);
    const double ms =
        double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
    ++ticks_;
    if (ms > longestTickMs_) longestTickMs_ = ms;
    tickTimesMs_.push_back(ms);
    if (nested) {
        ++nestedTicks_;
        if (ms > longestNestedTickMs_) longestNestedTickMs_ = ms;
    }
}

}  // namespace testhost

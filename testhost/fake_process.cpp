#include "testhost/fake_process.h"

#include "testhost/host_folder.h"

namespace testhost {

namespace {

const DWORD kControlTimeoutMs = 3000;
const DWORD kStartTimeoutMs = 15000;
const DWORD kStepMs = 20;
const int kStartAttempts = 3;
const DWORD kRetryMs = 500;

}  // namespace

// The fake's window among those of its class: the one its process owns.
HWND FakeProcess::findWindow() const {
    const char* cls = windowClass_.c_str();
    for (HWND w = FindWindowExA(NULL, NULL, cls, NULL); w;
         w = FindWindowExA(NULL, w, cls, NULL)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == processId_) return w;
    }
    return NULL;
}

bool FakeProcess::ended() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
}

bool FakeProcess::start(const WText& arguments, std::string* error) {
    if (ended()) forget();
    if (process_) {
        *error = program_ + " is already running";
        return false;
    }
    WText commandLine = widen("\"" + hostFolder() + program_ + "\" ") + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    // Wine on a loaded machine now and then fails a process start with an
    // internal error (1359) while the wineserver is busy with a process that
    // just ended; the same start goes through a moment later.
    bool started = false;
    DWORD lastError = 0;
    for (int attempt = 0; attempt < kStartAttempts && !started; attempt++) {
        if (attempt > 0) wait_(kRetryMs);
        started = CreateProcessW(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL,
                                 &si, &pi) != FALSE;
        if (!started) lastError = GetLastError();
    }
    if (!started) {
        *error =
            "CreateProcess(" + program_ + ") failed, error " + std::to_string(lastError);
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    processId_ = pi.dwProcessId;
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kStepMs) {
        window_ = findWindow();
        if (window_) return true;
        if (ended()) break;
        wait_(kStepMs);
    }
    *error = "the window of " + program_ + " never appeared";
    kill();
    return false;
}

bool FakeProcess::noWindow(std::string* error) const {
    if (window_) return false;
    *error = program_ + " is not running";
    return true;
}

bool FakeProcess::ask(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* answer,
                      std::string* error) {
    if (noWindow(error)) return false;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window_, msg, wParam, lParam, SMTO_ABORTIFHUNG,
                             kControlTimeoutMs, &result)) {
        *error = program_ + (ended() ? " has ended" : " did not answer (hung?)");
        return false;
    }
    *answer = (LRESULT)result;
    return true;
}

bool FakeProcess::send(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error) {
    LRESULT answer = 0;
    if (!ask(msg, wParam, lParam, &answer, error)) return false;
    if (answer != 0) return true;
    *error = program_ + " refused the order";
    return false;
}

bool FakeProcess::post(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error) {
    if (noWindow(error)) return false;
    if (PostMessageW(window_, msg, wParam, lParam)) return true;
    *error = "could not post to " + program_;
    return false;
}

bool FakeProcess::quit(std::string* error) {
    if (ended()) {
        forget();
        return true;
    }
    if (noWindow(error)) return false;
    PostMessageW(window_, WM_CLOSE, 0, 0);
    window_ = NULL;
    if (!waitForExit(kStartTimeoutMs)) {
        kill();
        *error = program_ + " did not quit; killed it";
        return false;
    }
    forget();
    return true;
}

bool FakeProcess::waitForExit(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += kStepMs) {
        if (ended()) return true;
        wait_(kStepMs);
    }
    return false;
}

void FakeProcess::forget() {
    if (process_) CloseHandle(process_);
    process_ = NULL;
    processId_ = 0;
    window_ = NULL;
}

void FakeProcess::kill() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    forget();
}

}  // namespace testhost

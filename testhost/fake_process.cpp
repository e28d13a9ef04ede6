#include "testhost/fake_process.h"

#include "testhost/host_folder.h"

namespace testhost {

namespace {

const DWORD kControlTimeoutMs = 3000;
const DWORD kStartTimeoutMs = 15000;
const DWORD kStepMs = 20;

}  // namespace

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

bool FakeProcess::start(const WText& arguments, std::string* error) {
    if (process_) {
        *error = program_ + " is already running";
        return false;
    }
    WText commandLine = widen("\"" + hostFolder() + program_ + "\" ") + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si,
                        &pi)) {
        *error = "CreateProcess(" + program_ + ") failed, error " +
                 std::to_string(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    processId_ = pi.dwProcessId;
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kStepMs) {
        window_ = findWindow();
        if (window_) return true;
        if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) break;
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

bool FakeProcess::send(UINT msg, WPARAM wParam, LPARAM lParam, bool zeroIsFailure,
                       std::string* error, LRESULT* answer) {
    if (noWindow(error)) return false;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window_, msg, wParam, lParam, SMTO_ABORTIFHUNG,
                             kControlTimeoutMs, &result)) {
        *error = program_ + " did not answer (hung?)";
        return false;
    }
    if (answer) *answer = (LRESULT)result;
    if (zeroIsFailure && result == 0) {
        *error = program_ + " refused the order";
        return false;
    }
    return true;
}

bool FakeProcess::post(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error) {
    if (noWindow(error)) return false;
    if (PostMessageW(window_, msg, wParam, lParam)) return true;
    *error = "could not post to " + program_;
    return false;
}

bool FakeProcess::quit(std::string* error) {
    if (noWindow(error)) return false;
    PostMessageW(window_, WM_CLOSE, 0, 0);
    window_ = NULL;
    if (!waitForExit(kStartTimeoutMs)) {
        kill();
        *error = program_ + " did not quit; killed it";
        return false;
    }
    CloseHandle(process_);
    process_ = NULL;
    return true;
}

bool FakeProcess::waitForExit(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += kStepMs) {
        if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) return true;
        wait_(kStepMs);
    }
    return false;
}

void FakeProcess::kill() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = NULL;
    window_ = NULL;
}

}  // namespace testhost

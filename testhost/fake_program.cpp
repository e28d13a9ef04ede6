#include "testhost/fake_program.h"

#include "testhost/host_folder.h"

namespace testhost {

namespace {

const DWORD kControlTimeoutMs = 3000;
const DWORD kStartTimeoutMs = 15000;
const DWORD kStepMs = 20;

}  // namespace

// The player's window among those of its class: the one its process owns.
HWND FakeProgram::findWindow() const {
    for (HWND w = FindWindowExA(NULL, NULL, windowClass_, NULL); w;
         w = FindWindowExA(NULL, w, windowClass_, NULL)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == processId_) return w;
    }
    return NULL;
}

bool FakeProgram::start(const char* exe, const WText& arguments, std::string* error) {
    if (process_) {
        *error = "a fake " + what_ + " is already running";
        return false;
    }
    WText commandLine = widen("\"" + hostFolder() + exe + "\" ") + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si,
                        &pi)) {
        *error = std::string("CreateProcess(") + exe + ") failed, error " +
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
    *error = "the fake " + what_ + "'s window never appeared";
    kill();
    return false;
}

bool FakeProgram::send(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error) {
    if (!window_) {
        *error = "no fake " + what_ + " is running";
        return false;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window_, msg, wParam, lParam, SMTO_ABORTIFHUNG,
                             kControlTimeoutMs, &result)) {
        *error = "the fake " + what_ + " did not answer (hung?)";
        return false;
    }
    return true;
}

bool FakeProgram::post(UINT msg, WPARAM wParam, LPARAM lParam, std::string* error) {
    if (!window_ || !PostMessageW(window_, msg, wParam, lParam)) {
        *error = "could not post to the fake " + what_;
        return false;
    }
    return true;
}

bool FakeProgram::quit(std::string* error) {
    if (!window_) {
        *error = "no fake " + what_ + " is running";
        return false;
    }
    PostMessageW(window_, WM_CLOSE, 0, 0);
    window_ = NULL;
    if (!waitForExit(kStartTimeoutMs)) {
        kill();
        *error = "the fake " + what_ + " did not quit; killed it";
        return false;
    }
    CloseHandle(process_);
    process_ = NULL;
    return true;
}

bool FakeProgram::waitForExit(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += kStepMs) {
        if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) return true;
        wait_(kStepMs);
    }
    return false;
}

void FakeProgram::kill() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = NULL;
    window_ = NULL;
}

}  // namespace testhost

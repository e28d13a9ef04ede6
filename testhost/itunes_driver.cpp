#include "testhost/itunes_driver.h"

#include <objbase.h>
#include <stdio.h>

#include "testhost/host_folder.h"

namespace testhost {

namespace {

const CLSID kApplicationClass = {
    0xDC0C2640, 0x1415, 0x4644, {0x87, 0x5C, 0x6F, 0x4D, 0x76, 0x98, 0x39, 0xBA}};
const char kWindowClass[] = "MelodyRibbonFakeITunes";
const UINT kSetState = WM_APP + 1;
const UINT kSetVisible = WM_APP + 2;
const UINT kDieAfter = WM_APP + 3;
const UINT kCountObjects = WM_APP + 4;
const DWORD kControlTimeoutMs = 3000;
const DWORD kStartTimeoutMs = 15000;
const DWORD kStepMs = 20;

std::string programPath() {
    return hostFolder() + "iTunes.exe";
}

}  // namespace

bool ITunesDriver::runProgram(const std::string& arguments, std::string* error) {
    std::string commandLine = "\"" + programPath() + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si,
                        &pi)) {
        *error =
            "CreateProcess(iTunes.exe) failed, error " + std::to_string(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    if (!arguments.empty()) {
        // A one-shot run: wait for it, with the host's loop running.
        DWORD waited = 0;
        while (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0 &&
               waited < kStartTimeoutMs) {
            wait_(kStepMs);
            waited += kStepMs;
        }
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        if (code != 0)
            *error = "iTunes.exe " + arguments + " failed: " + std::to_string(code);
        return code == 0;
    }
    process_ = pi.hProcess;
    processId_ = pi.dwProcessId;
    return true;
}

bool ITunesDriver::registerOnly(std::string* error) {
    if (!runProgram("/regserver", error)) return false;
    registered_ = true;
    return true;
}

bool ITunesDriver::createFromHost(std::string* error) {
    HRESULT init = CoInitialize(NULL);
    IUnknown* application = NULL;
    HRESULT hr = CoCreateInstance(kApplicationClass, NULL, CLSCTX_LOCAL_SERVER,
                                  IID_IUnknown, (void**)&application);
    if (SUCCEEDED(hr)) application->Release();
    if (SUCCEEDED(init)) CoUninitialize();
    if (FAILED(hr)) {
        char code[16];
        snprintf(code, sizeof code, "0x%08lx", (unsigned long)hr);
        *error = std::string("CoCreateInstance from the host failed: ") + code;
        return false;
    }
    return true;
}

HWND ITunesDriver::findWindow() const {
    for (HWND w = FindWindowExA(NULL, NULL, kWindowClass, NULL); w;
         w = FindWindowExA(NULL, w, kWindowClass, NULL)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == processId_) return w;
    }
    return NULL;
}

bool ITunesDriver::start(std::string* error) {
    if (process_ && !exited()) {
        *error = "a fake iTunes is already running";
        return false;
    }
    kill();
    if (!runProgram("", error)) return false;
    registered_ = true;
    for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kStepMs) {
        window_ = findWindow();
        if (window_) return true;
        if (exited()) break;
        wait_(kStepMs);
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    *error = "the fake iTunes's window never appeared (exit code " +
             std::to_string(code) + ")";
    kill();
    return false;
}

bool ITunesDriver::exited() const {
    return !process_ || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
}

bool ITunesDriver::send(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result,
                        std::string* error) {
    if (!window_ || exited()) {
        *error = "no fake iTunes is running";
        return false;
    }
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window_, msg, wParam, lParam, SMTO_ABORTIFHUNG,
                             kControlTimeoutMs, &answer)) {
        *error = "the fake iTunes did not answer";
        return false;
    }
    if (result) *result = (LRESULT)answer;
    return true;
}

bool ITunesDriver::setText(int which, const WText* text, std::string* error) {
    COPYDATASTRUCT data = {};
    data.dwData = text ? which : which + 2;
    if (text) {
        data.cbData = (DWORD)(text->size() * sizeof(WCHAR));
        data.lpData = (void*)text->data();
    }
    return send(WM_COPYDATA, 0, (LPARAM)&data, NULL, error);
}

bool ITunesDriver::setState(long state, std::string* error) {
    return send(kSetState, (WPARAM)state, 0, NULL, error);
}

bool ITunesDriver::setVisible(bool visible, std::string* error) {
    return send(kSetVisible, visible ? 1 : 0, 0, NULL, error);
}

bool ITunesDriver::dieAfter(long calls, std::string* error) {
    return send(kDieAfter, (WPARAM)calls, 0, NULL, error);
}

bool ITunesDriver::liveObjects(int* count, std::string* error) {
    LRESULT n = 0;
    if (!send(kCountObjects, 0, 0, &n, error)) return false;
    *count = (int)n;
    return true;
}

int ITunesDriver::activations() const {
    FILE* f = fopen((hostFolder() + "itunes-activations.txt").c_str(), "rb");
    if (!f) return 0;
    int lines = 0;
    for (int c; (c = fgetc(f)) != EOF;) lines += c == '\n';
    fclose(f);
    return lines;
}

bool ITunesDriver::quit(std::string* error) {
    if (!process_) {
        *error = "no fake iTunes was started";
        return false;
    }
    if (window_ && !exited()) PostMessageW(window_, WM_CLOSE, 0, 0);
    window_ = NULL;
    for (DWORD waited = 0; !exited() && waited < kStartTimeoutMs; waited += kStepMs)
        wait_(kStepMs);
    if (!exited()) {
        kill();
        *error = "the fake iTunes did not quit; killed it";
        return false;
    }
    CloseHandle(process_);
    process_ = NULL;
    return true;
}

// A fake is closed through its window, so that it withdraws its class from
// COM: Wine would otherwise keep handing the dead one to later runs.
void ITunesDriver::finish() {
    std::string error;
    if (process_) quit(&error);
    // One that COM started on its own.
    HWND w;
    for (int i = 0; i < 8 && (w = FindWindowExA(NULL, NULL, kWindowClass, NULL)); i++) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!p) break;
        PostMessageW(w, WM_CLOSE, 0, 0);
        for (DWORD waited = 0; waited < kStartTimeoutMs; waited += kStepMs) {
            if (WaitForSingleObject(p, 0) == WAIT_OBJECT_0) break;
            wait_(kStepMs);
        }
        TerminateProcess(p, 1);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
    }
    if (registered_) runProgram("/unregserver", &error);
    registered_ = false;
}

void ITunesDriver::kill() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    process_ = NULL;
    window_ = NULL;
}

}  // namespace testhost

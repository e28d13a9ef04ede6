#include "testhost/itunes_driver.h"

#include <objbase.h>
#include <stdio.h>

#include "fakeplayers/fake_control.h"
#include "testhost/host_folder.h"

namespace testhost {

namespace {

const CLSID kApplicationClass = {
    0xDC0C2640, 0x1415, 0x4644, {0x87, 0x5C, 0x6F, 0x4D, 0x76, 0x98, 0x39, 0xBA}};
const char kWindowClass[] = "MelodyRibbonFakeITunes";
const DWORD kTimeoutMs = 15000;
const DWORD kStepMs = 20;

// Waits for a process with the host's message loop running; false when it
// is still there after ms.
bool waitForExit(HANDLE process, DWORD ms, const std::function<void(DWORD)>& wait) {
    for (DWORD waited = 0; waited < ms; waited += kStepMs) {
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return true;
        wait(kStepMs);
    }
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

}  // namespace

// /regserver and /unregserver: run to the end.
bool ITunesDriver::runOnce(const char* arguments, std::string* error) {
    std::string commandLine = "\"" + hostFolder() + "iTunes.exe\" " + arguments;
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
    waitForExit(pi.hProcess, kTimeoutMs, wait_);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    if (code != 0)
        *error =
            std::string("iTunes.exe ") + arguments + " failed: " + std::to_string(code);
    return code == 0;
}

bool ITunesDriver::registerOnly(std::string* error) {
    if (!runOnce("/regserver", error)) return false;
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

bool ITunesDriver::start(std::string* error) {
    if (!process_.start(WText(), error)) return false;
    registered_ = true;
    return true;
}

bool ITunesDriver::setText(int which, const WText* text, std::string* error) {
    COPYDATASTRUCT data = {};
    data.dwData = which == 1 ? (text ? fake::kSetTitle : fake::kNoTitle)
                             : (text ? fake::kSetArtist : fake::kNoArtist);
    if (text) {
        data.cbData = (DWORD)(text->size() * sizeof(WCHAR));
        data.lpData = (void*)text->data();
    }
    return process_.send(WM_COPYDATA, 0, (LPARAM)&data, error);
}

bool ITunesDriver::setState(long state, std::string* error) {
    return process_.send(fake::kSetState, (WPARAM)state, 0, error);
}

bool ITunesDriver::setVisible(bool visible, std::string* error) {
    return process_.send(fake::kSetVisible, visible ? 1 : 0, 0, error);
}

bool ITunesDriver::dieAfter(long calls, std::string* error) {
    return process_.send(fake::kDieAfter, (WPARAM)calls, 0, error);
}

bool ITunesDriver::slow(long ms, std::string* error) {
    return process_.send(fake::kSlow, (WPARAM)ms, 0, error);
}

bool ITunesDriver::setMainWindow(bool present, std::string* error) {
    return process_.send(fake::kSetMainWindow, present ? 1 : 0, 0, error);
}

bool ITunesDriver::hang(DWORD ms, std::string* error) {
    return process_.post(fake::kHang, ms, 0, error);
}

bool ITunesDriver::quit(std::string* error) {
    return process_.quit(error);
}

bool ITunesDriver::liveObjects(int* count, std::string* error) {
    LRESULT n = 0;
    if (!process_.ask(fake::kCountObjects, 0, 0, &n, error)) return false;
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

// A fake is closed through its window, so that it withdraws its class from
// COM: Wine would otherwise keep handing the dead one to later runs.
void ITunesDriver::finish() {
    std::string error;
    if (process_.running()) process_.quit(&error);
    // One that COM started on its own.
    HWND w;
    for (int i = 0; i < 8 && (w = FindWindowExA(NULL, NULL, kWindowClass, NULL)); i++) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!p) break;
        PostMessageW(w, WM_CLOSE, 0, 0);
        if (!waitForExit(p, kTimeoutMs, wait_)) TerminateProcess(p, 1);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
    }
    if (registered_) runOnce("/unregserver", &error);
    registered_ = false;
}

}  // namespace testhost

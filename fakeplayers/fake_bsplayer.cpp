// A stand-in for the BSPlayer main window, driven by the test host.
//
//   fake_bsplayer.exe <state>
//
// It speaks the real player's interface:
//   WM_USER + 2, wParam 0x10102   the play state (2 and up: playing)
//   WM_COPYDATA, dwData 0x1010B   the record carries an address in the
//                                 sender's process (as many bytes as an
//                                 address has there); the playing file's full
//                                 path, NUL-terminated ANSI, is written there
//                                 with WriteProcessMemory, the sender's
//                                 process found from the window in wParam;
//                                 each write's process id is added to
//                                 bsplayer-writes.txt beside the program
// and the host steers it with the orders of fake_control.h: the path to
// report, the play state to answer, a hang, a quit right after the next
// status query.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "fake_control.h"

namespace {

const UINT kPlayerCommand = WM_USER + 2;
const WPARAM kGetState = 0x10102;
const ULONG_PTR kGetFileName = 0x1010B;

fake::WindowFake g_fake = {0, false};
std::string g_path;

// One line per process written, so the host can tell whether any but
// itself was: the real player writes wherever the sender's window says.
void countWrite(DWORD pid) {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    if (!slash || (size_t)(slash - path) + 20 > sizeof path) return;
    strcpy(slash + 1, "bsplayer-writes.txt");
    FILE* f = fopen(path, "ab");
    if (!f) return;
    fprintf(f, "%lu\n", (unsigned long)pid);
    fclose(f);
}

// Writes the path into the process that owns the sender's window.
LRESULT writePathTo(HWND sender, const COPYDATASTRUCT* record) {
    UINT_PTR address = 0;
    if (record->cbData == 8 || record->cbData == 4)
        memcpy(&address, record->lpData, record->cbData);
    DWORD pid = 0;
    if (!address || !IsWindow(sender) || !GetWindowThreadProcessId(sender, &pid))
        return FALSE;
    countWrite(pid);
    HANDLE process = OpenProcess(PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE, pid);
    if (!process) return FALSE;
    SIZE_T written = 0;
    BOOL ok = WriteProcessMemory(process, reinterpret_cast<void*>(address),
                                 g_path.c_str(), g_path.size() + 1, &written);
    CloseHandle(process);
    return ok;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kPlayerCommand:
        // Other commands of the real player are unknown to us: answer 0.
        return wParam == kGetState ? fake::answerStatus(hwnd, &g_fake) : 0;
    case WM_COPYDATA: {
        const COPYDATASTRUCT* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (record->dwData == kGetFileName)
            return writePathTo(reinterpret_cast<HWND>(wParam), record);
        if (record->dwData == fake::kSetFile) {
            g_path.assign(static_cast<const char*>(record->lpData), record->cbData);
            return TRUE;
        }
        return FALSE;
    }
    default: {
        LRESULT result;
        if (fake::answerControl(msg, wParam, &g_fake, &result)) return result;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    g_fake.state = atoi(commandLine);
    return fake::runFakeWindow(instance, L"BSPlayer", L"BSPlayer", windowProc, 320, 200);
}

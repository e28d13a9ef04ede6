// Another program with a main window of class "TFrmMain", a common form
// class name: the host's own main window has the same class.
//
//   fake_form.exe
//
// It only has to be there and be found first; the host closes it with
// WM_CLOSE.  Whether the BSPlayer fake ever wrote into it shows in
// bsplayer-writes.txt (see fake_bsplayer.cpp).
#include <windows.h>

#include "fake_control.h"

namespace {

fake::WindowFake g_fake = {0, false};

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (fake::answerControl(msg, wParam, &g_fake, &result)) return result;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return fake::runFakeWindow(instance, L"TFrmMain", L"Another program", windowProc, 320,
                               200);
}

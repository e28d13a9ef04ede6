// A simulated Winamp main window whose caption and play state a test sets.
#pragma once

#include "plugin_fixture.h"

class FakeWinamp {
public:
    explicit FakeWinamp(const std::string& caption, LRESULT state = 1) : state_(state) {
        window_ = standin::createWindow(
            "Winamp v1.x", caption, [this](HWND, UINT msg, WPARAM, LPARAM lp) -> LRESULT {
                queries_++;
                return msg == WM_USER && lp == 104 ? state_ : 0;
            });
    }
    ~FakeWinamp() { standin::destroyWindow(window_); }
    void play(const std::string& caption) {
        standin::setWindowText(window_, caption);
        state_ = 1;
    }
    void stop() { state_ = 0; }
    void setState(LRESULT state) { state_ = state; }
    void hang(bool hung) { standin::setHung(window_, hung); }
    HWND window() const { return window_; }
    int queries() const { return queries_; }

private:
    HWND window_;
    LRESULT state_;
    int queries_ = 0;
};

// A simulated BSPlayer main window: it answers the state query from a state
// the test sets and, on the file-name query, writes its path at the address
// that the record carries, as the real player does from its own process.
#pragma once

#include "plugin_fixture.h"

class FakeBsPlayer {
public:
    FakeBsPlayer() {
        window_ = standin::createWindow(
            "BSPlayer", "BSPlayer",
            [this](HWND, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
                if (msg == WM_USER + 2 && wp == 0x10102) {
                    if (hangAfterState_) standin::setHung(window_, true);
                    return state_;
                }
                if (msg == WM_COPYDATA) return answerFileName(wp, (COPYDATASTRUCT*)lp);
                return 0;
            });
    }
    ~FakeBsPlayer() { standin::destroyWindow(window_); }

    void play(const std::string& path) {
        path_ = path;
        state_ = 2;
    }
    void setState(LRESULT state) { state_ = state; }
    // Writes these bytes, as they are, instead of the path and its NUL.
    void answerRaw(const std::string& bytes) { raw_ = bytes, rawSet_ = true; }
    void answerNothing() { silent_ = true; }
    void hang(bool hung) { standin::setHung(window_, hung); }
    void hangAfterTheStateQuery() { hangAfterState_ = true; }
    HWND window() const { return window_; }
    // What the last file-name query carried.
    HWND sender() const { return sender_; }
    DWORD recordBytes() const { return recordBytes_; }
    int fileNameQueries() const { return fileNameQueries_; }
    // Where the last answer was written.
    char* answerAddress() const { return address_; }

private:
    LRESULT answerFileName(WPARAM wp, const COPYDATASTRUCT* record) {
        if (record->dwData != 0x1010B) return 0;
        fileNameQueries_++;
        sender_ = (HWND)wp;
        recordBytes_ = record->cbData;
        if (silent_ || record->cbData != sizeof(void*)) return 0;
        char* address;
        memcpy(&address, record->lpData, sizeof address);
        address_ = address;
        if (rawSet_)
            memcpy(address, raw_.data(), raw_.size());
        else
            memcpy(address, path_.c_str(), path_.size() + 1);
        return 1;
    }

    HWND window_;
    LRESULT state_ = 0;
    std::string path_, raw_;
    bool rawSet_ = false, silent_ = false, hangAfterState_ = false;
    HWND sender_ = NULL;
    DWORD recordBytes_ = 0;
    int fileNameQueries_ = 0;
    char* address_ = nullptr;
};

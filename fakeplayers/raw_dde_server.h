// A DDE server spoken with the raw DDE window messages, for the fake DDE
// players, and the program around it: one top-level window that takes part
// in every DDE conversation and takes its orders from the test host.
//
// Not the DDE management library: Wine's server side of it sends a stray
// acknowledgement after each answer, which Wine's client takes as the
// refusal of the next request.  The raw messages behave as a player's own
// server does, on Windows and under Wine.
//
// The conversation, by the book:
//   client --WM_DDE_INITIATE (sent, atoms service/topic)--> every top window
//   server --WM_DDE_ACK (sent, new atoms service/topic)--> client
//   client --WM_DDE_REQUEST (posted, format/item atom)--> server
//   server --WM_DDE_DATA (posted, packed DDEDATA handle/item atom)--> client
//          or WM_DDE_ACK negative (posted, packed status/item atom)
//   client --WM_DDE_TERMINATE--> server, server --WM_DDE_TERMINATE--> client
#pragma once

#include <dde.h>
#include <stddef.h>
#include <string.h>
#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "fake_control.h"

namespace fake {

inline std::wstring upper(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towupper(c));
    return s;
}

inline std::wstring atomName(ATOM atom) {
    wchar_t name[256] = {0};
    if (!atom || !GlobalGetAtomNameW(atom, name, 256)) return std::wstring();
    return name;
}

class RawDdeServer {
public:
    // statusItem: the item that tells whether the player plays.
    RawDdeServer(const wchar_t* service, const wchar_t* topic, const wchar_t* statusItem)
        : service_(service), topic_(topic), statusItem_(upper(statusItem)) {}

    void setItem(const std::wstring& item, const std::wstring& value) {
        items_[upper(item)] = ansi(value);
    }

    // True when msg was a DDE or control message, answered in *result.
    bool handle(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        *result = 0;
        switch (msg) {
        case WM_DDE_INITIATE:
            initiate(window, reinterpret_cast<HWND>(wParam), LOWORD(lParam),
                     HIWORD(lParam));
            return true;
        case WM_DDE_REQUEST:
            request(window, reinterpret_cast<HWND>(wParam), LOWORD(lParam),
                    static_cast<ATOM>(HIWORD(lParam)));
            return true;
        case WM_DDE_TERMINATE:
            terminate(window, reinterpret_cast<HWND>(wParam));
            return true;
        case WM_DDE_ACK:  // to nothing we asked for: just free it
            FreeDDElParam(msg, lParam);
            return true;
        case WM_TIMER:
            if (!pending_.count(wParam)) return false;
            answerLate(window, wParam);
            return true;
        case WM_COPYDATA:
            *result = control(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
            return true;
        case kQuitAfterStatus:
            quitAfterStatus_ = true;
            *result = 1;
            return true;
        default:
            return false;
        }
    }

private:
    struct Pending {
        HWND client;
        UINT format;
        ATOM item;
    };

    void initiate(HWND window, HWND client, ATOM service, ATOM topic) {
        // A zero atom asks for any service or any topic.
        if (service && upper(atomName(service)) != upper(service_)) return;
        if (topic && upper(atomName(topic)) != upper(topic_)) return;
        ATOM ourService = GlobalAddAtomW(service_.c_str());
        ATOM ourTopic = GlobalAddAtomW(topic_.c_str());
        clients_.insert(client);
        // The client deletes the atoms when it takes the conversation.
        SendMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(ourService, ourTopic));
    }

    void request(HWND window, HWND client, UINT format, ATOM item) {
        if (!clients_.count(client)) return;
        switch (behaviour_.mode) {
        case kSilent:
            return;
        case kLate: {
            UINT_PTR timer = nextTimer_++;
            pending_[timer] = Pending{client, format, item};
            SetTimer(window, timer, behaviour_.ms, NULL);
            return;
        }
        case kBusy:  // once: a player that hangs for a while, then recovers
            Sleep(behaviour_.ms);
            behaviour_ = Behaviour{kAnswer, 0};
            break;
        case kDie:
            if (behaviour_.ms == 0) {
                TerminateProcess(GetCurrentProcess(), 9);
                return;
            }
            --behaviour_.ms;
            break;
        default:
            break;
        }
        // Told to quit, the fake goes just before its status answer leaves,
        // as a player closed at that moment: the asker gets the answer, and
        // no one to end the conversation with.
        if (quitAfterStatus_ && upper(atomName(item)) == statusItem_) {
            clients_.clear();
            DestroyWindow(window);
        }
        answer(window, client, format, item);
    }

    void answerLate(HWND window, UINT_PTR timer) {
        KillTimer(window, timer);
        Pending p = pending_[timer];
        pending_.erase(timer);
        // A client that gave up and terminated must hear nothing more.
        if (clients_.count(p.client)) answer(window, p.client, p.format, p.item);
    }

    void answer(HWND window, HWND client, UINT format, ATOM item) {
        auto value = items_.find(upper(atomName(item)));
        if (format != CF_TEXT || value == items_.end()) {
            LPARAM nack = PackDDElParam(WM_DDE_ACK, 0, item);
            if (!PostMessageW(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window), nack))
                FreeDDElParam(WM_DDE_ACK, nack);
            return;
        }
        const std::string& bytes = value->second;
        const size_t header = offsetof(DDEDATA, Value);
        HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT,
                                   header + bytes.size());
        DDEDATA* d = static_cast<DDEDATA*>(GlobalLock(data));
        d->fResponse = 1;  // the answer to a request
        d->fRelease = 1;   // the client frees the memory
        d->fAckReq = 0;
        d->cfFormat = CF_TEXT;
        memcpy(d->Value, bytes.data(), bytes.size());
        GlobalUnlock(data);
        LPARAM lp = PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(data), item);
        if (!PostMessageW(client, WM_DDE_DATA, reinterpret_cast<WPARAM>(window), lp)) {
            FreeDDElParam(WM_DDE_DATA, lp);
            GlobalFree(data);
        }
    }

    void terminate(HWND window, HWND client) {
        if (!clients_.erase(client)) return;
        PostMessageW(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
    }

    LRESULT control(const COPYDATASTRUCT* cd) {
        if (!cd) return 0;
        if (cd->dwData == kSetBehaviour && cd->cbData == sizeof(Behaviour)) {
            memcpy(&behaviour_, cd->lpData, sizeof behaviour_);
            return 1;
        }
        if (cd->dwData == kSetItem) {
            const wchar_t* p = static_cast<const wchar_t*>(cd->lpData);
            size_t units = cd->cbData / sizeof(wchar_t);
            std::wstring all(p, units);
            size_t nul = all.find(L'\0');
            if (nul == std::wstring::npos) return 0;
            setItem(all.substr(0, nul), all.substr(nul + 1));
            return 1;
        }
        return 0;
    }

    // The value as the player's CF_TEXT: ANSI code page, with its NUL.
    static std::string ansi(const std::wstring& text) {
        std::string out;
        if (!text.empty()) {
            int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), (int)text.size(), NULL,
                                        0, NULL, NULL);
            out.resize(n);
            WideCharToMultiByte(CP_ACP, 0, text.c_str(), (int)text.size(), &out[0], n,
                                NULL, NULL);
        }
        out.push_back('\0');
        return out;
    }

    std::wstring service_, topic_, statusItem_;
    bool quitAfterStatus_ = false;
    std::map<std::wstring, std::string> items_;  // upper-case item -> CF_TEXT bytes
    Behaviour behaviour_ = {kAnswer, 0};
    std::set<HWND> clients_;
    std::map<UINT_PTR, Pending> pending_;
    UINT_PTR nextTimer_ = 1;
};

// The fake's program: a window of windowClass, captioned caption, serving
// service/topic, with the status item answering value to begin with, until
// the host closes it.
inline int runFakeDdePlayer(HINSTANCE instance, const wchar_t* windowClass,
                            const wchar_t* service, const wchar_t* topic,
                            const wchar_t* caption, const wchar_t* statusItem,
                            const wchar_t* value) {
    static RawDdeServer* server;
    RawDdeServer ours(service, topic, statusItem);
    ours.setItem(statusItem, value);
    server = &ours;
    struct Proc {
        static LRESULT CALLBACK window(HWND hwnd, UINT msg, WPARAM wParam,
                                       LPARAM lParam) {
            LRESULT result;
            if (server->handle(hwnd, msg, wParam, lParam, &result)) return result;
            if (msg == WM_DESTROY) PostQuitMessage(0);
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        }
    };
    return runFakeWindow(instance, windowClass, caption, Proc::window, 320, 120);
}

}  // namespace fake

// Simulated DDE players (KbMedia Player, Lilith) whose answers a test sets,
// and the check that the plug-in released every DDE handle and answer.
#pragma once

#include <ddeml.h>
#include <standin/dde.h>

#include "plugin_fixture.h"

// A loaded plug-in with its trace log on, and an empty log to begin with.
class LoggingPluginTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        writeIni("[Main]\r\nLog=1\r\n");
        initialize();
        std::remove(logFile().c_str());
    }
};

// The answer's bytes exactly as the server sends them; a C string literal
// goes out with its NUL, as a well-behaved server sends CF_TEXT.
inline std::string cfText(const char* text) {
    return std::string(text, strlen(text) + 1);
}

class FakeKbMedia {
public:
    FakeKbMedia() : server_(standin::addDdeServer("KbMedia Player", "KbMedia Player")) {}
    ~FakeKbMedia() { standin::removeDdeServer("KbMedia Player", "KbMedia Player"); }
    void play(const char* title, const char* artist, const char* status = "Play") {
        answer("Status", cfText(status));
        answer("Title", cfText(title));
        answer("Artist", cfText(artist));
    }
    void answer(const std::string& item, const std::string& bytes) {
        server_.answers[item] = bytes;
    }
    void refuse(const std::string& item) { server_.answers.erase(item); }
    standin::DdeServer& server() { return server_; }

private:
    standin::DdeServer& server_;
};

class FakeLilith {
public:
    explicit FakeLilith(const std::string& caption, const char* status = "play")
        : server_(standin::addDdeServer("LILITH_EXT_CONTROL", "LILITH_EXT_CONTROL")) {
        window_ = standin::createWindow("Lilith", caption, nullptr);
        answer(cfText(status));
    }
    ~FakeLilith() {
        standin::destroyWindow(window_);
        standin::removeDdeServer("LILITH_EXT_CONTROL", "LILITH_EXT_CONTROL");
    }
    void answer(const std::string& bytes) { server_.answers["/status"] = bytes; }
    void caption(const std::string& text) { standin::setWindowText(window_, text); }
    standin::DdeServer& server() { return server_; }
    HWND window() const { return window_; }

private:
    standin::DdeServer& server_;
    HWND window_;
};

// Everything made was released by the plug-in itself, nothing twice, and
// every answer went back to the heap.
inline void expectAllReleased(const std::string& where) {
    const standin::DdeTally& t = standin::ddeTally();
    EXPECT_EQ(t.instances, t.uninitialized) << where;
    EXPECT_EQ(t.strings, t.stringsFreed) << where;
    EXPECT_EQ(t.conversations, t.disconnected) << where;
    EXPECT_EQ(t.dataHandles, t.dataFreed) << where;
    EXPECT_EQ(0, t.leftAtUninitialize) << where;
    EXPECT_EQ(0, t.badCalls) << where;
    EXPECT_EQ(t.heapBlocks, t.heapFreed) << where;
}

#include "players/dde_conversation.h"

#include <functional>

#include "dde_fixture.h"

using DdeConversationTest = PluginTest;

// Whatever fails, and wherever, the conversation lets go of every handle it
// made, and a request that got nothing leaves no answer to free.
TEST_F(DdeConversationTest, EveryPathReleasesWhatItMade) {
    struct Case {
        const char* name;
        std::function<void(standin::DdeServer&)> arrange;
        bool answered;
        DWORD waitedMs;
    } cases[] = {
        {"answered", [](standin::DdeServer&) {}, true, 0},
        {"answered late, within the time-out",
         [](standin::DdeServer& s) { s.delayMs = 1500; }, true, 1500},
        {"answered after the time-out", [](standin::DdeServer& s) { s.delayMs = 2001; },
         false, 2000},
        {"silent", [](standin::DdeServer& s) { s.silent = true; }, false, 2000},
        {"item refused", [](standin::DdeServer& s) { s.answers.clear(); }, false, 0},
        {"no such server",
         [](standin::DdeServer&) { standin::removeDdeServer("Svc", "Topic"); }, false, 0},
        {"DdeInitializeA fails",
         [](standin::DdeServer&) { standin::failDdeInitialize(true); }, false, 0},
        {"service handle fails",
         [](standin::DdeServer&) { standin::failDdeStringHandle(1); }, false, 0},
        {"topic handle fails",
         [](standin::DdeServer&) { standin::failDdeStringHandle(2); }, false, 0},
        {"item handle fails",
         [](standin::DdeServer&) { standin::failDdeStringHandle(3); }, false, 0},
    };
    for (const Case& c : cases) {
        standin::reset();
        standin::DdeServer& server = standin::addDdeServer("Svc", "Topic");
        server.answers["Item"] = cfText("value");
        c.arrange(server);
        DWORD before = standin::nowMs();
        char* answer = (char*)"stale";
        {
            DdeConversation conversation(NULL, "Topic", "Svc");
            EXPECT_EQ(c.answered, conversation.request(&answer, "Item", 2000)) << c.name;
        }
        EXPECT_EQ(c.waitedMs, standin::nowMs() - before) << c.name;
        if (c.answered) {
            EXPECT_STREQ("value", answer) << c.name;
        } else {
            EXPECT_EQ(nullptr, answer) << c.name;
        }
        releaseDdeAnswer(answer);
        expectAllReleased(c.name);
    }
}

// Mend: an answer is a text whatever the server sent, and nothing is read
// past the bytes received (the sanitizer build sees every read of the
// answer's block, which is allocated to size).
TEST_F(DdeConversationTest, AnAnswerIsTerminatedWithinWhatWasReceived) {
    struct Case {
        const char* name;
        std::string sent;
        std::string text;
    } cases[] = {
        {"terminated", cfText("Play"), "Play"},
        {"unterminated", "Play", "Play"},
        {"empty", "", ""},
        {"bytes after the NUL", std::string("a\0junk", 6), "a"},
        {"longer than any title", std::string(10000, 'x'),
         std::string(kDdeAnswerBytes, 'x')},
    };
    standin::DdeServer& server = standin::addDdeServer("Svc", "Topic");
    for (const Case& c : cases) {
        server.answers["Item"] = c.sent;
        char* answer = NULL;
        {
            DdeConversation conversation(ddeCallback, "Topic", "Svc");
            ASSERT_TRUE(conversation.request(&answer, "Item", 2000)) << c.name;
        }
        EXPECT_EQ(c.text, std::string(answer)) << c.name;
        releaseDdeAnswer(answer);
    }
    expectAllReleased("answers");
}

TEST_F(DdeConversationTest, ARequestWithoutAPlaceForItsAnswerOrAnItemAsksNothing) {
    standin::addDdeServer("Svc", "Topic").answers["Item"] = cfText("value");
    char* answer = (char*)"stale";
    {
        DdeConversation conversation(NULL, "Topic", "Svc");
        EXPECT_FALSE(conversation.request(NULL, "Item", 2000));
        EXPECT_FALSE(conversation.request(&answer, NULL, 2000));
        EXPECT_EQ(nullptr, answer);
    }
    EXPECT_EQ(0, standin::addDdeServer("Svc", "Topic").requests);
    expectAllReleased("no request");
}

// What every title goes through before it joins the display name, whatever
// its source: unpaired surrogates are replaced, since hosts and servers
// refuse a name that holds one.
#include <standin/com.h>
#include <standin/processes.h>

#include "frame/wide_text.h"
#include "players/player_status.h"
#include "plugin_fixture.h"

using testhost::widen;
using testhost::WText;

TEST(LoneSurrogates, BecomeTheReplacementCharacterAndPairsStay) {
    struct Case {
        std::u16string in, out;
    } cases[] = {
        {u"Song 😀", u"Song 😀"},
        {u"a\xD800z", u"a\xFFFDz"},
        {u"a\xDC00z", u"a\xFFFDz"},
        {u"end\xD83D", u"end\xFFFD"},
        {u"\xDE00\xD83D", u"\xFFFD\xFFFD"},   // a pair the wrong way round
        {u"\xD800\xD83D\xDE00", u"\xFFFD😀"},  // a high half before a pair
        {u"\xD83D\xDE00\xDE00", u"😀\xFFFD"},  // a low half after one
        {u"", u""},
    };
    for (const Case& c : cases) {
        std::u16string text = c.in;
        replaceLoneSurrogates(&text[0]);
        EXPECT_EQ(c.out, text);
    }
    replaceLoneSurrogates(NULL);
}

// iTunes's strings reach the name as iTunes gives them; a caption would the
// same way.
TEST_F(PluginTest, ATitleFromCOMReachesTheNameWithoutALoneSurrogate) {
    writeIni("[Main]\r\nTimer=1\r\n[Player]\r\nWinampOrder=0\r\niTunesOrder=1\r\n");
    initialize();
    standin::createWindow("iTunes", "iTunes", nullptr);
    standin::startProcess("C:\\Program Files\\iTunes\\iTunes.exe");
    standin::iTunes().title = u"Song\xD83D";
    standin::iTunes().artist =
        u"\xDE00"
        u"Band";
    uint32_t c = host().connect("MSNP8", widen("Bob"));
    host().chooseCommand();
    standin::advance(1000);
    host().deliverPendingEvents();
    EXPECT_EQ(widen("Bob/NowPlaying...Song\uFFFD - \uFFFDBand"), host().name(c));
}

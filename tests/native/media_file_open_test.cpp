// How the media-file reader opens and names a file: what the system's
// ANSI code page and a removed disk mean for it.
#include "frame/text_conversion.h"
#include "media_fixture.h"
#include "players/media_file_title.h"
#include "players/player_status.h"

using namespace media;
using testhost::widen;
using testhost::WText;

using MediaFileOpenTest = MediaTest;

// A path is in the system's ANSI code page, the one CreateFileA reads it in;
// a conversion code page that differs (the thread locale's, on NT 4) must
// not change the name a title falls back to.
TEST_F(MediaFileOpenTest, TheNameIsWidenedWithTheSystemsCodePage) {
    standin::setVersion(VER_PLATFORM_WIN32_NT, 4, 0);
    standin::setLocaleAnsiCodePageText("1252");
    standin::setAnsiCodePage(932);
    g_codePageSelector = chooseCodePage;
    ASSERT_EQ(1252u, getConversionCodePage());
    std::string path = "C:\\Music\\\x93\xFA\x96\x7B.mp3";  // 日本, in Shift-JIS
    WCHAR title[kTitleUnits];
    EXPECT_EQ(2, getTitleFromFile(title, path.c_str(), kTitleUnits));
    EXPECT_EQ(widen("日本"), WText(title));
    memset(title, 0, sizeof title);
    EXPECT_EQ(2, getTitleFromFileName(title, path.c_str(), kTitleUnits));
    EXPECT_EQ(widen("日本"), WText(title));
}

// A path on a removed CD or USB drive must not raise the system's "no
// disk" box inside the host.  The open fails critical errors in the
// thread's own mode where the system has one (7 and later), else in the
// process's, keeps the bits the host had set, and gives the mode back.
TEST_F(MediaFileOpenTest, TheOpenFailsCriticalErrorsAndGivesTheModeBack) {
    std::string path = writeMedia("t.mp3", tag(3, 0, frame23("TIT2", text(0, "S"))));
    struct Case {
        DWORD major, minor;
        bool threadMode;
    } cases[] = {{5, 1, false}, {6, 0, false}, {6, 1, true}, {10, 0, true}};
    for (const Case& c : cases) {
        std::string what = std::to_string(c.major) + "." + std::to_string(c.minor);
        standin::setVersion(VER_PLATFORM_WIN32_NT, c.major, c.minor);
        standin::setProcessErrorMode(SEM_NOGPFAULTERRORBOX);
        SetThreadErrorMode(SEM_NOOPENFILEERRORBOX, NULL);
        WCHAR title[kTitleUnits];
        EXPECT_EQ(4, getTitleFromFile(title, path.c_str(), kTitleUnits)) << what;
        EXPECT_EQ(widen("S - "), WText(title)) << what;
        standin::ErrorModes during = standin::errorModesAtLastOpen();
        if (c.threadMode) {
            EXPECT_EQ((UINT)SEM_NOGPFAULTERRORBOX, during.process) << what;
            EXPECT_EQ((DWORD)(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS),
                      during.thread)
                << what;
        } else {
            EXPECT_EQ((UINT)(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS),
                      during.process)
                << what;
        }
        standin::ErrorModes after = standin::errorModes();
        EXPECT_EQ((UINT)SEM_NOGPFAULTERRORBOX, after.process) << what;
        EXPECT_EQ((DWORD)SEM_NOOPENFILEERRORBOX, after.thread) << what;
    }
}

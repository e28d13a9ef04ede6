#include "players/media_file_title.h"

#include <dirent.h>
#include <sys/stat.h>

#include "media_fixture.h"
#include "players/id3_tags.h"
#include "players/player_status.h"

using namespace media;
using testhost::widen;
using testhost::WText;

namespace {

struct TitleCase {
    const char* what;
    std::string file;   // written as "Fallback.mp3"
    std::string title;  // UTF-8; "Fallback" when the name gave it
};

// The tagger-made fixtures and the titles they must give.
struct Fixture {
    std::string file;
    std::string codePage;
    std::string title;
};

std::vector<Fixture> readExpectedTable() {
    std::vector<Fixture> rows;
    std::ifstream in(std::string(MR_SOURCE_DIR) + "/tests/media/expected.tsv");
    std::string line;
    std::getline(in, line);  // the column names
    while (std::getline(in, line)) {
        size_t a = line.find('\t'), b = line.find('\t', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        rows.push_back(
            {line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)});
    }
    return rows;
}

int openFiles() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) n++;
        closedir(d);
    }
    return n;
}

}  // namespace

class MediaFileTitleTest : public MediaTest {
protected:
    // Each case's file, read as the player's file, gives its title and says
    // its length.
    void expectTitles(const std::vector<TitleCase>& cases) {
        for (const TitleCase& c : cases) {
            std::string path = writeMedia("Fallback.mp3", c.file);
            WCHAR title[kTitleUnits];
            int32_t n = getTitleFromFile(title, path.c_str(), kTitleUnits);
            EXPECT_EQ(widen(c.title), WText(title)) << c.what;
            EXPECT_EQ((int32_t)widen(c.title).size(), n) << c.what;
        }
    }
};

TEST_F(MediaFileTitleTest, EveryTaggerMadeFixtureGivesItsTitle) {
    std::vector<Fixture> rows = readExpectedTable();
    ASSERT_GE(rows.size(), 15u);
    for (const Fixture& row : rows) {
        std::vector<UINT> pages;
        if (row.codePage == "*")
            pages = {1252, 932};
        else
            pages = {(UINT)std::stoul(row.codePage)};
        for (UINT cp : pages) {
            standin::setAnsiCodePage(cp);
            std::string path =
                windowsPath(std::string(MR_SOURCE_DIR) + "/tests/media/" + row.file);
            WCHAR title[kTitleUnits];
            int32_t n = getTitleFromFile(title, path.c_str(), kTitleUnits);
            EXPECT_EQ(widen(row.title), WText(title)) << row.file << " under " << cp;
            EXPECT_EQ((int32_t)widen(row.title).size(), n) << row.file;
        }
    }
}

TEST_F(MediaFileTitleTest, HandMadeTags) {
    const std::string songBand =
        frame23("TIT2", text(0, "Song")) + frame23("TPE1", text(0, "Band"));
    const std::string v1 = tagV1("V1 Song", "V1 Band");
    std::vector<TitleCase> cases = {
        {"v2.3, encoding 0, v1 and name beside", tag(3, 0, songBand) + audio() + v1,
         "Song - Band"},
        {"a 200-byte frame before the title is skipped by its size",
         tag(3, 0, frame23("PRIV", std::string(200, 'T')) + songBand), "Song - Band"},
        {"title only", tag(3, 0, frame23("TIT2", text(0, "Song"))), "Song - "},
        {"artist only", tag(3, 0, frame23("TPE1", text(0, "Band"))), " - Band"},
        {"trailing blanks to the frame's end go",
         tag(3, 0, frame23("TIT2", text(0, "Song  "))), "Song - "},
        {"blanks before a terminator stay",
         tag(3, 0, frame23("TIT2", text(0, std::string("Song  \0", 7)))), "Song   - "},
        {"a frame of the encoding byte alone keeps the earlier text",
         tag(3, 0, frame23("TIT2", text(0, "Song")) + frame23("TIT2", text(0, ""))),
         "Song - "},
        {"a later frame replaces an earlier one",
         tag(3, 0, frame23("TIT2", text(0, "Old")) + frame23("TIT2", text(0, "New"))),
         "New - "},
        {"a frame past the declared end is not read",
         tag(3, 0, frame23("TPE1", text(0, "Band")) + frame23("TIT2", text(0, "Song")),
             15),
         " - Band"},
        {"zero-size frames are stepped over",
         tag(3, 0, frame23("TALB", "") + frame23("TXXX", "") + songBand), "Song - Band"},
        {"padding ends the walk", tag(3, 0, std::string(20, '\0') + songBand),
         "Fallback"},

        // Nothing found means nothing found: the next source is asked.
        {"a v2 tag with neither text gives way to v1",
         tag(4, 0, frame24("TALB", text(0, "Album"))) + audio() + v1,
         "V1 Song - V1 Band"},
        {"v2 texts that are only blanks count as none",
         tag(3, 0, frame23("TIT2", text(0, "   "))) + audio() + v1, "V1 Song - V1 Band"},
        {"v1 with blank-padded title and zero-padded artist",
         audio() + "TAG" + std::string("Song") + std::string(26, ' ') + "Band" +
             std::string(26, '\0') + std::string(65, '\0'),
         "Song - Band"},
        {"v1 title of 30 blanks", audio() + tagV1("", "Band", ' '), " - Band"},
        {"an empty v1 tag gives way to the name", audio() + tagV1("", "", ' '),
         "Fallback"},
        {"no tag", audio(), "Fallback"},
        {"a file shorter than a tag header", "ID3", "Fallback"},

        // Layouts by version.
        {"v2.2: three-letter ids, three-byte sizes",
         tag(2, 0,
             frame22("TT2", text(0, "Song")) +
                 frame22("TP1", text(1, utf16("Bänd", false, true)))),
         "Song - Bänd"},
        {"v2.2 with its compression flag is unusable",
         tag(2, 0x40, frame22("TT2", text(0, "Song"))) + audio() + v1,
         "V1 Song - V1 Band"},
        {"v2.3 extended header (its size leaves itself out)",
         tag(3, 0x40, be32(6) + std::string(6, '\0') + songBand), "Song - Band"},
        {"v2.4 extended header (its size counts itself)",
         tag(4, 0x40, synchsafe(6) + bytes({1, 0}) + songBand), "Song - Band"},
        {"v2.4 synchsafe sizes over 127 bytes",
         tag(4, 0,
             frame24("PRIV", std::string(300, 'x')) + frame24("TIT2", text(3, "Song"))),
         "Song - "},
        {"v2.4 with plain sizes, as some writers put them",
         tag(4, 0,
             frame23("PRIV", std::string(300, 'x')) + frame23("TIT2", text(3, "Song")) +
                 std::string(64, '\0')),
         "Song - "},
        {"an unknown version is walked as v2.3", tag(5, 0, songBand), "Song - Band"},

        // Encodings.
        {"encoding 1, little-endian mark",
         tag(3, 0, frame23("TIT2", text(1, utf16("Grüße 😀", false, true)))),
         "Grüße 😀 - "},
        {"encoding 1, big-endian mark",
         tag(3, 0, frame23("TIT2", text(1, utf16("東京", true, true)))), "東京 - "},
        {"encoding 1 without a mark is little-endian",
         tag(3, 0, frame23("TIT2", text(1, utf16("Köln", false, false)))), "Köln - "},
        {"encoding 1 ends at its terminator",
         tag(3, 0,
             frame23("TIT2",
                     text(1, utf16("A", false, true) + std::string("\0\0B\0", 4)))),
         "A - "},
        {"encoding 1 with trailing blanks and an odd last byte",
         tag(3, 0, frame23("TIT2", text(1, utf16("Ab  ", false, true) + "x"))), "Ab - "},
        {"encoding 2", tag(4, 0, frame24("TPE1", text(2, utf16("Группа", true, false)))),
         " - Группа"},
        {"an unpaired surrogate becomes U+FFFD",
         tag(4, 0, frame24("TIT2", text(2, bytes({0xD8, 0x3D, 0, 'a'})))),
         "\xEF\xBF\xBD"
         "a - "},
        {"encoding 3 with a byte-order mark",
         tag(4, 0,
             frame24("TIT2", text(3,
                                  "\xEF\xBB\xBF"
                                  "Canción"))),
         "Canción - "},
        {"invalid UTF-8 is replaced, not overread",
         tag(4, 0, frame24("TIT2", text(3, "a\xE2\x82"))), "a\xEF\xBF\xBD - "},

        // Frame flags: text that cannot be read is left alone.
        {"v2.3 compressed title is skipped",
         tag(3, 0,
             frame23("TIT2", text(0, "xx"), 0x0080) + frame23("TPE1", text(0, "Band"))),
         " - Band"},
        {"v2.3 grouping byte before the text",
         tag(3, 0, frame23("TIT2", "\x07" + text(0, "Song"), 0x0020)), "Song - "},
        {"v2.4 data-length field before the text",
         tag(4, 0, frame24("TIT2", synchsafe(5) + text(0, "Song"), 0x0001)), "Song - "},
        {"v2.4 unsynchronised frame",
         tag(4, 0,
             frame24("TIT2",
                     text(1, std::string("\xFF\x00\xFE"
                                         "A\0",
                                         5)),
                     0x0002)),
         "A - "},
        {"v2.3 unsynchronised tag",
         tag(3, 0x80,
             frame23("TIT2", text(1, std::string("\xFF\x00\xFE"
                                                 "A\0",
                                                 5)))),
         "A - "},

        // Damaged tags: the walk stays in step and never reads past the file.
        {"file ends inside a frame header",
         tag(3, 0, frame23("TIT2", text(0, "Song")) + "TPE", 500), "Song - "},
        {"file ends inside the title's data",
         tag(3, 0, frame23("TIT2", text(0, "Songs")).substr(0, 13), 500), "So - "},
        {"a size past the end ends the walk",
         tag(3, 0, "TIT2" + be32(0xFFFFFFF0u) + bytes({0, 0}) + text(0, "Song")),
         "Song - "},
        {"a tag size past the end", tag(3, 0, songBand, 0x0FFFFFFF), "Song - Band"},
    };
    expectTitles(cases);
}

// Tags made as a tagger makes them: the frames assembled first, then, for
// the flag 0x80, the whole body unsynchronised (v2.2, v2.3) or each frame's
// data (v2.4).  The UTF-16 byte-order mark FF FE and a JPEG's FF D8 FF E0
// always get a 00 inserted, so a walk that counts stored bytes falls out of
// step.
TEST_F(MediaFileTitleTest, UnsynchronisedAndOddlyFlaggedTags) {
    auto u16 = [](const char* s) { return text(1, utf16(s, false, true)); };
    const std::string v23Texts =
        frame23("TIT2", u16("Song")) + frame23("TPE1", u16("Band"));
    const std::string v22Texts =
        frame22("TT2", u16("Song")) + frame22("TP1", u16("Band"));
    const std::string v1 = tagV1("V1 Song", "V1 Band");
    std::vector<TitleCase> cases = {
        {"v2.3, UTF-16 texts", tag(3, 0x80, unsynchronise(v23Texts)), "Song - Band"},
        {"v2.3, a picture before the title",
         tag(3, 0x80,
             unsynchronise(frame23("APIC", jpegPicture(false, 3000)) + v23Texts)),
         "Song - Band"},
        {"v2.2, UTF-16 texts", tag(2, 0x80, unsynchronise(v22Texts)), "Song - Band"},
        {"v2.2, a picture before the title",
         tag(2, 0x80, unsynchronise(frame22("PIC", jpegPicture(true, 3000)) + v22Texts)),
         "Song - Band"},
        {"v2.3, an extended header inside the unsynchronised body",
         tag(3, 0xC0, unsynchronise(be32(6) + std::string(6, '\0') + v23Texts)),
         "Song - Band"},
        {"v2.3, texts whose own bytes are FF 00 and FF E9 (ÿ in UTF-16, ÿé in 1252)",
         tag(3, 0x80,
             unsynchronise(frame23("TIT2", u16("ÿA")) +
                           frame23("TPE1", text(0, "\xFF\xE9t\xE9")))),
         "ÿA - ÿété"},
        {"v2.4 counts stored bytes, frame by frame",
         tag(4, 0x80,
             frame24("APIC", unsynchronise(jpegPicture(false, 3000))) +
                 frame24("TIT2", unsynchronise(u16("Song"))) +
                 frame24("TPE1", unsynchronise(u16("Band")))),
         "Song - Band"},
        {"v2.3, a 60 KB picture before the title, undone block by block",
         tag(3, 0x80,
             unsynchronise(frame23("APIC", jpegPicture(false, 60000)) + v23Texts)),
         "Song - Band"},
        {"a title behind more undone body than the reader holds is not seen",
         tag(3, 0x80,
             unsynchronise(frame23("APIC", jpegPicture(false, 70000)) + v23Texts)) +
             audio() + v1,
         "V1 Song - V1 Band"},

        // The extended-header flag with a frame where the header would be.
        {"v2.4 flag 0x40 without an extended header",
         tag(4, 0x40,
             frame24("TIT2", text(3, "Song")) + frame24("TPE1", text(3, "Band"))),
         "Song - Band"},
        {"v2.3 flag 0x40 without an extended header",
         tag(3, 0x40,
             frame23("TIT2", text(0, "Song")) + frame23("TPE1", text(0, "Band"))),
         "Song - Band"},
    };
    expectTitles(cases);
}

TEST_F(MediaFileTitleTest, FramesLargerThanTheBuffersAreCutAndTheWalkKeepsStep) {
    // 3000 bytes of title: 127 units kept; the artist after it still found.
    std::string big = tag(3, 0,
                          frame23("TIT2", text(0, std::string(3000, 'a'))) +
                              frame23("TPE1", text(0, "Band")));
    WCHAR title[kTitleUnits];
    std::string path = writeMedia("big.mp3", big);
    EXPECT_EQ(127 + 3 + 4, getTitleFromFile(title, path.c_str(), kTitleUnits));
    EXPECT_EQ(WText(127, 'a') + widen(" - Band"), WText(title));

    // A surrogate pair astride unit 127 is left out whole.
    std::string pairs = utf16(std::string(126, 'b') + "😀😀", false, true);
    path = writeMedia("pair.mp3", tag(4, 0, frame24("TIT2", text(1, pairs))));
    EXPECT_EQ(126 + 3, getTitleFromFile(title, path.c_str(), kTitleUnits));
    EXPECT_EQ(WText(126, 'b') + widen(" - "), WText(title));

    // The caller's buffer: the composed length comes back, the text is cut.
    path = writeMedia(
        "short.mp3",
        tag(3, 0, frame23("TIT2", text(0, "Song")) + frame23("TPE1", text(0, "Band"))));
    WCHAR eight[8];
    EXPECT_EQ(11, getTitleFromFile(eight, path.c_str(), 8));
    EXPECT_EQ(widen("Song - "), WText(eight));
    WCHAR three[3];
    path = writeMedia("emoji.mp3", tag(4, 0, frame24("TIT2", text(3, "a😀"))));
    EXPECT_EQ(6, getTitleFromFile(three, path.c_str(), 3));
    EXPECT_EQ(widen("a"), WText(three));
}

TEST_F(MediaFileTitleTest, CodePageTextIsWidenedWithTheConversionCodePage) {
    // Encoding 0 and v1 fields keep their bytes: Shift-JIS under 932,
    // Windows-1252 under 1252.
    std::string sjis = "\x93\xFA\x96\x7B";  // 日本
    std::string path = writeMedia(
        "cp.mp3", tag(3, 0, frame23("TIT2", text(0, sjis))) + audio() + tagV1("", sjis));
    WCHAR title[kTitleUnits];
    standin::setAnsiCodePage(932);
    EXPECT_EQ(5, getTitleFromFile(title, path.c_str(), kTitleUnits));
    EXPECT_EQ(widen("日本 - "), WText(title));
    EXPECT_EQ(5, getTitleFromFileByID3Tagv1(title, path.c_str(), kTitleUnits));
    EXPECT_EQ(widen(" - 日本"), WText(title));
    standin::setAnsiCodePage(1252);
    getTitleFromFile(title, path.c_str(), kTitleUnits);
    EXPECT_EQ(widen("“ú–{ - "), WText(title));
}

TEST_F(MediaFileTitleTest, TheNameBetweenTheLastBackslashAndTheLastDot) {
    struct Case {
        std::string path;
        std::string name;
    } cases[] = {
        {"C:\\Music\\Band - Song.mp3", "Band - Song"},
        {"C:\\My.Music\\song.tar.gz", "song.tar"},
        {"C:\\My.Music\\no extension", "no extension"},
        {"song.mp3", "song"},
        {"C:\\Music\\.mp3", ""},
        {"C:\\Music\\", ""},
        {"", ""},
        {"C:\\" + std::string(1100, 'x') + ".mp3", ""},  // longer than any player's path
    };
    for (const Case& c : cases) {
        WCHAR dest[kTitleUnits];
        memset(dest, 'z', sizeof dest);
        EXPECT_EQ((int32_t)c.name.size(),
                  getTitleFromFileName(dest, c.path.c_str(), kTitleUnits))
            << c.path;
        EXPECT_EQ(widen(c.name), WText(dest)) << c.path;
    }
    // Under 932 the second byte of 表 is 0x5C, a backslash when read byte by byte.
    standin::setAnsiCodePage(932);
    WCHAR dest[kTitleUnits];
    EXPECT_EQ(4, getTitleFromFileName(dest, "C:\\\x95\x5C\\\x95\x5C\x8E\xA6.x.mp3",
                                      kTitleUnits));
    EXPECT_EQ(widen("表示.x"), WText(dest));
}

TEST_F(MediaFileTitleTest, AFileThatCannotBeOpenedFallsBackToItsNameAndSaysSo) {
    writeIni("[Main]\r\nLog=1\r\n");
    initialize();
    std::remove(logFile().c_str());
    std::string missing = mediaPath("Band - Song.mp3");
    WCHAR title[kTitleUnits];
    EXPECT_EQ(11, getTitleFromFile(title, missing.c_str(), kTitleUnits));
    EXPECT_EQ(widen("Band - Song"), WText(title));
    std::vector<std::string> expected = {
        "@@getTitleFromFile Start.",
        "getTitleFromFileByID3Tagv2 Exit  Reason: Don't Open " + missing + ".",
        "getTitleFromFileByID3Tagv1 Exit  Reason: Don't Open " + missing + ".",
        "#getTitleFromFile End."};
    EXPECT_EQ(expected, logLines());

    // A device is no media file: reading one could wait for ever.
    EXPECT_EQ(4, getTitleFromFile(title, "\\dev\\null", kTitleUnits));
    EXPECT_EQ("getTitleFromFileByID3Tagv2 Exit  Reason: Don't Open \\dev\\null.",
              logLines()[5]);

    // A folder is no file either.
    mkdir((folder_ + "/A Folder.mp3").c_str(), 0755);
    EXPECT_EQ(8, getTitleFromFile(title, mediaPath("A Folder.mp3").c_str(), kTitleUnits));
    EXPECT_EQ(widen("A Folder"), WText(title));
}

TEST_F(MediaFileTitleTest, EveryCallClosesWhatItOpened) {
    std::string tagged = writeMedia("t.mp3", tag(3, 0, frame23("TIT2", text(0, "S"))));
    std::string v1 = writeMedia("v.mp3", audio() + tagV1("S", "B"));
    std::string none = writeMedia("n.mp3", audio());
    int before = openFiles();
    WCHAR title[kTitleUnits];
    for (int i = 0; i < 50; i++) {
        getTitleFromFile(title, tagged.c_str(), kTitleUnits);
        getTitleFromFile(title, v1.c_str(), kTitleUnits);
        getTitleFromFile(title, none.c_str(), kTitleUnits);
        getTitleFromFile(title, "\\dev\\null", kTitleUnits);  // opened, but no disk file
    }
    EXPECT_EQ(before, openFiles());
}

// The reader reads the tag in windows of a few KB and passes over every
// other frame by offset, so a cover picture of any size, and any padding,
// costs a read or two and never more than 16 KB.
TEST_F(MediaFileTitleTest, ReadsAFewBlocksWhateverThePictureOrPadding) {
    struct Counted {
        MemoryBlock block;
        uint64_t bytes;
        int reads;
        static uint32_t read(void* c, uint64_t offset, uint8_t* out, uint32_t n) {
            Counted* self = (Counted*)c;
            MediaBytes inner = memoryBytes(&self->block);
            uint32_t got = inner.read(inner.context, offset, out, n);
            self->bytes += got;
            self->reads++;
            return got;
        }
    };
    const std::string texts =
        frame24("TIT2", text(3, "Song")) + frame24("TPE1", text(3, "Band"));
    auto picture = [](size_t bytes) {
        return frame24("APIC", text(0, "image/jpeg") + std::string(bytes, '\x5A'));
    };
    struct Case {
        const char* what;
        std::string file;
        int reads;
    } cases[] = {
        {"a 4 MB picture before the texts, 1 MB of padding",
         tag(4, 0, picture(4 << 20) + texts + std::string(1 << 20, '\0')) + audio(), 2},
        {"the texts before a 4 MB picture and 1 MB of padding",
         tag(4, 0, texts + picture(4 << 20) + std::string(1 << 20, '\0')) + audio(), 2},
        {"texts, 200 small frames and padding in the first window",
         tag(3, 0,
             frame23("TIT2", text(0, "Song")) + frame23("TPE1", text(0, "Band")) +
                 std::string(200 * 10, '\0') + std::string(1 << 16, '\0')),
         1},
        {"three pictures before the texts",
         tag(4, 0, picture(20000) + picture(30000) + picture(40000) + texts), 4},
        {"a picture the size plain and synchsafe readings disagree on",
         tag(4, 0,
             frame23("APIC", std::string(20000, 'x')) + frame23("TIT2", text(3, "Song")) +
                 frame23("TPE1", text(3, "Band"))),
         4},
    };
    for (const Case& c : cases) {
        Counted counted = {{(const uint8_t*)c.file.data(), c.file.size()}, 0, 0};
        MediaBytes in = {Counted::read, &counted, c.file.size()};
        WCHAR title[kTitleUnits];
        EXPECT_EQ(11, readID3v2Title(&in, title, kTitleUnits, 1252)) << c.what;
        EXPECT_EQ(widen("Song - Band"), WText(title)) << c.what;
        EXPECT_EQ(c.reads, counted.reads) << c.what;
        EXPECT_LE(counted.bytes, 16384u) << c.what;
    }

    // More pictures than the budget reaches: what lies past it is not seen,
    // and nothing more is read.
    std::string many;
    for (int i = 0; i < 8; i++) many += picture(10000);
    std::string file = tag(4, 0, many + texts);
    Counted counted = {{(const uint8_t*)file.data(), file.size()}, 0, 0};
    MediaBytes in = {Counted::read, &counted, file.size()};
    WCHAR title[kTitleUnits];
    EXPECT_EQ(0, readID3v2Title(&in, title, kTitleUnits, 1252));
    EXPECT_LE(counted.bytes, 16384u);

    // A tag of endless empty frames is given up within the budget too.
    std::string empty;
    for (int i = 0; i < 20000; i++) empty += "TXXX" + std::string(6, '\0');
    file = tag(3, 0, empty + frame23("TIT2", text(0, "Song")));
    counted = {{(const uint8_t*)file.data(), file.size()}, 0, 0};
    EXPECT_EQ(0, readID3v2Title(&in, title, kTitleUnits, 1252));
    EXPECT_LE(counted.bytes, 16384u);
}

// Frames that straddle the end of a window are read whole from the next.
TEST_F(MediaFileTitleTest, FramesAstrideAWindowsEnd) {
    // The first window holds the file's first 4096 bytes; a PRIV frame of
    // n bytes puts the title's header at 20 + n.
    for (uint32_t n : {4060u, 4066u, 4070u, 4076u, 4080u, 5000u}) {
        std::string file = tag(3, 0,
                               frame23("PRIV", std::string(n, 'p')) +
                                   frame23("TIT2", text(0, std::string(200, 's'))) +
                                   frame23("TPE1", text(0, "Band")));
        std::string path = writeMedia("edge.mp3", file);
        WCHAR title[kTitleUnits];
        getTitleFromFile(title, path.c_str(), kTitleUnits);
        EXPECT_EQ(WText(127, 's') + widen(" - Band"), WText(title)) << n;
    }
}

TEST_F(MediaFileTitleTest, RtrimAndSynchsafeIntegers) {
    struct Case {
        std::string source;
        int32_t width;
        int32_t result;
        std::string trimmed;
    } cases[] = {
        {"AB", 5, 5, "AB"},
        {"Song  ", 6, 4, "Song"},
        {std::string("Song  \0\0", 8), 8, 8, "Song  "},
        {"      ", 6, -1, ""},
        {"Songs", 3, 3, "Son"},
    };
    for (const Case& c : cases) {
        char dest[16];
        memset(dest, 'z', sizeof dest);
        EXPECT_EQ(c.result, rtrim(dest, c.source.c_str(), c.width)) << c.source;
        EXPECT_EQ(c.trimmed, std::string(dest)) << c.source;
    }
    char untouched[4] = "abc";
    EXPECT_EQ(-1, rtrim(untouched, "xyz", 0));
    EXPECT_STREQ("abc", untouched);

    const uint8_t b257[] = {0, 0, 2, 1}, max[] = {0x7F, 0x7F, 0x7F, 0x7F},
                  high[] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(257u, getSynchsafeInt(b257));
    EXPECT_EQ(268435455u, getSynchsafeInt(max));
    EXPECT_EQ(268435455u, getSynchsafeInt(high));
}

// Title and artist from a corpus of MP3 files with large cover pictures:
// our reader against two yardsticks on the same files, side by side: the
// least a reader can do (the C library's buffered file with a 4 KB buffer,
// frame headers read through it, every other frame passed over with fseek)
// and TagLib.
//
//   title_bench <corpus folder> [Google Benchmark flags]
//
// Each benchmark reads every file of the corpus once per iteration and
// reports the time per file and the bytes read from the operating system
// per file (the process's read counter, /proc/self/io rchar).  The summary
// at the end gives the ratios and the most bytes any one file cost, and
// checks that all three gave the same texts.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "frame/wide_text.h"
#include "players/media_file_title.h"
#include "players/player_status.h"

namespace {

std::vector<std::string> g_files;

struct Totals {
    double seconds = 0;
    double files = 0;
    double bytes = 0;
};
Totals g_ours, g_seek, g_taglib;

unsigned long long readCounter() {
    FILE* f = fopen("/proc/self/io", "r");
    unsigned long long rchar = 0;
    if (f) {
        if (fscanf(f, "rchar: %llu", &rchar) != 1) rchar = 0;
        fclose(f);
    }
    return rchar;
}

std::u16string ourTitle(const std::string& path) {
    WCHAR title[kTitleUnits];
    getTitleFromFile(title, path.c_str(), kTitleUnits);
    return std::u16string(title);
}

// The yardstick's text decoding: enough for what the corpus holds.
std::u16string decodeText(const unsigned char* d, size_t n) {
    std::u16string out;
    if (n < 1) return out;
    unsigned char encoding = d[0];
    d++, n--;
    if (encoding == 1 || encoding == 2) {
        bool big = encoding == 2;
        if (n >= 2 &&
            ((d[0] == 0xFF && d[1] == 0xFE) || (d[0] == 0xFE && d[1] == 0xFF))) {
            big = d[0] == 0xFE;
            d += 2, n -= 2;
        }
        for (size_t i = 0; i + 1 < n; i += 2) {
            char16_t u =
                big ? (char16_t)(d[i] << 8 | d[i + 1]) : (char16_t)(d[i + 1] << 8 | d[i]);
            if (!u) break;
            out += u;
        }
    } else if (encoding == 3) {
        for (size_t i = 0; i < n && d[i];) {
            unsigned c = d[i];
            int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
            c &= more ? 0x3F >> more : 0x7F;
            for (i++; more-- && i < n; i++) c = c << 6 | (d[i] & 0x3F);
            if (c >= 0x10000)
                out += (char16_t)(0xD800 + ((c - 0x10000) >> 10)),
                    out += (char16_t)(0xDC00 + (c & 0x3FF));
            else
                out += (char16_t)c;
        }
    } else {
        for (size_t i = 0; i < n && d[i]; i++) out += (char16_t)d[i];
    }
    while (!out.empty() && out.back() == u' ') out.pop_back();
    return out;
}

uint32_t synchsafe(const unsigned char* b) {
    return (uint32_t)(b[0] & 0x7F) << 21 | (b[1] & 0x7F) << 14 | (b[2] & 0x7F) << 7 |
           (b[3] & 0x7F);
}

// The minimal buffered seek reader: the walk of the tag and nothing else.
std::u16string seekTitle(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return u"";
    static char buffer[4096];
    setvbuf(f, buffer, _IOFBF, sizeof buffer);
    std::u16string title, artist;
    unsigned char h[10];
    if (fread(h, 1, 10, f) == 10 && memcmp(h, "ID3", 3) == 0) {
        bool v24 = h[3] == 4;
        uint64_t end = 10 + (uint64_t)synchsafe(h + 6), at = 10;
        while (at + 10 <= end) {
            unsigned char fh[10];
            if (fread(fh, 1, 10, f) != 10 || fh[0] == 0) break;
            uint32_t size =
                v24 ? synchsafe(fh + 4)
                    : (uint32_t)fh[4] << 24 | fh[5] << 16 | fh[6] << 8 | fh[7];
            at += 10 + (uint64_t)size;
            bool isTitle = memcmp(fh, "TIT2", 4) == 0,
                 isArtist = memcmp(fh, "TPE1", 4) == 0;
            if (isTitle || isArtist) {
                unsigned char d[1024];
                size_t n = fread(d, 1, size < sizeof d ? size : sizeof d, f);
                (isTitle ? title : artist) = decodeText(d, n);
                if (size > n) fseek(f, (long)(size - n), SEEK_CUR);
            } else if (fseek(f, (long)size, SEEK_CUR) != 0) {
                break;
            }
        }
    }
    fclose(f);
    if (title.empty() && artist.empty()) return u"";
    return title + u" - " + artist;
}

std::u16string taglibTitle(const std::string& path) {
    TagLib::MPEG::File file(path.c_str(), false);
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    if (!tag) return u"";
    TagLib::String text = tag->title() + " - " + tag->artist();
    std::u16string out;
    for (wchar_t c : text.toWString()) out += (char16_t)c;
    return out;
}

template <std::u16string (*Read)(const std::string&)>
void readCorpus(benchmark::State& state, Totals* totals) {
    for (auto _ : state) {
        unsigned long long before = readCounter();
        auto start = std::chrono::steady_clock::now();
        for (const std::string& path : g_files) benchmark::DoNotOptimize(Read(path));
        auto end = std::chrono::steady_clock::now();
        totals->seconds += std::chrono::duration<double>(end - start).count();
        totals->files += (double)g_files.size();
        totals->bytes += (double)(readCounter() - before);
    }
    state.counters["per_file"] = benchmark::Counter(
        (double)g_files.size(),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["bytes_read_per_file"] = totals->bytes / totals->files;
}

void BM_MelodyRibbon(benchmark::State& state) {
    readCorpus<ourTitle>(state, &g_ours);
}
void BM_SeekReader(benchmark::State& state) {
    readCorpus<seekTitle>(state, &g_seek);
}
void BM_TagLib(benchmark::State& state) {
    readCorpus<taglibTitle>(state, &g_taglib);
}
BENCHMARK(BM_MelodyRibbon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SeekReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TagLib)->Unit(benchmark::kMillisecond);

double cpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + 1e-9 * (double)t.tv_nsec;
}

// Microseconds per file, the median of `rounds` passes over the corpus,
// the three readers taking turns so that a change in the machine's load
// falls on all of them alike.  Each timed pass follows an untimed one of
// the same reader: TagLib's passes copy hundreds of MB and would leave the
// next reader cold caches.  CPU time (user and system, the reads included)
// is the figure: on a shared machine the wall clock also counts the time
// other work held the processor.
struct PerFile {
    double cpuUs[3], wallUs[3];
};
PerFile timeInTurns(int rounds) {
    typedef std::u16string (*Reader)(const std::string&);
    static const Reader kReaders[3] = {ourTitle, seekTitle, taglibTitle};
    std::vector<double> cpu[3], wall[3];
    for (int r = 0; r < rounds; r++) {
        for (int k = 0; k < 3; k++) {
            for (const std::string& path : g_files)
                benchmark::DoNotOptimize(kReaders[k](path));
            double c0 = cpuSeconds();
            auto w0 = std::chrono::steady_clock::now();
            for (const std::string& path : g_files)
                benchmark::DoNotOptimize(kReaders[k](path));
            auto w1 = std::chrono::steady_clock::now();
            cpu[k].push_back(1e6 * (cpuSeconds() - c0) / (double)g_files.size());
            wall[k].push_back(1e6 * std::chrono::duration<double>(w1 - w0).count() /
                              (double)g_files.size());
        }
    }
    PerFile out;
    for (int k = 0; k < 3; k++) {
        std::sort(cpu[k].begin(), cpu[k].end());
        std::sort(wall[k].begin(), wall[k].end());
        out.cpuUs[k] = cpu[k][cpu[k].size() / 2];
        out.wallUs[k] = wall[k][wall[k].size() / 2];
    }
    return out;
}

// The most bytes one file cost: each file read alone between two looks at
// the counter, less what a look itself adds to it.
template <std::u16string (*Read)(const std::string&)>
double mostBytesPerFile() {
    unsigned long long a = readCounter(), b = readCounter();
    unsigned long long look = b - a, most = 0;
    for (const std::string& path : g_files) {
        unsigned long long before = readCounter();
        benchmark::DoNotOptimize(Read(path));
        unsigned long long cost = readCounter() - before - look;
        if (cost > most) most = cost;
    }
    return (double)most;
}

// The figures as the performance report shows them.
void writeMarkdown(const char* path, const PerFile& t, const double* bytes,
                   const double* most, int differ) {
    FILE* f = fopen(path, "w");
    if (!f) return;
    const char* names[3] = {"MelodyRibbon", "minimal buffered seek reader", "TagLib"};
    fprintf(f,
            "| reader | CPU µs per file | wall µs per file | bytes read per file | "
            "most bytes for one file |\n|---|---:|---:|---:|---:|\n");
    for (int k = 0; k < 3; k++)
        fprintf(f, "| %s | %.1f | %.1f | %.0f | %.0f |\n", names[k], t.cpuUs[k],
                t.wallUs[k], bytes[k], most[k]);
    double bySeek = t.cpuUs[0] / t.cpuUs[1], byTaglib = t.cpuUs[2] / t.cpuUs[0];
    fprintf(f, "\nTitles that differ from ours: %d.\n\n", differ);
    fprintf(
        f,
        "- time per file against the minimal seek reader: **%.2fx** (goal at most 1.25x: "
        "**%s**)\n",
        bySeek, bySeek <= 1.25 ? "met" : "not met");
    fprintf(f, "- faster than TagLib: **%.1fx** (goal at least 10x: **%s**)\n", byTaglib,
            byTaglib >= 10 ? "met" : "not met");
    fprintf(
        f,
        "- most bytes read from the system for one file: **%.0f** (goal at most 16384: "
        "**%s**)\n",
        most[0], most[0] <= 16384 ? "met" : "not met");
    fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s <corpus folder> [benchmark flags]\n", argv[0]);
        return 2;
    }
    std::string folder = argv[1];
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() > 4 && name.substr(name.size() - 4) == ".mp3")
                g_files.push_back(folder + "/" + name);
        }
        closedir(d);
    }
    std::sort(g_files.begin(), g_files.end());
    if (g_files.empty()) {
        fprintf(stderr, "no .mp3 files in %s\n", folder.c_str());
        return 2;
    }
    int differ = 0, differSeek = 0;
    for (const std::string& path : g_files) {
        std::u16string ours = ourTitle(path);
        if (ours != taglibTitle(path)) differ++;
        if (ours != seekTitle(path)) differSeek++;
    }

    // Google Benchmark takes the flags after the folder.
    int benchArgc = argc - 1;
    char** benchArgv = argv + 1;
    benchArgv[0] = argv[0];
    benchmark::Initialize(&benchArgc, benchArgv);
    benchmark::RunSpecifiedBenchmarks();

    PerFile t = timeInTurns(25);
    double oursBytes = g_ours.bytes / g_ours.files,
           seekBytes = g_seek.bytes / g_seek.files,
           taglibBytes = g_taglib.bytes / g_taglib.files;
    double oursMost = mostBytesPerFile<ourTitle>(),
           seekMost = mostBytesPerFile<seekTitle>(),
           taglibMost = mostBytesPerFile<taglibTitle>();
    printf(
        "\ncorpus: %zu files; titles that differ from ours: TagLib %d, seek reader %d\n",
        g_files.size(), differ, differSeek);
    printf("per file, median of 25 rounds taken in turns:\n");
    printf("%-14s %12s %12s %16s %16s\n", "", "CPU us", "wall us", "bytes read",
           "most bytes");
    const char* names[3] = {"MelodyRibbon", "seek reader", "TagLib"};
    double bytes[3] = {oursBytes, seekBytes, taglibBytes},
           most[3] = {oursMost, seekMost, taglibMost};
    for (int k = 0; k < 3; k++)
        printf("%-14s %12.1f %12.1f %16.0f %16.0f\n", names[k], t.cpuUs[k], t.wallUs[k],
               bytes[k], most[k]);
    printf("time against the seek reader: %.2fx CPU, %.2fx wall (goal at most 1.25x)\n",
           t.cpuUs[0] / t.cpuUs[1], t.wallUs[0] / t.wallUs[1]);
    printf(
        "faster than TagLib: %.1fx CPU, %.1fx wall (goal at least 10x); %.0fx fewer "
        "bytes\n",
        t.cpuUs[2] / t.cpuUs[0], t.wallUs[2] / t.wallUs[0], taglibBytes / oursBytes);
    printf("most bytes read for one file: %.0f (goal at most 16384)\n", oursMost);
    if (const char* markdown = getenv("MR_BENCH_MARKDOWN"))
        writeMarkdown(markdown, t, bytes, most, differ + differSeek);
    return differ == 0 && differSeek == 0 ? 0 : 1;
}

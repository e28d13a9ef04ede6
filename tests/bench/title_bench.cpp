// Title and artist from a corpus of MP3 files with large cover pictures:
// our reader against TagLib on the same files, side by side.
//
//   title_bench <corpus folder> [Google Benchmark flags]
//
// Each benchmark reads every file of the corpus once per iteration and
// reports the time per file and the bytes read from the operating system
// per file (the process's read counter, /proc/self/io rchar).  The summary
// at the end gives the ratios, and checks that both gave the same texts.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <stdio.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

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
Totals g_ours, g_taglib;

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
void BM_TagLib(benchmark::State& state) {
    readCorpus<taglibTitle>(state, &g_taglib);
}
BENCHMARK(BM_MelodyRibbon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TagLib)->Unit(benchmark::kMillisecond);

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
    int differ = 0;
    for (const std::string& path : g_files)
        if (ourTitle(path) != taglibTitle(path)) differ++;

    // Google Benchmark takes the flags after the folder.
    int benchArgc = argc - 1;
    char** benchArgv = argv + 1;
    benchArgv[0] = argv[0];
    benchmark::Initialize(&benchArgc, benchArgv);
    benchmark::RunSpecifiedBenchmarks();

    double oursUs = 1e6 * g_ours.seconds / g_ours.files;
    double taglibUs = 1e6 * g_taglib.seconds / g_taglib.files;
    double oursBytes = g_ours.bytes / g_ours.files,
           taglibBytes = g_taglib.bytes / g_taglib.files;
    printf("\ncorpus: %zu files; titles that differ between the two: %d\n",
           g_files.size(), differ);
    printf("MelodyRibbon: %10.1f us per file, %12.0f bytes read per file\n", oursUs,
           oursBytes);
    printf("TagLib:       %10.1f us per file, %12.0f bytes read per file\n", taglibUs,
           taglibBytes);
    printf("ratio: %.1fx faster, %.0fx fewer bytes read\n", taglibUs / oursUs,
           taglibBytes / oursBytes);
    return differ == 0 ? 0 : 1;
}

// Files per second for `ornatex check` (one thread and one per core) over a
// tree of 2000 small TGA, SGI and TIFF files, some of which the library
// refuses, beside ImageMagick's identify over the same files, a loop that
// only reads every file, and a memcpy of all their bytes, in the same run.
// BM_check_vs_identify runs the two commands in turn, three rounds, and
// reports the best time of each and their ratio: on a loaded machine the
// ratio of interleaved runs is the figure that holds.
//
// Run from the build folder:
//   nice ./bench/check_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int folders = 20;
constexpr int filesPerFolder = 100;
constexpr int fileCount = folders * filesPerFolder;
const char* const identify = "/usr/bin/identify";

// Small samples: four the library loads (SGI run-length and verbatim,
// palette TIFF, TGA) and three it refuses (RLE TGA, 16-bit TGA, deflate TIFF).
const char* const samples[] = {
    "kimageformats-rgb-gimp-2.8.10-rle.rgb", "kimageformats-rgb-gimp-2.8.10-uncompressed.rgb",
    "tiffcp-hopper-palette-r8.tif",          "pillow-200x32_rgba_bl_raw.tga",
    "pillow-200x32_rgb_tl_raw.tga",          "pillow-rgba16.tga",
    "goimage-video-001-paletted.tiff",
};

struct Tree {
    fs::path root;
    std::vector<std::string> files;
    std::size_t bytes = 0;

    Tree() {
        root = fs::temp_directory_path() / "ornatex-check-bench";
        fs::remove_all(root);
        for (int d = 0; d < folders; ++d) {
            const fs::path dir = root / ("set" + std::to_string(d));
            fs::create_directories(dir);
            for (int f = 0; f < filesPerFolder; ++f) {
                const char* sample = samples[(d * filesPerFolder + f) % std::size(samples)];
                const fs::path to = dir / (std::to_string(f) + "-" + sample);
                fs::copy_file(fs::path(SAMPLE_DATA) / sample, to);
                files.push_back(to.string());
                bytes += fs::file_size(to);
            }
        }
    }
    ~Tree() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

const Tree& tree() {
    static const Tree t;
    return t;
}

void countFiles(benchmark::State& state) {
    state.counters["files_per_s"] = benchmark::Counter(double(state.iterations()) * fileCount, benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(tree().bytes));
}

void run(benchmark::State& state, const std::string& command) {
    for (auto _ : state)
        if (std::system(command.c_str()) == -1) state.SkipWithError("cannot run the command");
    countFiles(state);
}

std::string checkCommand(int jobs) {
    // Exit status 1 (files refused) is expected; the summary is discarded.
    return std::string(ORNATEX_TOOL) + " check -j " + std::to_string(jobs) + " " + tree().root.string() +
           " >/dev/null 2>&1";
}

// identify decodes each file whole; find hands it as many names per call as
// fit on a command line.
std::string identifyCommand() {
    return "cd " + tree().root.string() + " && find . -type f -exec " + identify + " {} + >/dev/null 2>&1";
}

void BM_ornatex_check(benchmark::State& state) {
    run(state, checkCommand(int(state.range(0))));
}

void BM_identify(benchmark::State& state) {
    if (!fs::exists(identify)) {
        state.SkipWithError("ImageMagick's identify is not installed");
        return;
    }
    run(state, identifyCommand());
}

double secondsToRun(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) == -1) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// check (one thread a core) and identify in turn, best of three rounds each;
// "check_speedup" is identify's best time over check's.
void BM_check_vs_identify(benchmark::State& state) {
    if (!fs::exists(identify)) {
        state.SkipWithError("ImageMagick's identify is not installed");
        return;
    }
    const std::string check = checkCommand(int(state.range(0))), reference = identifyCommand();
    double bestCheck = 1e30, bestIdentify = 1e30;
    for (auto _ : state) {
        for (int round = 0; round < 3; ++round) {
            const double c = secondsToRun(check), i = secondsToRun(reference);
            if (c < 0 || i < 0) {
                state.SkipWithError("cannot run the command");
                return;
            }
            bestCheck = std::min(bestCheck, c);
            bestIdentify = std::min(bestIdentify, i);
        }
    }
    state.counters["check_ms"] = bestCheck * 1e3;
    state.counters["identify_ms"] = bestIdentify * 1e3;
    state.counters["check_speedup"] = bestIdentify / bestCheck;
}

// The floor for any checker: reading every file once, in this process.
void BM_read_every_file(benchmark::State& state) {
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::size_t total = 0;
        for (const std::string& path : tree().files) {
            std::FILE* f = std::fopen(path.c_str(), "rb");
            if (!f) continue;
            total += std::fread(buffer.data(), 1, buffer.size(), f);
            std::fclose(f);
        }
        benchmark::DoNotOptimize(total);
    }
    countFiles(state);
}

void BM_memcpy_all_bytes(benchmark::State& state) {
    std::vector<char> from(tree().bytes, 1), to(tree().bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    countFiles(state);
}

const int cores = int(std::max(1u, std::thread::hardware_concurrency()));

BENCHMARK(BM_ornatex_check)->Arg(1)->Arg(cores)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_identify)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_check_vs_identify)->Arg(cores)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_read_every_file)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_all_bytes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Converting a 4096 x 4096 picture to the engine's TGA: in this process
// (encode, write to a temporary file, read back through the decoder and
// compare, rename), the import step alone (read and decode each input), as
// the whole `ornatex convert` program, and with
// ImageMagick's convert (Q16) on the same input files, beside a memcpy of
// the output's bytes. Inputs: TGA and run-length SGI (which the library
// reads), and PNG, LZW TIFF and run-length TGA (made by ImageMagick), which
// the tool reads through its import step (libpng, libtiff, stb_image).
//
// The machine is shared: real time and the children's CPU time (cpu_s) are
// both given, and the closing lines print ImageMagick's time over the
// tool's for each input, measured in this run.
//
// Run from the build folder:
//   nice ./bench/convert_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/wait.h>
#endif

#include <ornatex/decode.h>

#include "ImageImport.h"
#include "ImageWriter.h"

namespace {

namespace fs = std::filesystem;

constexpr int side = 4096;
const char* const imageMagick = "/usr/bin/convert";

// A photograph-like picture: smooth gradients with a little noise, every
// pixel opaque (so the TGA is 24-bit), bottom row first.
std::vector<unsigned char> makePicture() {
    std::vector<unsigned char> pixels(std::size_t(side) * side * 3);
    unsigned noise = 12345;
    std::size_t k = 0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int n = int((noise >> 16) & 7);
            pixels[k++] = static_cast<unsigned char>((x / 16 + n) & 0xff);
            pixels[k++] = static_cast<unsigned char>((y / 16 + n) & 0xff);
            pixels[k++] = static_cast<unsigned char>(((x + y) / 32 + n) & 0xff);
        }
    return pixels;
}

struct Inputs {
    fs::path dir;
    std::vector<unsigned char> pixels = makePicture();
    tool::PixelView view{side, side, 3, pixels.data()};
    std::map<std::string, std::string> files;  // input kind -> path

    Inputs() {
        dir = fs::temp_directory_path() / "ornatex-convert-bench";
        fs::remove_all(dir);
        fs::create_directories(dir);
        write("tga", "in.tga", tool::OutputKind::tga);
        write("sgi-rle", "in.sgi", tool::OutputKind::sgi);
        write("png", "in.png", tool::OutputKind::png);
        if (fs::exists(imageMagick)) {
            make("tiff-lzw", "in-lzw.tif", "-compress LZW");
            make("tga-rle", "in-rle.tga", "-compress RLE");
        }
    }
    ~Inputs() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    void write(const char* kind, const char* name, tool::OutputKind format) {
        const std::string path = (dir / name).string();
        if (tool::writeImage(view, path, format).empty()) files[kind] = path;
    }
    void make(const char* kind, const char* name, const char* options) {
        const std::string path = (dir / name).string();
        const std::string command = std::string(imageMagick) + " " + files["tga"] + " " + options + " " + path;
        if (std::system(command.c_str()) == 0) files[kind] = path;
    }
    std::string out(const char* name) const { return (dir / name).string(); }
};

const Inputs& inputs() {
    static const Inputs in;
    return in;
}

void countPixels(benchmark::State& state) {
    state.SetItemsProcessed(int64_t(state.iterations()) * side * side);
    state.SetBytesProcessed(int64_t(state.iterations()) * side * side * 3);
}

// The writer alone: encode, write, read back, compare, rename.
void BM_write_tga_in_process(benchmark::State& state) {
    const std::string out = inputs().out("inprocess.tga");
    for (auto _ : state) {
        const std::string error = tool::writeImage(inputs().view, out, tool::OutputKind::tga);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    countPixels(state);
}

// Reading the input through the library, then the writer.
void BM_convert_in_process(benchmark::State& state, const char* kind) {
    const auto found = inputs().files.find(kind);
    if (found == inputs().files.end()) return state.SkipWithError("no input file");
    const std::string out = inputs().out("inprocess-converted.tga");
    for (auto _ : state) {
        const ornatex::Image image = ornatex::decodeFile(found->second.c_str());
        if (!image.ok()) return state.SkipWithError(image.error().c_str());
        const tool::PixelView view{image.width(), image.height(), image.format() == texRGBA ? 4 : 3,
                                   image.pixels()};
        const std::string error = tool::writeImage(view, out, tool::OutputKind::tga);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    countPixels(state);
}

// The import step alone (reading the file and decoding it through our
// decoders, libtiff, libpng or stb_image): the part of a conversion that
// the writer does not add.
void BM_import_in_process(benchmark::State& state, const char* kind) {
    const auto found = inputs().files.find(kind);
    if (found == inputs().files.end()) return state.SkipWithError("no input file");
    for (auto _ : state) {
        const tool::ImportedImage image = tool::importFile(found->second);
        if (!image.ok()) return state.SkipWithError(image.error.c_str());
        benchmark::DoNotOptimize(image.pixels.data());
    }
    countPixels(state);
}

double childrenCpuSeconds() {
#if defined(_WIN32)
    return 0;
#else
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

// Runs a program per iteration; a failure skips the row with its first line.
void runCommand(benchmark::State& state, const std::string& command) {
    const std::string errors = inputs().out("stderr.txt");
    const double cpuBefore = childrenCpuSeconds();
    for (auto _ : state) {
        const int status = std::system((command + " 2>" + errors).c_str());
        if (status != 0) {
            std::string reason = "exit status " + std::to_string(status);
            if (std::FILE* f = std::fopen(errors.c_str(), "r")) {
                char line[512] = {};
                if (std::fgets(line, sizeof line, f)) reason = line;
                std::fclose(f);
            }
            if (!reason.empty() && reason.back() == '\n') reason.pop_back();
            return state.SkipWithError(reason.c_str());
        }
    }
    state.counters["cpu_s"] = benchmark::Counter((childrenCpuSeconds() - cpuBefore) / double(state.iterations()));
    countPixels(state);
}

void BM_ornatex_convert(benchmark::State& state, const char* kind) {
    const auto found = inputs().files.find(kind);
    if (found == inputs().files.end()) return state.SkipWithError("no input file (ImageMagick makes it)");
    runCommand(state, std::string(ORNATEX_TOOL) + " convert " + found->second + " " + inputs().out("tool.tga"));
}

void BM_imagemagick_convert(benchmark::State& state, const char* kind) {
    if (!fs::exists(imageMagick)) return state.SkipWithError("ImageMagick's convert is not installed");
    const auto found = inputs().files.find(kind);
    if (found == inputs().files.end()) return state.SkipWithError("no input file");
    runCommand(state, std::string(imageMagick) + " " + found->second + " " + inputs().out("imagemagick.tga"));
}

// The floor: copying the output's pixel bytes once.
void BM_memcpy_output_bytes(benchmark::State& state) {
    std::vector<unsigned char> to(inputs().pixels.size());
    for (auto _ : state) {
        std::memcpy(to.data(), inputs().pixels.data(), to.size());
        benchmark::ClobberMemory();
    }
    countPixels(state);
}

// Prints the table as usual, then ImageMagick's time over the tool's for
// each input that both converted.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const auto cpu = run.counters.find("cpu_s");
            times_[run.benchmark_name()] = {run.GetAdjustedRealTime(), cpu == run.counters.end() ? 0.0 : double(cpu->second)};
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* kind : {"tga", "sgi-rle", "png", "tiff-lzw", "tga-rle"}) {
            const auto ours = times_.find(std::string("ornatex_convert/") + kind + "/iterations:3/real_time");
            const auto theirs = times_.find(std::string("imagemagick_convert/") + kind + "/iterations:3/real_time");
            if (ours == times_.end() || theirs == times_.end()) {
                std::printf("%-8s to TGA: no ratio (one side did not run)\n", kind);
                continue;
            }
            std::printf("%-8s to TGA: ImageMagick / ornatex = %.1fx real time, %.1fx CPU time\n", kind,
                        theirs->second.real / ours->second.real,
                        ours->second.cpu > 0 ? theirs->second.cpu / ours->second.cpu : 0.0);
        }
    }

private:
    struct Times {
        double real, cpu;
    };
    std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("write_tga_in_process", BM_write_tga_in_process)
        ->UseRealTime()->Unit(benchmark::kMillisecond);
    for (const char* kind : {"tga", "sgi-rle"})
        benchmark::RegisterBenchmark((std::string("convert_in_process/") + kind).c_str(), BM_convert_in_process, kind)
            ->UseRealTime()->Unit(benchmark::kMillisecond);
    for (const char* kind : {"tga", "sgi-rle", "png", "tiff-lzw", "tga-rle"})
        benchmark::RegisterBenchmark((std::string("import_in_process/") + kind).c_str(), BM_import_in_process, kind)
            ->UseRealTime()->Unit(benchmark::kMillisecond);
    for (const char* kind : {"tga", "sgi-rle", "png", "tiff-lzw", "tga-rle"}) {
        benchmark::RegisterBenchmark((std::string("ornatex_convert/") + kind).c_str(), BM_ornatex_convert, kind)
            ->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("imagemagick_convert/") + kind).c_str(), BM_imagemagick_convert, kind)
            ->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("memcpy_output_bytes", BM_memcpy_output_bytes)->Unit(benchmark::kMillisecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

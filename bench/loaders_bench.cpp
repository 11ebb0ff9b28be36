// The TIFF and SGI loaders on large files, each beside a peer or reference
// and a memcpy of the output bytes, in the same run:
//  - loadTIFF on a 4096 x 4096 palette TIFF of 256 strips, beside libtiff's
//    TIFFReadRGBAImage on the same file;
//  - decodeTIFF on the same file's bytes in memory, and decodeFile on it;
//  - loadRGBA on a 2048 x 2048 run-length encoded RGB file (its dump goes to
//    standard output), beside decodeSGI on its bytes in memory;
//  - the dump's formatting (writeSgiDump) beside one printf("%u %u %u\n") a
//    line, both to standard output, for the same decoded bytes;
//  - decodeSGI from memory on RGB images of 512^2 to 4096^2 pixels, verbatim
//    and run-length encoded, beside a memcpy of the same output bytes, as
//    milliseconds per megapixel;
//  - the TGA red-blue exchange of 4096 x 4096 pixels of 3 and 4 bytes on each
//    path the processor runs (0 plain, 1 SSE2, 2 SSSE3), into warm memory,
//    beside a memcpy of the same bytes.
// The files are generated into a temporary folder at start. Standard output
// is sent to /dev/null for the whole run; the results go to the original
// standard output.
#include <benchmark/benchmark.h>

#include <corvane/kwTexture.h>
#include <ornatex/decode.h>
#include <ornatex/imageloaders/ImageLoaderRGBA.h>
#include <ornatex/imageloaders/ImageLoaderTIFF.h>
#include <tiffio.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <ornatex/imageloaders/internal/SgiDump.h>
#include <ornatex/imageloaders/internal/TextSink.h>
#include <ornatex/imageloaders/internal/TgaSwizzle.h>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::uint32_t tiffSide = 4096;
constexpr std::uint32_t tiffStrips = 256;
constexpr unsigned sgiSide = 2048;

void put(Bytes& b, std::uint32_t v, int n, bool big = false) {
    for (int k = 0; k < n; ++k) b.push_back(static_cast<unsigned char>(v >> (8 * (big ? n - 1 - k : k))));
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string tempPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

// A little-endian palette TIFF: 256 strips of 16 rows, LONG strip arrays,
// a 768-entry colour map.
const std::string& tiffPath() {
    static const std::string path = [] {
        const std::string p = tempPath("ornatex-bench-palette.tif");
        Bytes f(8, 0);
        const std::uint32_t rows = tiffSide / tiffStrips;
        std::vector<std::uint32_t> offsets;
        for (std::uint32_t s = 0; s < tiffStrips; ++s) {
            offsets.push_back(static_cast<std::uint32_t>(f.size()));
            for (std::uint32_t y = s * rows; y < (s + 1) * rows; ++y)
                for (std::uint32_t x = 0; x < tiffSide; ++x)
                    f.push_back(static_cast<unsigned char>(((x >> 3) ^ (y >> 2)) * 7 + ((x * y) >> 11)));
        }
        const auto offsetsAt = static_cast<std::uint32_t>(f.size());
        for (std::uint32_t o : offsets) put(f, o, 4);
        const auto countsAt = static_cast<std::uint32_t>(f.size());
        for (std::uint32_t s = 0; s < tiffStrips; ++s) put(f, rows * tiffSide, 4);
        const auto mapAt = static_cast<std::uint32_t>(f.size());
        for (std::uint32_t i = 0; i < 768; ++i) put(f, ((i * 2654435761u) >> 24) * 257, 2);
        const auto ifd = static_cast<std::uint32_t>(f.size());
        const std::uint32_t entries[][4] = {{256, 4, 1, tiffSide}, {257, 4, 1, tiffSide}, {258, 3, 1, 8},
                                            {259, 3, 1, 1},        {262, 3, 1, 3},        {273, 4, tiffStrips, offsetsAt},
                                            {277, 3, 1, 1},        {278, 3, 1, rows},     {279, 4, tiffStrips, countsAt},
                                            {320, 3, 768, mapAt}};
        put(f, 10, 2);
        for (const auto& e : entries) {
            put(f, e[0], 2);
            put(f, e[1], 2);
            put(f, e[2], 4);
            put(f, e[3], 4);
        }
        put(f, 0, 4);
        const Bytes head = {'I', 'I', 42, 0, static_cast<unsigned char>(ifd), static_cast<unsigned char>(ifd >> 8),
                            static_cast<unsigned char>(ifd >> 16), static_cast<unsigned char>(ifd >> 24)};
        std::copy(head.begin(), head.end(), f.begin());
        writeFile(p, f);
        return p;
    }();
    return path;
}

// Run-length encodes one scanline: repeat runs for 3 or more equal bytes,
// literal runs otherwise, at most 127 a packet.
void encodeScanline(const unsigned char* v, unsigned n, Bytes& out) {
    unsigned x = 0;
    while (x < n) {
        unsigned run = 1;
        while (x + run < n && run < 127 && v[x + run] == v[x]) ++run;
        if (run >= 3) {
            out.push_back(static_cast<unsigned char>(run));
            out.push_back(v[x]);
            x += run;
            continue;
        }
        unsigned lit = 0;
        while (x + lit < n && lit < 127) {
            if (x + lit + 2 < n && v[x + lit] == v[x + lit + 1] && v[x + lit] == v[x + lit + 2]) break;
            ++lit;
        }
        out.push_back(static_cast<unsigned char>(0x80 | lit));
        out.insert(out.end(), v + x, v + x + lit);
        x += lit;
    }
    out.push_back(0);
}

// An RGB SGI image of side x side pixels, run-length encoded or verbatim:
// flat bands (repeat runs) on the left half of each row, noise (literal
// runs) on the right half.
Bytes makeSgi(unsigned side, bool rle) {
    const unsigned channels = 3;
    Bytes head(512, 0);
    head[0] = 0x01;
    head[1] = 0xDA;
    head[2] = rle ? 1 : 0;
    head[3] = 1;
    head[5] = 3;
    head[6] = static_cast<unsigned char>(side >> 8);
    head[7] = static_cast<unsigned char>(side);
    head[8] = static_cast<unsigned char>(side >> 8);
    head[9] = static_cast<unsigned char>(side);
    head[11] = channels;
    Bytes data, starts, lengths;
    const std::uint32_t dataAt = rle ? 512 + 8 * side * channels : 512;
    std::vector<unsigned char> line(side);
    for (unsigned c = 0; c < channels; ++c)
        for (unsigned y = 0; y < side; ++y) {
            for (unsigned x = 0; x < side; ++x)
                line[x] = x < side / 2 ? static_cast<unsigned char>((x / 40) * 9 + y / 64 + c * 50)
                                       : static_cast<unsigned char>(((x * 7919u + y * 104729u + c) * 2654435761u) >> 24);
            const auto before = static_cast<std::uint32_t>(data.size());
            if (!rle) {
                data.insert(data.end(), line.begin(), line.end());
                continue;
            }
            encodeScanline(line.data(), side, data);
            put(starts, dataAt + before, 4, true);
            put(lengths, static_cast<std::uint32_t>(data.size()) - before, 4, true);
        }
    Bytes f = head;
    f.insert(f.end(), starts.begin(), starts.end());
    f.insert(f.end(), lengths.begin(), lengths.end());
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

// The 2048 x 2048 run-length encoded file the loader reads.
const std::string& sgiPath() {
    static const std::string path = [] {
        const std::string p = tempPath("ornatex-bench-rle.sgi");
        writeFile(p, makeSgi(sgiSide, true));
        return p;
    }();
    return path;
}

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Takes the loader's hand-over without copying: the figures are the decode.
class NullTexture : public kwTexture {
public:
    void loadImage(int w, int h, texFormat f, unsigned char* p) override {
        width = w;
        height = h;
        format = f;
        benchmark::DoNotOptimize(p);
    }
    int width = 0, height = 0;
    texFormat format = texRGB;
};

void BM_loadTIFF(benchmark::State& state) {
    NullTexture texture;
    for (auto _ : state) ImageLoaderTIFF::loadTIFF(&texture, tiffPath().c_str());
    if (texture.width != int(tiffSide)) state.SkipWithError("not decoded");
    state.SetBytesProcessed(int64_t(state.iterations()) * tiffSide * tiffSide * 3);
}

// The same, into a real texture that copies the pixels (reused, warm).
void BM_loadTIFF_intoTexture(benchmark::State& state) {
    kwTexture texture;
    for (auto _ : state) ImageLoaderTIFF::loadTIFF(&texture, tiffPath().c_str());
    if (texture.getWidth() != int(tiffSide)) state.SkipWithError("not decoded");
    state.SetBytesProcessed(int64_t(state.iterations()) * tiffSide * tiffSide * 3);
}

// libtiff: open, decode to 4-byte RGBA pixels, close. Warm: one raster
// reused across iterations (the peer's best case; loadTIFF always allocates
// fresh buffers). Fresh: a new raster every iteration, as loadTIFF does, with
// the same transparent-huge-page advice loadTIFF gives its output.
void tiffReadRGBA(benchmark::State& state, bool fresh) {
    TIFFSetWarningHandler(nullptr);
    const std::size_t bytes = std::size_t(tiffSide) * tiffSide * 4;
    std::vector<std::uint32_t> warm(fresh ? 0 : bytes / 4);
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(tiffPath().c_str(), "r");
        std::uint32_t* raster = warm.data();
        if (fresh) {
            raster = static_cast<std::uint32_t*>(std::aligned_alloc(std::size_t(2) << 20, bytes));
            madvise(raster, bytes, MADV_HUGEPAGE);
        }
        const int ok = TIFFReadRGBAImage(tif, tiffSide, tiffSide, raster, 0);
        benchmark::DoNotOptimize(raster[12345]);
        if (fresh) std::free(raster);
        TIFFClose(tif);
        if (!ok) state.SkipWithError("libtiff failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * tiffSide * tiffSide * 3);
}

void BM_TIFFReadRGBAImage_warmRaster(benchmark::State& state) { tiffReadRGBA(state, false); }
void BM_TIFFReadRGBAImage_freshRaster(benchmark::State& state) { tiffReadRGBA(state, true); }

void memcpyBench(benchmark::State& state, std::size_t bytes) {
    std::vector<unsigned char> from(bytes, 1), to(bytes, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void BM_memcpy_tiffOutput(benchmark::State& state) { memcpyBench(state, std::size_t(tiffSide) * tiffSide * 3); }

void BM_loadRGBA_rle(benchmark::State& state) {
    NullTexture texture;
    for (auto _ : state) ImageLoaderRGBA::loadRGBA(&texture, sgiPath().c_str());
    std::fflush(stdout);
    if (texture.width != int(sgiSide)) state.SkipWithError("not decoded");
    state.SetBytesProcessed(int64_t(state.iterations()) * sgiSide * sgiSide * 3);
}

// The decoder on the file's bytes in memory (no file reading, no dump).
void BM_decodeSGI_rle(benchmark::State& state) {
    const Bytes file = readAll(sgiPath());
    for (auto _ : state) {
        ornatex::Image image = ornatex::decodeSGI(file.data(), file.size());
        if (!image.ok()) state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(image.pixels());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * sgiSide * sgiSide * 3);
}

void BM_decodeTIFF(benchmark::State& state) {
    const Bytes file = readAll(tiffPath());
    for (auto _ : state) {
        ornatex::Image image = ornatex::decodeTIFF(file.data(), file.size());
        if (!image.ok()) state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(image.pixels());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * tiffSide * tiffSide * 3);
}

// The same from the file: decodeFile reads it whole first.
void BM_decodeFile_tiff(benchmark::State& state) {
    for (auto _ : state) {
        ornatex::Image image = ornatex::decodeFile(tiffPath().c_str());
        if (!image.ok()) state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(image.pixels());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * tiffSide * tiffSide * 3);
}

// The decoded bytes of the SGI file, for the dump benchmarks.
const Bytes& sgiDecoded() {
    static const Bytes decoded = [] {
        const Bytes file = readAll(sgiPath());
        const ornatex::Image image = ornatex::decodeSGI(file.data(), file.size());
        return Bytes(image.pixels(), image.pixels() + image.size());
    }();
    return decoded;
}

std::size_t dumpLines() { return std::size_t(ornatex::detail::sgiDumpLines(std::uint64_t(sgiSide) * sgiSide)); }

void BM_sgiDump_writeSgiDump(benchmark::State& state) {
    const Bytes& d = sgiDecoded();
    ornatex::detail::StdoutSink out;
    for (auto _ : state) ornatex::detail::writeSgiDump(d.data(), d.size(), dumpLines(), out);
    std::fflush(stdout);
    state.counters["lines"] = double(dumpLines());
}

void BM_sgiDump_printfPerLine(benchmark::State& state) {
    const Bytes& d = sgiDecoded();
    const std::size_t lines = dumpLines();
    for (auto _ : state)
        for (std::size_t k = 0; k < lines; ++k) std::printf("%u %u %u\n", d[3 * k], d[3 * k + 1], d[3 * k + 2]);
    std::fflush(stdout);
    state.counters["lines"] = double(lines);
}

void BM_memcpy_sgiOutput(benchmark::State& state) { memcpyBench(state, std::size_t(sgiSide) * sgiSide * 3); }

// decodeSGI from memory at 512^2 to 4096^2, verbatim and run-length
// encoded, beside a memcpy of the same output bytes: the cost per megapixel
// (ms_per_MP) should not grow with the size.
const Bytes& sgiOfSide(unsigned side, bool rle) {
    static std::map<std::pair<unsigned, bool>, Bytes> made;
    Bytes& b = made[{side, rle}];
    if (b.empty()) b = makeSgi(side, rle);
    return b;
}

void perMegapixel(benchmark::State& state, unsigned side) {
    state.SetBytesProcessed(int64_t(state.iterations()) * side * side * 3);
    state.counters["ms_per_MP"] = benchmark::Counter(double(side) * side / 1e6 / 1e3,
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void decodeSgiOfSide(benchmark::State& state, bool rle) {
    const unsigned side = static_cast<unsigned>(state.range(0));
    const Bytes& file = sgiOfSide(side, rle);
    for (auto _ : state) {
        ornatex::Image image = ornatex::decodeSGI(file.data(), file.size());
        if (!image.ok()) state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(image.pixels());
    }
    perMegapixel(state, side);
}

void BM_decodeSGI_bySide_rle(benchmark::State& state) { decodeSgiOfSide(state, true); }
void BM_decodeSGI_bySide_verbatim(benchmark::State& state) { decodeSgiOfSide(state, false); }

void BM_memcpy_sgiBySide(benchmark::State& state) {
    const unsigned side = static_cast<unsigned>(state.range(0));
    memcpyBench(state, std::size_t(side) * side * 3);
    perMegapixel(state, side);
}

// The TGA red-blue exchange on one path: range(0) the path, range(1) the
// bytes a pixel. Source and destination are written before the timing, as
// a warm memcpy's are.
void BM_tgaSwizzle(benchmark::State& state) {
    const auto path = static_cast<ornatex::detail::SwizzlePath>(state.range(0));
    const unsigned bpp = static_cast<unsigned>(state.range(1));
    if (!ornatex::detail::swizzlePathAvailable(path)) {
        state.SkipWithError("path not available on this processor");
        return;
    }
    const std::size_t pixels = std::size_t(4096) * 4096;
    std::vector<unsigned char> from(pixels * bpp, 1), to(pixels * bpp, 0);
    for (auto _ : state) {
        ornatex::detail::swizzleRow(path, from.data(), to.data(), pixels, bpp, false);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixels * bpp));
}

void BM_memcpy_tgaSwizzle(benchmark::State& state) {
    memcpyBench(state, std::size_t(4096) * 4096 * static_cast<std::size_t>(state.range(0)));
}

}  // namespace

BENCHMARK(BM_loadTIFF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_loadTIFF_intoTexture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decodeTIFF)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decodeFile_tiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TIFFReadRGBAImage_warmRaster)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TIFFReadRGBAImage_freshRaster)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_tiffOutput)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_loadRGBA_rle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decodeSGI_rle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_sgiDump_writeSgiDump)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_sgiDump_printfPerLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_sgiOutput)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decodeSGI_bySide_rle)->RangeMultiplier(2)->Range(512, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decodeSGI_bySide_verbatim)->RangeMultiplier(2)->Range(512, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_sgiBySide)->RangeMultiplier(2)->Range(512, 4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_tgaSwizzle)->ArgsProduct({{0, 1, 2}, {3, 4}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_tgaSwizzle)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The loaders print their trace and dump: standard output goes to
    // /dev/null, the results to the original standard output.
    std::fflush(stdout);
    const int results = dup(STDOUT_FILENO);
    const int devnull = open("/dev/null", O_WRONLY);
    if (results < 0 || devnull < 0 || dup2(devnull, STDOUT_FILENO) < 0) return 1;
    close(devnull);
    std::ofstream out("/dev/fd/" + std::to_string(results));

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    tiffPath();
    sgiPath();
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&out);
    reporter.SetErrorStream(&out);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove(tiffPath());
    std::filesystem::remove(sgiPath());
    return 0;
}

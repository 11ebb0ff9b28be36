// loadTGAraw on 4096 x 4096 images of depth 32 and 24, beside decodeTGA on
// the file's bytes in memory, decodeFile on the file, stbi_load on the same
// files and a memcpy of the pixel bytes, in the same run.
//
// Warm: the destination memory is reused across iterations (one texture, one
// memcpy target). Cold: every iteration gets fresh destination memory (a new
// texture, a new memcpy target), as a program loading many textures does.
// Both loaders always read into fresh memory of their own.
#include <benchmark/benchmark.h>

#include <ornatex/decode.h>
#include <ornatex/imageloaders/ImageLoaderTGA.h>
#include <corvane/kwTexture.h>
#include <stb/stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int side = 4096;

// Writes a side x side TGA of the depth once per process, into a temporary folder.
const std::string& imagePath(int depth) {
    static std::string paths[2];
    std::string& path = paths[depth == 32 ? 1 : 0];
    if (!path.empty()) return path;
    path = (std::filesystem::temp_directory_path() / ("ornatex-bench-" + std::to_string(depth) + ".tga")).string();
    const int bpp = depth / 8;
    std::vector<unsigned char> file(18 + std::size_t(side) * side * bpp);
    file[2] = 2;
    file[12] = side & 0xff;
    file[13] = side >> 8;
    file[14] = side & 0xff;
    file[15] = side >> 8;
    file[16] = static_cast<unsigned char>(depth);
    file[17] = depth == 32 ? 8 : 0;
    for (std::size_t i = 18; i < file.size(); ++i) file[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    return path;
}

std::size_t pixelBytes(int depth) { return std::size_t(side) * side * (depth / 8); }

void setBytes(benchmark::State& state, int depth) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixelBytes(depth)));
}

void BM_loadTGAraw_warm(benchmark::State& state) {
    const int depth = int(state.range(0));
    const std::string& path = imagePath(depth);
    kwTexture texture;
    for (auto _ : state) {
        ImageLoaderTGA::loadTGAraw(&texture, path.c_str());
        benchmark::DoNotOptimize(texture.getPixels());
    }
    if (texture.getWidth() != side) state.SkipWithError("not loaded");
    setBytes(state, depth);
}

void BM_loadTGAraw_cold(benchmark::State& state) {
    const int depth = int(state.range(0));
    const std::string& path = imagePath(depth);
    for (auto _ : state) {
        auto texture = std::make_unique<kwTexture>();
        ImageLoaderTGA::loadTGAraw(texture.get(), path.c_str());
        benchmark::DoNotOptimize(texture->getPixels());
        state.PauseTiming();
        texture.reset();
        state.ResumeTiming();
    }
    setBytes(state, depth);
}

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::vector<unsigned char> bytes(std::filesystem::file_size(path));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f || std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) bytes.clear();
    if (f) std::fclose(f);
    return bytes;
}

// The decoder on bytes already in memory: fresh output memory every time.
void BM_decodeTGA(benchmark::State& state) {
    const int depth = int(state.range(0));
    const std::vector<unsigned char> bytes = fileBytes(imagePath(depth));
    for (auto _ : state) {
        ornatex::Image image = ornatex::decodeTGA(bytes.data(), bytes.size());
        if (!image.ok()) state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(image.pixels());
    }
    setBytes(state, depth);
}

// decodeFile: the file read whole, then decoded into fresh memory.
void BM_decodeFile_tga(benchmark::State& state) {
    const int depth = int(state.range(0));
    const std::string& path = imagePath(depth);
    for (auto _ : state) {
        ornatex::Image image = ornatex::decodeFile(path.c_str());
        if (!image.ok()) state.SkipWithError("not decoded");
        benchmark::DoNotOptimize(image.pixels());
    }
    setBytes(state, depth);
}

void BM_stbi_load(benchmark::State& state) {
    const int depth = int(state.range(0));
    const std::string& path = imagePath(depth);
    for (auto _ : state) {
        int w, h, n;
        unsigned char* pixels = stbi_load(path.c_str(), &w, &h, &n, 0);
        benchmark::DoNotOptimize(pixels);
        state.PauseTiming();
        if (!pixels || w != side) state.SkipWithError("stbi_load failed");
        stbi_image_free(pixels);
        state.ResumeTiming();
    }
    setBytes(state, depth);
}

void BM_memcpy_warm(benchmark::State& state) {
    const std::size_t bytes = pixelBytes(int(state.range(0)));
    std::vector<unsigned char> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    setBytes(state, int(state.range(0)));
}

void BM_memcpy_cold(benchmark::State& state) {
    const std::size_t bytes = pixelBytes(int(state.range(0)));
    std::vector<unsigned char> from(bytes, 1);
    for (auto _ : state) {
        unsigned char* to = static_cast<unsigned char*>(std::malloc(bytes));
        std::memcpy(to, from.data(), bytes);
        benchmark::DoNotOptimize(to);
        benchmark::ClobberMemory();
        state.PauseTiming();
        std::free(to);
        state.ResumeTiming();
    }
    setBytes(state, int(state.range(0)));
}

}  // namespace

BENCHMARK(BM_loadTGAraw_warm)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_stbi_load)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decodeTGA)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_decodeFile_tga)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_warm)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_loadTGAraw_cold)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_memcpy_cold)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

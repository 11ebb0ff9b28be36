// Helpers shared by the loader tests: a temporary folder that is removed at
// the end, files written into it, and a texture that records its calls.
#pragma once

#include <gtest/gtest.h>

#include <corvane/kwTexture.h>

#include "TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace loadertest {

using ornatextest::TempDir;

// One recorded texture call.
struct TextureCall {
    bool sub = false;
    int x = 0, y = 0, width = 0, height = 0;
    texFormat format = texRGB;
    const unsigned char* address = nullptr;
    std::vector<unsigned char> pixels;  // the bytes the call handed over
};

// Records every call; bytesPerCall says how many pixel bytes to copy
// (width x height x bytes a pixel of the format).
class RecordingTexture : public kwTexture {
public:
    void loadImage(int width, int height, texFormat format, unsigned char* pixels) override {
        record(false, 0, 0, width, height, format, pixels);
    }
    void loadSubImage(int x, int y, int width, int height, texFormat format, unsigned char* pixels) override {
        record(true, x, y, width, height, format, pixels);
    }
    std::vector<TextureCall> calls;

private:
    void record(bool sub, int x, int y, int w, int h, texFormat f, unsigned char* p) {
        TextureCall c;
        c.sub = sub;
        c.x = x;
        c.y = y;
        c.width = w;
        c.height = h;
        c.format = f;
        c.address = p;
        const std::size_t n = std::size_t(w) * std::size_t(h) * std::size_t(texBytesPerPixel(f));
        if (p && n) c.pixels.assign(p, p + n);
        calls.push_back(std::move(c));
    }
};

// What one loader call did: the texture's calls, standard output, result.
struct Loaded {
    RecordingTexture texture;
    std::string output;
    int result = -1;
};

// Runs a loader (ImageLoaderX::loadY) on the file, capturing standard output.
template <class Loader>
void runLoader(Loader loader, const std::string& path, Loaded& l) {
    testing::internal::CaptureStdout();
    l.result = loader(&l.texture, path.c_str());
    std::fflush(stdout);
    l.output = testing::internal::GetCapturedStdout();
}

}  // namespace loadertest

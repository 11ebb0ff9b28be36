// Helpers shared by the loader tests: a temporary folder that is removed at
// the end, files written into it, builders of TGA and SGI files, and a
// texture that records its calls.
#pragma once

#include <gtest/gtest.h>

#include <corvane/kwTexture.h>
#include <ornatex/ImageInfo.h>

#include "TempDir.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace loadertest {

using ornatextest::TempDir;
using Bytes = std::vector<unsigned char>;

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef LOADER_TEST_DATA
// A file of the loader tests' data folder.
inline std::string dataFile(const std::string& name) { return std::string(LOADER_TEST_DATA) + "/" + name; }
#endif

inline Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A TGA file: the 18-byte header, the ID (bytes of 0xEE), a colour map of the
// given size (bytes of 0xCC, each entry a whole number of bytes: 15-bit
// entries take 2), then the pixels as given.
inline Bytes tga(unsigned imageType, unsigned width, unsigned height, unsigned depth, const Bytes& pixels,
                 unsigned idLength = 0, unsigned colorMapType = 0, unsigned colorMapLength = 0,
                 unsigned colorMapBits = 0, unsigned descriptor = 0) {
    Bytes f(18, 0);
    f[0] = static_cast<unsigned char>(idLength);
    f[1] = static_cast<unsigned char>(colorMapType);
    f[2] = static_cast<unsigned char>(imageType);
    f[5] = static_cast<unsigned char>(colorMapLength & 0xff);
    f[6] = static_cast<unsigned char>(colorMapLength >> 8);
    f[7] = static_cast<unsigned char>(colorMapBits);
    f[12] = static_cast<unsigned char>(width & 0xff);
    f[13] = static_cast<unsigned char>(width >> 8);
    f[14] = static_cast<unsigned char>(height & 0xff);
    f[15] = static_cast<unsigned char>(height >> 8);
    f[16] = static_cast<unsigned char>(depth);
    f[17] = static_cast<unsigned char>(descriptor);
    f.insert(f.end(), idLength, 0xEE);
    f.insert(f.end(), colorMapLength * ((colorMapBits + 7) / 8), 0xCC);
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// The 512-byte SGI header (big-endian fields; the dimension field is 3, or
// 2 for one channel).
inline Bytes sgiHeader(unsigned storage, unsigned bytesPerChannel, unsigned width, unsigned height, unsigned channels) {
    Bytes h(512, 0);
    h[0] = 0x01;
    h[1] = 0xDA;
    h[2] = static_cast<unsigned char>(storage);
    h[3] = static_cast<unsigned char>(bytesPerChannel);
    h[5] = channels > 1 ? 3 : 2;
    h[6] = static_cast<unsigned char>(width >> 8);
    h[7] = static_cast<unsigned char>(width);
    h[8] = static_cast<unsigned char>(height >> 8);
    h[9] = static_cast<unsigned char>(height);
    h[10] = static_cast<unsigned char>(channels >> 8);
    h[11] = static_cast<unsigned char>(channels);
    return h;
}

inline void putBig32(Bytes& b, std::uint32_t v) {
    for (int k = 3; k >= 0; --k) b.push_back(static_cast<unsigned char>(v >> (8 * k)));
}

// One recorded texture call.
struct TextureCall {
    bool sub = false;
    int x = 0, y = 0, width = 0, height = 0;
    texFormat format = texRGB;
    const unsigned char* address = nullptr;
    std::vector<unsigned char> pixels;  // the bytes the call handed over
};

// Whole calls compare equal when all but the address are: the pixels, not
// where they were.
inline bool operator==(const TextureCall& a, const TextureCall& b) {
    return a.sub == b.sub && a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height &&
           a.format == b.format && a.pixels == b.pixels;
}
inline bool operator!=(const TextureCall& a, const TextureCall& b) { return !(a == b); }

// GoogleTest prints a call this way when a comparison fails.
inline void PrintTo(const TextureCall& c, std::ostream* os) {
    *os << (c.sub ? "loadSubImage(" + std::to_string(c.x) + ", " + std::to_string(c.y) + ", " : std::string("loadImage("))
        << c.width << ", " << c.height << ", " << (c.format == texRGBA ? "texRGBA" : "texRGB") << ", {";
    for (std::size_t i = 0; i < c.pixels.size() && i < 48; ++i) *os << (i ? ", " : "") << unsigned(c.pixels[i]);
    if (c.pixels.size() > 48) *os << ", ... (" << c.pixels.size() << " bytes)";
    *os << "})";
}

// A call as a test expects it.
inline TextureCall imageCall(int width, int height, texFormat format, Bytes pixels) {
    TextureCall c;
    c.width = width;
    c.height = height;
    c.format = format;
    c.pixels = std::move(pixels);
    return c;
}
inline TextureCall subImageCall(int width, int height, texFormat format, Bytes pixels) {
    TextureCall c = imageCall(width, height, format, std::move(pixels));
    c.sub = true;
    return c;
}

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

namespace ornatex {

// GoogleTest prints an ImageInfo this way when a comparison fails.
inline void PrintTo(const ImageInfo& i, std::ostream* os) {
    *os << "{format \"" << i.format << "\", usable " << i.usable << ", refusal " << refusalName(i.refusal)
        << ", problem \"" << i.problem << "\", fieldsRead " << i.fieldsRead << ", " << i.width << " x " << i.height
        << ", channels " << i.channels << ", bits " << i.bitsPerChannel << ", origin " << int(i.origin)
        << ", compression \"" << i.compression << "\", strips " << i.strips << ", scanlines " << i.scanlines
        << ", colorMap " << i.colorMap << " of " << i.colorMapLength << "}";
}

}  // namespace ornatex

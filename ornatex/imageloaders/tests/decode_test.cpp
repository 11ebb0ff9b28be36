// The public decoders of <ornatex/decode.h>: the same pixels as the loaders
// (bottom row first, left to right), one-line reasons for refusals, the
// pixel limit, the trace and inspect().
#include <ornatex/decode.h>
#include <ornatex/imageloaders/ImageLoaderRGBA.h>
#include <ornatex/imageloaders/ImageLoaderTGA.h>
#include <ornatex/imageloaders/ImageLoaderTIFF.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "LoaderTestSupport.h"
#include "TiffBuilder.h"

using loadertest::Bytes;
using loadertest::putBig32;
using loadertest::readFile;
using loadertest::sgiHeader;
using loadertest::tga;
using loadertest::Loaded;
using loadertest::TempDir;
using loadertest::TiffBuilder;
using loadertest::tiffLong;
using loadertest::tiffShort;

namespace {

Bytes pixelsOf(const ornatex::Image& image) { return Bytes(image.pixels(), image.pixels() + image.size()); }

// A run-length SGI whose scanlines all share one packet sequence.
Bytes sharedRunSgi(unsigned width, unsigned height, unsigned channels, const Bytes& packets) {
    Bytes f = sgiHeader(1, 1, width, height, channels);
    const std::uint32_t at = 512 + 4 * height * channels;
    for (unsigned k = 0; k < height * channels; ++k) putBig32(f, at);
    f.insert(f.end(), packets.begin(), packets.end());
    return f;
}

// A 2 x 2 palette TIFF (indices 0 1 / 2 3, top row first) with the given
// photometric interpretation and extra entries.
Bytes smallTiff(unsigned photometric = 3, const std::vector<TiffBuilder::Entry>& extra = {}) {
    TiffBuilder t = loadertest::oneStripTiff({0, 1, 2, 3}, 2, 2, photometric);
    std::vector<std::uint32_t> map;
    for (std::uint32_t ch = 0; ch < 3; ++ch)
        for (std::uint32_t v = 0; v < 4; ++v) map.push_back((10 * ch + v) * 257);
    t.array(320, tiffShort, map);
    for (const auto& e : extra) t.entry(e.tag, e.type, e.count, e.value);
    return t.finish();
}

// What the loader of the file's format hands the texture, with the
// format chosen as decode() chooses it. False when decode() takes the bytes
// for no format (the loaders still try them, as the Parts say).
bool runMatchingLoader(const std::string& path, const Bytes& bytes, Loaded& l) {
    switch (ornatex::formatOf(bytes.data(), bytes.size())) {
        case ornatex::ImageFormat::tiff: loadertest::runLoader(ImageLoaderTIFF::loadTIFF, path, l); return true;
        case ornatex::ImageFormat::sgi: loadertest::runLoader(ImageLoaderRGBA::loadRGBA, path, l); return true;
        case ornatex::ImageFormat::tga: loadertest::runLoader(ImageLoaderTGA::loadTGAraw, path, l); return true;
        case ornatex::ImageFormat::none: break;
    }
    return false;
}

// The loader's TGA pixels (stored order) turned bottom row first, left to
// right: rows reversed when descriptor bit 5 is set, pixels within each row
// reversed when bit 4 is set.
Bytes upright(const Bytes& stored, int width, int height, int bytesPerPixel, unsigned descriptor) {
    Bytes out(stored.size());
    const std::size_t row = std::size_t(width) * bytesPerPixel;
    for (int r = 0; r < height; ++r) {
        const int to = (descriptor & 0x20) ? height - 1 - r : r;
        for (int c = 0; c < width; ++c) {
            const int toColumn = (descriptor & 0x10) ? width - 1 - c : c;
            std::copy_n(&stored[r * row + std::size_t(c) * bytesPerPixel], bytesPerPixel,
                        &out[to * row + std::size_t(toColumn) * bytesPerPixel]);
        }
    }
    return out;
}

std::vector<std::filesystem::path> filesUnder(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() != ".png" && e.path().extension() != ".md" &&
            e.path().extension() != ".txt" && e.path().parent_path().filename() != "LICENSES")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

// Every sample file and fuzz corpus input: the decoder gives the loader's
// pixels (upright), or a one-line reason exactly when the loader delivers
// nothing.
TEST(Decode, SameImagesAsTheLoaders) {
    std::vector<std::filesystem::path> files = filesUnder(LOADER_TEST_DATA);
    const std::vector<std::filesystem::path> corpus = filesUnder(FUZZ_CORPUS);
    files.insert(files.end(), corpus.begin(), corpus.end());
    ASSERT_GT(files.size(), 100u);
    int decoded = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path.string());
        const Bytes bytes = readFile(path.string());
        const ornatex::Image image = ornatex::decode(bytes.data(), bytes.size());
        Loaded l;
        if (!runMatchingLoader(path.string(), bytes, l)) {
            EXPECT_EQ(image.refusal(), ornatex::Refusal::notAnImage);
            EXPECT_EQ(image.error(), "not a TGA, TIFF or SGI image");
            // The TGA loader, the one without a signature, loads none of them.
            Loaded asTga;
            loadertest::runLoader(ImageLoaderTGA::loadTGAraw, path.string(), asTga);
            EXPECT_TRUE(asTga.texture.calls.empty());
            continue;
        }
        if (l.texture.calls.empty()) {
            EXPECT_FALSE(image.ok());
            EXPECT_NE(image.refusal(), ornatex::Refusal::none);
            EXPECT_FALSE(image.error().empty());
            EXPECT_EQ(image.error().find('\n'), std::string::npos) << image.error();
            continue;
        }
        ASSERT_TRUE(image.ok()) << image.error();
        EXPECT_EQ(image.refusal(), ornatex::Refusal::none);
        const loadertest::TextureCall& call = l.texture.calls[0];
        EXPECT_EQ(image.width(), call.width);
        EXPECT_EQ(image.height(), call.height);
        EXPECT_EQ(image.format(), call.format);
        Bytes expected = call.pixels;
        if (bytes.size() >= 18 && !(bytes[0] == 0x01 && bytes[1] == 0xDA) && !(bytes[0] == 'I' || bytes[0] == 'M'))
            expected = upright(call.pixels, call.width, call.height, texBytesPerPixel(call.format), bytes[17]);
        EXPECT_TRUE(pixelsOf(image) == expected);
        ++decoded;
    }
    EXPECT_GT(decoded, 20);
}

// All four TGA origins come out bottom row first, left to right.
TEST(Decode, TgaOriginsAreTurnedUpright) {
    // Stored: first row A B, second row C D (blue, green, red bytes).
    const Bytes stored = {1, 0, 0xA, 2, 0, 0xB, 3, 0, 0xC, 4, 0, 0xD};
    const std::pair<unsigned, Bytes> cases[] = {
        {0x00, {0xA, 0, 1, 0xB, 0, 2, 0xC, 0, 3, 0xD, 0, 4}},  // bottom-left: as stored
        {0x10, {0xB, 0, 2, 0xA, 0, 1, 0xD, 0, 4, 0xC, 0, 3}},  // bottom-right: each row mirrored
        {0x20, {0xC, 0, 3, 0xD, 0, 4, 0xA, 0, 1, 0xB, 0, 2}},  // top-left: rows swapped
        {0x30, {0xD, 0, 4, 0xC, 0, 3, 0xB, 0, 2, 0xA, 0, 1}},  // top-right: both
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const Bytes file = tga(2, 2, 2, 24, stored, 0, 0, 0, 0, c.first);
        const ornatex::Image image = ornatex::decodeTGA(file.data(), file.size());
        ASSERT_TRUE(image.ok()) << image.error();
        EXPECT_EQ(pixelsOf(image), c.second);
    }
    const Bytes rgba = tga(2, 2, 1, 32, {1, 2, 3, 4, 5, 6, 7, 8}, 0, 0, 0, 0, 0x18);  // right-to-left, 8 alpha bits
    const ornatex::Image image = ornatex::decodeTGA(rgba.data(), rgba.size());
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.format(), texRGBA);
    EXPECT_EQ(pixelsOf(image), (Bytes{7, 6, 5, 8, 3, 2, 1, 4}));
}

// Each refusal family has its code and its reason, including the paths
// where the loaders print nothing.
TEST(Decode, RefusalsSayWhy) {
    const auto reason = [](const Bytes& b) { return ornatex::decode(b.data(), b.size()).error(); };
    const auto code = [](const Bytes& b) { return ornatex::decode(b.data(), b.size()).refusal(); };
    Bytes bigEndian = {'M', 'M', 0, 42, 0, 0, 0, 8};
    EXPECT_EQ(reason(bigEndian), "big-endian (MM) TIFF files are not decoded, only little-endian (II)");
    EXPECT_EQ(code(bigEndian), ornatex::Refusal::unsupported);
    EXPECT_EQ(reason(smallTiff(1)), "PhotometricInterpretation 1 (grey, black is zero), only palette colour (3) is decoded");
    Bytes bigTiff = {'I', 'I', 43, 0, 8, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(reason(bigTiff), "BigTIFF (version 43) files are not decoded");
    const Bytes tiled = readFile(std::string(LOADER_TEST_DATA) + "/commonsimaging-IndexColorPaletteTiled.tif");
    EXPECT_EQ(reason(tiled), "tiled images are not decoded, only strips");
    EXPECT_EQ(code(tiled), ornatex::Refusal::unsupported);
    EXPECT_EQ(reason(smallTiff(3, {{259, tiffShort, 1, 5}})), "compression 5 (LZW), only uncompressed (1) strips are decoded");
    // Strip bytes that are not whole rows: a wrong directory while every byte
    // is in the file, the file cut short when a strip runs past its end.
    const Bytes partRow = smallTiff(3, {{279, tiffLong, 1, 3}});
    EXPECT_EQ(reason(partRow), "3 bytes of pixel data are not whole rows of 2 covering 2 rows");
    EXPECT_EQ(code(partRow), ornatex::Refusal::malformed);
    EXPECT_EQ(code(smallTiff(3, {{279, tiffLong, 1, 3}, {273, tiffLong, 1, 100000}})), ornatex::Refusal::truncated);

    for (unsigned channels : {1u, 2u, 5u}) {
        const Bytes rle = sharedRunSgi(1, 1, channels, {0x01, 9, 0});
        EXPECT_EQ(reason(rle), "channel count " + std::to_string(channels) + ", only 3 (RGB) and 4 (RGBA) are decoded");
        Bytes verbatim = sgiHeader(0, 1, 1, 1, channels);
        verbatim.resize(512 + channels, 1);
        EXPECT_EQ(reason(verbatim), reason(rle));
    }
    EXPECT_EQ(reason(tga(2, 1, 1, 16, {1, 2})), "pixel depth 16, only 24 and 32 supported");
    EXPECT_EQ(code(tga(2, 1, 1, 16, {1, 2})), ornatex::Refusal::unsupported);
    EXPECT_EQ(reason(tga(2, 2, 2, 24, {1, 2, 3})), "21 bytes, the header declares 30");
    EXPECT_EQ(code(tga(2, 2, 2, 24, {1, 2, 3})), ornatex::Refusal::truncated);
    // Too short for a TGA header: no format at all.
    EXPECT_EQ(reason(Bytes{0, 0, 10}), "not a TGA, TIFF or SGI image");
    EXPECT_EQ(code(Bytes{0, 0, 10}), ornatex::Refusal::notAnImage);
    EXPECT_EQ(ornatex::decode(nullptr, 0).refusal(), ornatex::Refusal::notAnImage);
    // decodeTGA itself still says why the bytes are no TGA.
    const Bytes three = {0, 0, 10};
    EXPECT_EQ(ornatex::decodeTGA(three.data(), three.size()).error(), "3 bytes, too short for the 18-byte header");
    EXPECT_EQ(ornatex::decodeTGA(three.data(), three.size()).refusal(), ornatex::Refusal::truncated);
    Bytes rle = tga(2, 1, 1, 24, {1, 2, 3});
    rle[2] = 10;
    EXPECT_EQ(reason(rle), "image type 10 (run-length true-colour), only uncompressed true-colour (2) is decoded");
    EXPECT_EQ(code(rle), ornatex::Refusal::unsupported);
    EXPECT_EQ(code(sharedRunSgi(1, 1, 3, {0x01, 9})), ornatex::Refusal::truncated);

    TempDir dir;
    const std::string missing = dir.file("absent.tga");
    EXPECT_EQ(ornatex::decodeFile(missing.c_str()).error(),
              "'" + missing + "' cannot be opened: No such file or directory");
    EXPECT_EQ(ornatex::decodeFile(missing.c_str()).refusal(), ornatex::Refusal::cannotRead);
    const std::string folder = dir.file("");
#if defined(_WIN32)
    // Windows does not open a folder as a file.
    EXPECT_EQ(ornatex::decodeFile(folder.c_str()).error(), "'" + folder + "' cannot be opened: Permission denied");
#else
    EXPECT_EQ(ornatex::decodeFile(folder.c_str()).error(), "'" + folder + "' could not be read whole: Is a directory");
#endif
}

// Images of more pixels than the limit are refused by reason before
// anything is allocated, including sizes whose byte counts wrap 32 bits.
TEST(Decode, PixelLimit) {
    ornatex::DecodeLimits limits;
    limits.maxPixels = 100;
    const Bytes ten = tga(2, 10, 10, 24, Bytes(300, 7));
    EXPECT_TRUE(ornatex::decodeTGA(ten.data(), ten.size(), limits).ok());
    const Bytes eleven = tga(2, 11, 10, 24, Bytes(330, 7));
    EXPECT_EQ(ornatex::decodeTGA(eleven.data(), eleven.size(), limits).error(),
              "11 x 10 pixels, more than the limit of 100");

    // 32768 x 32768 x 4 channels: 2^32 bytes, 0 when narrowed to 32 bits.
    const Bytes huge = sharedRunSgi(32768, 32768, 4, {0x7f, 7, 0});
    EXPECT_EQ(ornatex::decodeSGI(huge.data(), huge.size()).error(),
              "32768 x 32768 pixels, more than the limit of 268435456");
    // Many channels: the output's bytes are limited too (4 a pixel).
    limits.maxPixels = 1000;
    const Bytes wide = sharedRunSgi(1, 1, 5000, {0x01, 7, 0});
    EXPECT_EQ(ornatex::decodeSGI(wide.data(), wide.size(), limits).error(),
              "1 x 1 pixels of 5000 channels, more than the limit of 4000 bytes");

    // 65535 x 65535 palette pixels (3 x W x H wraps 32 bits), every strip
    // the same row of the file.
    const Bytes tiff = loadertest::sharedRowTiff(Bytes(65535, 0), std::vector<std::uint32_t>(768, 0));
    EXPECT_EQ(ornatex::decodeTIFF(tiff.data(), tiff.size()).error(),
              "65535 x 65535 pixels, more than the limit of 268435456");
    // A TGA declaring 65535 x 65535 x 4 bytes (2^34) in a short file.
    const Bytes claim = tga(2, 65535, 65535, 32, Bytes(16, 0));
    EXPECT_EQ(ornatex::decodeTGA(claim.data(), claim.size()).error(), "34 bytes, the header declares 17179344918");
}

namespace {
void collect(const char* text, std::size_t length, void* context) {
    static_cast<std::string*>(context)->append(text, length);
}
}  // namespace

// The trace receives what the loader prints, refusal lines included.
TEST(Decode, TraceCarriesTheLoadersText) {
    TempDir dir;
    std::string trace;
    ornatex::DecodeLimits limits;
    limits.trace = collect;
    limits.traceContext = &trace;

    const Bytes tiff = smallTiff();
    Loaded l;
    loadertest::runLoader(ImageLoaderTIFF::loadTIFF, dir.write("p.tif", tiff), l);
    const ornatex::Image image = ornatex::decodeTIFF(tiff.data(), tiff.size(), limits);
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(pixelsOf(image), (Bytes{2, 12, 22, 3, 13, 23, 0, 10, 20, 1, 11, 21}));
    EXPECT_EQ(trace, l.output);
    EXPECT_EQ(trace.substr(0, 34), "Byte order: 18761\nByte order: LSB\n");

    trace.clear();
    const Bytes sgi = sharedRunSgi(2, 2, 3, {0x02, 5, 0});
    ornatex::decodeSGI(sgi.data(), sgi.size(), limits);
    EXPECT_EQ(trace, "5 5 5\n5 5 5\n");

    trace.clear();
    Bytes mapped = tga(2, 1, 1, 24, {0, 0, 0, 1, 2, 3});
    mapped[1] = 1;  // a colour map of 1 entry of 24 bits
    mapped[5] = 1;
    mapped[7] = 24;
    const ornatex::Image fromMap = ornatex::decodeTGA(mapped.data(), mapped.size(), limits);
    EXPECT_EQ(pixelsOf(fromMap), (Bytes{3, 2, 1}));
    EXPECT_EQ(trace, "Colormap not implemented....\n");

    // Refusals: the line the loader prints, and nothing where it prints nothing.
    Bytes rleTga = tga(2, 1, 1, 24, {1, 2, 3});
    rleTga[2] = 10;
    const Bytes shortSgi = sharedRunSgi(1, 1, 3, {0x01, 9});
    const Bytes verbatimTwo = [] {
        Bytes b = sgiHeader(0, 1, 1, 1, 2);
        b.resize(514, 1);
        return b;
    }();
    const struct {
        const char* name;
        Bytes file;
        int (*loader)(kwTexture*, const char*);
        ornatex::Image (*decoder)(const void*, std::size_t, const ornatex::DecodeLimits&);
        std::string line;
    } refusals[] = {
        {"depth.tga", tga(2, 1, 1, 16, {1, 2}), ImageLoaderTGA::loadTGAraw, ornatex::decodeTGA,
         "TGA file refused: pixel depth 16, only 24 and 32 supported\n"},
        {"rle.tga", rleTga, ImageLoaderTGA::loadTGAraw, ornatex::decodeTGA,
         "Unsupported format, only 24-bit RGB and 32-bit RGBA supported so far: 10\n"},
        {"short.rgb", shortSgi, ImageLoaderRGBA::loadRGBA, ornatex::decodeSGI,
         "SGI file refused: scanline 0 of channel 0 runs past the end of the file\n"},
        {"two.rgb", verbatimTwo, ImageLoaderRGBA::loadRGBA, ornatex::decodeSGI, ""},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.name);
        trace.clear();
        Loaded loaded;
        loadertest::runLoader(r.loader, dir.write(r.name, r.file), loaded);
        EXPECT_FALSE(r.decoder(r.file.data(), r.file.size(), limits).ok());
        EXPECT_EQ(loaded.output, r.line);
        EXPECT_EQ(trace, r.line);
    }
}

// decode() and inspect() take bytes for a TGA only when a TGA header could
// hold them, or the TGA 2.0 footer says so; anything else is no image.
// decode() takes what the TGA loader loads for a TGA, though the header's
// own rules would not: a colour-map type of 7 (the loader warns and loads
// the pixels) and a width of 0 (an empty texture). Both files are 63 bytes.
TEST(Decode, TakesWhatTheTgaLoaderLoads) {
    Bytes mapType7 = tga(2, 5, 3, 24, Bytes(45, 9));
    mapType7[1] = 7;
    mapType7[18] = 1;  // blue of the first pixel
    const Bytes width0 = tga(2, 0, 3, 24, Bytes(45, 9));
    TempDir dir;
    Loaded mapped, empty;
    loadertest::runLoader(ImageLoaderTGA::loadTGAraw, dir.write("map7.tga", mapType7), mapped);
    loadertest::runLoader(ImageLoaderTGA::loadTGAraw, dir.write("width0.tga", width0), empty);
    EXPECT_EQ(mapped.output, "Colormap not implemented....\n");
    Bytes expected(45, 9);
    expected[2] = 1;
    EXPECT_EQ(mapped.texture.calls, (std::vector<loadertest::TextureCall>{loadertest::imageCall(5, 3, texRGB, expected)}));
    EXPECT_EQ(empty.texture.calls, (std::vector<loadertest::TextureCall>{loadertest::imageCall(0, 3, texRGB, {})}));

    std::string trace;
    ornatex::DecodeLimits limits;
    limits.trace = [](const char* text, std::size_t length, void* to) { static_cast<std::string*>(to)->append(text, length); };
    limits.traceContext = &trace;
    for (const Bytes* file : {static_cast<const Bytes*>(&mapType7), &width0}) {
        EXPECT_EQ(file->size(), 63u);
        EXPECT_EQ(ornatex::formatOf(file->data(), file->size()), ornatex::ImageFormat::tga);
        EXPECT_TRUE(ornatex::inspect(file->data(), file->size()).usable);
    }
    const ornatex::Image image = ornatex::decode(mapType7.data(), mapType7.size(), limits);
    ASSERT_TRUE(image.ok()) << image.error();
    EXPECT_EQ(trace, mapped.output);
    EXPECT_EQ(image.width(), 5);
    EXPECT_EQ(image.height(), 3);
    EXPECT_EQ(pixelsOf(image), expected);
    const ornatex::Image none = ornatex::decode(width0.data(), width0.size());
    ASSERT_TRUE(none.ok()) << none.error();
    EXPECT_EQ(none.width(), 0);
    EXPECT_EQ(none.height(), 3);
    EXPECT_EQ(none.size(), 0u);
}

TEST(Decode, TgaOnlyByWhatItsHeaderCanHold) {
    const Bytes good = tga(2, 1, 1, 24, {1, 2, 3});
    EXPECT_EQ(ornatex::formatOf(good.data(), good.size()), ornatex::ImageFormat::tga);
    // Run-length: a TGA the loader refuses, so only the header's own rules
    // make it one.
    Bytes rle = good;
    rle[2] = 10;
    const auto changed = [&](std::size_t at, unsigned char value) {
        Bytes b = rle;
        b[at] = value;
        return b;
    };
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                       0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0};
    const Bytes text = {'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n'};
    const struct {
        const char* name;
        Bytes file;
    } notTga[] = {
        {"png", png},
        {"text", text},
        {"image type 4", changed(2, 4)},
        {"image type 0", changed(2, 0)},
        {"colour-map type 2", changed(1, 2)},
        {"map entries of 8 bits", [&] { Bytes b = changed(1, 1); b[7] = 8; return b; }()},
        {"pixel depth 12", changed(16, 12)},
        {"width 0", changed(12, 0)},
        {"height 0", changed(14, 0)},
        {"ID past the end", changed(0, 4)},
        {"map past the end", [&] { Bytes b = changed(1, 1); b[5] = 2; b[7] = 24; return b; }()},
    };
    for (const auto& c : notTga) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ornatex::formatOf(c.file.data(), c.file.size()), ornatex::ImageFormat::none);
        const ornatex::Image image = ornatex::decode(c.file.data(), c.file.size());
        EXPECT_EQ(image.refusal(), ornatex::Refusal::notAnImage);
        EXPECT_EQ(image.error(), "not a TGA, TIFF or SGI image");
        const ornatex::ImageInfo info = ornatex::inspect(c.file.data(), c.file.size());
        EXPECT_EQ(info.format, "");
        EXPECT_FALSE(info.fieldsRead);
        EXPECT_EQ(info.refusal, ornatex::Refusal::notAnImage);
        EXPECT_EQ(info.width, 0u);
    }
    // Still TGAs: a colour map of 15-bit entries with room for it, RLE,
    // 16-bit pixels (refused for their depth, but TGAs).
    Bytes mapped = changed(1, 1);
    mapped[5] = 1;
    mapped[7] = 15;
    mapped.insert(mapped.begin() + 18, {0, 0});
    EXPECT_EQ(ornatex::formatOf(mapped.data(), mapped.size()), ornatex::ImageFormat::tga);
    const Bytes sixteen = tga(2, 1, 1, 16, {1, 2});
    EXPECT_EQ(ornatex::formatOf(sixteen.data(), sixteen.size()), ornatex::ImageFormat::tga);
    EXPECT_EQ(ornatex::inspect(sixteen.data(), sixteen.size()).refusal, ornatex::Refusal::unsupported);

    // Any bytes that end in the TGA 2.0 footer are a TGA.
    Bytes footer = text;
    const std::string signature = "TRUEVISION-XFILE.";
    footer.insert(footer.end(), signature.begin(), signature.end());
    footer.push_back(0);
    EXPECT_EQ(ornatex::formatOf(footer.data(), footer.size()), ornatex::ImageFormat::tga);
    EXPECT_EQ(ornatex::formatBySignature(text.data(), 4, footer.data() + footer.size() - 18, 18),
              ornatex::ImageFormat::tga);
    EXPECT_EQ(ornatex::formatBySignature(text.data(), 4, text.data(), text.size()), ornatex::ImageFormat::none);
    const unsigned char tiffHead[] = {'M', 'M', 0, 43}, sgiHead[] = {0x01, 0xDA};
    EXPECT_EQ(ornatex::formatBySignature(tiffHead, 4, nullptr, 0), ornatex::ImageFormat::tiff);
    EXPECT_EQ(ornatex::formatBySignature(tiffHead, 3, nullptr, 0), ornatex::ImageFormat::none);
    EXPECT_EQ(ornatex::formatBySignature(sgiHead, 2, nullptr, 0), ornatex::ImageFormat::sgi);
    EXPECT_STREQ(ornatex::formatName(ornatex::ImageFormat::sgi), "SGI");
    EXPECT_STREQ(ornatex::formatName(ornatex::ImageFormat::none), "");

    // A big-endian TIFF is recognised, but none of its fields were read.
    const Bytes bigEndian = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0, 0, 3, 0, 0, 0, 1, 0, 64, 0, 0};
    const ornatex::ImageInfo info = ornatex::inspect(bigEndian.data(), bigEndian.size());
    EXPECT_EQ(info.format, "TIFF");
    EXPECT_FALSE(info.fieldsRead);
    EXPECT_EQ(info.refusal, ornatex::Refusal::unsupported);
    EXPECT_EQ(info.width, 0u);
    EXPECT_EQ(info.compression, "");
}

// The codes' names are stable, lower case and distinct; each has its text.
TEST(Decode, RefusalCodesHaveNamesAndTexts) {
    using ornatex::Refusal;
    const std::pair<Refusal, const char*> names[] = {
        {Refusal::none, "none"},
        {Refusal::cannotRead, "cannot_read"},
        {Refusal::notAnImage, "not_an_image"},
        {Refusal::tooLarge, "too_large"},
        {Refusal::truncated, "truncated"},
        {Refusal::unsupported, "unsupported"},
        {Refusal::malformed, "malformed"},
        {Refusal::noMemory, "no_memory"},
    };
    std::vector<std::string> texts;
    for (const auto& n : names) {
        EXPECT_STREQ(ornatex::refusalName(n.first), n.second);
        texts.emplace_back(ornatex::refusalText(n.first));
        EXPECT_FALSE(texts.back().empty());
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(std::unique(texts.begin(), texts.end()), texts.end());
    EXPECT_STREQ(ornatex::refusalText(Refusal::notAnImage), "not a TGA, TIFF or SGI image");
}

TEST(Decode, InspectReadsHeaders) {
    using ornatex::ImageInfo;
    using ornatex::ImageOrigin;
    using ornatex::Refusal;
    Bytes mapped = tga(2, 256, 128, 32, Bytes(256 * 128 * 4 + 6, 0), 0, 0, 0, 0, 0x28);
    mapped[1] = 1;
    mapped[5] = 3;
    mapped[7] = 15;
    // format, usable, refusal, problem, fieldsRead, width, height, channels,
    // bits, origin, compression, strips, scanlines, colour map, its length
    EXPECT_EQ(ornatex::inspect(mapped.data(), mapped.size()),
              (ImageInfo{"TGA", true, Refusal::none, "", true, 256, 128, 4, 8, ImageOrigin::topLeft, "none", 0, 0, true, 3}));
    mapped.resize(mapped.size() - 1);
    EXPECT_EQ(ornatex::inspect(mapped.data(), mapped.size()),
              (ImageInfo{"TGA", false, Refusal::truncated, "131095 bytes, the header declares 131096", true, 256, 128, 4,
                         8, ImageOrigin::topLeft, "none", 0, 0, true, 3}));

    const Bytes hopper = readFile(std::string(LOADER_TEST_DATA) + "/imagemagick-hopper-palette.tif");
    EXPECT_EQ(ornatex::inspect(hopper.data(), hopper.size()),
              (ImageInfo{"TIFF", true, Refusal::none, "", true, 128, 128, 1, 8, ImageOrigin::topLeft, "none", 8, 0, true, 256}));

    const Bytes sgi = sharedRunSgi(3, 2, 4, {0x03, 5, 0});
    EXPECT_EQ(ornatex::inspect(sgi.data(), sgi.size()),
              (ImageInfo{"SGI", true, Refusal::none, "", true, 3, 2, 4, 8, ImageOrigin::bottomLeft, "RLE", 0, 8, false, 0}));

    EXPECT_EQ(ornatex::inspectFile("/nonexistent/file.rgb"),
              (ImageInfo{"", false, Refusal::cannotRead, "'/nonexistent/file.rgb' cannot be opened: No such file or directory",
                         false, 0, 0, 0, 0, ImageOrigin::bottomLeft, "", 0, 0, false, 0}));
}

TEST(Decode, ImageOwnsAndMovesItsPixels) {
    const Bytes file = tga(2, 1, 1, 24, {1, 2, 3});
    ornatex::Image a = ornatex::decodeTGA(file.data(), file.size());
    const unsigned char* pixels = a.pixels();
    ornatex::Image b(std::move(a));
    EXPECT_FALSE(a.ok());
    EXPECT_EQ(a.pixels(), nullptr);
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(b.pixels(), pixels);
    EXPECT_EQ(b.size(), 3u);
    ornatex::Image c;
    EXPECT_EQ(c.error(), "no image");
    EXPECT_EQ(c.refusal(), ornatex::Refusal::notAnImage);
    c = std::move(b);
    EXPECT_EQ(pixelsOf(c), (Bytes{3, 2, 1}));
    EXPECT_TRUE(c.error().empty());
    EXPECT_EQ(c.refusal(), ornatex::Refusal::none);
    EXPECT_EQ(b.refusal(), ornatex::Refusal::notAnImage);

    // A 0 x 5 image decodes: valid, no bytes.
    const Bytes empty = tga(2, 0, 5, 24, {});
    const ornatex::Image none = ornatex::decodeTGA(empty.data(), empty.size());
    EXPECT_TRUE(none.ok());
    EXPECT_EQ(none.size(), 0u);
}

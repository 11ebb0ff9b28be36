// The import step in-process: the sample conversions, the fixes over
// stb_image's TGA reading, the SGI core's grey files, libtiff's variants,
// the pixel limit, and one-line refusals. Files are built here byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ImageImport.h"
#include "PixelConvert.h"
#if defined(ORNATEX_HAVE_LIBDEFLATE)
#include "PngPreinflate.h"
#endif

namespace {

using Bytes = std::vector<unsigned char>;

// Every import here also asks the question `check` asks, whether the file
// imports, without pixels: the answer and its reason must be the full
// import's.
tool::ImportedImage import(const Bytes& b, std::uint64_t maxPixels = std::uint64_t(1) << 28) {
    tool::ImportOptions options;
    options.limits.maxPixels = maxPixels;
    tool::ImportedImage full = tool::importImage(b.data(), b.size(), options);
    options.keepPixels = false;
    const tool::ImportedImage readable = tool::importImage(b.data(), b.size(), options);
    EXPECT_EQ(readable.error, full.error);
    EXPECT_EQ(readable.via, full.via);
    EXPECT_TRUE(readable.pixels.empty());
    if (full.ok()) {
        EXPECT_EQ(readable.width, full.width);
        EXPECT_EQ(readable.height, full.height);
    }
    return full;
}

// An 18-byte TGA header with the given image type, size, depth and descriptor.
Bytes tgaHeader(unsigned type, unsigned width, unsigned height, unsigned depth, unsigned descriptor) {
    return {0, 0, static_cast<unsigned char>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0,
            static_cast<unsigned char>(width), 0, static_cast<unsigned char>(height), 0,
            static_cast<unsigned char>(depth), static_cast<unsigned char>(descriptor)};
}

Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A minimal TIFF: one IFD of SHORT or LONG entries, the pixel bytes at
// offset 8 (StripOffsets points there), little- or big-endian.
struct Entry {
    std::uint16_t tag, type;
    std::vector<std::uint32_t> values;
};

Bytes tiff(bool bigEndian, const Bytes& pixels, std::vector<Entry> entries) {
    Bytes out;
    auto put = [&](Bytes& to, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) to.push_back(static_cast<unsigned char>(v >> 8 * (bigEndian ? bytes - 1 - i : i)));
    };
    out = bigEndian ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
    const std::uint32_t ifd = 8 + std::uint32_t(pixels.size());
    put(out, ifd, 4);
    out.insert(out.end(), pixels.begin(), pixels.end());
    Bytes extra;  // values longer than 4 bytes, after the IFD
    const std::uint32_t extraAt = ifd + 2 + 12 * std::uint32_t(entries.size()) + 4;
    put(out, std::uint32_t(entries.size()), 2);
    for (const Entry& e : entries) {
        const int size = e.type == 3 ? 2 : 4;
        put(out, e.tag, 2);
        put(out, e.type, 2);
        put(out, std::uint32_t(e.values.size()), 4);
        Bytes field;
        for (std::uint32_t v : e.values) put(field, v, size);
        if (field.size() <= 4) {
            field.resize(4, 0);
            out.insert(out.end(), field.begin(), field.end());
        } else {
            put(out, extraAt + std::uint32_t(extra.size()), 4);
            extra.insert(extra.end(), field.begin(), field.end());
        }
    }
    put(out, 0, 4);
    return cat(out, extra);
}

// A PNG built here: its IHDR, the given chunks before the image data, and
// the rows (each with its filter byte) in one zlib stream of stored blocks.
std::uint32_t crc32Of(const Bytes& b, std::size_t from) {
    std::uint32_t c = 0xffffffffu;
    for (std::size_t i = from; i < b.size(); ++i) {
        c ^= b[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
    }
    return ~c;
}

void putBig32(Bytes& to, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) to.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void pngChunk(Bytes& png, const char* type, const Bytes& data) {
    putBig32(png, std::uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    putBig32(png, crc32Of(body, 0));
}

Bytes png(unsigned width, unsigned height, unsigned depth, unsigned colourType, const Bytes& rows,
          const std::vector<std::pair<const char*, Bytes>>& chunks = {}, unsigned interlace = 0) {
    Bytes out = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    Bytes ihdr;
    putBig32(ihdr, width);
    putBig32(ihdr, height);
    ihdr.insert(ihdr.end(), {static_cast<unsigned char>(depth), static_cast<unsigned char>(colourType), 0, 0,
                             static_cast<unsigned char>(interlace)});
    pngChunk(out, "IHDR", ihdr);
    for (const auto& chunk : chunks) pngChunk(out, chunk.first, chunk.second);
    Bytes z = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (unsigned char v : rows) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < rows.size() || at == 0;) {
        const std::size_t n = std::min<std::size_t>(65535, rows.size() - at);
        z.push_back(at + n == rows.size() ? 1 : 0);
        z.insert(z.end(), {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                           static_cast<unsigned char>(~n), static_cast<unsigned char>(~n >> 8)});
        z.insert(z.end(), rows.begin() + long(at), rows.begin() + long(at + n));
        at += n;
        if (n == 0) break;
    }
    putBig32(z, (b << 16) | a);
    pngChunk(out, "IDAT", z);
    pngChunk(out, "IEND", {});
    return out;
}

// The entries of an uncompressed single-strip image.
std::vector<Entry> stripEntries(unsigned width, unsigned height, std::vector<std::uint32_t> bits, unsigned photometric,
                                std::uint32_t byteCount) {
    return {{256, 3, {width}},
            {257, 3, {height}},
            {258, 3, bits},
            {259, 3, {1}},
            {262, 3, {photometric}},
            {273, 4, {8}},
            {277, 3, {std::uint32_t(bits.size())}},
            {278, 3, {height}},
            {279, 4, {byteCount}}};
}

TEST(PixelConvert, SixteenBitSamplesRoundToNearest) {
    // 128 / 257 = 0.498 rounds down, 129 / 257 = 0.502 up; truncation
    // (v >> 8) would give 0 for both.
    EXPECT_EQ(tool::sample16To8(0), 0);
    EXPECT_EQ(tool::sample16To8(128), 0);
    EXPECT_EQ(tool::sample16To8(129), 1);
    EXPECT_EQ(tool::sample16To8(32767), 127);
    EXPECT_EQ(tool::sample16To8(32896), 128);
    EXPECT_EQ(tool::sample16To8(65535), 255);
    EXPECT_EQ(tool::sampleBitsTo8(1, 1), 255);
    EXPECT_EQ(tool::sampleBitsTo8(1, 2), 85);
    EXPECT_EQ(tool::sampleBitsTo8(7, 4), 119);
}

TEST(PixelConvert, GreyAndAlphaExpandAndPremultipliedAlphaIsUndone) {
    tool::PixelBytes out;
    const unsigned char grey[] = {7, 200};
    EXPECT_EQ(tool::expandToRgb(grey, 2, 1, 1, false, out), 3);
    EXPECT_EQ(out, (Bytes{7, 7, 7, 200, 200, 200}));
    const unsigned char greyAlpha[] = {9, 100};
    EXPECT_EQ(tool::expandToRgb(greyAlpha, 1, 1, 2, false, out), 4);
    EXPECT_EQ(out, (Bytes{9, 9, 9, 100}));
    // Upside down: three rows of one grey, grey-alpha or RGB pixel come out
    // last row first.
    const unsigned char greyRows[] = {1, 2, 3};
    EXPECT_EQ(tool::expandToRgb(greyRows, 1, 3, 1, true, out), 3);
    EXPECT_EQ(out, (Bytes{3, 3, 3, 2, 2, 2, 1, 1, 1}));
    const unsigned char greyAlphaRows[] = {1, 10, 2, 20};
    EXPECT_EQ(tool::expandToRgb(greyAlphaRows, 1, 2, 2, true, out), 4);
    EXPECT_EQ(out, (Bytes{2, 2, 2, 20, 1, 1, 1, 10}));
    const unsigned char rgbRows[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(tool::expandToRgb(rgbRows, 2, 2, 3, true, out), 3);
    EXPECT_EQ(out, (Bytes{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
    Bytes rgba = {64, 32, 0, 128, 10, 20, 30, 0, 200, 100, 50, 255, 90, 90, 90, 60};
    tool::unpremultiplyAlpha(rgba.data(), 4);
    // 64 * 255 / 128 = 127.5 and 32 * 255 / 128 = 63.75, rounded down;
    // alpha 0 and 255 keep their colour; 90 * 255 / 60 is capped at 255.
    EXPECT_EQ(rgba, (Bytes{127, 63, 0, 128, 10, 20, 30, 0, 200, 100, 50, 255, 255, 255, 255, 60}));
}

TEST(ImportTga, OurDecoderReadsWhatItAccepts) {
    const tool::ImportedImage image = import(cat(tgaHeader(2, 1, 1, 24, 0), {1, 2, 3}));
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.via, "ornatex");
    EXPECT_EQ(image.pixels, (Bytes{3, 2, 1}));
}

TEST(ImportTga, RunLengthFilesKeepTheirOriginCorner) {
    // 2 x 2, one raw packet of 4 pixels (blue, green, red) whose reds are
    // 10 20 / 30 40 in stored order.
    const Bytes packet = {0x03, 0, 0, 10, 0, 0, 20, 0, 0, 30, 0, 0, 40};
    struct Case {
        unsigned descriptor;
        Bytes expected;  // red of each pixel, bottom row first, left to right
    } cases[] = {
        {0x00, {10, 20, 30, 40}},  // bottom-left
        {0x10, {20, 10, 40, 30}},  // bottom-right: each row mirrored
        {0x20, {30, 40, 10, 20}},  // top-left: rows reversed
        {0x30, {40, 30, 20, 10}},  // top-right: both
    };
    for (const Case& c : cases) {
        const tool::ImportedImage image = import(cat(tgaHeader(10, 2, 2, 24, c.descriptor), packet));
        ASSERT_TRUE(image.ok()) << image.error;
        EXPECT_EQ(image.via, "stb_image");
        ASSERT_EQ(image.pixels.size(), 12u);
        Bytes red;
        for (int i = 0; i < 4; ++i) red.push_back(image.pixels[3 * i]);
        EXPECT_EQ(red, c.expected) << "descriptor " << c.descriptor;
    }
}

TEST(ImportTga, ColourMappedAndGreyFiles) {
    // Colour-mapped (type 1): two 24-bit entries, indices 1 0.
    Bytes mapped = {0, 1, 1, 0, 0, 2, 0, 24, 0, 0, 0, 0, 2, 0, 1, 0, 8, 0};
    mapped = cat(mapped, {1, 2, 3, 4, 5, 6, 1, 0});
    tool::ImportedImage image = import(mapped);
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.pixels, (Bytes{6, 5, 4, 3, 2, 1}));
    image = import(cat(tgaHeader(3, 2, 1, 8, 0), {50, 60}));
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.pixels, (Bytes{50, 50, 50, 60, 60, 60}));
}

TEST(ImportTga, DataCutShortIsRefusedInOneLine) {
    // stb_image would hand over uninitialised memory for these.
    for (const Bytes& file : {cat(tgaHeader(3, 4, 4, 8, 0), {1, 2, 3}),                    // grey, 3 of 16 bytes
                              cat(tgaHeader(10, 4, 1, 24, 0), {0x81, 1, 2, 3}),             // run of 2 of 4 pixels
                              cat(tgaHeader(10, 4, 1, 24, 0), {0x03, 1, 2, 3, 4, 5, 6})}) {  // raw packet cut short
        const tool::ImportedImage image = import(file);
        EXPECT_FALSE(image.ok());
        EXPECT_TRUE(image.pixels.empty());
        EXPECT_NE(image.error.find("TGA"), std::string::npos) << image.error;
        EXPECT_EQ(image.error.find('\n'), std::string::npos);
    }
}

// What stb_image itself would refuse after its header test, refused before
// it runs, so that asking whether a file imports needs no decode.
TEST(ImportTga, WhatStbImageRefusesAfterItsHeaderIsRefusedFirst) {
    // A colour map of no entries, indices into it.
    Bytes mapped = {0, 1, 1, 0, 0, 0, 0, 24, 0, 0, 0, 0, 2, 0, 1, 0, 8, 0};
    EXPECT_EQ(import(cat(mapped, {0, 0})).error, "TGA colour map of 0 entries");
    // 65535 x 8193 pixels of 4 bytes, more than an int counts; every pixel
    // is in the file, as runs of 128, and within the pixel limit given.
    Bytes big = tgaHeader(10, 0xff, 1, 32, 0);
    big[13] = 0xff;  // width 65535
    big[15] = 0x20;  // height 8193
    const std::uint64_t pixels = 65535ull * 8193;
    const std::size_t runs = std::size_t(pixels / 128), tail = std::size_t(pixels % 128);
    big.reserve(big.size() + 5 * (runs + 1));
    for (std::size_t r = 0; r < runs; ++r) big.insert(big.end(), {0xff, 1, 2, 3, 4});
    big.insert(big.end(), {static_cast<unsigned char>(0x80 | (tail - 1)), 1, 2, 3, 4});
    EXPECT_EQ(import(big, std::uint64_t(1) << 30).error,
              "65535 x 8193 pixels, more bytes than stb_image decodes at once");
}

// An SGI header (512 bytes) of the given storage, size and channels.
Bytes sgiHeader(unsigned storage, unsigned width, unsigned height, unsigned channels) {
    Bytes h(512, 0);
    h[0] = 0x01, h[1] = 0xDA, h[2] = static_cast<unsigned char>(storage), h[3] = 1, h[5] = 3;
    h[7] = static_cast<unsigned char>(width), h[9] = static_cast<unsigned char>(height);
    h[11] = static_cast<unsigned char>(channels);
    return h;
}

TEST(ImportSgi, GreyFilesThroughTheLibrarysCore) {
    // Verbatim, 1 channel, 2 x 1.
    tool::ImportedImage image = import(cat(sgiHeader(0, 2, 1, 1), {10, 20}));
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.via, "ornatex");
    EXPECT_EQ(image.pixels, (Bytes{10, 10, 10, 20, 20, 20}));
    // Run-length, 2 channels (grey, alpha), 1 x 2: start table (4 entries),
    // length table, then the scanlines: grey rows 5, 6; alpha rows 7, 8.
    Bytes rle = sgiHeader(1, 1, 2, 2);
    const unsigned dataAt = 512 + 32;
    for (unsigned i = 0; i < 4; ++i) rle = cat(rle, {0, 0, static_cast<unsigned char>((dataAt + 3 * i) >> 8),
                                                    static_cast<unsigned char>(dataAt + 3 * i)});
    for (unsigned i = 0; i < 4; ++i) rle = cat(rle, {0, 0, 0, 3});
    rle = cat(rle, {0x01, 5, 0, 0x01, 6, 0, 0x01, 7, 0, 0x01, 8, 0});
    image = import(rle);
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.pixels, (Bytes{5, 5, 5, 7, 6, 6, 6, 8}));
    // Without the option the loaders' refusal stands.
    tool::ImportOptions strict;
    strict.sgiAnyChannels = false;
    const Bytes verbatim = cat(sgiHeader(0, 2, 1, 1), {10, 20});
    EXPECT_FALSE(tool::importImage(verbatim.data(), verbatim.size(), strict).ok());
    // Planes cut short stay refused.
    EXPECT_FALSE(import(cat(sgiHeader(0, 4, 4, 1), {1, 2, 3})).ok());
}

TEST(ImportTiff, VariantsTheLoadersRefuse) {
    // RGB, little-endian, 2 x 1.
    tool::ImportedImage image = import(tiff(false, {1, 2, 3, 4, 5, 6}, stripEntries(2, 1, {8, 8, 8}, 2, 6)));
    if (!tool::importHasLibtiff()) {
        // A build without libtiff: our decoder's reason and what is missing, one line.
        EXPECT_FALSE(image.ok());
        EXPECT_NE(image.error.find("needs libtiff, which this build does not have"), std::string::npos) << image.error;
        EXPECT_EQ(image.error.find('\n'), std::string::npos);
        return;
    }
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.via, "libtiff");
    EXPECT_EQ(image.pixels, (Bytes{1, 2, 3, 4, 5, 6}));
    // 16-bit grey, big-endian: 128, 129, 65535 round to 0, 1, 255.
    image = import(tiff(true, {0, 128, 0, 129, 255, 255}, stripEntries(3, 1, {16}, 1, 6)));
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.pixels, (Bytes{0, 0, 0, 1, 1, 1, 255, 255, 255}));
    // Premultiplied alpha (ExtraSamples 1) is undone.
    std::vector<Entry> assoc = stripEntries(1, 1, {8, 8, 8, 8}, 2, 4);
    assoc.push_back({338, 3, {1}});
    image = import(tiff(false, {64, 32, 0, 128}, assoc));
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.pixels, (Bytes{127, 63, 0, 128}));
    // Unassociated alpha (ExtraSamples 2) is kept as it is.
    std::vector<Entry> unassoc = stripEntries(1, 1, {8, 8, 8, 8}, 2, 4);
    unassoc.push_back({338, 3, {2}});
    image = import(tiff(false, {64, 32, 0, 128}, unassoc));
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.pixels, (Bytes{64, 32, 0, 128}));
    // Min-is-white 1-bit, 8 x 1: 0b10100000 is black, white, black, white...
    image = import(tiff(false, {0xA0}, stripEntries(8, 1, {1}, 0, 1)));
    ASSERT_TRUE(image.ok()) << image.error;
    Bytes red;
    for (int i = 0; i < 8; ++i) red.push_back(image.pixels[3 * i]);
    EXPECT_EQ(red, (Bytes{0, 255, 0, 255, 255, 255, 255, 255}));
}

// Big-endian palette files, which the loaders do not take: each index looks
// up its colour, whether the map holds 16-bit values (the top byte is kept)
// or was written with 8-bit ones (taken as they stand).
TEST(ImportTiff, PaletteIndicesLookUpTheirColours) {
    if (!tool::importHasLibtiff()) GTEST_SKIP() << "built without libtiff";
    for (const bool wide : {true, false}) {
        SCOPED_TRACE(wide);
        // A wide entry carries its colour in the top byte and 0x33 below it.
        const auto entry = [wide](unsigned v) { return wide ? v << 8 | 0x33 : v; };
        std::vector<std::uint32_t> map;
        for (unsigned i = 0; i < 256; ++i) map.push_back(entry(i));
        for (unsigned i = 0; i < 256; ++i) map.push_back(entry(255 - i));
        for (unsigned i = 0; i < 256; ++i) map.push_back(entry(i ^ 0x5Au));
        std::vector<Entry> entries = stripEntries(3, 2, {8}, 3, 6);
        entries.push_back({320, 3, map});
        const tool::ImportedImage image = import(tiff(true, {0, 7, 255, 255, 7, 0}, entries));
        ASSERT_TRUE(image.ok()) << image.error;
        EXPECT_EQ(image.via, "libtiff");
        EXPECT_EQ(image.channels, 3);
        // Bottom row first.
        EXPECT_EQ(image.pixels, (Bytes{255, 0, 0xA5, 7, 248, 0x5D, 0, 255, 0x5A, 0, 255, 0x5A, 7, 248, 0x5D, 255, 0, 0xA5}));
    }
}

TEST(ImportTiff, OrientationIsApplied) {
    if (!tool::importHasLibtiff()) GTEST_SKIP() << "built without libtiff";
    // Grey 3 x 2 stored as rows 1 2 3 / 4 5 6.
    struct Case {
        unsigned orientation;
        int width, height;
        Bytes seen;  // top row first, as the picture is seen
    } cases[] = {
        {1, 3, 2, {1, 2, 3, 4, 5, 6}}, {2, 3, 2, {3, 2, 1, 6, 5, 4}}, {3, 3, 2, {6, 5, 4, 3, 2, 1}},
        {4, 3, 2, {4, 5, 6, 1, 2, 3}}, {5, 2, 3, {1, 4, 2, 5, 3, 6}}, {6, 2, 3, {4, 1, 5, 2, 6, 3}},
        {7, 2, 3, {6, 3, 5, 2, 4, 1}}, {8, 2, 3, {3, 6, 2, 5, 1, 4}},
    };
    for (const Case& c : cases) {
        std::vector<Entry> entries = stripEntries(3, 2, {8}, 1, 6);
        entries.push_back({274, 3, {c.orientation}});
        const tool::ImportedImage image = import(tiff(false, {1, 2, 3, 4, 5, 6}, entries));
        ASSERT_TRUE(image.ok()) << image.error;
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        Bytes seen;
        for (int y = c.height - 1; y >= 0; --y)
            for (int x = 0; x < c.width; ++x) seen.push_back(image.pixels[3 * (y * c.width + x)]);
        EXPECT_EQ(seen, c.seen) << "orientation " << c.orientation;
    }
}

// A picture large enough to be read on several threads: 1024 x 1024 RGB
// in 16 strips of 64 rows, sample values that name their place.
TEST(ImportTiff, LargeStripImagesLandRowsInPlace) {
    if (!tool::importHasLibtiff()) GTEST_SKIP() << "built without libtiff";
    const unsigned side = 1024, rowsPerStrip = 64, strips = side / rowsPerStrip;
    const std::uint32_t stripBytes = side * rowsPerStrip * 3;
    Bytes stored(std::size_t(side) * side * 3);
    for (unsigned y = 0; y < side; ++y)  // from the top of the file
        for (unsigned x = 0; x < side; ++x) {
            unsigned char* p = &stored[(std::size_t(y) * side + x) * 3];
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y);
            p[2] = static_cast<unsigned char>((x >> 8) | (y >> 8) << 4);
        }
    auto entriesFor = [&](unsigned orientation, std::uint32_t lastStripBytes) {
        std::vector<std::uint32_t> offsets, counts;
        for (unsigned s = 0; s < strips; ++s) {
            offsets.push_back(8 + s * stripBytes);
            counts.push_back(s + 1 == strips ? lastStripBytes : stripBytes);
        }
        return std::vector<Entry>{{256, 3, {side}},     {257, 3, {side}}, {258, 3, {8, 8, 8}},
                                  {259, 3, {1}},        {262, 3, {2}},    {273, 4, offsets},
                                  {274, 3, {orientation}}, {277, 3, {3}}, {278, 3, {rowsPerStrip}},
                                  {279, 4, counts}};
    };
    // The stored sample at (x, y from the top) as the seen picture's corner
    // ends up: bottom-left of the output is the first pixel.
    struct Case {
        unsigned orientation;
        unsigned storedX, storedY;  // the stored pixel seen at the bottom-left
    } cases[] = {{1, 0, side - 1}, {2, side - 1, side - 1}, {3, side - 1, 0}, {4, 0, 0}};
    for (const Case& c : cases) {
        const tool::ImportedImage image = import(tiff(false, stored, entriesFor(c.orientation, stripBytes)));
        ASSERT_TRUE(image.ok()) << image.error;
        ASSERT_EQ(image.width, int(side));
        ASSERT_EQ(image.height, int(side));
        ASSERT_EQ(image.channels, 3);
        const unsigned char* want = &stored[(std::size_t(c.storedY) * side + c.storedX) * 3];
        EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.begin() + 3), Bytes(want, want + 3))
            << "orientation " << c.orientation;
    }
    // Orientation 1, every row: the output's row k from the bottom is the
    // stored row side-1-k, whichever thread decoded its strip.
    const tool::ImportedImage upright = import(tiff(false, stored, entriesFor(1, stripBytes)));
    ASSERT_TRUE(upright.ok()) << upright.error;
    std::size_t wrongRows = 0;
    for (unsigned k = 0; k < side; ++k)
        wrongRows += !std::equal(upright.pixels.begin() + std::size_t(k) * side * 3,
                                 upright.pixels.begin() + std::size_t(k + 1) * side * 3,
                                 stored.begin() + std::size_t(side - 1 - k) * side * 3);
    EXPECT_EQ(wrongRows, 0u);
    // Half of the last strip (a helper thread's) lies past the end of the
    // file (the directory follows the shortened pixels): refused in one line.
    const Bytes pixelsCut(stored.begin(), stored.end() - stripBytes / 2);
    const tool::ImportedImage refused = import(tiff(false, pixelsCut, entriesFor(1, stripBytes)));
    EXPECT_FALSE(refused.ok());
    EXPECT_FALSE(refused.error.empty());
    EXPECT_EQ(refused.error.find('\n'), std::string::npos) << refused.error;
}

TEST(ImportPng, SixteenBitSamplesRoundToNearestForEveryValue) {
    // 256 x 256 grey of 16 bits holding every value 0..65535 once.
    Bytes rows;
    for (unsigned y = 0; y < 256; ++y) {
        rows.push_back(0);  // no filter
        for (unsigned x = 0; x < 256; ++x) rows.insert(rows.end(), {static_cast<unsigned char>(y), static_cast<unsigned char>(x)});
    }
    const tool::ImportedImage image = import(png(256, 256, 16, 0, rows));
    ASSERT_TRUE(image.ok()) << image.error;
    ASSERT_EQ(image.channels, 3);
    std::size_t wrong = 0;
    for (unsigned v = 0; v < 65536; ++v) {
        const unsigned y = 255 - v / 256, x = v % 256;  // the output is bottom row first
        const unsigned char got = image.pixels[(std::size_t(y) * 256 + x) * 3];
        wrong += got != (v * 255 + 32767) / 65535;
    }
    EXPECT_EQ(wrong, 0u);
}

#if defined(ORNATEX_HAVE_LIBDEFLATE)
// The file as PngPreinflate rewrites it for libpng, or nothing when it
// leaves the file as it is.
Bytes preinflated(const Bytes& file) {
    tool::PngPreinflate p;
    if (!p.prepare(file.data(), file.size(), std::uint64_t(1) << 28)) return {};
    Bytes out;
    unsigned char buffer[1000];
    for (std::size_t n; (n = p.read(buffer, sizeof buffer)) > 0;) out.insert(out.end(), buffer, buffer + n);
    return out;
}

// The IDAT chunk of a one-IDAT file split in two after `at` data bytes.
Bytes splitIdat(const Bytes& file, std::size_t at, const Bytes& between = {}) {
    std::size_t chunk = 8;
    while (!std::equal(file.begin() + long(chunk + 4), file.begin() + long(chunk + 8), "IDAT"))
        chunk += 12 + ((std::size_t(file[chunk]) << 24) | (std::size_t(file[chunk + 1]) << 16) |
                       (std::size_t(file[chunk + 2]) << 8) | file[chunk + 3]);
    const std::size_t length = (std::size_t(file[chunk + 2]) << 8) | file[chunk + 3];
    Bytes out(file.begin(), file.begin() + long(chunk));
    pngChunk(out, "IDAT", Bytes(file.begin() + long(chunk + 8), file.begin() + long(chunk + 8 + at)));
    if (!between.empty()) pngChunk(out, "tEXt", between);
    pngChunk(out, "IDAT", Bytes(file.begin() + long(chunk + 8 + at), file.begin() + long(chunk + 8 + length)));
    out.insert(out.end(), file.begin() + long(chunk + 12 + length), file.end());
    return out;
}

TEST(ImportPng, ImageDataIsInflatedAheadOnlyWhereZlibWouldAgree) {
    // 3 x 3 grey, Adam7: each pass's pixels numbered 10 x pass + k. Passes
    // 2 and 3 are empty at this size.
    const Bytes passes = {0, 10, 0, 40, 0, 50, 51, 0, 60, 0, 61, 0, 70, 71, 72};
    const Bytes interlaced = png(3, 3, 8, 0, passes, {}, 1);
    const Bytes rewritten = preinflated(interlaced);
    ASSERT_FALSE(rewritten.empty());
    EXPECT_EQ(preinflated(rewritten).size(), rewritten.size());  // a plain PNG in turn
    const tool::ImportedImage image = import(interlaced);
    ASSERT_TRUE(image.ok()) << image.error;
    const Bytes seen = {50, 61, 51, 70, 71, 72, 10, 60, 40};  // bottom row first
    Bytes grey;
    for (std::size_t i = 0; i < image.pixels.size(); i += 3) grey.push_back(image.pixels[i]);
    EXPECT_EQ(grey, seen);
    EXPECT_EQ(import(rewritten).pixels, Bytes(image.pixels.begin(), image.pixels.end()));

    // IDAT in two chunks: joined; with a chunk between them: left to libpng.
    const Bytes plain = png(2, 2, 8, 2, {0, 1, 2, 3, 4, 5, 6, 0, 7, 8, 9, 10, 11, 12});
    const tool::ImportedImage whole = import(plain);
    ASSERT_TRUE(whole.ok()) << whole.error;
    const Bytes wholePixels(whole.pixels.begin(), whole.pixels.end());
    EXPECT_EQ(wholePixels, (Bytes{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(import(preinflated(splitIdat(plain, 9))).pixels, wholePixels);
    EXPECT_TRUE(preinflated(splitIdat(plain, 9, {'a', 0, 'b'})).empty());
    // A smaller window than 32 KiB (zlib would refuse a longer distance),
    // a wrong Adler-32 (libpng is told to read past it): left to libpng.
    Bytes smallWindow = plain;
    const std::size_t cmf = 8 + 25 + 8;  // signature, IHDR, IDAT's length and type
    smallWindow[cmf] = 0x48;
    smallWindow[cmf + 1] = 0x0d;  // (0x48 x 256 + 0x0d) % 31 == 0
    EXPECT_TRUE(preinflated(smallWindow).empty());
    Bytes badSum = plain;
    badSum[badSum.size() - 12 - 4 - 2] ^= 0x5a;
    EXPECT_TRUE(preinflated(badSum).empty());
    EXPECT_EQ(import(badSum).pixels, wholePixels);
}
#endif

TEST(ImportPng, ColourKeysPalettesAndShortFiles) {
    // Grey 3 x 1 with tRNS key 20: alpha 0 exactly where the key is.
    tool::ImportedImage image = import(png(3, 1, 8, 0, {0, 10, 20, 30}, {{"tRNS", {0, 20}}}));
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.pixels, (Bytes{10, 10, 10, 255, 20, 20, 20, 0, 30, 30, 30, 255}));
    // A 2-bit palette of two entries with one tRNS entry, indices 0 to 3:
    // past the palette reads black, past tRNS opaque.
    image = import(png(4, 1, 2, 3, {0, 0x1B}, {{"PLTE", {255, 0, 0, 0, 255, 0}}, {"tRNS", {7}}}));
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.pixels, (Bytes{255, 0, 0, 7, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
    // Two rows, bottom row first in the output.
    image = import(png(1, 2, 8, 2, {0, 1, 2, 3, 0, 4, 5, 6}));
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.pixels, (Bytes{4, 5, 6, 1, 2, 3}));
    // A wrong image-data checksum (and so a wrong chunk CRC) is read past,
    // as stb_image did: the data themselves are whole.
    Bytes badSums = png(1, 2, 8, 2, {0, 1, 2, 3, 0, 4, 5, 6});
    badSums[badSums.size() - 12 - 4 - 2] ^= 0x5a;  // inside the Adler-32, before IDAT's CRC and IEND
    image = import(badSums);
    ASSERT_TRUE(image.ok()) << image.error;
    EXPECT_EQ(image.pixels, (Bytes{4, 5, 6, 1, 2, 3}));
    // Cut short anywhere after the header: refused in one line.
    const Bytes whole = png(8, 8, 8, 2, Bytes(8 * 25, 0));
    for (std::size_t keep : {std::size_t(40), whole.size() / 2, whole.size() - 13}) {
        const tool::ImportedImage cut = import(Bytes(whole.begin(), whole.begin() + long(keep)));
        EXPECT_FALSE(cut.ok()) << keep;
        EXPECT_EQ(cut.error.find('\n'), std::string::npos) << cut.error;
    }
}

TEST(ImportLimits, PixelLimitAppliesToEveryReader) {
    // 3 x 2 = 6 pixels against a limit of 5: refused before allocation,
    // whichever reader the file goes to.
    std::vector<Bytes> files = {
        cat(tgaHeader(2, 3, 2, 24, 0), Bytes(18, 0)),  // our decoder
        cat(tgaHeader(11, 3, 2, 8, 0), {0x85, 9}),     // stb_image
        cat(sgiHeader(0, 3, 2, 1), Bytes(6, 0)),       // the SGI core
        png(3, 2, 8, 0, Bytes(8, 0)),                  // libpng (or stb_image)
    };
    if (tool::importHasLibtiff()) files.push_back(tiff(false, Bytes(18, 0), stripEntries(3, 2, {8, 8, 8}, 2, 18)));
    for (const Bytes& file : files) {
        EXPECT_TRUE(import(file).ok());
        const tool::ImportedImage image = import(file, 5);
        EXPECT_FALSE(image.ok());
        EXPECT_NE(image.error.find("limit"), std::string::npos) << image.error;
    }
}

TEST(ImportRefusal, WhatNoReaderReadsGetsOneLine) {
    for (const Bytes& file : {Bytes{}, Bytes{'h', 'e', 'l', 'l', 'o'}, Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10},
                              Bytes{'I', 'I', 42, 0, 8, 0, 0, 0}, Bytes{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0}}) {
        const tool::ImportedImage image = import(file);
        EXPECT_FALSE(image.ok());
        EXPECT_FALSE(image.error.empty());
        EXPECT_EQ(image.error.find('\n'), std::string::npos) << image.error;
    }
    EXPECT_FALSE(tool::importFile("/nonexistent/folder/file.png").ok());
}

}  // namespace

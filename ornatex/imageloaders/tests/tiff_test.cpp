#include <ornatex/decode.h>
#include <ornatex/imageloaders/ImageLoaderTIFF.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#if defined(__linux__)
#include <sys/resource.h>
#endif

#include "LoaderTestSupport.h"
#include "PngReference.h"
#include "TiffBuilder.h"

using loadertest::Bytes;
using loadertest::dataFile;
using loadertest::RecordingTexture;
using loadertest::TempDir;
using loadertest::oneStripTiff;
using loadertest::sharedRowTiff;
using loadertest::TiffBuilder;
using loadertest::tiffLong;
using loadertest::tiffShort;

namespace {

using loadertest::Loaded;

void load(const std::string& path, Loaded& l) { loadertest::runLoader(ImageLoaderTIFF::loadTIFF, path, l); }

// A colour map of 768 entries: red v * 257, green (255 - v) * 257, blue v * 256.
std::vector<std::uint32_t> standardMap() {
    std::vector<std::uint32_t> map;
    for (std::uint32_t v = 0; v < 256; ++v) map.push_back(v * 257);
    for (std::uint32_t v = 0; v < 256; ++v) map.push_back((255 - v) * 257);
    for (std::uint32_t v = 0; v < 256; ++v) map.push_back(v * 256);
    return map;
}

struct PaletteImage {
    std::uint32_t width = 4, height = 3;
    std::uint32_t rowsPerStrip = 0;  // 0: one strip, tag absent
    std::uint16_t countsType = tiffLong;
    std::uint16_t offsetsType = tiffLong;
    std::vector<std::uint32_t> map = standardMap();
    Bytes indices;  // file row order, top row first
    std::vector<TiffBuilder::Entry> extra;
};

Bytes indicesFor(std::uint32_t width, std::uint32_t rows) {
    Bytes b;
    for (std::uint32_t i = 0; i < width * rows; ++i) b.push_back(static_cast<unsigned char>(i * 7 + 3));
    return b;
}

TiffBuilder paletteBuilder(const PaletteImage& img) {
    TiffBuilder t;
    const std::size_t size = img.indices.size();
    const std::size_t perStrip = img.rowsPerStrip ? std::size_t(img.rowsPerStrip) * img.width : size;
    std::vector<std::uint32_t> offsets, counts;
    for (std::size_t at = 0; at < size; at += perStrip) {
        const std::size_t n = std::min(perStrip, size - at);
        offsets.push_back(t.append(Bytes(img.indices.begin() + at, img.indices.begin() + at + n)));
        counts.push_back(static_cast<std::uint32_t>(n));
    }
    t.entry(256, tiffShort, 1, img.width);
    t.entry(257, tiffShort, 1, img.height);
    t.entry(258, tiffShort, 1, 8);
    t.entry(259, tiffShort, 1, 1);
    t.entry(262, tiffShort, 1, 3);
    t.array(273, img.offsetsType, offsets);
    t.entry(277, tiffShort, 1, 1);
    if (img.rowsPerStrip) t.entry(278, tiffShort, 1, img.rowsPerStrip);
    t.array(279, img.countsType, counts);
    t.array(320, tiffShort, img.map);
    for (const auto& e : img.extra) t.entry(e.tag, e.type, e.count, e.value);
    return t;
}

Bytes paletteTiff(const PaletteImage& img) { return paletteBuilder(img).finish(); }

// The expected delivery: rows reversed, each index through the map's top byte.
Bytes expectedPixels(const PaletteImage& img, unsigned shift = 8) {
    const std::size_t third = img.map.size() / 3;
    Bytes out(std::size_t(img.width) * img.height * 3);
    for (std::uint32_t r = 0; r < img.height; ++r)
        for (std::uint32_t c = 0; c < img.width; ++c) {
            const unsigned v = img.indices[r * img.width + c];
            unsigned char* p = &out[((img.height - 1 - r) * img.width + c) * 3];
            p[0] = static_cast<unsigned char>(img.map[v] >> shift);
            p[1] = static_cast<unsigned char>(img.map[v + third] >> shift);
            p[2] = static_cast<unsigned char>(img.map[v + 2 * third] >> shift);
        }
    return out;
}

// The one texture call a palette image should give.
std::vector<loadertest::TextureCall> expectedCalls(const PaletteImage& img, unsigned shift = 8) {
    return {loadertest::imageCall(int(img.width), int(img.height), texRGB, expectedPixels(img, shift))};
}

// The last line of the loader's output.
std::string lastLine(const std::string& s) {
    const std::size_t end = s.size() && s.back() == '\n' ? s.size() - 1 : s.size();
    const std::size_t start = s.rfind('\n', end ? end - 1 : 0);
    return s.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
}

}  // namespace

TEST(TiffLoader, MissingEmptyAndForeignFiles) {
    TempDir dir;
    Loaded missing;
    load(dir.file("absent.tif"), missing);
    EXPECT_EQ(missing.result, 1);
    EXPECT_EQ(missing.output, "");
    EXPECT_TRUE(missing.texture.calls.empty());

    Loaded empty;
    load(dir.write("empty.tif", {}), empty);
    EXPECT_EQ(empty.result, 0);
    EXPECT_EQ(empty.output, "Byte order: -1\n");

    Loaded big;
    load(dir.write("mm.tif", {'M', 'M', 0, 42, 0, 0, 0, 8}), big);
    EXPECT_EQ(big.result, 0);
    EXPECT_EQ(big.output, "Byte order: 19789\nByte order: MSB\n");
    EXPECT_TRUE(big.texture.calls.empty());

    Loaded png;
    load(dir.write("x.png", {0x89, 'P', 'N', 'G'}), png);
    EXPECT_EQ(png.output, "Byte order: 20617\n");
}

TEST(TiffLoader, TracesTheDirectoryAndReversesRows) {
    // 100 x 50 in 5 strips of 10 rows, 1000 bytes each.
    PaletteImage img;
    img.width = 100;
    img.height = 50;
    img.rowsPerStrip = 10;
    img.indices = indicesFor(100, 50);
    TempDir dir;
    const Bytes file = paletteTiff(img);
    Loaded l;
    load(dir.write("p.tif", file), l);

    const std::uint32_t ifd = static_cast<std::uint32_t>(file.size()) - (2 + 12 * 10 + 4);
    const std::uint32_t countsAt = 8 + 5000 + 20;  // after the strips and the offsets array
    std::string expected = "Byte order: 18761\nByte order: LSB\nVersion number: 42\nData offset: " +
                           std::to_string(ifd) + "\nIFD: 10\n";
    expected += "256 3 1 100\n257 3 1 50\n258 3 1 8\n259 3 1 1\n262 3 1 3\n273 4 5 5008\n277 3 1 1\n278 3 1 10\n";
    expected += "279 4 5 " + std::to_string(countsAt) + "\n320 3 768 " + std::to_string(countsAt + 20) + "\n";
    expected += "Next IFD: 0\n";
    for (int k = 0; k < 5; ++k) expected += "StripByteCounts: 1000\n";
    expected += "pixelDataSize: 5000\n";
    for (int k = 0; k < 5; ++k) expected += "StripOffsets: " + std::to_string(8 + 1000 * k) + "\n";
    expected += "ImageLength/RowsPerStrip: 5\n";
    EXPECT_EQ(l.output, expected);
    EXPECT_EQ(l.result, 0);

    ASSERT_EQ(l.texture.calls.size(), 1u);
    const auto& c = l.texture.calls[0];
    EXPECT_EQ(c.width, 100);
    EXPECT_EQ(c.height, 50);
    EXPECT_EQ(c.format, texRGB);
    EXPECT_EQ(c.pixels, expectedPixels(img));
    // File row 0, column 3 lands at output pixel 49 x 100 + 3.
    const unsigned v = img.indices[3];
    EXPECT_EQ(c.pixels[(49 * 100 + 3) * 3 + 0], v);
    EXPECT_EQ(c.pixels[(49 * 100 + 3) * 3 + 1], 255 - v);
}

TEST(TiffLoader, ColorMapSamplesBecomeEightBit) {
    TempDir dir;
    // Any index byte: red, green and blue from entries v, 256 + v, 512 + v.
    PaletteImage all;
    all.width = 16;
    all.height = 16;
    for (unsigned v = 0; v < 256; ++v) all.indices.push_back(static_cast<unsigned char>(v));
    Loaded l;
    load(dir.write("all.tif", paletteTiff(all)), l);
    EXPECT_EQ(l.texture.calls, expectedCalls(all));

    // A map written with 8-bit samples (every entry below 256) is used as it stands.
    PaletteImage old = all;
    old.map.clear();
    for (int ch = 0; ch < 3; ++ch)
        for (std::uint32_t v = 0; v < 256; ++v) old.map.push_back(ch == 1 ? 255 - v : v);
    Loaded o;
    load(dir.write("old.tif", paletteTiff(old)), o);
    EXPECT_EQ(o.texture.calls, expectedCalls(old, 0));
}

TEST(TiffLoader, StripArraysOfEitherTypeAndInline) {
    TempDir dir;
    PaletteImage base;
    base.width = 5;
    base.height = 4;
    base.rowsPerStrip = 2;
    base.indices = indicesFor(5, 4);

    Loaded lng;
    load(dir.write("long.tif", paletteTiff(base)), lng);
    PaletteImage shortCounts = base;
    shortCounts.countsType = tiffShort;
    shortCounts.offsetsType = tiffShort;
    Loaded shrt;
    load(dir.write("short.tif", paletteTiff(shortCounts)), shrt);
    ASSERT_EQ(lng.texture.calls.size(), 1u);
    EXPECT_EQ(shrt.texture.calls, expectedCalls(base));
    // The same trace lines, whatever the field type.
    const auto tail = [](const std::string& s) { return s.substr(s.find("StripByteCounts:")); };
    EXPECT_EQ(tail(shrt.output), tail(lng.output));
    EXPECT_EQ(tail(lng.output),
              "StripByteCounts: 10\nStripByteCounts: 10\npixelDataSize: 20\nStripOffsets: 8\nStripOffsets: 18\n"
              "ImageLength/RowsPerStrip: 2\n");

    // One strip: the value fields are the offset and the byte count themselves.
    PaletteImage one = base;
    one.rowsPerStrip = 4;
    Loaded single;
    load(dir.write("one.tif", paletteTiff(one)), single);
    EXPECT_EQ(single.texture.calls, expectedCalls(base));
    EXPECT_NE(single.output.find("StripByteCounts: 20\npixelDataSize: 20\nStripOffsets: 8\nImageLength/RowsPerStrip: 1\n"),
              std::string::npos);
}

// Strips need not end at row ends: rows split between strips are joined
// (narrow rows, and rows wide enough for the 64-pixel blocks).
TEST(TiffLoader, StripsSplitInsideRows) {
    for (std::uint32_t width : {5u, 200u}) {
        SCOPED_TRACE(width);
        PaletteImage img;
        img.width = width;
        img.height = 4;
        img.indices = indicesFor(width, 4);
        const int cuts[] = {0, 7, 8, int(width) + 3, int(4 * width)};
        TiffBuilder t;
        std::vector<std::uint32_t> offsets, counts;
        for (int k = 0; k + 1 < 5; ++k) {
            offsets.push_back(t.append(Bytes(img.indices.begin() + cuts[k], img.indices.begin() + cuts[k + 1])));
            counts.push_back(static_cast<std::uint32_t>(cuts[k + 1] - cuts[k]));
        }
        t.entry(256, tiffShort, 1, width);
        t.entry(257, tiffShort, 1, 4);
        t.entry(262, tiffShort, 1, 3);
        t.array(273, tiffLong, offsets);
        t.array(279, tiffShort, counts);
        t.array(320, tiffShort, img.map);
        TempDir dir;
        Loaded l;
        load(dir.write("split.tif", t.finish()), l);
        EXPECT_EQ(l.texture.calls, expectedCalls(img)) << l.output;
    }
}

// An index beyond the map is found wherever it lies in a row.
TEST(TiffLoader, IndexBeyondTheMapInWideRows) {
    for (std::size_t at : {std::size_t(3), std::size_t(70), std::size_t(2 * 200 + 130), std::size_t(4 * 200 - 1)}) {
        SCOPED_TRACE(at);
        PaletteImage img;
        img.width = 200;
        img.height = 4;
        img.indices = Bytes(800, 7);
        img.map.assign(3 * 8, 4096);
        img.indices[at] = 8;
        TempDir dir;
        Loaded l;
        load(dir.write("bad.tif", paletteTiff(img)), l);
        EXPECT_TRUE(l.texture.calls.empty());
        EXPECT_EQ(lastLine(l.output), "TIFF file refused: a palette index lies beyond the 8 colours of the ColorMap");
    }
}

TEST(TiffLoader, RowsPerStripAbsentOrZeroMeansOneStrip) {
    TempDir dir;
    PaletteImage img;
    img.indices = indicesFor(4, 3);
    Loaded absent;
    load(dir.write("absent.tif", paletteTiff(img)), absent);
    EXPECT_EQ(lastLine(absent.output), "ImageLength/RowsPerStrip: 0");
    ASSERT_EQ(absent.texture.calls.size(), 1u);

    img.extra.push_back({278, tiffShort, 1, 0});
    Loaded zero;
    load(dir.write("zero.tif", paletteTiff(img)), zero);
    EXPECT_EQ(lastLine(zero.output), "ImageLength/RowsPerStrip: 0");
    EXPECT_EQ(zero.texture.calls, expectedCalls(img));
}

TEST(TiffLoader, DirectoryDetails) {
    TempDir dir;
    // A repeated ImageWidth: the later value is the width.
    PaletteImage img;
    img.indices = indicesFor(4, 3);
    img.extra.push_back({256, tiffShort, 1, 4});
    TiffBuilder t = paletteBuilder(img);
    t.entries[0].value = 999;
    Loaded twice;
    load(dir.write("twice.tif", t.finish()), twice);
    ASSERT_EQ(twice.texture.calls.size(), 1u);
    EXPECT_EQ(twice.texture.calls[0].width, 4);

    // More rows in the strips than ImageLength: the first H rows are delivered.
    PaletteImage tall;
    tall.indices = indicesFor(4, 5);
    tall.height = 3;
    Loaded t3;
    load(dir.write("tall.tif", paletteTiff(tall)), t3);
    EXPECT_EQ(t3.texture.calls, expectedCalls(tall));

    // Greyscale: the trace ends at the next-directory line, nothing decoded.
    TiffBuilder g;
    g.entry(256, tiffShort, 1, 1);
    g.entry(262, tiffShort, 1, 1);
    Loaded grey;
    load(dir.write("grey.tif", g.finish()), grey);
    EXPECT_EQ(lastLine(grey.output), "Next IFD: 0");
    EXPECT_TRUE(grey.texture.calls.empty());

    // No entries; a version other than 42 is printed and changes nothing.
    Loaded none;
    load(dir.write("none.tif", TiffBuilder().finish(0x4949, 43)), none);
    EXPECT_EQ(none.output,
              "Byte order: 18761\nByte order: LSB\nVersion number: 43\nData offset: 8\nIFD: 0\nNext IFD: 0\n");

    // A SHORT value whose unused bytes are not zero is read as 32 bits.
    TiffBuilder s;
    s.entry(300, tiffShort, 1, 0x00010005);
    Loaded pad;
    load(dir.write("pad.tif", s.finish()), pad);
    EXPECT_NE(pad.output.find("300 3 1 65541\n"), std::string::npos);
}

// Files the decoder cannot read correctly, and malformed ones: one line after
// the trace, no texture call, result 0.
TEST(TiffLoader, RefusesWhatItCannotDecode) {
    TempDir dir;
    PaletteImage good;
    good.width = 5;
    good.height = 4;
    good.rowsPerStrip = 2;
    good.indices = indicesFor(5, 4);

    struct Case {
        const char* name;
        Bytes file;
        std::string refusal;
    };
    std::vector<Case> cases;
    auto with = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        PaletteImage p = good;
        p.extra.push_back({tag, type, count, value});
        return paletteTiff(p);
    };
    cases.push_back({"lzw", with(259, tiffShort, 1, 5),
                     "TIFF file refused: compression 5, only uncompressed (1) strips are decoded"});
    cases.push_back({"4bit", with(258, tiffShort, 1, 4),
                     "TIFF file refused: BitsPerSample is not 8, only 8-bit palette indices are decoded"});
    cases.push_back({"spp", with(277, tiffShort, 1, 3), "TIFF file refused: SamplesPerPixel 3, only 1 is decoded"});
    cases.push_back({"width0", with(256, tiffShort, 1, 0), "TIFF file refused: ImageWidth is 0"});
    {
        TiffBuilder t = paletteBuilder(good);
        for (auto& e : t.entries)
            if (e.tag == 279) e.count = 1;
        cases.push_back({"counts", t.finish(), "TIFF file refused: 2 StripOffsets and 1 StripByteCounts"});
    }
    {
        TiffBuilder t = paletteBuilder(good);
        for (auto& e : t.entries)
            if (e.tag == 273) e.type = 5;
        cases.push_back({"rational", t.finish(),
                         "TIFF file refused: StripOffsets and StripByteCounts must be present, of field type SHORT or LONG"});
    }
    {
        TiffBuilder t = paletteBuilder(good);
        for (auto& e : t.entries)
            if (e.tag == 273) e.value = 1u << 30;
        cases.push_back({"arrayout", t.finish(), "TIFF file refused: the strip arrays lie outside the file"});
    }
    // The first strip that lies outside the file is the one named.
    for (const std::uint32_t outside : {0u, 1u}) {
        std::vector<std::uint32_t> offsets = {8, 8};
        offsets[outside] = 1u << 30;
        TiffBuilder t = paletteBuilder(good);
        t.appendLongs(offsets);
        const std::uint32_t at = static_cast<std::uint32_t>(t.file.size()) - 8;
        for (auto& e : t.entries)
            if (e.tag == 273) e.value = at;
        cases.push_back({outside ? "stripout1" : "stripout0", t.finish(),
                         "TIFF file refused: strip " + std::to_string(outside) +
                             " (offset 1073741824, 10 bytes) lies outside the file"});
    }
    {
        PaletteImage p = good;
        p.indices.pop_back();
        cases.push_back({"partial", paletteTiff(p),
                         "TIFF file refused: 19 bytes of pixel data are not whole rows of 5 covering 4 rows"});
        p = good;
        p.height = 5;
        cases.push_back({"fewrows", paletteTiff(p),
                         "TIFF file refused: 20 bytes of pixel data are not whole rows of 5 covering 5 rows"});
    }
    {
        PaletteImage p = good;
        p.map.assign(3 * 8, 0);  // 8 colours; index 10 is beyond them
        p.indices[7] = 10;
        for (auto& v : p.indices) v = static_cast<unsigned char>(v % 8);
        p.indices[7] = 10;
        cases.push_back({"index", paletteTiff(p),
                         "TIFF file refused: a palette index lies beyond the 8 colours of the ColorMap"});
        p.map.assign(2, 0);  // count / 3 = 0 colours: every index is beyond them
        cases.push_back({"mapsize", paletteTiff(p),
                         "TIFF file refused: a palette index lies beyond the 0 colours of the ColorMap"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l;
        load(dir.write(std::string(c.name) + ".tif", c.file), l);
        EXPECT_EQ(l.result, 0);
        EXPECT_TRUE(l.texture.calls.empty());
        EXPECT_EQ(lastLine(l.output), c.refusal);
    }
}

// A 1 KiB file that declares arrays of 2^30 strips allocates nothing of the
// kind and is refused.
TEST(TiffLoader, SmallFileDeclaringHugeArrays) {
    TiffBuilder t;
    t.entry(256, tiffLong, 1, 65536);
    t.entry(257, tiffLong, 1, 65536);
    t.entry(262, tiffShort, 1, 3);
    t.entry(273, tiffLong, 1u << 30, 8);
    t.entry(279, tiffLong, 1u << 30, 8);
    t.entry(320, tiffShort, 768, 8);
    Bytes f = t.finish();
    f.resize(1024, 1);
    TempDir dir;
    Loaded l;
    load(dir.write("huge.tif", f), l);
    EXPECT_EQ(lastLine(l.output), "TIFF file refused: the strip arrays lie outside the file");
    EXPECT_TRUE(l.texture.calls.empty());

    // 65535 x 65535 pixels, every strip sharing the same row of the file:
    // refused by the pixel limit before anything is allocated (3 x W x H
    // would wrap 32 bits).
    Loaded big;
    load(dir.write("big.tif", sharedRowTiff(Bytes(65535, 0), std::vector<std::uint32_t>(768, 0))), big);
    EXPECT_EQ(lastLine(big.output), "TIFF file refused: 65535 x 65535 pixels, more than the limit of 268435456");
    EXPECT_TRUE(big.texture.calls.empty());
}

// Files written by independent tools decode to the pixels libtiff's
// TIFFReadRGBAImage gives (references made with libtiff's tiff2rgba, see
// data/README-tiff-sgi.md), flipped to bottom row first.
namespace {

struct Png {
    unsigned width = 0, height = 0;
    Bytes rgb;  // top row first
};

Png readPng(const std::string& path) {
    ornatextest::PngPicture picture = ornatextest::readPngPicture(path, 3);
    Png out;
    out.width = picture.width;
    out.height = picture.height;
    out.rgb = std::move(picture.pixels);
    return out;
}

Bytes flipRows(const Bytes& rgb, unsigned width, unsigned height) {
    Bytes out(rgb.size());
    const std::size_t row = std::size_t(width) * 3;
    for (unsigned r = 0; r < height; ++r)
        std::copy(rgb.begin() + r * row, rgb.begin() + (r + 1) * row, out.begin() + (height - 1 - r) * row);
    return out;
}

}  // namespace

TEST(TiffLoader, FilesFromIndependentWritersMatchLibtiff) {
    const struct {
        const char* tiff;
        const char* reference;
    } files[] = {
        {"imagemagick-hopper-palette.tif", "imagemagick-hopper-palette.libtiff.png"},  // SHORT byte counts, 8 strips
        {"tiffcp-hopper-palette-r8.tif", "imagemagick-hopper-palette.libtiff.png"},    // 16 strips
        {"tiffcp-hopper-palette-1strip.tif", "imagemagick-hopper-palette.libtiff.png"},  // inline strip arrays
        {"commonsimaging-IndexColorPalette.tif", "commonsimaging-IndexColorPalette.libtiff.png"},  // LONG, short last strip
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.tiff);
        const Png ref = readPng(dataFile(f.reference));
        ASSERT_FALSE(ref.rgb.empty());
        Loaded l;
        load(dataFile(f.tiff), l);
        ASSERT_EQ(l.texture.calls.size(), 1u) << l.output;
        EXPECT_EQ(unsigned(l.texture.calls[0].width), ref.width);
        EXPECT_EQ(unsigned(l.texture.calls[0].height), ref.height);
        EXPECT_TRUE(l.texture.calls[0].pixels == flipRows(ref.rgb, ref.width, ref.height));
    }
}

TEST(TiffLoader, PublicSamplesOutsideTheSubsetAreRefused) {
    const char* files[] = {"goimage-video-001-paletted.tiff", "commonsimaging-oss-fuzz-53669-palette.tiff",
                           "commonsimaging-IndexColorPaletteTiled.tif", "libtiff-palette-1c-8b.tiff"};
    for (const char* name : files) {
        SCOPED_TRACE(name);
        Loaded l;
        load(dataFile(name), l);
        EXPECT_EQ(l.result, 0);
        EXPECT_TRUE(l.texture.calls.empty());
    }
}

// A directory whose offset points past the end reads as bytes of 255: 65535
// entries of tag 65535, and the trace carries on to "Next IFD: -1".
TEST(TiffLoader, DirectoryPastTheEndReadsAsBytesOf255) {
    Bytes f = {'I', 'I', 42, 0, 0xff, 0xff, 0, 0};
    f.resize(100, 0);
    TempDir dir;
    Loaded l;
    load(dir.write("far.tif", f), l);
    std::string expected = "Byte order: 18761\nByte order: LSB\nVersion number: 42\nData offset: 65535\nIFD: 65535\n";
    for (int k = 0; k < 65535; ++k) expected += "65535 65535 -1 -1\n";
    expected += "Next IFD: -1\n";
    EXPECT_TRUE(l.output == expected) << l.output.substr(0, 300);
    EXPECT_EQ(l.result, 0);
    EXPECT_TRUE(l.texture.calls.empty());
    // The reason names the first cause, not what the 255s then say.
    const ornatex::Image image = ornatex::decodeTIFF(f.data(), f.size());
    EXPECT_EQ(image.error(), "the directory at offset 65535 lies outside the file (100 bytes)");
    EXPECT_EQ(image.refusal(), ornatex::Refusal::truncated);
}

// A directory cut short by the end of the file: its missing bytes read as
// 255, and the image still decodes when the entries it needs are whole.
TEST(TiffLoader, DirectoryCutShortStillDecodes) {
    PaletteImage img;
    img.indices = indicesFor(img.width, img.height);
    img.extra.push_back({305, 2, 7, 0x01020304});  // Software, last in the directory
    Bytes f = paletteTiff(img);
    f.resize(f.size() - 6);  // the next-directory offset and half the last entry's value
    TempDir dir;
    Loaded l;
    load(dir.write("cut.tif", f), l);
    EXPECT_NE(l.output.find("\n305 2 7 -64764\nNext IFD: -1\n"), std::string::npos) << l.output;
    EXPECT_EQ(l.texture.calls, expectedCalls(img)) << l.output;
}

// Strips that share bytes of the file decode: 1000 rows, every strip the
// same 1000 bytes, 1 MB of strips in a file of about 9 KB.
TEST(TiffLoader, StripsSharingBytesDecode) {
    Bytes row(1000);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<unsigned char>(i % 7);
    TempDir dir;
    Loaded l;
    load(dir.write("shared.tif", sharedRowTiff(row, standardMap())), l);
    ASSERT_EQ(l.texture.calls.size(), 1u) << lastLine(l.output);
    const Bytes& px = l.texture.calls[0].pixels;
    ASSERT_EQ(px.size(), 3000000u);
    // Index v: red v, green 255 - v, blue v (the top bytes of the map).
    for (std::size_t r = 0; r < 1000; r += 333)
        for (std::size_t c = 0; c < 1000; c += 7) {
            const unsigned v = c % 7;
            const unsigned char* p = &px[(r * 1000 + c) * 3];
            ASSERT_EQ(Bytes(p, p + 3), (Bytes{static_cast<unsigned char>(v), static_cast<unsigned char>(255 - v),
                                               static_cast<unsigned char>(v)}));
        }
}

// The loader and decodeTIFF on the same bytes: the texture's one call and
// the decoder's image agree, and are returned for the test to check.
struct BothWays {
    Loaded loaded;
    ornatex::Image image;
};

void loadBothWays(const Bytes& file, BothWays& both) {
    TempDir dir;
    load(dir.write("both.tif", file), both.loaded);
    both.image = ornatex::decodeTIFF(file.data(), file.size());
}

// The loader hands the texture `expected` in one call, and the decoder gives
// the same pixels.
void expectBothWaysDecodeTo(const Bytes& file, const Bytes& expected) {
    BothWays both;
    loadBothWays(file, both);
    ASSERT_EQ(both.loaded.texture.calls.size(), 1u) << lastLine(both.loaded.output);
    EXPECT_EQ(both.loaded.texture.calls[0].pixels, expected);
    ASSERT_TRUE(both.image.ok()) << both.image.error();
    EXPECT_EQ(Bytes(both.image.pixels(), both.image.pixels() + both.image.size()), expected);
}

// A ColorMap cut short by the end of the file: its missing entries read as
// 65535, as the readers read past the end, and the image decodes.
TEST(TiffLoader, ColorMapCutShortReadsAsFullIntensity) {
    TiffBuilder t = oneStripTiff({0, 1}, 2, 1);
    t.entry(320, tiffShort, 6, 0);  // placed at the end of the file below
    Bytes f = t.finish();
    // Only red 0x1100, red 0x2200 and green 0x3300 are in the file.
    const std::uint32_t mapAt = static_cast<std::uint32_t>(f.size());
    const std::uint32_t ifd = f[4] | f[5] << 8 | f[6] << 16 | std::uint32_t(f[7]) << 24;
    const std::size_t value = ifd + 2 + 12 * 5 + 8;
    for (int k = 0; k < 4; ++k) f[value + k] = static_cast<unsigned char>(mapAt >> (8 * k));
    f.insert(f.end(), {0x00, 0x11, 0x00, 0x22, 0x00, 0x33});

    expectBothWaysDecodeTo(f, {0x11, 0x33, 0xFF, 0x22, 0xFF, 0xFF});
}

// A ColorMap of more than 3 x 256 entries is read by thirds: index v takes
// entries v, third + v and 2 x third + v.
TEST(TiffLoader, ColorMapOfMoreThan768EntriesDecodes) {
    std::vector<std::uint32_t> map;
    for (std::uint32_t k = 0; k < 300; ++k) map.push_back((k % 256) << 8);
    for (std::uint32_t k = 0; k < 300; ++k) map.push_back(((k + 7) % 256) << 8);
    for (std::uint32_t k = 0; k < 300; ++k) map.push_back(((k * 3) % 256) << 8);
    TiffBuilder t = oneStripTiff({0, 5, 255, 10}, 4, 1);
    t.array(320, tiffShort, map);
    expectBothWaysDecodeTo(t.finish(), {0, 7, 0, 5, 12, 15, 255, 6, 253, 10, 17, 30});
}

// A ColorMap whose count is not a multiple of 3 is read by thirds too: 7
// entries give 2 colours (red 0-1, green 2-3, blue 4-5) and the last entry is
// never reached.
TEST(TiffLoader, ColorMapOfAnyCountIsReadByThirds) {
    TiffBuilder t = oneStripTiff({1, 0}, 2, 1);
    t.array(320, tiffShort, {0x1000, 0x2000, 0x3000, 0x4000, 0x5000, 0x6000, 0x7000});
    expectBothWaysDecodeTo(t.finish(), {0x20, 0x40, 0x60, 0x10, 0x30, 0x50});
}

// An image of no rows needs no strips: the trace shows pixelDataSize 0 and
// the texture gets a W x 0 image, as with one empty strip.
TEST(TiffLoader, HeightZeroWithoutStrips) {
    TiffBuilder t;
    t.entry(256, tiffShort, 1, 4);
    t.entry(257, tiffShort, 1, 0);
    t.entry(262, tiffShort, 1, 3);
    t.entry(273, tiffLong, 0, 0);
    t.entry(279, tiffLong, 0, 0);
    t.array(320, tiffShort, standardMap());
    BothWays both;
    loadBothWays(t.finish(), both);
    EXPECT_NE(both.loaded.output.find("\npixelDataSize: 0\nImageLength/RowsPerStrip: 0\n"), std::string::npos)
        << both.loaded.output;
    EXPECT_EQ(both.loaded.texture.calls, (std::vector<loadertest::TextureCall>{loadertest::imageCall(4, 0, texRGB, {})}))
        << lastLine(both.loaded.output);
    ASSERT_TRUE(both.image.ok()) << both.image.error();
    EXPECT_EQ(both.image.width(), 4);
    EXPECT_EQ(both.image.height(), 0);
}

#if !defined(_WIN32)
// A folder opens as a file here, and reads as an empty one: the byte-order
// mark reads as 255 255.
TEST(TiffLoader, FolderReadsAsAnEmptyFile) {
    TempDir dir;
    Loaded l;
    EXPECT_NO_THROW(load(dir.path.string(), l));
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.output, "Byte order: -1\n");
    EXPECT_TRUE(l.texture.calls.empty());
}
#endif

#if defined(__SANITIZE_ADDRESS__)
#define ORNATEX_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORNATEX_UNDER_ASAN 1
#endif
#endif

#if defined(__linux__) && !defined(ORNATEX_UNDER_ASAN)
namespace {
// Loads the file with the address space limited (in a child process): 0
// when the texture got the expected pixels, 3 when the loader threw.
int loadWithAddressSpace(const std::string& path, std::uint64_t bytes, const Bytes& expected) {
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(bytes);
    if (setrlimit(RLIMIT_AS, &limit) != 0) return 2;
    RecordingTexture texture;
    try {
        ImageLoaderTIFF::loadTIFF(&texture, path.c_str());
    } catch (...) {
        return 3;
    }
    return texture.calls.size() == 1 && texture.calls[0].pixels == expected ? 0 : 4;
}
}  // namespace

// The loader reads only what the directory points to: a 3 GB sparse file
// whose image lies in its first bytes loads with 1 GB of address space.
TEST(TiffLoader, ReadsOnlyWhatTheDirectoryPointsTo) {
    PaletteImage img;
    img.indices = indicesFor(img.width, img.height);
    TempDir dir;
    const std::string path = dir.write("sparse.tif", paletteTiff(img));
    std::error_code ec;
    std::filesystem::resize_file(path, std::uint64_t(3) << 30, ec);
    if (ec) GTEST_SKIP() << "no 3 GB sparse file here: " << ec.message();
    const Bytes expected = expectedPixels(img);
    EXPECT_EXIT(std::_Exit(loadWithAddressSpace(path, std::uint64_t(1) << 30, expected)), testing::ExitedWithCode(0),
                "");
}
#endif

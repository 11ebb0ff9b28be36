#include <ornatex/imageloaders/ImageLoaderRGBA.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <ornatex/imageloaders/internal/SgiDump.h>
#include <ornatex/imageloaders/internal/TextSink.h>
#include "LoaderTestSupport.h"
#include "PngReference.h"

using loadertest::RecordingTexture;
using loadertest::TempDir;
using loadertest::Bytes;
using loadertest::imageCall;
using Calls = std::vector<loadertest::TextureCall>;
using loadertest::concat;
using loadertest::dataFile;
using loadertest::putBig32;
using loadertest::sgiHeader;

namespace {

using loadertest::Loaded;

void load(const std::string& path, Loaded& l) { loadertest::runLoader(ImageLoaderRGBA::loadRGBA, path, l); }

// A run-length encoded file; scanlines[c][y] holds that scanline's packets.
Bytes rleFile(unsigned width, unsigned height, const std::vector<std::vector<Bytes>>& scanlines, unsigned storage = 1,
              unsigned bpc = 1) {
    const unsigned channels = static_cast<unsigned>(scanlines.size());
    Bytes f = sgiHeader(storage, bpc, width, height, channels);
    std::uint32_t at = 512 + 8 * height * channels;
    Bytes data;
    for (const auto& channel : scanlines)
        for (const Bytes& line : channel) {
            putBig32(f, at + static_cast<std::uint32_t>(data.size()));
            data.insert(data.end(), line.begin(), line.end());
        }
    for (const auto& channel : scanlines)
        for (const Bytes& line : channel) putBig32(f, static_cast<std::uint32_t>(line.size()));
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

// What one printf("%u %u %u\n") a line gives for the same bytes.
std::string printfDump(const Bytes& bytes, std::size_t lines) {
    std::string out;
    char line[32];
    for (std::size_t k = 0; k < lines; ++k) {
        auto at = [&](std::size_t i) { return i < bytes.size() ? unsigned(bytes[i]) : 0u; };
        std::snprintf(line, sizeof line, "%u %u %u\n", at(3 * k), at(3 * k + 1), at(3 * k + 2));
        out += line;
    }
    return out;
}

}  // namespace

TEST(SgiLoader, VerbatimPlanesAreInterleaved) {
    TempDir dir;
    Loaded rgba;
    load(dir.write("v4.sgi", concat(sgiHeader(0, 1, 2, 1, 4), {1, 2, 3, 4, 5, 6, 7, 8})), rgba);
    EXPECT_EQ(rgba.texture.calls, Calls{imageCall(2, 1, texRGBA, {1, 3, 5, 7, 2, 4, 6, 8})});
    EXPECT_EQ(rgba.output, "");
    EXPECT_EQ(rgba.result, 0);

    // Three planes are interleaved the same way and go in as texRGB.
    Loaded rgb;
    load(dir.write("v3.sgi", concat(sgiHeader(0, 1, 2, 1, 3), {1, 2, 3, 4, 5, 6})), rgb);
    EXPECT_EQ(rgb.texture.calls, Calls{imageCall(2, 1, texRGB, {1, 3, 5, 2, 4, 6})});

    // Width 0 still uploads; one channel does not.
    Loaded empty, grey;
    load(dir.write("w0.sgi", sgiHeader(0, 1, 0, 5, 4)), empty);
    EXPECT_EQ(empty.texture.calls, Calls{imageCall(0, 5, texRGBA, {})});
    load(dir.write("bw.sgi", concat(sgiHeader(0, 1, 2, 1, 1), {1, 2})), grey);
    EXPECT_TRUE(grey.texture.calls.empty());
    EXPECT_EQ(grey.output, "");

    // Two bytes a channel: the most significant byte of each sample.
    Loaded wide;
    load(dir.write("v16.sgi", concat(sgiHeader(0, 2, 1, 1, 3), {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc})), wide);
    EXPECT_EQ(wide.texture.calls, Calls{imageCall(1, 1, texRGB, {0x12, 0x56, 0x9a})});
}

TEST(SgiLoader, RunLengthScanlinesAndDump) {
    TempDir dir;
    const Bytes f = rleFile(3, 1, {{{0x83, 0x0A, 0x0B, 0x0C, 0x00}}, {{0x03, 0x14, 0x00}},
                                   {{0x82, 0x1E, 0x1F, 0x01, 0x20, 0x00}}});
    Loaded l;
    load(dir.write("rle.sgi", f), l);
    EXPECT_EQ(l.output, "10 20 30\n");
    EXPECT_EQ(l.texture.calls, Calls{imageCall(3, 1, texRGB, {0x0A, 0x14, 0x1E, 0x0B, 0x14, 0x1F, 0x0C, 0x14, 0x20})});

    // Storage byte 2 is run-length encoded too; 0x80 ends a scanline like 0x00.
    Bytes two = rleFile(3, 1, {{{0x83, 0x0A, 0x0B, 0x0C, 0x80}}, {{0x03, 0x14, 0x80}},
                               {{0x82, 0x1E, 0x1F, 0x01, 0x20, 0x80}}}, 2);
    Loaded s2;
    load(dir.write("rle2.sgi", two), s2);
    EXPECT_EQ(s2.texture.calls, l.texture.calls);

    // Width 4, height 2, 4 channels: the second row starts at byte 16.
    std::vector<std::vector<Bytes>> lines(4);
    for (unsigned c = 0; c < 4; ++c)
        for (unsigned y = 0; y < 2; ++y)
            lines[c].push_back({0x04, static_cast<unsigned char>(10 * y + c), 0x00});
    Loaded wide;
    load(dir.write("4x2.sgi", rleFile(4, 2, lines)), wide);
    ASSERT_EQ(wide.texture.calls.size(), 1u);
    EXPECT_EQ(wide.texture.calls[0].format, texRGBA);
    const Bytes& p = wide.texture.calls[0].pixels;
    EXPECT_EQ(Bytes(p.begin(), p.begin() + 4), (Bytes{0, 1, 2, 3}));
    EXPECT_EQ(Bytes(p.begin() + 16, p.begin() + 20), (Bytes{10, 11, 12, 13}));
    // 8 pixels: (8 + 2) / 3 = 3 lines, which do not line up with the pixels.
    EXPECT_EQ(wide.output, "0 1 2\n3 0 1\n2 3 0\n");

    // One channel, 6 pixels: two dump lines, no upload.
    Loaded grey;
    load(dir.write("bw.sgi", rleFile(3, 2, {{{0x83, 1, 2, 3, 0}, {0x03, 9, 0}}})), grey);
    EXPECT_EQ(grey.output, "1 2 3\n9 9 9\n");
    EXPECT_TRUE(grey.texture.calls.empty());
    EXPECT_EQ(grey.result, 0);

    // Two bytes a channel: control words and values are 16-bit.
    Loaded rle16;
    load(dir.write("rle16.sgi", rleFile(2, 1, {{{0, 0x82, 0x01, 0x02, 0x03, 0x04, 0, 0}},
                                               {{0, 0x02, 0xAB, 0xCD, 0, 0}},
                                               {{0, 0x01, 0x09, 0x09, 0, 0x01, 0x08, 0x08, 0, 0}}}, 1, 2)),
         rle16);
    ASSERT_EQ(rle16.texture.calls.size(), 1u);
    EXPECT_EQ(rle16.texture.calls[0].pixels, (Bytes{0x01, 0xAB, 0x09, 0x03, 0xAB, 0x08}));
}

// Collects what the dump writes.
class StringSink : public ornatex::detail::TextSink {
public:
    void write(const char* text, std::size_t length) override { text_.append(text, length); }
    std::string text_;
};

TEST(SgiLoader, DumpBytesMatchPrintf) {
    // Every byte value, and lines reaching past the block (shown as 0).
    Bytes all;
    for (unsigned v = 0; v < 256; ++v) all.push_back(static_cast<unsigned char>(v));
    EXPECT_EQ(ornatex::detail::sgiDumpLines(0), 0u);
    EXPECT_EQ(ornatex::detail::sgiDumpLines(6), 2u);
    EXPECT_EQ(ornatex::detail::sgiDumpLines(7), 3u);
    for (std::size_t bytes : {std::size_t(0), std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(255),
                              std::size_t(256)}) {
        const Bytes data(all.begin(), all.begin() + bytes);
        for (std::size_t lines : {bytes / 3, (bytes + 2) / 3, bytes + 4}) {
            StringSink sink;
            ornatex::detail::writeSgiDump(data.data(), data.size(), lines, sink);
            EXPECT_EQ(sink.text_, printfDump(data, lines)) << bytes << " bytes, " << lines << " lines";
        }
    }
    // Many lines past the block (0 channels): more than one buffer of zeros.
    {
        StringSink sink;
        ornatex::detail::writeSgiDump(all.data(), 2, 25000, sink);
        EXPECT_TRUE(sink.text_ == printfDump(Bytes{0, 1}, 25000));
    }
    // A long dump crosses the writer's buffer many times.
    Bytes big(300000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(i * 131 + i / 7);
    StringSink sink;
    ornatex::detail::writeSgiDump(big.data(), big.size(), big.size() / 3, sink);
    EXPECT_TRUE(sink.text_ == printfDump(big, big.size() / 3));
}

TEST(SgiLoader, MalformedFilesStayInsideTheirBlocks) {
    TempDir dir;
    Loaded missing;
    load(dir.file("absent.sgi"), missing);
    EXPECT_EQ(missing.output, "Missing data..\n");
    EXPECT_EQ(missing.result, 0);

    const Bytes good = rleFile(3, 1, {{{0x83, 1, 2, 3, 0}}, {{0x03, 4, 0}}, {{0x03, 5, 0}}});
    struct Case {
        const char* name;
        Bytes file;
        std::string refusal;
    };
    std::vector<Case> cases;
    cases.push_back({"short", Bytes(good.begin(), good.begin() + 300),
                     "SGI file refused: 300 bytes, too short for the 512-byte header"});
    {
        Bytes f = good;
        f[512 + 4] = 0x7f;  // green's start far outside the file
        f[512 + 5] = 0;
        f[512 + 6] = 0;
        f[512 + 7] = 0x10;
        cases.push_back({"start", f, "SGI file refused: scanline 0 of channel 1 starts at 2130706448, outside the data (524 to " +
                                         std::to_string(f.size()) + ")"});
        f = good;
        f[512 + 2] = 0;  // red's start inside the header
        f[512 + 3] = 0;
        cases.push_back({"header", f, "SGI file refused: scanline 0 of channel 0 starts at 0, outside the data (524 to " +
                                          std::to_string(f.size()) + ")"});
    }
    {
        Bytes f = good;
        f.resize(f.size() - 2);  // blue's packet loses its value and terminator
        cases.push_back({"past", f, "SGI file refused: scanline 0 of channel 2 runs past the end of the file"});
    }
    cases.push_back({"table", concat(sgiHeader(1, 1, 10, 1000, 3), Bytes(64, 0)),
                     "SGI file refused: 576 bytes, the start table of 3000 entries runs past the end"});
    {
        Bytes f = concat(sgiHeader(1, 1, 65535, 65535, 4), Bytes(4 * 65535 * 4, 0));
        cases.push_back({"huge", f, "SGI file refused: 65535 x 65535 pixels, more than the limit of 268435456"});
    }
    cases.push_back({"planes", concat(sgiHeader(0, 1, 100, 100, 4), Bytes(100, 0)),
                     "SGI file refused: 612 bytes, the verbatim planes need 40512"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l;
        load(dir.write(std::string(c.name) + ".sgi", c.file), l);
        EXPECT_EQ(l.output, c.refusal + "\n");
        EXPECT_TRUE(l.texture.calls.empty());
        EXPECT_EQ(l.result, 0);
    }

    // Runs past the width stop at the width.
    Loaded runs;
    load(dir.write("runs.sgi", rleFile(2, 1, {{{0x7f, 9, 0}}, {{0x85, 1, 2, 3, 4, 5, 0}}, {{0x02, 7, 0x01, 8, 0}}})),
         runs);
    ASSERT_EQ(runs.texture.calls.size(), 1u);
    EXPECT_EQ(runs.texture.calls[0].pixels, (Bytes{9, 1, 7, 9, 2, 7}));
}

// Files written by independent tools decode to the pixels of their PNG or
// PPM references (made by the same projects, see data/README-tiff-sgi.md).
namespace {

struct Image {
    unsigned width = 0, height = 0, channels = 0;
    Bytes pixels;  // top row first
};

Image readPng(const std::string& path, bool alpha) {
    ornatextest::PngPicture picture = ornatextest::readPngPicture(path, alpha ? 4 : 3);
    Image out;
    out.width = picture.width;
    out.height = picture.height;
    out.channels = picture.channels;
    out.pixels = std::move(picture.pixels);
    return out;
}

// Binary PPM (P6, maxval 255), comments allowed in the header.
Image readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Image out;
    std::string magic;
    in >> magic;
    unsigned values[3];
    for (unsigned& v : values) {
        in >> std::ws;
        while (in.peek() == '#') {
            std::string comment;
            std::getline(in, comment);
            in >> std::ws;
        }
        in >> v;
    }
    in.get();
    out.width = values[0];
    out.height = values[1];
    out.channels = 3;
    out.pixels.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return out;
}

Bytes flipRows(const Image& img) {
    Bytes out(img.pixels.size());
    const std::size_t row = std::size_t(img.width) * img.channels;
    for (unsigned r = 0; r < img.height; ++r)
        std::copy(img.pixels.begin() + r * row, img.pixels.begin() + (r + 1) * row,
                  out.begin() + (img.height - 1 - r) * row);
    return out;
}

}  // namespace

TEST(SgiLoader, FilesFromIndependentWritersMatchTheirReferences) {
    const Image hopper = readPpm(dataFile("pillow-hopper.ppm"));
    const Image gimp = readPng(dataFile("kimageformats-rgb-gimp-2.8.10.png"), false);
    const Image testcard = readPng(dataFile("kimageformats-testcard_rgba.png"), true);
    const Image transparent = readPng(dataFile("pillow-transparent.png"), true);
    const struct {
        const char* file;
        const Image* reference;
    } files[] = {
        {"pillow-hopper.rgb", &hopper},        {"pillow-hopper.sgi", &hopper},
        {"pillow-hopper16.rgb", &hopper},      {"kimageformats-rgb-gimp-2.8.10-rle.rgb", &gimp},
        {"kimageformats-rgb-gimp-2.8.10-uncompressed.rgb", &gimp},
        {"kimageformats-rgb-gimp-2.8.10-aggressive-rle.rgb", &gimp},
        {"kimageformats-testcard_rgba.rgb", &testcard}, {"pillow-transparent.sgi", &transparent},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        ASSERT_FALSE(f.reference->pixels.empty());
        Loaded l;
        load(dataFile(f.file), l);
        ASSERT_EQ(l.texture.calls.size(), 1u) << l.output.substr(0, 200);
        const auto& c = l.texture.calls[0];
        EXPECT_EQ(unsigned(c.width), f.reference->width);
        EXPECT_EQ(unsigned(c.height), f.reference->height);
        EXPECT_EQ(texBytesPerPixel(c.format), int(f.reference->channels));
        EXPECT_TRUE(c.pixels == flipRows(*f.reference));
    }

    // One channel: decoded (its dump shows the first bytes of the reference,
    // bottom row first), not uploaded.
    const Image bw = readPng(dataFile("kimageformats-bw.png"), false);
    Loaded l;
    load(dataFile("kimageformats-bw.rgb"), l);
    EXPECT_TRUE(l.texture.calls.empty());
    Bytes grey;
    for (unsigned r = bw.height; r-- > 0;)
        for (unsigned c = 0; c < bw.width; ++c) grey.push_back(bw.pixels[(r * bw.width + c) * 3]);
    EXPECT_EQ(l.output, printfDump(grey, (grey.size() + 2) / 3));

    // The public malformed samples are refused.
    for (const char* name : {"pillow-crash-754d9c7ec485ffb76a90eeaab191ef69a2a3a3cd.sgi",
                             "pillow-ossfuzz-5730089102868480.sgi"}) {
        Loaded bad;
        load(dataFile(name), bad);
        EXPECT_TRUE(bad.texture.calls.empty()) << name;
        EXPECT_EQ(bad.output.rfind("SGI file refused: ", 0), 0u) << name;
    }
}

// A run-length file of 0 channels decodes nothing and still prints
// (width x height + 2) / 3 dump lines; with no decoded bytes they show 0.
TEST(SgiLoader, ZeroChannelsPrintsTheDumpLines) {
    TempDir dir;
    Loaded l;
    load(dir.write("none.sgi", sgiHeader(1, 1, 7, 1, 0)), l);
    EXPECT_EQ(l.output, "0 0 0\n0 0 0\n0 0 0\n");
    EXPECT_TRUE(l.texture.calls.empty());
    EXPECT_EQ(l.result, 0);
}

// Scanlines that share bytes of the file decode: 4096 x 256 pixels of 3
// channels from a file of about 3.6 KB, every scanline the same packets.
// (More than 128 output bytes a file byte, which a ratio guard refused.)
TEST(SgiLoader, ScanlinesSharingBytesDecode) {
    const unsigned width = 4096, height = 256, channels = 3;
    Bytes f = sgiHeader(1, 1, width, height, channels);
    const std::uint32_t line = 512 + 4 * height * channels;
    for (unsigned k = 0; k < height * channels; ++k) putBig32(f, line);
    for (unsigned k = 0; k < width / 127; ++k) f.insert(f.end(), {127, 0x42});
    f.insert(f.end(), {static_cast<unsigned char>(width % 127), 0x42, 0});
    TempDir dir;
    Loaded l;
    load(dir.write("shared.sgi", f), l);
    ASSERT_EQ(l.texture.calls.size(), 1u) << l.output.substr(0, 200);
    EXPECT_EQ(l.texture.calls[0].pixels, Bytes(std::size_t(width) * height * channels, 0x42));

    // The pixel limit refuses before allocating: 32768 x 32768 pixels of 4
    // channels (4 GiB, which wraps a 32-bit size to 0) from a 512 KiB table.
    Bytes huge = sgiHeader(1, 1, 32768, 32768, 4);
    const std::uint32_t run = 512 + 4 * 32768 * 4;
    for (unsigned k = 0; k < 32768u * 4; ++k) putBig32(huge, run);
    huge.insert(huge.end(), {127, 7, 0});
    Loaded refused;
    load(dir.write("huge.sgi", huge), refused);
    EXPECT_EQ(refused.output, "SGI file refused: 32768 x 32768 pixels, more than the limit of 268435456\n");
    EXPECT_TRUE(refused.texture.calls.empty());
}

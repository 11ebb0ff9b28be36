// The engine-format writers in-process: what the engine's own loaders read
// back from the files, the exact bytes of small files, the proof that stops
// a damaged file, and what a failed or interrupted write leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <ornatex/imageloaders/ImageLoaderRGBA.h>
#include <ornatex/imageloaders/ImageLoaderTGA.h>
#include <ornatex/imageloaders/ImageLoaderTIFF.h>
#include <ornatex/decode.h>

#include "AtomicFile.h"
#include "ImageWriter.h"
#include "LoaderTestSupport.h"
#include "SgiEncoder.h"
#include "TgaEncoder.h"

using loadertest::Loaded;
using loadertest::runLoader;
using loadertest::TempDir;
using tool::OutputKind;
using tool::PixelView;

namespace {

using Bytes = std::vector<unsigned char>;

// An owned picture, bottom row first, each pixel's colour telling where it
// lies; `alpha` gives the alpha of pixel k (RGBA only).
struct Picture {
    int width, height, channels;
    Bytes pixels;
    PixelView view() const { return PixelView{width, height, channels, pixels.data()}; }
};

Picture makePicture(int width, int height, int channels, unsigned char (*alpha)(int k) = nullptr) {
    Picture p{width, height, channels, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            p.pixels.push_back(static_cast<unsigned char>(37 * x + 3));
            p.pixels.push_back(static_cast<unsigned char>(59 * y + 7));
            p.pixels.push_back(static_cast<unsigned char>(11 * (x + y)));
            if (channels == 4) p.pixels.push_back(alpha ? alpha(y * width + x) : 255);
        }
    return p;
}

unsigned char translucent(int k) { return static_cast<unsigned char>(250 - 13 * k); }

// The picture's RGB bytes (an opaque RGBA picture as the 24-bit file holds it).
Bytes rgbOf(const Picture& p) {
    Bytes out;
    for (std::size_t k = 0; k < p.pixels.size(); k += static_cast<std::size_t>(p.channels))
        out.insert(out.end(), p.pixels.begin() + static_cast<long>(k), p.pixels.begin() + static_cast<long>(k) + 3);
    return out;
}

// Runs the engine's loader for `kind` on the file: the texture's one call.
loadertest::TextureCall loadWithEngineLoader(OutputKind kind, const std::string& path) {
    Loaded l;
    if (kind == OutputKind::tga) runLoader(ImageLoaderTGA::loadTGAraw, path, l);
    if (kind == OutputKind::sgi) runLoader(ImageLoaderRGBA::loadRGBA, path, l);
    if (kind == OutputKind::tiff) runLoader(ImageLoaderTIFF::loadTIFF, path, l);
    EXPECT_EQ(l.texture.calls.size(), 1u) << l.output;
    return l.texture.calls.empty() ? loadertest::TextureCall() : l.texture.calls[0];
}

std::vector<std::string> filesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes readBytes(const std::string& path) {
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return out;
}

const OutputKind engineKinds[] = {OutputKind::tga, OutputKind::sgi, OutputKind::tiff};

}  // namespace

TEST(EngineWriters, TheEngineLoadersShowTheWrittenPicturesUpright) {
    TempDir dir;
    const struct {
        const char* name;
        Picture picture;
        bool alphaKept;  // written with 4 channels
    } cases[] = {
        {"rgb", makePicture(6, 4, 3), false},
        {"rgba", makePicture(5, 3, 4, translucent), true},
        {"opaque-rgba", makePicture(4, 3, 4), false},
        {"one-pixel", makePicture(1, 1, 3), false},
        {"one-pixel-rgba", makePicture(1, 1, 4, translucent), true},
        {"odd-width", makePicture(13, 5, 3), false},
        {"tall", makePicture(1, 9, 4, translucent), true},
    };
    for (const auto& c : cases)
        for (OutputKind kind : engineKinds) {
            const std::string path = dir.file(std::string(c.name) + tool::extensionFor(kind));
            SCOPED_TRACE(path);
            const std::string error = tool::writeImage(c.picture.view(), path, kind);
            if (kind == OutputKind::tiff && c.alphaKept) {
                EXPECT_NE(error.find("write tga or sgi instead"), std::string::npos) << error;
                EXPECT_FALSE(std::filesystem::exists(path));
                continue;
            }
            ASSERT_EQ(error, "");
            const loadertest::TextureCall call = loadWithEngineLoader(kind, path);
            EXPECT_EQ(call.width, c.picture.width);
            EXPECT_EQ(call.height, c.picture.height);
            EXPECT_EQ(call.format, c.alphaKept ? texRGBA : texRGB);
            EXPECT_TRUE(call.pixels == (c.alphaKept ? c.picture.pixels : rgbOf(c.picture)));
        }
    EXPECT_EQ(filesIn(dir.path).size(), 7u * 3u - 3u);  // no temporary file stays
}

TEST(EngineWriters, TopRowRedGreenBottomRowBlueWhiteReachesTheTextureBottomRowFirst) {
    TempDir dir;
    // Bottom row first: blue, white; then the top row: red, green.
    const Bytes pixels = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0};
    const PixelView view{2, 2, 3, pixels.data()};
    for (OutputKind kind : engineKinds) {
        const std::string path = dir.file(std::string("upright") + tool::extensionFor(kind));
        ASSERT_EQ(tool::writeImage(view, path, kind), "");
        EXPECT_EQ(loadWithEngineLoader(kind, path).pixels, pixels) << path;
    }
}

TEST(EngineWriters, SmallFilesHoldExactlyTheseBytes) {
    // 2 x 1 RGB: header, then blue-green-red pixels, origin bottom-left.
    const Bytes rgb = {1, 2, 3, 4, 5, 6};
    Bytes tga;
    ASSERT_EQ(tool::encodeTga(PixelView{2, 1, 3, rgb.data()}, tga), "");
    EXPECT_EQ(tga, (Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 24, 0, 3, 2, 1, 6, 5, 4}));
    // 1 x 1 translucent RGBA: 32 bits, 8 alpha bits in the descriptor.
    const Bytes rgba = {10, 20, 30, 40};
    ASSERT_EQ(tool::encodeTga(PixelView{1, 1, 4, rgba.data()}, tga), "");
    EXPECT_EQ(tga, (Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 8, 30, 20, 10, 40}));

    // 1 x 1 RGB SGI: the header's fields, three start entries, three
    // lengths, then one repeat-free scanline of a literal byte per channel.
    Bytes sgi;
    ASSERT_EQ(tool::encodeSgi(PixelView{1, 1, 3, rgb.data()}, sgi), "");
    ASSERT_EQ(sgi.size(), 512u + 24u + 9u);
    EXPECT_EQ(Bytes(sgi.begin(), sgi.begin() + 12), (Bytes{0x01, 0xda, 1, 1, 0, 3, 0, 1, 0, 1, 0, 3}));
    EXPECT_EQ(Bytes(sgi.begin() + 512, sgi.end()),
              (Bytes{0, 0, 2, 0x18, 0, 0, 2, 0x1b, 0, 0, 2, 0x1e,  // starts: 536, 539, 542
                     0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0, 3,           // lengths
                     0x81, 1, 0, 0x81, 2, 0, 0x81, 3, 0}));
}

TEST(EngineWriters, SgiRunsSplitAt127AndAtTheScanlineEnds) {
    const auto runs = [](const Bytes& line) {
        Bytes out;
        tool::appendSgiRuns(line.data(), static_cast<int>(line.size()), out);
        return out;
    };
    const auto repeated = [](int n, unsigned char v) { return Bytes(static_cast<std::size_t>(n), v); };
    EXPECT_EQ(runs(repeated(127, 9)), (Bytes{127, 9, 0}));
    EXPECT_EQ(runs(repeated(128, 9)), (Bytes{127, 9, 0x81, 9, 0}));
    EXPECT_EQ(runs(repeated(130, 9)), (Bytes{127, 9, 3, 9, 0}));
    EXPECT_EQ(runs(repeated(129, 9)), (Bytes{127, 9, 0x82, 9, 9, 0}));  // two left: cheaper as literals
    EXPECT_EQ(runs({1, 2, 3, 3}), (Bytes{0x84, 1, 2, 3, 3, 0}));
    EXPECT_EQ(runs({5, 5, 5, 1, 2}), (Bytes{3, 5, 0x82, 1, 2, 0}));
    EXPECT_EQ(runs({1, 7, 7, 7}), (Bytes{0x81, 1, 3, 7, 0}));
    EXPECT_EQ(runs({}), (Bytes{0}));
    Bytes distinct(128);
    for (int k = 0; k < 128; ++k) distinct[static_cast<std::size_t>(k)] = static_cast<unsigned char>(k);
    Bytes expect = {0xff};
    expect.insert(expect.end(), distinct.begin(), distinct.begin() + 127);
    expect.insert(expect.end(), {0x81, 127, 0});
    EXPECT_EQ(runs(distinct), expect);

    // A picture whose scanlines mix those runs, through the engine's loader.
    TempDir dir;
    Picture p{300, 3, 4, {}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 300; ++x) {
            const bool flat = (x / (127 + y)) % 2 == 0;  // runs of 127, 128, 129 equal pixels
            const unsigned char v = flat ? 200 : static_cast<unsigned char>(x * 7 + y);
            p.pixels.insert(p.pixels.end(), {v, static_cast<unsigned char>(v ^ 0x55), 9, static_cast<unsigned char>(x == 299 ? 0 : 255)});
        }
    const std::string path = dir.file("runs.sgi");
    ASSERT_EQ(tool::writeImage(p.view(), path, OutputKind::sgi), "");
    const loadertest::TextureCall call = loadWithEngineLoader(OutputKind::sgi, path);
    EXPECT_EQ(call.format, texRGBA);
    EXPECT_TRUE(call.pixels == p.pixels);
}

TEST(EngineWriters, PaletteTiffTakes256ColoursAndRefuses257) {
    TempDir dir;
    Picture p{16, 16, 3, {}};
    for (int k = 0; k < 256; ++k)
        p.pixels.insert(p.pixels.end(), {static_cast<unsigned char>(k), static_cast<unsigned char>(255 - k),
                                         static_cast<unsigned char>(k * 3)});
    const std::string path = dir.file("256.tif");
    ASSERT_EQ(tool::writeImage(p.view(), path, OutputKind::tiff), "");
    const loadertest::TextureCall call = loadWithEngineLoader(OutputKind::tiff, path);
    EXPECT_TRUE(call.pixels == p.pixels);

    p.height = 17;  // one more row: 16 more pixels, one of them a new colour
    for (int k = 0; k < 16; ++k) p.pixels.insert(p.pixels.end(), {1, 2, static_cast<unsigned char>(k ? 3 : 4)});
    const std::string over = dir.file("257.tif");
    EXPECT_EQ(tool::writeImage(p.view(), over, OutputKind::tiff),
              "the picture has more than 256 colours, which a palette TIFF cannot hold without merging colours; "
              "write tga or sgi instead");
    EXPECT_EQ(filesIn(dir.path), std::vector<std::string>{"256.tif"});
}

namespace {

// Damages the written file before the proof reads it.
void flipLastByte(const std::string& tempPath) {
    Bytes bytes = readBytes(tempPath);
    bytes.back() ^= 0x40;
    std::FILE* f = std::fopen(tempPath.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

void truncateToHalf(const std::string& tempPath) {
    std::filesystem::resize_file(tempPath, std::filesystem::file_size(tempPath) / 2);
}

struct HookReset {
    ~HookReset() { tool::setWrittenFileHookForTesting(nullptr); }
};

}  // namespace

TEST(EngineWriters, AFileThatReadsBackDifferentlyReplacesNothing) {
    TempDir dir;
    HookReset reset;
    const Picture p = makePicture(9, 7, 4, translucent);
    const Picture opaque = makePicture(9, 7, 3);
    const std::string kept = dir.write("kept.tga", {1, 2, 3});
    const struct {
        OutputKind kind;
        const Picture* picture;
        tool::WrittenFileHook damage;
        const char* message;
    } cases[] = {
        // The last pixel's alpha byte: pixel (8, 0) from the top left.
        {OutputKind::tga, &p, flipLastByte,
         "not written: read back through the TGA decoder, pixel (8, 0) from the top left: wrote 43 105 154 212, read "
         "43 105 154 148"},
        {OutputKind::sgi, &p, truncateToHalf, "not written: read back through the SGI decoder, the written file is refused"},
        {OutputKind::tiff, &opaque, flipLastByte, "not written: read back through the TIFF decoder, "},
    };
    for (const auto& c : cases) {
        const std::string path = c.kind == OutputKind::tga ? kept : dir.file(std::string("new") + tool::extensionFor(c.kind));
        SCOPED_TRACE(path);
        tool::setWrittenFileHookForTesting(c.damage);
        const std::string error = tool::writeImage(c.picture->view(), path, c.kind);
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
    // The file that was there is untouched; no new file, no temporary file.
    EXPECT_EQ(readBytes(kept), (Bytes{1, 2, 3}));
    EXPECT_EQ(filesIn(dir.path), std::vector<std::string>{"kept.tga"});
    // Without the damage the same writes go through and replace the old file.
    tool::setWrittenFileHookForTesting(nullptr);
    EXPECT_EQ(tool::writeImage(p.view(), kept, OutputKind::tga), "");
    EXPECT_EQ(readBytes(kept).size(), 18u + 9u * 7u * 4u);
}

#if !defined(_WIN32)
TEST(EngineWriters, AFullDiskGivesOneLineAndTheReason) {
    const Picture p = makePicture(64, 64, 3);
    for (OutputKind kind : {OutputKind::tga, OutputKind::sgi, OutputKind::png})
        EXPECT_EQ(tool::writeImage(p.view(), "/dev/full", kind), "write failed: No space left on device");
}

TEST(EngineWriters, AReplacedFileKeepsItsPermissionsAndALinkKeepsPointingAtIt) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string target = dir.write("real.tga", {1});
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real.tga", dir.path / "link.tga");
    const Picture p = makePicture(3, 2, 3);
    ASSERT_EQ(tool::writeImage(p.view(), dir.file("link.tga"), OutputKind::tga), "");
    EXPECT_TRUE(fs::is_symlink(dir.path / "link.tga"));
    EXPECT_EQ(readBytes(target).size(), 18u + 3u * 2u * 3u);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(filesIn(dir.path), (std::vector<std::string>{"link.tga", "real.tga"}));
}

namespace {
void dieBeforeTheRename(const std::string&) { _exit(3); }
}  // namespace

TEST(EngineWriters, AProcessKilledBeforeTheRenameLeavesTheOldFileAndAHiddenTemporaryFile) {
    TempDir dir;
    const std::string path = dir.write("texture.tga", {7, 7, 7});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        tool::setWrittenFileHookForTesting(dieBeforeTheRename);
        const Picture p = makePicture(32, 32, 3);
        tool::writeImage(p.view(), path, OutputKind::tga);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(readBytes(path), (Bytes{7, 7, 7}));
    const std::vector<std::string> names = filesIn(dir.path);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].rfind(".texture.tga.ornatex-", 0), 0u) << names[0];
    EXPECT_TRUE(tool::isTemporaryName(names[0]));
    EXPECT_FALSE(tool::isTemporaryName("texture.tga"));
    EXPECT_EQ(std::filesystem::file_size(dir.path / names[0]), 18u + 32u * 32u * 3u);  // complete, never renamed
}
#endif

TEST(EngineWriters, EveryLoadableSampleFileRoundTripsThroughEachEngineFormat) {
    TempDir dir;
    int files = 0, tiffs = 0;
    for (const char* folder : {LOADER_TEST_DATA, CONVERT_TEST_DATA})
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const ornatex::Image source = ornatex::decodeFile(entry.path());
            if (!source.ok()) continue;
            ++files;
            const std::string name = entry.path().filename().string();
            const bool alpha = source.format() == texRGBA;
            const PixelView view{source.width(), source.height(), alpha ? 4 : 3, source.pixels()};
            Bytes rgb(source.pixels(), source.pixels() + source.size());
            bool opaque = true;
            if (alpha) {
                rgb.clear();
                for (std::size_t k = 0; k < source.size(); k += 4) {
                    rgb.insert(rgb.end(), source.pixels() + k, source.pixels() + k + 3);
                    opaque = opaque && source.pixels()[k + 3] == 255;
                }
            }
            for (OutputKind kind : engineKinds) {
                const std::string out = dir.file(name + tool::extensionFor(kind));
                SCOPED_TRACE(out);
                const std::string error = tool::writeImage(view, out, kind);
                if (kind == OutputKind::tiff && error.find("write tga or sgi instead") != std::string::npos) continue;
                ASSERT_EQ(error, "");
                tiffs += kind == OutputKind::tiff;
                const loadertest::TextureCall call = loadWithEngineLoader(kind, out);
                EXPECT_EQ(call.width, source.width());
                EXPECT_EQ(call.height, source.height());
                EXPECT_EQ(call.format, opaque ? texRGB : texRGBA);
                EXPECT_TRUE(opaque ? call.pixels == rgb
                                   : std::equal(call.pixels.begin(), call.pixels.end(), source.pixels(),
                                                source.pixels() + source.size()));
            }
        }
    EXPECT_GE(files, 24);  // 16 of the loader tests' samples, 8 of our own
    EXPECT_GE(tiffs, 5);  // the palette TIFF samples, at least
}

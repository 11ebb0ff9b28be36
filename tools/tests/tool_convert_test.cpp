// `ornatex convert` end to end: what a viewer sees in the files it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <ornatex/decode.h>

#include "ToolTestSupport.h"

using namespace tooltest;

namespace {

const char* const imageMagickConvert = "/usr/bin/convert";

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// An uncompressed true-colour TGA of 5 x 3 pixels, each pixel's colour
// telling where it lies in the upright picture, stored from the corner that
// descriptor bits 4 (right) and 5 (top) name.
std::vector<unsigned char> orientedTga(bool right, bool top, int bitsPerPixel) {
    const int width = 5, height = 3, bytes = bitsPerPixel / 8;
    std::vector<unsigned char> file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, width, 0, height, 0,
                                       static_cast<unsigned char>(bitsPerPixel),
                                       static_cast<unsigned char>((right ? 0x10 : 0) | (top ? 0x20 : 0) |
                                                                  (bytes == 4 ? 8 : 0))};
    for (int stored = 0; stored < height; ++stored) {
        const int row = top ? stored : height - 1 - stored;  // row 0 is the top of the picture
        for (int k = 0; k < width; ++k) {
            const int col = right ? width - 1 - k : k;
            // Blue, green, red (alpha): distinct per row and column.
            file.push_back(static_cast<unsigned char>(40 * col + 10));
            file.push_back(static_cast<unsigned char>(90 * row + 20));
            file.push_back(static_cast<unsigned char>(200 - 30 * col - 50 * row));
            if (bytes == 4) file.push_back(static_cast<unsigned char>(255 - 20 * (row * width + col)));
        }
    }
    return file;
}

}  // namespace

TEST(ToolConvert, EveryTgaOriginComesOutAsImageMagickAutoOrientsIt) {
#if defined(_WIN32)
    GTEST_SKIP() << "ImageMagick runs on the build machine, not beside a Windows build";
#endif
    if (!std::filesystem::exists(imageMagickConvert)) GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    for (int bits : {24, 32})
        for (bool top : {false, true})
            for (bool right : {false, true}) {
                const std::string name = std::string(top ? "top" : "bottom") + (right ? "-right-" : "-left-") +
                                         std::to_string(bits);
                SCOPED_TRACE(name);
                const std::string in = dir.write(name + ".tga", orientedTga(right, top, bits));
                const std::string ref = dir.file(name + ".ref.png");
                const std::string out = dir.file(name + ".png");
                ASSERT_EQ(std::system((std::string(imageMagickConvert) + " " + in + " -auto-orient " + ref).c_str()),
                          0);
                const Captured r = runCaptured("convert " + in + " " + out);
                ASSERT_EQ(r.status, 0) << r.err;
                EXPECT_EQ(r.out, "");
                EXPECT_EQ(r.err, "");
                const Image got = readPng(out), want = readPng(ref);
                ASSERT_EQ(got.width, 5u);
                ASSERT_EQ(got.height, 3u);
                ASSERT_EQ(got.channels, want.channels);
                EXPECT_EQ(got.pixels, want.pixels);
            }
}

TEST(ToolConvert, SampleFilesMatchTheirReferenceImages) {
    TempDir dir;
    const struct {
        const char* in;
        const char* reference;
    } files[] = {
        {"pillow-200x32_rgba_bl_raw.tga", "pillow-200x32_rgba.png"},
        {"pillow-200x32_rgba_tl_raw.tga", "pillow-200x32_rgba.png"},
        {"kimageformats-extarea.tga", "kimageformats-extarea.png"},
        {"kimageformats-rgb-gimp-2.8.10-rle.rgb", "kimageformats-rgb-gimp-2.8.10.png"},
        {"kimageformats-testcard_rgba.rgb", "kimageformats-testcard_rgba.png"},
        {"pillow-transparent.sgi", "pillow-transparent.png"},
        {"tiffcp-hopper-palette-r8.tif", "imagemagick-hopper-palette.libtiff.png"},
        {"commonsimaging-IndexColorPalette.tif", "commonsimaging-IndexColorPalette.libtiff.png"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.in);
        const std::string out = dir.file(std::string(f.in) + ".png");
        const Captured r = runCaptured("convert " + dataFile(f.in) + " " + out);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        const Image got = readPng(out), want = readPng(dataFile(f.reference));
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
        EXPECT_EQ(got.channels, want.channels);
        EXPECT_TRUE(got.pixels == want.pixels);
    }
}

TEST(ToolConvert, PamIsWrittenTopRowFirstToAFileOrStandardOutput) {
    TempDir dir;
    // 1 x 2 image, bottom row (blue) first in the file.
    const std::string in = dir.write("in.tga", {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0, 24, 0,
                                                255, 0, 0,    // bottom row: stored blue, green, red -> blue
                                                0, 0, 255});  // top row: red
    const std::string pam = std::string("P7\nWIDTH 1\nHEIGHT 2\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n") +
                            std::string("\xff\0\0\0\0\xff", 6);
    ASSERT_EQ(runTool("convert " + in + " " + dir.file("out.PAM")).status, 0);
    EXPECT_EQ(readBytes(dir.file("out.PAM")), pam);
    const RunResult toStdout = runTool("convert --format pam " + in + " -");
    EXPECT_EQ(toStdout.status, 0);
    EXPECT_EQ(toStdout.output, pam);
    // Standard input as the input, PNG (the default) on standard output.
    const RunResult piped = runTool("convert - - < " + in + " > " + dir.file("piped.png"));
    EXPECT_EQ(piped.status, 0);
    const Image png = readPng(dir.file("piped.png"));
    EXPECT_EQ(png.pixels, (std::vector<unsigned char>{255, 0, 0, 0, 0, 255}));
}

TEST(ToolConvert, SeveralInputsGoIntoAFolderAndFailuresLeaveNoFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("out"));
    // A TGA cut short after its header: no reader takes it.
    const std::string refused = dir.write("cut.tga", {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 24, 0});
    const Captured r = runCaptured("convert -o " + dir.file("out") + " " + dataFile("pillow-hopper.rgb") + " " +
                                   refused + " " + dataFile("tiffcp-hopper-palette-r8.tif") + " --format pam");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(refused + ": ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/pillow-hopper.pam")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("out/tiffcp-hopper-palette-r8.pam")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/cut.pam")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("out")), {}), 2);

    // Several inputs and a last argument that is a folder: as with -o.
    std::filesystem::create_directory(dir.file("last"));
    const Captured last = runCaptured("convert " + dataFile("pillow-hopper.rgb") + " " +
                                      dataFile("pillow-200x32_rgba_bl_raw.tga") + " " + dir.file("last"));
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(readPng(dir.file("last/pillow-hopper.png")).width, 128u);
    EXPECT_EQ(readPng(dir.file("last/pillow-200x32_rgba_bl_raw.png")).width, 200u);
    const Captured oneIntoFolder = runCaptured("convert -f pam " + dataFile("pillow-hopper.rgb") + " " + dir.file("last"));
    EXPECT_EQ(oneIntoFolder.status, 0) << oneIntoFolder.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("last/pillow-hopper.pam")));

    // Two inputs of the same name: the second is not written over the first.
    std::filesystem::create_directory(dir.file("b"));
    std::filesystem::copy_file(dataFile("pillow-hopper.sgi"), dir.file("b/pillow-hopper.rgb"));
    const Captured clash = runCaptured("convert -o " + dir.file("out") + " " + dataFile("pillow-hopper.rgb") + " " +
                                       dir.file("b/pillow-hopper.rgb"));
    EXPECT_EQ(clash.status, 1);
    EXPECT_NE(clash.err.find("an earlier input of the same name"), std::string::npos) << clash.err;

    // A missing input, an unwritable output: the reason, exit 1, no file.
    const Captured missing = runCaptured("convert " + dir.file("absent.tga") + " " + dir.file("o.png"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err.rfind(dir.file("absent.tga") + ": ", 0), 0u) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.png")));
    const std::string target = dir.file("no/such/dir/o.png");
    const Captured unwritable = runCaptured("convert " + dataFile("pillow-hopper.rgb") + " " + target);
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err.rfind(target + ": cannot open for writing", 0), 0u) << unwritable.err;
#if !defined(_WIN32)
    // A full disk: the system's reason, not only that the write failed.
    for (const char* format : {"png", "pam"}) {
        const Captured full = runCaptured("convert -f " + std::string(format) + " " + dataFile("pillow-hopper.rgb") +
                                          " - >/dev/full");
        EXPECT_EQ(full.status, 1) << format;
        EXPECT_EQ(full.err, "-: write failed: No space left on device\n") << format;
    }
#endif
}

TEST(ToolConvert, EngineFormatsAreWrittenByExtensionOrFormatAndReadBackAsTheInput) {
    TempDir dir;
    const std::string in = dataFile("pillow-200x32_rgba_bl_raw.tga");  // RGBA with transparent pixels
    const ornatex::Image source = ornatex::decodeFile(in);
    ASSERT_TRUE(source.ok());
    for (const char* name : {"out.tga", "out.SGI", "out.rgb"}) {
        const Captured r = runCaptured("convert " + in + " " + dir.file(name));
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_EQ(r.out + r.err, "");
        const ornatex::Image back = ornatex::decodeFile(dir.file(name));
        ASSERT_TRUE(back.ok()) << name << ": " << back.error();
        EXPECT_EQ(back.format(), texRGBA);
        EXPECT_TRUE(std::equal(back.pixels(), back.pixels() + back.size(), source.pixels(),
                               source.pixels() + source.size()))
            << name;
    }
    // A palette TIFF holds no alpha: one line naming the formats that do.
    const Captured tiff = runCaptured("convert " + in + " " + dir.file("out.tif"));
    EXPECT_EQ(tiff.status, 1);
    EXPECT_EQ(tiff.err, dir.file("out.tif") +
                            ": the picture has transparent pixels, which a palette TIFF cannot hold; write tga or "
                            "sgi instead\n");
    // A palette input converts to TIFF; -f picks the folder's extension.
    std::filesystem::create_directory(dir.file("engine"));
    const Captured folder = runCaptured("convert -f tiff -o " + dir.file("engine") + " " +
                                        dataFile("tiffcp-hopper-palette-r8.tif"));
    EXPECT_EQ(folder.status, 0) << folder.err;
    const ornatex::Image palette = ornatex::decodeFile(dir.file("engine/tiffcp-hopper-palette-r8.tif"));
    const ornatex::Image original = ornatex::decodeFile(dataFile("tiffcp-hopper-palette-r8.tif"));
    ASSERT_TRUE(palette.ok()) << palette.error();
    EXPECT_TRUE(std::equal(palette.pixels(), palette.pixels() + palette.size(), original.pixels(),
                           original.pixels() + original.size()));
    // Nothing else is left in the folders: no temporary files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("engine")), {}), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 4);
    // Standard output gets the proven bytes; a full disk is one line and exit 1.
    const RunResult piped = runTool("convert -f tga " + in + " - > " + dir.file("piped.tga"));
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(readBytes(dir.file("piped.tga")), readBytes(dir.file("out.tga")));
#if !defined(_WIN32)
    for (const char* format : {"tga", "sgi", "tiff"}) {
        const Captured full = runCaptured("convert -f " + std::string(format) + " " +
                                          dataFile("tiffcp-hopper-palette-r8.tif") + " - >/dev/full");
        EXPECT_EQ(full.status, 1) << format;
        EXPECT_EQ(full.err, "-: write failed: No space left on device\n") << format;
    }
#endif
    const RunResult help = runTool("convert --help");
    EXPECT_EQ(help.output.find("read as TGA"), std::string::npos);
    EXPECT_NE(help.output.find("read back through the library's decoder"), std::string::npos);
}

TEST(ToolConvert, UsageErrors) {
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"convert a.tga out.jpg", "cannot tell the output format of 'out.jpg'"},
        {"convert onlyone", "give IN and OUT, IN... and a folder, or -o DIR"},
        {"convert a.tga b.tga c.png", "give IN and OUT, IN... and a folder, or -o DIR and the inputs ('c.png' is not a folder)"},
        {"convert --format gif a.tga -", "unknown format 'gif'"},
        {"convert -o /nonexistent/dir a.tga", "-o needs an existing folder"},
        {"convert -o /tmp -", "standard input has no name"},
    };
    for (const auto& c : cases) {
        const Captured r = runCaptured(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.err.find(std::string("ornatex convert: ") + c.message), std::string::npos) << c.args << "\n"
                                                                                               << r.err;
    }
}

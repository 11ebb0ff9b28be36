// The tool end to end on SGI and TIFF files: loader choice and written pixels.
#include <gtest/gtest.h>

#include <filesystem>

#include "ToolTestSupport.h"

using namespace tooltest;

namespace {

// The last line of the tool's standard output.
std::string lastLine(const std::string& s) {
    const std::size_t end = s.size() && s.back() == '\n' ? s.size() - 1 : s.size();
    const std::size_t start = s.rfind('\n', end ? end - 1 : 0);
    return start == std::string::npos ? s.substr(0, end) : s.substr(start + 1, end - start - 1);
}

}  // namespace

TEST(ToolConvert, SgiAndTiffToPngMatchTheirReferences) {
    TempDir dir;
    const struct {
        const char* in;
        const char* reference;
    } files[] = {
        {"kimageformats-rgb-gimp-2.8.10-rle.rgb", "kimageformats-rgb-gimp-2.8.10.png"},
        {"kimageformats-testcard_rgba.rgb", "kimageformats-testcard_rgba.png"},
        {"pillow-transparent.sgi", "pillow-transparent.png"},
        {"tiffcp-hopper-palette-r8.tif", "imagemagick-hopper-palette.libtiff.png"},
        {"commonsimaging-IndexColorPalette.tif", "commonsimaging-IndexColorPalette.libtiff.png"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.in);
        const std::string out = dir.file(std::string(f.in) + ".png");
        const RunResult r = runTool("convert " + dataFile(f.in) + " " + out);
        ASSERT_EQ(r.status, 0) << r.output.substr(0, 300);
        const Image got = readPng(out);
        const Image want = readPng(dataFile(f.reference));
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
        EXPECT_EQ(got.channels, want.channels);
        EXPECT_TRUE(got.pixels == want.pixels);
    }
}

TEST(ToolInfo, LoaderIsChosenByMagicBytesThenExtension) {
    TempDir dir;
    // Magic bytes win over a misleading extension.
    const std::string tiffAsDat = dir.file("palette.dat");
    std::filesystem::copy_file(dataFile("tiffcp-hopper-palette-1strip.tif"), tiffAsDat);
    const RunResult tiff = runTool("info " + tiffAsDat);
    EXPECT_EQ(tiff.status, 0);
    EXPECT_EQ(tiff.output.rfind("Byte order: 18761\n", 0), 0u) << tiff.output.substr(0, 200);
    EXPECT_EQ(lastLine(tiff.output), "128x128 rgb");

    const std::string sgiAsTga = dir.file("image.tga");
    std::filesystem::copy_file(dataFile("pillow-hopper.rgb"), sgiAsTga);
    const RunResult sgi = runTool("info " + sgiAsTga);
    EXPECT_EQ(sgi.status, 0);
    EXPECT_EQ(sgi.output, "128x128 rgb\n");

    // No file to read magic from: the extension picks the loader, whose
    // message says what went wrong (the TIFF loader prints nothing then).
    const RunResult missingSgi = runTool("info " + dir.file("absent.bw"));
    EXPECT_EQ(missingSgi.status, 1);
    EXPECT_EQ(missingSgi.output, "Missing data..\n");
    const RunResult missingTiff = runTool("info " + dir.file("absent.tiff"));
    EXPECT_EQ(missingTiff.status, 1);
    EXPECT_EQ(missingTiff.output, "");

    // A refused file: the loader's line, exit status 1.
    const RunResult refused = runTool("info " + dataFile("goimage-video-001-paletted.tiff"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(lastLine(refused.output), "TIFF file refused: compression 8, only uncompressed (1) strips are decoded");
}

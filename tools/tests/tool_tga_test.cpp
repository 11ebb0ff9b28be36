// The tool end to end on TGA files: what a user runs and what a viewer sees.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ToolTestSupport.h"

using namespace tooltest;

TEST(ToolConvert, TgaToPngMatchesTheReferenceImage) {
    TempDir dir;
    const std::string out = dir.file("out.png");
    const RunResult convert = runTool("convert " + dataFile("pillow-200x32_rgba_bl_raw.tga") + " " + out);
    ASSERT_EQ(convert.status, 0) << convert.output;
    const Image got = readPng(out);
    const Image want = readPng(dataFile("pillow-200x32_rgba.png"));
    ASSERT_EQ(got.width, 200u);
    ASSERT_EQ(got.height, 32u);
    ASSERT_EQ(got.channels, 4u);
    EXPECT_EQ(got.pixels, want.pixels) << "the bottom-left file must come out top row first";

    // A top-left file with an image ID and a footer, against its reference.
    const std::string out2 = dir.file("ext.png");
    ASSERT_EQ(runTool("convert " + dataFile("kimageformats-extarea.tga") + " " + out2).status, 0);
    const Image ext = readPng(out2);
    const Image extRef = readPng(dataFile("kimageformats-extarea.png"));
    ASSERT_EQ(ext.width, extRef.width);
    // Stored top row first, delivered as stored, written bottom row last:
    // the written image is the reference upside down.
    const std::size_t stride = std::size_t(ext.width) * ext.channels;
    ASSERT_EQ(ext.channels, extRef.channels);
    for (unsigned row = 0; row < ext.height; ++row)
        ASSERT_TRUE(std::equal(ext.pixels.begin() + row * stride, ext.pixels.begin() + (row + 1) * stride,
                               extRef.pixels.begin() + (ext.height - 1 - row) * stride))
            << "row " << row;
}

TEST(ToolConvert, PamIsWrittenTopRowFirst) {
    TempDir dir;
    // 1 x 2 image, bottom row (blue) first in the file.
    const unsigned char file[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0, 24, 0,
                                  255, 0, 0,   // bottom row: stored blue, green, red -> blue
                                  0, 0, 255};  // top row: red
    const std::string in = dir.file("in.tga");
    std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(file), sizeof file);
    const std::string out = dir.file("out.pam");
    ASSERT_EQ(runTool("convert " + in + " " + out).status, 0);
    std::ifstream pam(out, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(pam)), std::istreambuf_iterator<char>());
    const std::string header = "P7\nWIDTH 1\nHEIGHT 2\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
    ASSERT_EQ(text.substr(0, header.size()), header);
    EXPECT_EQ(text.substr(header.size()), std::string("\xff\0\0\0\0\xff", 6));
}

TEST(ToolInfo, PrintsTheLoaderOutputThenTheSize) {
    const RunResult r = runTool("info " + dataFile("pillow-200x32_rgba_tl_raw.tga"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "200x32 rgba\n");
    const RunResult rle = runTool("info " + dataFile("pillow-200x32_rgb_tl_raw.tga") + " 2>/dev/null");
    EXPECT_EQ(rle.status, 1);
    EXPECT_EQ(rle.output, "Unsupported format, only 24-bit RGB and 32-bit RGBA supported so far: 10\n");
}

TEST(ToolExitStatus, FailuresAndUsageErrorsAreTold) {
    TempDir dir;
    const RunResult missing = runTool("convert /nonexistent.tga " + dir.file("o.png") + " 2>&1");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("Missing data..\n"), std::string::npos);
    EXPECT_NE(missing.output.find("no image was loaded"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.png")));

    EXPECT_EQ(runTool("convert " + dataFile("pillow-rgba16.tga") + " " + dir.file("o.png") + " 2>/dev/null").status,
              1);
    EXPECT_EQ(runTool("convert a.tga out.jpg 2>/dev/null").status, 2);
    EXPECT_EQ(runTool("convert onlyone 2>/dev/null").status, 2);
    EXPECT_EQ(runTool("frobnicate 2>/dev/null").status, 2);
    EXPECT_EQ(runTool("2>/dev/null").status, 2);
    const RunResult help = runTool("convert --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("usage: ornatex convert IN OUT"), std::string::npos);
    EXPECT_EQ(runTool("--help").status, 0);
}

// `ornatex info` and `ornatex check`: quiet by default, one line per failed
// file on standard error, reports and summaries that add up.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>

#include "ToolTestSupport.h"

using namespace tooltest;
namespace fs = std::filesystem;

// The library's reasons, one line each, as users see them after "FILE: ".
#define RLE_TGA_REASON "image type 10 (run-length true-colour), only uncompressed true-colour (2) is decoded"
#define SIXTEEN_BIT_TGA_REASON "pixel depth 16, only 24 and 32 supported"
#define TRUNCATED_TGA_REASON "21 bytes, the header declares 66"
#define NOT_AN_IMAGE_REASON "not a TGA, TIFF or SGI image"
#define DEFLATE_TIFF_REASON "compression 8 (Deflate), only uncompressed (1) strips are decoded"
#define TILED_TIFF_REASON "tiled images are not decoded, only strips"
#define BIG_ENDIAN_TIFF_REASON "big-endian (MM) TIFF files are not decoded, only little-endian (II)"
#define ONE_CHANNEL_SGI_REASON "channel count 1, only 3 (RGB) and 4 (RGBA) are decoded"
#define CRASH_SGI_REASON "scanline 0 of channel 0 starts at 0, outside the data (524 to 549)"
#define SHORT_START_TABLE_SGI_REASON "530 bytes, the start table of 2045 entries runs past the end"

namespace {

std::string fileSize(const std::string& path) { return std::to_string(fs::file_size(path)); }

// A tree with files that load, files the library refuses and files that are
// not images, in nested folders.
struct MixedTree {
    TempDir dir;
    std::string root = dir.file("textures");
    MixedTree() {
        for (const char* sub : {"good", "bad", "bad/deeper", "docs"}) fs::create_directories(root + "/" + sub);
        copy("pillow-200x32_rgba_bl_raw.tga", "good/plane.tga");
        copy("pillow-hopper.rgb", "good/hopper.RGB");
        copy("tiffcp-hopper-palette-r8.tif", "good/palette.tif");
        copy("tiffcp-hopper-palette-1strip.tif", "good/scan.dat");  // a TIFF signature, no image extension
        copy("pillow-200x32_rgb_tl_raw.tga", "bad/rle.tga");
        copy("pillow-rgba16.tga", "bad/deeper/sixteen.tga");
        copy("goimage-video-001-paletted.tiff", "bad/deflate.tiff");
        // Found by the TGA 2.0 footer Pillow writes.
        copy("pillow-200x32_rgba_tl_raw.tga", "docs/with-footer");
        // 1 x 1 TGA without footer or extension: only its header says it is
        // an image, as it does when the file is named on the command line.
        dir.write("textures/docs/tga-without-extension",
                  {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 10, 20, 30});
        dir.write("textures/docs/notes.txt", {'h', 'i', '\n'});
        dir.write("textures/docs/data.bin", {0x89, 'P', 'N', 'G', 0, 0, 0, 0});
    }
    void copy(const char* from, const std::string& to) const { fs::copy_file(dataFile(from), root + "/" + to); }
    // As the tool names a file it found in the tree: with the platform's
    // own folder separator.
    std::string path(const std::string& relative) const {
        return (std::filesystem::path(root) / relative).make_preferred().string();
    }
};

}  // namespace

TEST(ToolInfo, OneLinePerFileOnStandardOutputAndEachRefusalOnStandardError) {
    const std::string tl = dataFile("pillow-200x32_rgba_tl_raw.tga");
    const std::string tif = dataFile("tiffcp-hopper-palette-r8.tif");
    const std::string rle = dataFile("pillow-200x32_rgb_tl_raw.tga");
    const Captured r = runCaptured("info " + tl + " " + tif + " " + rle);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, tl + ": TGA 200x32, 4 channels of 8 bits, origin top-left, uncompressed, " + fileSize(tl) +
                         " bytes: loads as rgba\n" + tif +
                         ": TIFF 128x128, 1 channel of 8 bits, origin top-left, uncompressed, 16 strips, colour map "
                         "of 256 entries, " + fileSize(tif) + " bytes: loads as rgb\n" + rle +
                         ": TGA 200x32, 3 channels of 8 bits, origin top-left, RLE, " + fileSize(rle) +
                         " bytes: refused: " RLE_TGA_REASON "\n");
    EXPECT_EQ(r.err, rle + ": " RLE_TGA_REASON "\n");

    const Captured good = runCaptured("info " + tl);
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.err, "");

    // A file that cannot be read has no header to describe: one colon only.
    TempDir dir;
    const std::string absent = dir.file("absent.tga");
    const Captured missing = runCaptured("info " + absent);
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, absent + ": refused: cannot read: No such file or directory\n");
}

TEST(ToolInfo, EveryRefusalFamilyGivesOneLineNamingTheFile) {
    TempDir dir;
    const std::string truncated = dir.write("truncated.tga", {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 24, 0, 1, 2, 3});
    const std::string empty = dir.write("empty.rgb", {});
    const struct {
        std::string file;
        std::string reason;
        const char* code;
    } cases[] = {
        {dir.file("absent.tga"), "cannot read: No such file or directory", "cannot_read"},
        {dir.path.string(), "is a folder (check walks folders)", "cannot_read"},
        {truncated, TRUNCATED_TGA_REASON, "truncated"},
        {empty, NOT_AN_IMAGE_REASON, "not_an_image"},
        {dataFile("pillow-200x32_rgb_tl_raw.tga"), RLE_TGA_REASON, "unsupported"},
        {dataFile("pillow-rgba16.tga"), SIXTEEN_BIT_TGA_REASON, "unsupported"},
        {dataFile("goimage-video-001-paletted.tiff"), DEFLATE_TIFF_REASON, "unsupported"},
        {dataFile("commonsimaging-IndexColorPaletteTiled.tif"), TILED_TIFF_REASON, "unsupported"},
        {dataFile("kimageformats-bw.rgb"), ONE_CHANNEL_SGI_REASON, "unsupported"},
        {dataFile("libtiff-palette-1c-8b.tiff"), BIG_ENDIAN_TIFF_REASON, "unsupported"},
        {dataFile("pillow-crash-754d9c7ec485ffb76a90eeaab191ef69a2a3a3cd.sgi"), CRASH_SGI_REASON, "malformed"},
        {dataFile("pillow-ossfuzz-5730089102868480.sgi"), SHORT_START_TABLE_SGI_REASON, "truncated"},
    };
    for (const auto& c : cases) {
        const Captured r = runCaptured("info --json " + c.file);
        EXPECT_EQ(r.status, 1) << c.file;
        EXPECT_EQ(r.err, c.file + ": " + c.reason + "\n");
        const nlohmann::json report = nlohmann::json::parse(r.out);
        ASSERT_EQ(report.size(), 1u);
        EXPECT_EQ(report[0]["ok"], false);
        EXPECT_EQ(report[0]["error"], c.reason);
        EXPECT_EQ(report[0]["code"], c.code) << c.file;
    }
}

// Bytes of no known format are no image: no format, no invented fields;
// a big-endian TIFF shows only what was read.
TEST(ToolInfo, FieldsThatWereNotReadAreNotShown) {
    TempDir dir;
    const std::string png = dir.write("rose.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H',
                                                   'D', 'R', 0, 0, 0x48, 0xE2, 0, 0, 0x52, 0x44, 8, 6, 0, 0, 0});
    const std::string text = dir.write("notes.txt", {'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n'});
    for (const std::string& file : {png, text}) {
        const Captured r = runCaptured("info " + file);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, file + ": refused: " NOT_AN_IMAGE_REASON "\n");
        EXPECT_EQ(r.err, file + ": " NOT_AN_IMAGE_REASON "\n");
        const nlohmann::json o = nlohmann::json::parse(runCaptured("info --json " + file).out)[0];
        EXPECT_TRUE(o["format"].is_null());
        EXPECT_EQ(o["code"], "not_an_image");
        for (const char* key : {"width", "height", "channels", "bitsPerChannel", "origin", "compression", "colorMap"})
            EXPECT_TRUE(o[key].is_null()) << key;
    }
    const std::string big = dataFile("libtiff-palette-1c-8b.tiff");
    const Captured r = runCaptured("info " + big);
    EXPECT_EQ(r.out, big + ": TIFF, " + fileSize(big) + " bytes: refused: " BIG_ENDIAN_TIFF_REASON "\n");
    const nlohmann::json o = nlohmann::json::parse(runCaptured("info --json " + big).out)[0];
    EXPECT_EQ(o["format"], "TIFF");
    EXPECT_TRUE(o["width"].is_null());
    EXPECT_TRUE(o["compression"].is_null());
}

TEST(ToolInfo, VerboseShowsTheLoadersOwnText) {
    const std::string tif = dataFile("tiffcp-hopper-palette-1strip.tif");
    const Captured quiet = runCaptured("info " + tif);
    EXPECT_EQ(quiet.out.find("Byte order"), std::string::npos);
    const Captured verbose = runCaptured("info -v " + tif);
    EXPECT_EQ(verbose.status, 0);
    EXPECT_EQ(verbose.out.rfind("Byte order: 18761\n", 0), 0u) << verbose.out.substr(0, 200);
    EXPECT_EQ(verbose.err, "");
    const Captured checked = runCaptured("check -v " + tif);
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.out.rfind("Byte order: 18761\n", 0), 0u) << checked.out.substr(0, 200);
    // Beside JSON or an image on standard output, the loaders' text goes to standard error.
    const Captured json = runCaptured("info -v --json " + tif);
    EXPECT_EQ(nlohmann::json::parse(json.out)[0]["ok"], true);
    EXPECT_EQ(json.err.rfind("Byte order: 18761\n", 0), 0u) << json.err.substr(0, 200);
    const Captured piped = runCaptured("convert -v " + tif + " - >/dev/null");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err.rfind("Byte order: 18761\n", 0), 0u) << piped.err.substr(0, 200);
}

// -v carries the loaders' refusal lines too, exactly as they print them,
// and the reason names the first cause.
TEST(ToolInfo, VerboseIncludesTheLoadersRefusalLines) {
    TempDir dir;
    const std::string grey = dir.write("grey.tga", {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 7});
    const std::string line = "Unsupported format, only 24-bit RGB and 32-bit RGBA supported so far: 3\n";
    const Captured info = runCaptured("info -v " + grey);
    EXPECT_EQ(info.out.rfind(line, 0), 0u) << info.out;
    // convert brings the grey TGA in through the import step; -v still shows
    // what the loader said on the way.
    const Captured converted = runCaptured("convert -v " + grey + " - >/dev/null");
    EXPECT_EQ(converted.status, 0);
    EXPECT_NE(converted.err.find(line), std::string::npos) << converted.err;
    const Captured checked = runCaptured("check " + grey);
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.err, grey + ": image type 3 (grey), only uncompressed true-colour (2) is decoded\n");

    // A TIFF whose directory offset lies past the end of the file.
    std::vector<unsigned char> far = {'I', 'I', 42, 0, 0xff, 0xff, 0, 0};
    far.resize(100, 0);
    const std::string tif = dir.write("far.tif", far);
    const Captured r = runCaptured("info -v " + tif);
    EXPECT_EQ(r.err, tif + ": the directory at offset 65535 lies outside the file (100 bytes)\n");
    EXPECT_NE(r.out.find("\nNext IFD: -1\n"), std::string::npos);
}

TEST(ToolInfo, JsonIsOneArrayWithAnObjectPerFile) {
    const std::string sgi = dataFile("kimageformats-rgb-gimp-2.8.10-rle.rgb");
    const std::string tga = dataFile("pillow-rgba16.tga");
    const Captured r = runCaptured("info --json " + sgi + " " + tga);
    EXPECT_EQ(r.status, 1);
    const nlohmann::json report = nlohmann::json::parse(r.out);
    ASSERT_TRUE(report.is_array());
    ASSERT_EQ(report.size(), 2u);
    const nlohmann::json& a = report[0];
    EXPECT_EQ(a["file"], sgi);
    EXPECT_EQ(a["ok"], true);
    EXPECT_TRUE(a["error"].is_null());
    EXPECT_EQ(a["format"], "SGI");
    EXPECT_EQ(a["compression"], "RLE");
    EXPECT_EQ(a["channels"], 3);
    EXPECT_EQ(a["bitsPerChannel"], 8);
    EXPECT_EQ(a["origin"], "bottom-left");
    EXPECT_EQ(a["pixelFormat"], "rgb");
    EXPECT_EQ(a["fileSize"], fs::file_size(sgi));
    EXPECT_EQ(a["rleScanlines"], a["height"].get<unsigned>() * 3);
    const nlohmann::json& b = report[1];
    EXPECT_EQ(b["file"], tga);
    EXPECT_EQ(b["ok"], false);
    EXPECT_EQ(b["error"], SIXTEEN_BIT_TGA_REASON);
    EXPECT_EQ(b["format"], "TGA");
    for (const char* key : {"width", "height", "channels"}) EXPECT_TRUE(b[key].is_number()) << key;
}

TEST(ToolCheck, MixedTreeIsCountedAndRefusalsFailTheRun) {
    const MixedTree tree;
    const Captured r = runCaptured("check -j 3 " + tree.root);
    EXPECT_EQ(r.status, 1);
    // Refusals on standard error in path order, one line each.
    EXPECT_EQ(r.err, tree.path("bad/deeper/sixteen.tga") + ": " SIXTEEN_BIT_TGA_REASON "\n" +
                         tree.path("bad/deflate.tiff") + ": " DEFLATE_TIFF_REASON "\n" + tree.path("bad/rle.tga") +
                         ": " RLE_TGA_REASON "\n");
    EXPECT_EQ(r.out.rfind("11 files checked in ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("  loaded               6\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  refused              3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  not an image         2\n"), std::string::npos) << r.out;
    // Counted by code: a 16-bit TGA, a deflate TIFF and an RLE TGA are all
    // kinds the library does not decode.
    EXPECT_NE(r.out.find("  refused              3\n"
                         "           3  unsupported   a kind of image the loaders do not decode\n"),
              std::string::npos)
        << r.out;
    // The run-length and 16-bit TGA go through the import step's stb_image,
    // the Deflate TIFF through libtiff where the build has it.
    EXPECT_NE(r.out.find(std::string(ORNATEX_TOOL_HAS_LIBTIFF ? "3" : "2") +
                         " of the 5 files the loaders refuse or do not take can be converted to a format they take:\n"
                         "  ornatex convert -f tga -o DIR FILE...\n"),
              std::string::npos)
        << r.out;

    // Only files that load: exit 0; a file named explicitly is decoded even
    // without an image extension.
    const Captured good = runCaptured("check " + tree.path("good") + " " + tree.path("docs/tga-without-extension"));
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.err, "");
    EXPECT_NE(good.out.find("  loaded               5\n"), std::string::npos) << good.out;
    EXPECT_NE(good.out.find("  not an image         0\n"), std::string::npos) << good.out;
    EXPECT_NE(good.out.find("  refused              0\n"), std::string::npos) << good.out;
}

// Standard input can be read once: the import step works on the bytes the
// check already read.
TEST(ToolCheck, ARefusedImageOnStandardInputIsAskedAboutConvertToo) {
    const Captured r = runCaptured("check --json - < " + dataFile("pillow-200x32_rgb_tl_raw.tga"));
    EXPECT_EQ(r.status, 1);
    const nlohmann::json report = nlohmann::json::parse(r.out);
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(report[0]["ok"], false);
    EXPECT_EQ(report[0]["convertible"], true);
}

TEST(ToolCheck, JsonReportHasTheSameObjectsAsInfoAndAgreesWithTheSummary) {
    const MixedTree tree;
    for (const char* jobs : {"1", "4"}) {
        const Captured r = runCaptured(std::string("check --json ") + tree.root + " -j " + jobs);
        EXPECT_EQ(r.status, 1);
        const nlohmann::json report = nlohmann::json::parse(r.out);
        ASSERT_EQ(report.size(), 11u);
        std::map<std::string, nlohmann::json> byName;
        for (const nlohmann::json& o : report) {
            for (const char* key : {"file", "ok", "error", "format", "width", "height", "channels"})
                EXPECT_TRUE(o.contains(key)) << key;
            byName[fs::path(o["file"].get<std::string>()).filename().string()] = o;
        }
        for (const char* loaded :
             {"plane.tga", "hopper.RGB", "palette.tif", "scan.dat", "with-footer", "tga-without-extension"}) {
            EXPECT_EQ(byName[loaded]["ok"], true) << loaded;
            EXPECT_EQ(byName[loaded]["image"], true) << loaded;
        }
        EXPECT_EQ(byName["rle.tga"]["error"], RLE_TGA_REASON);
        EXPECT_EQ(byName["rle.tga"]["code"], "unsupported");
        EXPECT_TRUE(byName["plane.tga"]["code"].is_null());
        EXPECT_EQ(byName["rle.tga"]["convertible"], true);
        EXPECT_EQ(byName["sixteen.tga"]["convertible"], true);
        EXPECT_EQ(byName["deflate.tiff"]["convertible"], bool(ORNATEX_TOOL_HAS_LIBTIFF));
        for (const char* other : {"plane.tga", "notes.txt"}) EXPECT_EQ(byName[other]["convertible"], false) << other;
        EXPECT_EQ(byName["deflate.tiff"]["format"], "TIFF");
        for (const char* other : {"notes.txt", "data.bin"}) {
            EXPECT_EQ(byName[other]["image"], false) << other;
            EXPECT_EQ(byName[other]["ok"], false) << other;
        }
        // The object info prints for the same file.
        const Captured info = runCaptured("info --json " + tree.path("good/plane.tga"));
        EXPECT_EQ(nlohmann::json::parse(info.out)[0], byName["plane.tga"]);
    }
}

TEST(ToolCheck, QuietWithoutATerminalAndStrictAboutJobs) {
    const MixedTree tree;
    // Standard error is a file here: no progress bar, only the refusals.
    const Captured r = runCaptured("check " + tree.path("good"));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    for (const char* jobs : {"0", "0x10", "-1", "2.5", "abc", "99999"}) {
        const Captured bad = runCaptured(std::string("check -j ") + jobs + " " + tree.root);
        EXPECT_EQ(bad.status, 2) << jobs;
        EXPECT_NE(bad.err.find("ornatex check: -j needs a whole number of threads"), std::string::npos)
            << jobs << "\n" << bad.err;
    }
    EXPECT_EQ(runCaptured("check").status, 2);
}

TEST(ToolCheck, ProgressBarOnATerminal) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) to make a terminal";
    const MixedTree tree;
    // script runs the tool on a pseudo-terminal and copies what it shows.
    const RunResult r = runCommand("script -qec '" + std::string(ORNATEX_TOOL) + " check " + tree.root + "' /dev/null");
    EXPECT_NE(r.output.find("\r["), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("] 0/11 files"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("] 11/11 files"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("  loaded               6"), std::string::npos) << r.output;
}

// File names are UTF-8 on every platform: the tool reads, walks and writes
// files whose names hold any character, on Windows those the ANSI code page
// cannot spell too.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>

#include "ToolTestSupport.h"

using namespace tooltest;
namespace fs = std::filesystem;

namespace {

// "façade" is in the Windows-1252 code page; "Ωmega" (Greek capital omega)
// and "日本" are not in it.
const std::string inCodePage = "fa\xc3\xa7" "ade.tga";
const std::string outsideCodePage = "\xce\xa9mega.rgb";
const std::string refusedName = "\xe6\x97\xa5\xe6\x9c\xac 16.tga";

fs::path utf8Path(const std::string& text) { return fs::u8path(text); }

// A folder with the two named images and a refused one.
struct NamedTree {
    TempDir dir;
    std::string root = dir.path.generic_string();  // ASCII: the system's temporary folder
    std::string at(const std::string& name) const { return root + "/" + name; }
    NamedTree() {
        fs::create_directory(utf8Path(at("tree")));
        fs::copy_file(dataFile("pillow-200x32_rgba_bl_raw.tga"), utf8Path(at("tree/" + inCodePage)));
        fs::copy_file(dataFile("pillow-hopper.rgb"), utf8Path(at("tree/" + outsideCodePage)));
        fs::copy_file(dataFile("pillow-rgba16.tga"), utf8Path(at("tree/" + refusedName)));
    }
};

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

TEST(ToolNames, CheckWalksAndReadsEveryName) {
    const NamedTree tree;
    const Captured r = runCaptured("check \"" + tree.at("tree") + "\"");
    EXPECT_EQ(r.status, 1);  // the 16-bit TGA is refused
    EXPECT_NE(r.out.find("  loaded               2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  cannot read          0\n"), std::string::npos) << r.out;
    // The refusal names the file in UTF-8.
    EXPECT_TRUE(endsWith(r.err, refusedName + ": pixel depth 16, only 24 and 32 supported\n")) << r.err;

    const Captured json = runCaptured("check --json \"" + tree.at("tree") + "\"");
    const nlohmann::json report = nlohmann::json::parse(json.out);
    ASSERT_EQ(report.size(), 3u);
    int loaded = 0;
    for (const nlohmann::json& o : report) {
        const std::string file = o["file"];
        EXPECT_TRUE(o["fileBytes"].is_null()) << file;
        if (endsWith(file, inCodePage) || endsWith(file, outsideCodePage)) {
            EXPECT_EQ(o["ok"], true) << file;
            ++loaded;
        }
    }
    EXPECT_EQ(loaded, 2);
}

TEST(ToolNames, InfoOpensNamesGivenOnTheCommandLine) {
    const NamedTree tree;
    for (const std::string& name : {inCodePage, outsideCodePage}) {
        const std::string path = tree.at("tree/" + name);
        const Captured r = runCaptured("info \"" + path + "\"");
        EXPECT_EQ(r.status, 0) << name << "\n" << r.err;
        EXPECT_EQ(r.out.rfind(path + ": ", 0), 0u) << r.out;
        EXPECT_TRUE(endsWith(r.out, " bytes: loads as " + std::string(name == inCodePage ? "rgba" : "rgb") + "\n"))
            << r.out;
    }
}

TEST(ToolNames, ConvertReadsAndWritesAnyName) {
    const NamedTree tree;
    // One input to a named output.
    const std::string out = tree.at("\xce\xa9ut \xc3\xa9t\xc3\xa9.png");
    const Captured one = runCaptured("convert \"" + tree.at("tree/" + outsideCodePage) + "\" \"" + out + "\"");
    EXPECT_EQ(one.status, 0) << one.err;
    ASSERT_TRUE(fs::exists(utf8Path(out)));
    fs::copy_file(utf8Path(out), tree.dir.path / "copy.png");  // read back under a plain name
    EXPECT_EQ(readPng(tree.dir.file("copy.png")).width, 128u);

    // Into a folder, each under its own name.
    const std::string folder = tree.at("pr\xc3\xa9vu \xce\xa9");
    fs::create_directory(utf8Path(folder));
    const Captured many = runCaptured("convert -o \"" + folder + "\" \"" + tree.at("tree/" + inCodePage) + "\" \"" +
                                      tree.at("tree/" + outsideCodePage) + "\"");
    EXPECT_EQ(many.status, 0) << many.err;
    EXPECT_TRUE(fs::exists(utf8Path(folder + "/fa\xc3\xa7" "ade.png")));
    EXPECT_TRUE(fs::exists(utf8Path(folder + "/\xce\xa9mega.png")));
}

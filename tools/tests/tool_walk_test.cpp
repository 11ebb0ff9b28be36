// `ornatex check` walking a tree: nothing it cannot read passes unnoticed.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "ToolTestSupport.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace tooltest;
namespace fs = std::filesystem;

namespace {

// The summary's counts, in the order printed: loaded, refused, not an
// image, cannot read, skipped links; -1 for a row that is missing.
using Counts = std::vector<int>;
Counts summaryCounts(const std::string& out) {
    Counts counts;
    for (const char* row :
         {"\n  loaded ", "\n  refused ", "\n  not an image ", "\n  cannot read ", "\n  skipped links "}) {
        const std::size_t at = out.find(row);
        counts.push_back(at == std::string::npos ? -1 : std::atoi(out.c_str() + at + std::strlen(row)));
    }
    return counts;
}

}  // namespace

TEST(ToolCheckWalk, OneFileIsCountedInTheSingular) {
    const Captured one = runCaptured("check " + dataFile("pillow-200x32_rgba_bl_raw.tga"));
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out.rfind("1 file checked in ", 0), 0u) << one.out;
    const Captured two = runCaptured("check " + dataFile("pillow-200x32_rgba_bl_raw.tga") + " " +
                                     dataFile("pillow-hopper.rgb"));
    EXPECT_EQ(two.out.rfind("2 files checked in ", 0), 0u) << two.out;
}

#if !defined(_WIN32)

namespace {

// The command that runs the tool as an unprivileged user when the tests run
// as root (root reads a folder of mode 000), through util-linux's setpriv;
// empty when there is no way to drop the privileges. That user may not reach
// the build tree (a clone in a `mktemp -d` folder is private to root), so the
// tool and the project's libraries it loads are copied into `dir`, which the
// caller makes readable, and found there through LD_LIBRARY_PATH.
std::string unprivilegedTool(const TempDir& dir, bool& possible) {
    possible = true;
    if (geteuid() != 0) return toolCommand();
    if (std::system("command -v setpriv >/dev/null 2>&1") != 0) {
        possible = false;
        return "";
    }
    const fs::path tool = ORNATEX_TOOL;
    const std::string buildRoot = tool.parent_path().parent_path().string() + "/";
    const fs::path bin = dir.path / "bin";
    fs::create_directories(bin);
    fs::copy_file(tool, bin / tool.filename());
    // ldd lines read "libornatex.so.0 => /path/to/libornatex.so.0 (0x...)".
    std::istringstream libraries(runCommand("ldd " + tool.string()).output);
    std::string line;
    while (std::getline(libraries, line)) {
        const std::size_t arrow = line.find(" => ");
        if (arrow == std::string::npos) continue;
        const std::string path = line.substr(arrow + 4, line.find(" (", arrow) - arrow - 4);
        if (path.rfind(buildRoot, 0) == 0) fs::copy_file(path, bin / fs::path(path).filename());
    }
    for (const fs::directory_entry& e : fs::directory_iterator(bin)) chmod(e.path().c_str(), 0755);
    chmod(bin.c_str(), 0755);
    return "setpriv --reuid=65534 --regid=65534 --clear-groups env LD_LIBRARY_PATH=" + bin.string() + " " +
           (bin / tool.filename()).string();
}

// The JSON report of `check --json` on the arguments, which must end with
// exit status `status`.
nlohmann::json jsonReport(const std::string& args, int status) {
    const Captured r = runCaptured("check --json " + args);
    EXPECT_EQ(r.status, status) << r.err;
    return nlohmann::json::parse(r.out);
}

}  // namespace

// Links that lead nowhere or round in a loop: root cannot read them either,
// so this runs as whoever runs the tests.
TEST(ToolCheckWalk, DanglingAndLoopingLinksAreFailuresNotSilence) {
    TempDir dir;
    const std::string root = dir.file("tree");
    fs::create_directories(root + "/ok");
    fs::copy_file(dataFile("pillow-200x32_rgba_bl_raw.tga"), root + "/ok/plane.tga");
    fs::create_symlink("nowhere.tga", root + "/dangling.tga");
    fs::create_symlink("loop", root + "/loop");
    // A link to a file is looked through; a link to a folder already walked
    // is skipped, with a word.
    fs::create_symlink("ok/plane.tga", root + "/linked.tga");
    fs::create_directory_symlink("ok", root + "/folder-link");

    const Captured r = runCaptured("check " + root);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, root + "/dangling.tga: cannot read: No such file or directory\n" + root +
                         "/folder-link: skipped: the same folder as " + root + "/ok, checked once\n" + root +
                         "/loop: cannot read: Too many levels of symbolic links\n");
    EXPECT_EQ(r.out.rfind("4 files checked in ", 0), 0u) << r.out;
    EXPECT_EQ(summaryCounts(r.out), (Counts{2, 0, 0, 2, 1})) << r.out;

    const nlohmann::json report = jsonReport(root, 1);
    ASSERT_EQ(report.size(), 4u);
    std::map<std::string, nlohmann::json> byName;
    for (const nlohmann::json& o : report) byName[fs::path(o["file"].get<std::string>()).filename().string()] = o;
    EXPECT_EQ(byName["dangling.tga"]["ok"], false);
    EXPECT_EQ(byName["dangling.tga"]["error"], "cannot read: No such file or directory");
    EXPECT_EQ(byName["loop"]["ok"], false);
    EXPECT_EQ(byName["loop"]["error"], "cannot read: Too many levels of symbolic links");
    EXPECT_EQ(byName["linked.tga"]["ok"], true);

    // Named on the command line, a dangling link fails the same way.
    const Captured named = runCaptured("check " + root + "/dangling.tga");
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.err, root + "/dangling.tga: cannot read: No such file or directory\n");
}

// A folder whose only entry is a link to a folder of broken files: the files
// behind the link are checked and fail the run; --no-follow lists the link
// and passes over it.
TEST(ToolCheckWalk, LinksToFoldersAreFollowedUnlessAskedNot) {
    TempDir dir;
    const std::string elsewhere = dir.file("elsewhere"), root = dir.file("tree");
    fs::create_directories(elsewhere + "/deeper");
    fs::create_directories(root);
    fs::copy_file(dataFile("pillow-rgba16.tga"), elsewhere + "/icon16.tga");
    fs::copy_file(dataFile("pillow-200x32_rgba_bl_raw.tga"), elsewhere + "/deeper/plane.tga");
    fs::create_directory_symlink("../elsewhere", root + "/broken");

    const Captured followed = runCaptured("check " + root);
    EXPECT_EQ(followed.status, 1);
    EXPECT_EQ(followed.err, root + "/broken/icon16.tga: pixel depth 16, only 24 and 32 supported\n");
    EXPECT_EQ(followed.out.rfind("2 files checked in ", 0), 0u) << followed.out;
    EXPECT_EQ(summaryCounts(followed.out), (Counts{1, 1, 0, 0, 0})) << followed.out;

    const nlohmann::json report = jsonReport(root, 1);
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0]["file"], root + "/broken/deeper/plane.tga");
    EXPECT_EQ(report[0]["ok"], true);
    EXPECT_EQ(report[1]["file"], root + "/broken/icon16.tga");
    EXPECT_EQ(report[1]["ok"], false);

    const Captured skipped = runCaptured("check --no-follow " + root);
    EXPECT_EQ(skipped.status, 0);
    EXPECT_EQ(skipped.err, root + "/broken: skipped: link to a folder (--no-follow)\n");
    EXPECT_EQ(skipped.out.rfind("0 files checked in ", 0), 0u) << skipped.out;
    EXPECT_EQ(summaryCounts(skipped.out), (Counts{0, 0, 0, 0, 1})) << skipped.out;
    const Captured skippedJson = runCaptured("check --no-follow --json " + root);
    EXPECT_EQ(skippedJson.status, 0);
    EXPECT_EQ(skippedJson.err, skipped.err);
    EXPECT_EQ(nlohmann::json::parse(skippedJson.out).size(), 0u);

    // A link named on the command line is the folder the user asked for.
    const Captured named = runCaptured("check --no-follow " + root + "/broken");
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.out.rfind("2 files checked in ", 0), 0u) << named.out;
}

// Each real folder is walked once: a link back up is a loop that cannot be
// read, a second way into a folder is skipped, and the files are counted
// under their real path.
TEST(ToolCheckWalk, EachRealFolderOnceAndLoopsCannotBeRead) {
    TempDir dir;
    const std::string root = dir.file("tree");
    fs::create_directories(root + "/a/b");
    fs::create_directories(root + "/z");
    fs::copy_file(dataFile("pillow-200x32_rgba_bl_raw.tga"), root + "/a/b/plane.tga");
    fs::copy_file(dataFile("pillow-hopper.rgb"), root + "/z/hopper.rgb");
    fs::create_directory_symlink("../..", root + "/a/b/up");        // back to the tree itself
    fs::create_directory_symlink("../z", root + "/a/also-z");      // z, walked as z
    fs::create_directory_symlink("z", root + "/y");                 // the same again

    const Captured r = runCaptured("check " + root);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, root + "/a/also-z: skipped: the same folder as " + root + "/z, checked once\n" + root +
                         "/a/b/up: cannot read: a link back to a folder above it (a loop)\n" + root +
                         "/y: skipped: the same folder as " + root + "/z, checked once\n");
    EXPECT_EQ(r.out.rfind("3 files checked in ", 0), 0u) << r.out;
    EXPECT_EQ(summaryCounts(r.out), (Counts{2, 0, 0, 1, 2})) << r.out;

    const nlohmann::json report = jsonReport(root, 1);
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[0]["file"], root + "/a/b/plane.tga");
    EXPECT_EQ(report[1]["file"], root + "/a/b/up");
    EXPECT_EQ(report[1]["ok"], false);
    EXPECT_EQ(report[1]["code"], "cannot_read");
    EXPECT_EQ(report[2]["file"], root + "/z/hopper.rgb");
}

#endif

// A file named on the command line and the same file alone in a folder give
// the same summary and the same exit status, for every kind of outcome.
TEST(ToolCheckWalk, NamedFileAndFileInFolderLandInTheSameCount) {
    TempDir dir;
    std::ofstream(dir.file("notes.txt"), std::ios::binary) << "not a picture\n";
    const struct {
        std::string source;
        const char* name;
        Counts counts;
        int status;
    } cases[] = {
        {dataFile("pillow-200x32_rgba_bl_raw.tga"), "plane.tga", {1, 0, 0, 0, 0}, 0},
        {dataFile("pillow-200x32_rgba_bl_raw.tga"), "plane.bin", {1, 0, 0, 0, 0}, 0},  // a TGA by its header
        {dataFile("pillow-rgba16.tga"), "icon16.tga", {0, 1, 0, 0, 0}, 1},
        {dir.file("notes.txt"), "notes.txt", {0, 0, 1, 0, 0}, 0},
        {dir.file("notes.txt"), "notes.tga", {0, 1, 0, 0, 0}, 1},  // an image by its name, refused
    };
    for (const auto& c : cases) {
        const std::string folder = dir.file(std::string("alone-") + c.name);
        fs::create_directories(folder);
        fs::copy_file(c.source, folder + "/" + c.name);
        const Captured named = runCaptured("check " + folder + "/" + c.name);
        const Captured walked = runCaptured("check " + folder);
        EXPECT_EQ(summaryCounts(named.out), c.counts) << c.name << "\n" << named.out;
        EXPECT_EQ(summaryCounts(walked.out), c.counts) << c.name << "\n" << walked.out;
        EXPECT_EQ(named.status, c.status) << c.name;
        EXPECT_EQ(walked.status, c.status) << c.name;
    }
#if !defined(_WIN32)
    const std::string folder = dir.file("alone-dangling");
    fs::create_directories(folder);
    fs::create_symlink("nowhere.tga", folder + "/dangling.tga");
    const Captured named = runCaptured("check " + folder + "/dangling.tga");
    const Captured walked = runCaptured("check " + folder);
    EXPECT_EQ(summaryCounts(named.out), (Counts{0, 0, 0, 1, 0})) << named.out;
    EXPECT_EQ(summaryCounts(walked.out), (Counts{0, 0, 0, 1, 0})) << walked.out;
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(walked.status, 1);
#endif
}

#if defined(_WIN32)
// Paths are printed as the user spelled the folder, and what the walk adds
// uses the same separator, so that no line mixes '/' and '\'.
TEST(ToolCheckWalk, PrintedPathsKeepOneSeparator) {
    TempDir dir;
    fs::create_directories(dir.path / "textures" / "legacy");
    fs::copy_file(dataFile("pillow-rgba16.tga"), dir.path / "textures" / "legacy" / "icon16.tga");
    const std::string slashed = dir.path.generic_string() + "/textures/legacy";
    const Captured slash = runCaptured("check \"" + slashed + "\"");
    EXPECT_EQ(slash.err, slashed + "/icon16.tga: pixel depth 16, only 24 and 32 supported\n");
    const std::string native = (dir.path / "textures").make_preferred().string();
    const Captured backslash = runCaptured("check \"" + native + "\"");
    EXPECT_EQ(backslash.err, native + "\\legacy\\icon16.tga: pixel depth 16, only 24 and 32 supported\n");
}
#endif

#if !defined(_WIN32)

// Unix names are bytes: one that is not UTF-8 is kept exactly, in base64,
// beside its text form, so that a script can open the file again.
TEST(ToolCheckWalk, JsonKeepsNamesThatAreNotUtf8) {
    TempDir dir;
    const struct {
        std::string name;  // as the folder holds it, "./" in front
        const char* bytes;  // base64 of the name, or null for a UTF-8 name
    } cases[] = {
        {"./bad\xff\xfename.tga", "Li9iYWT//m5hbWUudGdh"},
        {"./caf\xc3\xa9\xed\xa0\x80.rgb", "Li9jYWbDqe2ggC5yZ2I="},  // an encoded surrogate
        {"./x\xc0\xaf.tga", "Li94wK8udGdh"},                       // an overlong '/'
        {"./ab\xf4\x90\x80\x80.tga", "Li9hYvSQgIAudGdh"},         // above U+10FFFF
        {"./t\xe9.tga", "Li906S50Z2E="},                           // Latin-1
        {"./fa\xc3\xa7" "ade \xf0\x9f\x8c\x8a.tga", nullptr},   // UTF-8: text only
    };
    for (const auto& c : cases) fs::copy_file(dataFile("pillow-200x32_rgba_bl_raw.tga"), dir.path / c.name);
    const RunResult r = runCommand("cd '" + dir.path.string() + "' && " + toolCommand() + " check --json .");
    EXPECT_EQ(r.status, 0);
    const nlohmann::json report = nlohmann::json::parse(r.output);
    ASSERT_EQ(report.size(), std::size(cases));
    for (const auto& c : cases) {
        bool found = false;
        for (const nlohmann::json& o : report) {
            if (c.bytes ? o["fileBytes"] != c.bytes : o["file"] != c.name) continue;
            found = true;
            EXPECT_EQ(o["ok"], true);
            EXPECT_TRUE(o["file"].is_string());
            if (!c.bytes) {
                EXPECT_TRUE(o["fileBytes"].is_null());
            }
        }
        EXPECT_TRUE(found) << c.name;
    }
}

TEST(ToolCheckWalk, FolderAndFileWithoutPermissionFailTheRun) {
    TempDir dir;
    // The unprivileged user must reach the tree through the temporary folder.
    fs::permissions(dir.path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    bool possible = false;
    const std::string tool = unprivilegedTool(dir, possible);
    if (!possible) GTEST_SKIP() << "running as root without setpriv: root reads a folder of mode 000";
    const std::string root = dir.file("tree");
    fs::create_directories(root + "/open");
    fs::create_directories(root + "/shut");
    fs::copy_file(dataFile("pillow-200x32_rgba_bl_raw.tga"), root + "/open/plane.tga");
    fs::copy_file(dataFile("pillow-hopper.rgb"), root + "/open/secret.rgb");
    fs::copy_file(dataFile("pillow-hopper.rgb"), root + "/shut/hidden.rgb");
    for (const std::string& p : {root, root + "/open"}) chmod(p.c_str(), 0755);
    chmod((root + "/open/plane.tga").c_str(), 0644);
    chmod((root + "/open/secret.rgb").c_str(), 0);
    chmod((root + "/shut").c_str(), 0);

    const Captured r = runCaptured("check " + root, tool);
    chmod((root + "/shut").c_str(), 0755);  // so that the folder can be removed
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, root + "/open/secret.rgb: cannot read: Permission denied\n" + root +
                         "/shut: cannot read: Permission denied\n");
    EXPECT_EQ(r.out.rfind("3 files checked in ", 0), 0u) << r.out;
    EXPECT_EQ(summaryCounts(r.out), (Counts{1, 0, 0, 2, 0})) << r.out;

    chmod((root + "/shut").c_str(), 0);
    const Captured json = runCaptured("check --json " + root, tool);
    chmod((root + "/shut").c_str(), 0755);
    EXPECT_EQ(json.status, 1);
    const nlohmann::json report = nlohmann::json::parse(json.out);
    ASSERT_EQ(report.size(), 3u);
    EXPECT_EQ(report[2]["file"], root + "/shut");
    EXPECT_EQ(report[2]["ok"], false);
    EXPECT_EQ(report[2]["error"], "cannot read: Permission denied");
    EXPECT_EQ(report[2]["code"], "cannot_read");
    EXPECT_TRUE(report[2]["image"].is_null());
    EXPECT_TRUE(report[2]["fileSize"].is_null());
}

#endif

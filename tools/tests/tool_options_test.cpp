// The command-line conventions every command shares.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "ToolTestSupport.h"

using namespace tooltest;

TEST(ToolOptions, VersionAndHelp) {
    const RunResult version = runTool("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "ornatex " ORNATEX_VERSION "\n");
    // The manual page names the same version.
    std::ifstream man(ORNATEX_MAN_PAGE);
    std::string title;
    std::getline(man, title);
    EXPECT_NE(title.find("\"ornatex " ORNATEX_VERSION "\""), std::string::npos) << title;

    const RunResult help = runTool("help");
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"check PATH", "info FILE", "convert IN", "mesh SHAPE", "help [COMMAND]", "--version"})
        EXPECT_NE(help.output.find(command), std::string::npos) << command;
    EXPECT_EQ(runTool("--help").output, help.output);

    // help COMMAND is the command's own --help, wherever --help stands.
    for (const char* command : {"info", "convert", "mesh"}) {
        const RunResult own = runTool(std::string(command) + " --help");
        EXPECT_EQ(own.status, 0) << command;
        EXPECT_EQ(own.output.rfind(std::string("usage: ornatex ") + command, 0), 0u) << own.output;
        EXPECT_EQ(runTool(std::string("help ") + command).output, own.output) << command;
        EXPECT_EQ(runTool(std::string(command) + " a b -h").output, own.output) << command;
    }
}

TEST(ToolOptions, UsageErrorsNameTheirCauseAndExitWith2) {
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"", "usage: ornatex COMMAND"},
        {"frobnicate", "ornatex: unknown command 'frobnicate'"},
        {"help frobnicate", "ornatex: unknown command 'frobnicate'"},
        {"--frobnicate", "ornatex: unknown option --frobnicate"},
        {"info --frobnicate x.tga", "ornatex info: unknown option --frobnicate"},
        {"info x.tga -q", "ornatex info: unknown option -q"},
        {"convert --format=gif a.tga -", "unknown"},
        {"mesh sphere 1 --help=yes", "option --help does not take '=VALUE'"},
        {"check -vq x.tga", "ornatex check: unknown option -q"},
        {"check -vj", "ornatex check: option -j needs N"},
        {"check -j4 -j 2 x.tga", "ornatex check: option -j given twice"},
        {"check --jobs= x.tga", "-j needs a whole number of threads from 1 to 1024, not ''"},
    };
    for (const auto& c : cases) {
        const RunResult r = runTool(std::string(c.args) + " 2>&1 >/dev/null");
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
    }
}

// getopt's conventions: bundled short options, attached values, --opt=value
// and "--" before operands that start with a dash.
TEST(ToolOptions, GetoptSpellingsMeanTheSame) {
    const std::string file = dataFile("tiffcp-hopper-palette-1strip.tif");
    const RunResult plain = runTool("check -v -j 1 " + file);
    ASSERT_EQ(plain.status, 0);
    // The loaders' text first, then the summary; the summary's time varies.
    const std::string traced = plain.output.substr(0, plain.output.find("1 file checked in"));
    EXPECT_EQ(traced.rfind("Byte order: 18761\n", 0), 0u);
    for (const char* spelled : {"-vj1", "-vj 1", "-v -j1", "--verbose --jobs=1", "-j1 -v", "-vj1 --"}) {
        const RunResult r = runTool(std::string("check ") + spelled + " " + file);
        EXPECT_EQ(r.status, 0) << spelled;
        EXPECT_EQ(r.output.substr(0, r.output.find("1 file checked in")), traced) << spelled;
    }
    const RunResult four = runTool("check -j4 " + file);
    EXPECT_EQ(four.status, 0);
    EXPECT_EQ(four.output.rfind("1 file checked in ", 0), 0u) << four.output;

    // After "--" a name that starts with a dash is a file, not an option.
    TempDir dir;
    std::filesystem::copy_file(file, dir.file("-odd.tif"));
#if defined(_WIN32)
    // The tool's path with its drive: the temporary folder may be on another.
    const std::string inDir = "cd /d \"" + dir.path.string() + "\" && \"" +
                              std::filesystem::absolute(ORNATEX_TOOL).make_preferred().string() + "\"";
#else
    const std::string inDir = "cd '" + dir.path.string() + "' && " + toolCommand();
#endif
    const RunResult dashed = runCommand(inDir + " check -- -odd.tif 2>&1");
    EXPECT_EQ(dashed.status, 0) << dashed.output;
    const RunResult unknown = runCommand(inDir + " check -odd.tif 2>&1");
    EXPECT_EQ(unknown.status, 2) << unknown.output;
}

// The command-line conventions every command shares.
#include <gtest/gtest.h>

#include "ToolTestSupport.h"

using namespace tooltest;

TEST(ToolOptions, VersionAndHelp) {
    const RunResult version = runTool("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "ornatex " ORNATEX_VERSION "\n");

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
    };
    for (const auto& c : cases) {
        const RunResult r = runTool(std::string(c.args) + " 2>&1 >/dev/null");
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
    }
}

// The tool's subcommands. Each takes the arguments after its name and
// returns the exit status: 0 success, 1 failure, 2 usage error.
#pragma once

namespace tool {

constexpr int exitOk = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

int runConvert(int argc, char** argv);
int runInfo(int argc, char** argv);
int runMesh(int argc, char** argv);

}  // namespace tool

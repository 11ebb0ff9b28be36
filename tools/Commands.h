// The tool's commands. Each takes the arguments after its name and returns
// the exit status: 0 success, 1 failure, 2 usage error.
#pragma once

#include <string>

namespace tool {

constexpr int exitOk = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

int runConvert(int argc, char** argv);
int runInfo(int argc, char** argv);
int runCheck(int argc, char** argv);
int runMesh(int argc, char** argv);

// Prints "ornatex COMMAND: MESSAGE" and where to find help on standard
// error; returns exitUsage.
int usageError(const std::string& command, const std::string& message);

}  // namespace tool

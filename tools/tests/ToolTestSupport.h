// Running the ornatex tool as a user would, and reading back what it wrote.
#pragma once

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "PngReference.h"
#include "TempDir.h"

namespace tooltest {

struct RunResult {
    int status = -1;     // exit status
    std::string output;  // standard output
};

#if defined(_WIN32)
// UTF-8 to UTF-16 through the filesystem library: <windows.h> here would
// bring its macros (near, far, min, max) into every test.
inline std::wstring wideFromUtf8(const std::string& text) { return std::filesystem::u8path(text).wstring(); }
#endif

// Runs a shell command (on Windows, a cmd.exe command) and collects its
// standard output and exit status. The command is UTF-8 on every platform:
// on Windows it is started through the wide-character API, so that names
// outside the ANSI code page reach the program.
inline RunResult runCommand(const std::string& command) {
    RunResult r;
#if defined(_WIN32)
    // cmd.exe /c strips the outer quotes of a line that starts with one.
    std::FILE* pipe = _wpopen(wideFromUtf8("\"" + command + "\"").c_str(), L"rb");
#else
    std::FILE* pipe = popen(command.c_str(), "r");
#endif
    if (!pipe) throw std::runtime_error("popen failed");
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
#if defined(_WIN32)
    r.status = _pclose(pipe);
#else
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    return r;
}

// The tool's path as the shell takes it: on Windows with backslashes (a
// path from the drive's root stays on the drive the tests run from).
inline std::string toolCommand() {
    std::string tool = ORNATEX_TOOL;
#if defined(_WIN32)
    for (char& c : tool)
        if (c == '/') c = '\\';
    return "\"" + tool + "\"";
#else
    return tool;
#endif
}

// Runs the tool with the given argument string; standard error goes where
// the test's own goes unless the arguments redirect it.
inline RunResult runTool(const std::string& args) { return runCommand(toolCommand() + " " + args); }

struct Captured {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs the tool with the given argument string, keeping standard output and
// standard error apart. `tool` is the command that starts the tool (another
// copy of it, run as another user, say).
inline Captured runCaptured(const std::string& args, const std::string& tool = toolCommand()) {
#if defined(_WIN32)
    const ornatextest::TempDir errDir;
    const std::string errPath = errDir.file("stderr.txt");
#else
    std::string errPath = (std::filesystem::temp_directory_path() / "ornatex-stderr-XXXXXX").string();
    const int fd = mkstemp(errPath.data());
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    close(fd);
#endif
    const RunResult r = runCommand(tool + " " + args + " 2>" + errPath);
    Captured c;
    c.status = r.status;
    c.out = r.output;
    std::FILE* f = std::fopen(errPath.c_str(), "rb");
    char buffer[4096];
    std::size_t n;
    while (f && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) c.err.append(buffer, n);
    if (f) std::fclose(f);
    std::remove(errPath.c_str());
    return c;
}

using Image = ornatextest::PngPicture;

// Decodes a PNG to 8-bit RGB or RGBA (stb_image, independent of the tool's
// writer); a file that does not decode ends the test with an exception.
inline Image readPng(const std::string& path) {
    Image out = ornatextest::readPngPicture(path, 0);
    if (out.pixels.empty()) throw std::runtime_error("cannot read " + path);
    return out;
}

using ornatextest::TempDir;

inline std::string dataFile(const char* name) { return std::string(LOADER_TEST_DATA) + "/" + name; }

}  // namespace tooltest

// Running the ornatex tool as a user would, and reading back what it wrote.
#pragma once

#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "TempDir.h"

namespace tooltest {

struct RunResult {
    int status = -1;     // exit status
    std::string output;  // standard output
};

// Runs the tool with the given argument string; standard error is discarded
// unless the arguments redirect it.
inline RunResult runTool(const std::string& args) {
    const std::string command = std::string(ORNATEX_TOOL) + " " + args;
    RunResult r;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("popen failed");
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

struct Image {
    unsigned width = 0, height = 0, channels = 0;
    std::vector<unsigned char> pixels;  // top row first, 8 bits a sample
};

// Decodes a PNG to 8-bit RGB or RGBA with libpng.
inline Image readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) throw std::runtime_error("cannot read " + path);
    image.format = (image.format & PNG_FORMAT_FLAG_ALPHA) ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    Image out;
    out.width = image.width;
    out.height = image.height;
    out.channels = PNG_IMAGE_PIXEL_CHANNELS(image.format);
    out.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr))
        throw std::runtime_error("cannot decode " + path);
    return out;
}

using ornatextest::TempDir;

inline std::string dataFile(const char* name) { return std::string(LOADER_TEST_DATA) + "/" + name; }

}  // namespace tooltest

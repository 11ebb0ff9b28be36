// Writing a decoded image to a file that viewers open, top row first: PNG
// (8 bits a sample, RGB or RGBA) or PAM.
#pragma once

#include <cstddef>
#include <string>

namespace tool {

enum class OutputKind { unknown, png, pam };

// The kind a path's extension names (.png, .pam, any case), or a --format
// value ("png", "pam").
OutputKind outputKindForPath(const std::string& path);
OutputKind outputKindForName(const std::string& name);
const char* extensionFor(OutputKind kind);

// Pixels as the library hands them over: rows packed, bottom row first,
// 3 (RGB) or 4 (RGBA) bytes a pixel.
struct PixelView {
    int width = 0;
    int height = 0;
    int channels = 0;
    const unsigned char* pixels = nullptr;
};

// Writes the image to the path, or to standard output when the path is "-".
// Returns an empty string on success, otherwise what went wrong; a file
// that could not be written completely is removed.
std::string writeImage(const PixelView& image, const std::string& path, OutputKind kind);

}  // namespace tool

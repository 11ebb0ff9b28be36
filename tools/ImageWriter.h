// Writing an image: in the engine's own formats (TGA, SGI, palette TIFF),
// each proven by reading it back, or for viewers top row first (PNG, PAM).
// A file is only ever replaced whole, never left partly written.
#pragma once

#include <string>

#include "PixelView.h"

namespace tool {

enum class OutputKind { unknown, png, pam, tga, sgi, tiff };

// The kind a path's extension names (.png, .pam, .tga, .sgi, .rgb, .tif,
// .tiff; any case), or a --format value ("png", "pam", "tga", "sgi",
// "tiff").
OutputKind outputKindForPath(const std::string& path);
OutputKind outputKindForName(const std::string& name);
const char* extensionFor(OutputKind kind);
// TGA, SGI and TIFF: the formats the engine's loaders read.
bool isEngineKind(OutputKind kind);

// Writes the image to the path, or to standard output when the path is "-".
// Returns an empty string on success, otherwise one line saying what went
// wrong; the destination is then as it was. Engine formats are read back
// through the library's decoder and compared with the image before they
// replace anything (and before anything goes to standard output).
std::string writeImage(const PixelView& image, const std::string& path, OutputKind kind);

// For the tests: called with the temporary file's path once it is written
// and before it is read back, so that a test can damage it. Null: none.
using WrittenFileHook = void (*)(const std::string& tempPath);
void setWrittenFileHookForTesting(WrittenFileHook hook);

}  // namespace tool

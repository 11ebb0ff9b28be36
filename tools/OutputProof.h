// The proof that a written engine file shows the source's picture: the file
// is read back through the library decoder that the engine's loader uses,
// and its pixels, as the engine will show them, are compared with the
// source's.
#pragma once

#include <cstddef>
#include <string>

#include "ImageWriter.h"
#include "PixelView.h"

namespace tool {

// Decodes `file` (`size` bytes, the whole written file of an engine format: tga, sgi or
// tiff) and compares it with `source`. An opaque RGBA source matches an RGB
// file of the same colours. Returns an empty string, or one line saying
// what differs.
std::string proveEngineFile(OutputKind kind, const unsigned char* file, std::size_t size, const PixelView& source);

// The first pixel where two views differ, as "pixel (X, Y) from the top
// left: wrote R G B A, read R G B A", compared as RGBA with alpha 255 for
// RGB; or an empty string when every pixel matches. Sizes must agree.
std::string firstDifference(const PixelView& wrote, const PixelView& read);

}  // namespace tool

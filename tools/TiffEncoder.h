// Palette-colour TIFF as the engine's TIFF loader takes it: little-endian,
// one directory, uncompressed strips of one 8-bit index a pixel, a ColorMap
// of 768 16-bit entries. Rows are stored top row first, as TIFF's default
// orientation says; the loader turns them bottom row first.
#pragma once

#include <string>
#include <vector>

#include "PixelView.h"

namespace tool {

// The whole file, when the picture has at most 256 distinct colours and
// every pixel is opaque (a palette has no alpha). No colours are merged:
// otherwise the one-line reason names the formats that store the picture.
std::string encodeTiff(const PixelView& image, std::vector<unsigned char>& file);

}  // namespace tool

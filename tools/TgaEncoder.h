// Truevision TGA as the engine's TGA loader takes it: uncompressed
// true-colour (image type 2), no image ID, no colour map, origin
// bottom-left, rows stored bottom row first. The loader hands rows to the
// texture in stored order, so this order is the one that shows upright.
#pragma once

#include <string>
#include <vector>

#include "ByteSink.h"
#include "PixelView.h"

namespace tool {

// Writes the whole file to `out`, a slice at a time, with no copy of the
// picture in between: 24-bit blue-green-red pixels when every pixel is
// opaque, else 32-bit blue-green-red-alpha with 8 alpha bits. Returns an
// empty string, why the image cannot be stored (a side above 65535), or
// "write failed" when `out` refused bytes.
std::string encodeTga(const PixelView& image, ByteSink& out);
// The same into memory.
std::string encodeTga(const PixelView& image, std::vector<unsigned char>& file);

}  // namespace tool

// PNG encoding through the header-only stb_image_write: one code path on
// every platform, with no run-time library to ship.
#pragma once

#include <vector>

namespace tool {

// Encodes 8-bit RGB (channels 3) or RGBA (4) rows starting at `topRow`,
// each following row `stride` bytes further (negative for images stored
// bottom row first), and appends the file to `out`. Returns false when the
// encoder failed.
bool encodePng(int width, int height, int channels, const unsigned char* topRow, long stride,
               std::vector<unsigned char>& out);

}  // namespace tool

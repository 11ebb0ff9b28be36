// SGI image as the engine's SGI loader takes it: run-length encoded, one
// byte a channel, 3 channels (RGB) when every pixel is opaque, else 4
// (RGBA); scanlines bottom row first, as the format stores them.
#pragma once

#include <string>
#include <vector>

#include "PixelView.h"

namespace tool {

// The whole file. Returns an empty string, or why the image cannot be
// stored (a side above 65535).
std::string encodeSgi(const PixelView& image, std::vector<unsigned char>& file);

// Appends one scanline's packets and the closing 0: repeat runs (count,
// byte) for three or more equal bytes, literal runs (0x80 | count, bytes)
// for the rest, at most 127 bytes a packet. Exposed for the tests.
void appendSgiRuns(const unsigned char* line, int length, std::vector<unsigned char>& out);

}  // namespace tool

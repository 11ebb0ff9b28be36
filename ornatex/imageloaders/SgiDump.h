// The plain-text dump of a decoded SGI image, internal to ornatex: three
// bytes a line as "%u %u %u\n", formatted by hand into a large buffer and
// written in big blocks (the bytes are exactly what one printf a line gives).
#pragma once

#include <cstddef>
#include <cstdio>

namespace ornatex {

// Number of dump lines for an image of `pixels` pixels whose output block
// holds `bytes` bytes: (pixels + 2) / 3, but never a line that would start
// past the end of the block.
std::size_t sgiDumpLines(std::size_t pixels, std::size_t bytes);

// Writes `lines` lines of three bytes from `data` to `out`. Bytes at or past
// `bytes` (only possible on the last line) are shown as 0.
void writeSgiDump(const unsigned char* data, std::size_t bytes, std::size_t lines, std::FILE* out);

}  // namespace ornatex

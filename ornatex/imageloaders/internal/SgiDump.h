// The plain-text dump of a decoded run-length SGI image, internal to
// ornatex: three bytes a line as "%u %u %u\n", formatted by hand into a
// large buffer and written in big pieces (the bytes are exactly what one
// printf a line gives).
#pragma once

#include <cstddef>
#include <cstdint>

namespace ornatex::detail {

class TextSink;

// Number of dump lines for an image of `pixels` pixels: (pixels + 2) / 3,
// whatever the output block holds.
std::uint64_t sgiDumpLines(std::uint64_t pixels);

// Writes `lines` lines of three bytes from `data` to `out`. Bytes at or past
// `bytes` (lines that reach past the output block: images of fewer than 3
// channels) are shown as 0.
void writeSgiDump(const unsigned char* data, std::size_t bytes, std::uint64_t lines, TextSink& out);

}  // namespace ornatex::detail

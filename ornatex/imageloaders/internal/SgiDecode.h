// The decoding steps of SGI image files (512-byte big-endian header, channel
// planes, verbatim or run-length encoded, 1 or 2 bytes a channel), shared by
// ImageLoaderRGBA and decodeSGI in one run. Internal to ornatex. The planes are
// interleaved into one block of one byte a channel (2-byte samples keep
// their most significant byte), bottom row first. Every read stays inside
// the given bytes, every write inside the output block.
#pragma once

#include <cstddef>
#include <cstdint>

#include <ornatex/ByteBlock.h>
#include "Outcome.h"

namespace ornatex::detail {

class TextSink;

constexpr std::size_t sgiHeaderSize = 512;

// The header fields the decoder uses (big-endian, assembled byte by byte).
struct SgiHeader {
    unsigned storage;          // 0 verbatim, anything else run-length encoded
    unsigned bytesPerChannel;  // 2: 16-bit samples; anything else: 8-bit
    unsigned width;
    unsigned height;
    unsigned channels;
};

// Reads the header; refused when the bytes are too short for it.
Outcome readSgiHeader(const unsigned char* data, std::size_t size, SgiHeader& header);

// The one channel check: 3 (RGB) and 4 (RGBA) channels are decoded.
Outcome checkSgiChannels(const SgiHeader& header);

// The header and the checks made before anything is allocated: verbatim
// files must have channels checkSgiChannels takes and hold their planes,
// run-length encoded files their start table (their channel count is
// checked after they are decoded); width x height must be at most maxPixels
// and the output at most 4 x maxPixels bytes. `anyChannelCount` lifts the
// channel check: the loaders and decodeSGI never pass it; the tool's import
// step does, for grey SGI files.
Outcome checkSgi(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, SgiHeader& header,
                 bool anyChannelCount = false);

// The run shared by decodeSGI and ImageLoaderRGBA: checkSgi, the planes
// decoded into `out` (width x height x channels bytes; run-length files of
// any channel count), the dump of a run-length file's pixels to `trace`,
// then the channel check (skipped with `anyChannelCount`). Scanline runs
// past the width are cut at the width; pixels no scanline reaches are 0.
Outcome decodeSgi(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, TextSink& trace,
                  SgiHeader& header, ByteBlock& out, bool anyChannelCount = false);

}  // namespace ornatex::detail

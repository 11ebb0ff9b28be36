// The decoding steps of SGI image files (512-byte big-endian header, channel
// planes, verbatim or run-length encoded, 1 or 2 bytes a channel), shared by
// ImageLoaderRGBA and decodeSGI. Internal to ornatex. The planes are
// interleaved into one block of one byte a channel (2-byte samples keep
// their most significant byte), bottom row first. Every read stays inside
// the given bytes, every write inside the output block.
#pragma once

#include <cstddef>
#include <cstdint>

#include <ornatex/ByteBlock.h>
#include "Outcome.h"

namespace ornatex {

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

// The refusal of a channel count other than 3 or 4 (quiet: the loader
// prints nothing for it).
Outcome refuseSgiChannels(const SgiHeader& header);

// The checks made before the output block is allocated: verbatim files must
// have 3 or 4 channels (others are refused quietly; any count when
// `anyChannelCount`) and hold their planes, run-length encoded files their
// start table; width x height must be at most maxPixels and the output at
// most 4 x maxPixels bytes.
Outcome checkSgi(std::size_t size, const SgiHeader& header, std::uint64_t maxPixels, bool anyChannelCount = false);

// Runs checkSgi, then decodes into `out` (width x height x channels bytes;
// run-length encoded files of any channel count, verbatim ones too when
// `anyChannelCount`). Scanline runs past the width are cut at the width;
// pixels no scanline reaches are 0. The loaders and decodeSGI never pass
// `anyChannelCount`; the tool's import step does, for grey SGI files.
Outcome decodeSgi(const unsigned char* data, std::size_t size, const SgiHeader& header, std::uint64_t maxPixels,
                  ByteBlock& out, bool anyChannelCount = false);

}  // namespace ornatex

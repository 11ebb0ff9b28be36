// Decoding of SGI image data into one interleaved block of one byte a
// channel, internal to ornatex (ImageLoaderRGBA reads the file and hands the
// result on). Every read stays inside the whole-file block, every write
// inside the output block; files that would need otherwise are refused with
// one line on standard output.
#pragma once

#include <cstddef>
#include <cstdlib>

#include "LoaderFile.h"

namespace ornatex {

constexpr std::size_t sgiHeaderSize = 512;

// The header fields the loader uses (big-endian, assembled byte by byte).
struct SgiHeader {
    unsigned storage;          // 0 verbatim, anything else run-length encoded
    unsigned bytesPerChannel;  // 2: 16-bit samples; anything else: 8-bit
    unsigned width;
    unsigned height;
    unsigned channels;
};

// Reads the header from the first 512 bytes of the block.
SgiHeader readSgiHeader(const unsigned char* header);

// The output block: width x height pixels of `channels` bytes, bottom row
// first, channels in file order. Released with free.
struct SgiOutput {
    unsigned char* data = nullptr;
    std::size_t size = 0;
    SgiOutput() = default;
    SgiOutput(const SgiOutput&) = delete;
    SgiOutput& operator=(const SgiOutput&) = delete;
    ~SgiOutput() { std::free(data); }
};

// Interleaves the verbatim planes. False (after printing why, or silently
// when the block cannot be allocated) when the file does not hold them.
bool decodeSgiVerbatim(const WholeFile& file, const SgiHeader& header, SgiOutput& out);

// Decodes the run-length encoded scanlines, converting each start-table
// entry to host order in place inside `file` just before its scanline is
// decoded (so a block can be decoded once). False, after printing why, for
// a start table or scanline outside the file or an image larger than the
// file can encode; runs past the width are cut at the width.
bool decodeSgiRunLength(WholeFile& file, const SgiHeader& header, SgiOutput& out);

}  // namespace ornatex

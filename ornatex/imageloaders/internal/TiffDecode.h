// The decoding steps of little-endian palette-colour TIFF files (uncompressed
// strips of one 8-bit index a pixel, expanded through the ColorMap), shared
// by ImageLoaderTIFF and decodeTIFF. Internal to ornatex.
//
// Everything is read through a ByteSource (memory or a kwStream), as the
// byte-order readers read a file: a read at or past the end gives bytes of
// 255, and the trace carries on. Each strip is read with one block read. A
// file is refused only when its pixels cannot be had.
#pragma once

#include <cstddef>
#include <cstdint>

#include <ornatex/ByteBlock.h>
#include "Outcome.h"

namespace ornatex::detail {

class ByteSource;
class TextSink;

// One directory entry's field type, count and value field.
struct TiffField {
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;
};

// What the decoder keeps of the header and the first directory. Later
// entries of a tag overwrite earlier ones; absent tags stay 0.
struct TiffDirectory {
    std::uint16_t byteOrder = 0;
    std::uint16_t version = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t photometric = 0;
    std::uint32_t rowsPerStrip = 0;
    TiffField stripOffsets;
    TiffField stripByteCounts;
    TiffField colorMap;
    bool hasCompression = false;
    bool hasBitsPerSample = false;
    bool hasSamplesPerPixel = false;
    bool tiled = false;  // TileWidth, TileLength, TileOffsets or TileByteCounts present
    TiffField compression;
    TiffField bitsPerSample;
    TiffField samplesPerPixel;
};

// A SHORT value stored in the value field occupies its first two bytes.
std::uint32_t tiffShortValue(const TiffField& f);

// Reads the header and the first directory from the start of the source,
// sending the trace to `trace`. Refused (quietly) for a big-endian or
// unknown byte order and for a directory that lies outside the file.
Outcome readTiffDirectory(ByteSource& source, TextSink& trace, TiffDirectory& dir);

// The checks on the directory alone: BigTIFF, photometric interpretation
// (both quiet), then what the decoder cannot read correctly: compressed
// strips, samples other than one 8-bit index, tiles, malformed strip arrays.
Outcome checkTiffDirectory(std::uint64_t size, const TiffDirectory& dir);

// The pixel limit and the ColorMap's field type and count.
Outcome checkTiffLimitAndMap(const TiffDirectory& dir, std::uint64_t maxPixels);

// Reads the directory, checks it, traces the strip arrays and decodes the
// pixels into `out`: width x height red-green-blue pixels, bottom row first.
// allowFastPath false keeps the row expansion on its plain path.
Outcome decodeTiff(ByteSource& source, std::uint64_t maxPixels, TextSink& trace, bool allowFastPath,
                   TiffDirectory& dir, ByteBlock& out);

}  // namespace ornatex::detail

#include "TiffDecode.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "ByteSource.h"
#include "PaletteRows.h"
#include "TextSink.h"

namespace ornatex::detail {

namespace {

constexpr std::uint16_t littleEndianMark = 0x4949;  // "II"
constexpr std::uint16_t bigEndianMark = 0x4D4D;     // "MM"
constexpr std::uint16_t bigTiffVersion = 43;

constexpr std::uint32_t typeShort = 3;
constexpr std::uint32_t typeLong = 4;

enum Tag : std::uint32_t {
    tagImageWidth = 256,
    tagImageLength = 257,
    tagBitsPerSample = 258,
    tagCompression = 259,
    tagPhotometric = 262,
    tagStripOffsets = 273,
    tagSamplesPerPixel = 277,
    tagRowsPerStrip = 278,
    tagStripByteCounts = 279,
    tagColorMap = 320,
    tagTileWidth = 322,
    tagTileByteCounts = 325,
};

// The messages print 32-bit numbers with %d: 2^31 and above show negative.
int asInt(std::uint32_t v) { return static_cast<int>(v); }

void store(TiffDirectory& dir, std::uint32_t tag, const TiffField& f) {
    switch (tag) {
        case tagImageWidth: dir.width = f.value; break;
        case tagImageLength: dir.height = f.value; break;
        case tagPhotometric: dir.photometric = f.value; break;
        case tagStripOffsets: dir.stripOffsets = f; break;
        case tagRowsPerStrip: dir.rowsPerStrip = f.value; break;
        case tagStripByteCounts: dir.stripByteCounts = f; break;
        case tagColorMap: dir.colorMap = f; break;
        case tagCompression: dir.hasCompression = true; dir.compression = f; break;
        case tagBitsPerSample: dir.hasBitsPerSample = true; dir.bitsPerSample = f; break;
        case tagSamplesPerPixel: dir.hasSamplesPerPixel = true; dir.samplesPerPixel = f; break;
        default:
            if (tag >= tagTileWidth && tag <= tagTileByteCounts) dir.tiled = true;
            break;
    }
}

// Names of the compression schemes and photometric interpretations a
// refusal may meet, as the TIFF registry names them.
const char* compressionName(std::uint32_t compression) {
    static const std::pair<std::uint32_t, const char*> names[] = {
        {1, "none"}, {2, "CCITT modified Huffman"}, {3, "CCITT Group 3 fax"}, {4, "CCITT Group 4 fax"}, {5, "LZW"},
        {6, "old-style JPEG"}, {7, "JPEG"}, {8, "Deflate"}, {32773, "PackBits"}, {32946, "Deflate"},
        {34712, "JPEG 2000"}, {34925, "LZMA"}, {50000, "Zstandard"}, {50001, "WebP"}};
    for (const auto& n : names)
        if (n.first == compression) return n.second;
    return "unknown";
}

const char* photometricName(std::uint32_t photometric) {
    static const char* const names[] = {"grey, white is zero", "grey, black is zero", "RGB", "palette colour",
                                        "transparency mask", "separated, CMYK", "YCbCr", "unknown", "CIE L*a*b*"};
    return photometric < 9 ? names[photometric] : "unknown";
}

std::uint32_t elementSize(std::uint32_t type) { return type == typeShort ? 2 : 4; }

// TIFF keeps an array of up to four bytes in the value field itself;
// otherwise the value field holds the file offset of the array.
bool storedInline(const TiffField& f) { return std::uint64_t(f.count) * elementSize(f.type) <= 4; }

// Whether an array lies inside the source. Of a source whose size is not
// known, arrays of up to 64 MiB are taken (they read as 255 past the end).
bool arrayInFile(const TiffField& f, std::uint64_t size) {
    const std::uint64_t bytes = std::uint64_t(f.count) * elementSize(f.type);
    if (storedInline(f)) return true;
    if (size == ByteSource::unknownSize) return bytes <= (std::uint64_t(1) << 26);
    return std::uint64_t(f.value) + bytes <= size;
}

// Reads a SHORT or LONG array (checked by arrayInFile), tracing each value
// with `traceFormat` when it is given.
std::vector<std::uint32_t> readArray(ByteSource& cursor, const TiffField& f, TextSink* trace, const char* traceFormat) {
    std::vector<std::uint32_t> out(f.count);
    const bool inlined = storedInline(f);
    cursor.seek(f.value);
    for (std::uint32_t k = 0; k < f.count; ++k) {
        if (inlined)
            out[k] = f.type == typeShort ? (f.value >> (16 * k)) & 0xffffu : f.value;
        else
            out[k] = f.type == typeShort ? cursor.readShort() : cursor.readLong();
        if (trace) trace->print(traceFormat, asInt(out[k]));
    }
    return out;
}

// The ColorMap as the expansion reads it: for each of its thirds (red,
// green, blue; count / 3 entries each) the entries an 8-bit index can reach,
// the first 256 at most. Entries past the end of the source read as 65535.
std::vector<std::uint32_t> readColorMap(ByteSource& source, const TiffField& map) {
    const std::uint32_t third = map.count / 3;
    const std::uint32_t used = std::min<std::uint32_t>(third, 256);
    std::vector<std::uint32_t> out;
    out.reserve(3 * used);
    for (std::uint32_t channel = 0; channel < 3; ++channel) {
        source.seek(std::uint64_t(map.value) + 2 * std::uint64_t(channel) * third);
        for (std::uint32_t k = 0; k < used; ++k) out.push_back(source.readShort());
    }
    return out;
}

}  // namespace

std::uint32_t tiffShortValue(const TiffField& f) { return f.type == typeShort ? (f.value & 0xffffu) : f.value; }

Outcome readTiffDirectory(ByteSource& cursor, TextSink& trace, TiffDirectory& dir) {
    cursor.seek(0);
    dir = TiffDirectory();
    const std::uint16_t mark = cursor.readShort();
    dir.byteOrder = mark;
    trace.print("Byte order: %d\n", static_cast<int>(static_cast<std::int16_t>(mark)));
    if (mark == bigEndianMark) {
        trace.print("Byte order: MSB\n");
        return refuse(Check::tiffByteOrder, mark, Refusal::unsupported,
                      "big-endian (MM) TIFF files are not decoded, only little-endian (II)");
    }
    const std::uint64_t size = cursor.size();
    if (mark != littleEndianMark)
        return size < 2 ? refuse(Check::tiffByteOrder, mark, Refusal::notAnImage, "%llu bytes, too short for a TIFF header",
                                 static_cast<unsigned long long>(size))
                        : refuse(Check::tiffByteOrder, mark, Refusal::notAnImage,
                                 "byte-order mark 0x%04X is not a TIFF's (II or MM)", mark);
    trace.print("Byte order: LSB\n");

    dir.version = cursor.readShort();
    const std::uint32_t ifdOffset = cursor.readLong();
    cursor.seek(ifdOffset);
    const std::uint16_t entryCount = cursor.readShort();
    trace.print("Version number: %d\n", dir.version);
    trace.print("Data offset: %d\n", asInt(ifdOffset));
    trace.print("IFD: %d\n", entryCount);
    for (unsigned k = 0; k < entryCount; ++k) {
        const std::uint32_t tag = cursor.readShort();
        TiffField f;
        f.type = cursor.readShort();
        f.count = cursor.readLong();
        f.value = cursor.readLong();
        trace.print("%d %d %d %d\n", asInt(tag), asInt(f.type), asInt(f.count), asInt(f.value));
        store(dir, tag, f);
    }
    trace.print("Next IFD: %d\n", asInt(cursor.readLong()));
    // What follows from a directory read past the end of the file (an entry
    // count of 65535, entries of 255s) is not the first cause: this is.
    if (size != ByteSource::unknownSize && std::uint64_t(ifdOffset) + 2 > size)
        return refuse(Check::tiffDirectoryOutside, ifdOffset, Refusal::truncated,
                      "the directory at offset %u lies outside the file (%llu bytes)",
                      ifdOffset, static_cast<unsigned long long>(size));
    return Outcome();
}

Outcome checkTiffDirectory(std::uint64_t size, const TiffDirectory& dir) {
    if (dir.version == bigTiffVersion)
        return refuse(Check::tiffBigTiff, dir.version, Refusal::unsupported, "BigTIFF (version 43) files are not decoded");
    if (dir.photometric != 3)
        return refuse(Check::tiffPhotometric, dir.photometric, Refusal::unsupported,
                      "PhotometricInterpretation %u (%s), only palette colour (3) is decoded", dir.photometric,
                      photometricName(dir.photometric));
    if (dir.hasCompression && tiffShortValue(dir.compression) != 1)
        return refuse(Check::tiffCompression, tiffShortValue(dir.compression), Refusal::unsupported,
                      "compression %u (%s), only uncompressed (1) strips are decoded", tiffShortValue(dir.compression),
                      compressionName(tiffShortValue(dir.compression)));
    if (dir.hasBitsPerSample && (dir.bitsPerSample.count != 1 || tiffShortValue(dir.bitsPerSample) != 8))
        return refuse(Refusal::unsupported, "BitsPerSample is not 8, only 8-bit palette indices are decoded");
    if (dir.hasSamplesPerPixel && tiffShortValue(dir.samplesPerPixel) != 1)
        return refuse(Refusal::unsupported, "SamplesPerPixel %u, only 1 is decoded", tiffShortValue(dir.samplesPerPixel));
    if (dir.width == 0) return refuse(Refusal::malformed, "ImageWidth is 0");
    if (dir.width > 0x7fffffffu || dir.height > 0x7fffffffu)
        return refuse(Refusal::tooLarge, "ImageWidth or ImageLength above 2147483647");
    const TiffField& offsets = dir.stripOffsets;
    const TiffField& counts = dir.stripByteCounts;
    if ((offsets.type != typeShort && offsets.type != typeLong) || (counts.type != typeShort && counts.type != typeLong))
        return dir.tiled ? refuse(Check::tiffTiled, 0, Refusal::unsupported, "tiled images are not decoded, only strips")
                         : refuse(Refusal::malformed,
                                  "StripOffsets and StripByteCounts must be present, of field type SHORT or LONG");
    // No strips is right only for an image of no rows.
    if (offsets.count != counts.count || (offsets.count == 0 && dir.height != 0))
        return refuse(Refusal::malformed, "%u StripOffsets and %u StripByteCounts", offsets.count, counts.count);
    if (!arrayInFile(offsets, size) || !arrayInFile(counts, size))
        return refuse(Refusal::truncated, "the strip arrays lie outside the file");
    return Outcome();
}

Outcome checkTiffLimitAndMap(const TiffDirectory& dir, std::uint64_t maxPixels) {
    const std::uint64_t pixels = std::uint64_t(dir.width) * dir.height;
    if (pixels > maxPixels)
        return refuse(Refusal::tooLarge, "%u x %u pixels, more than the limit of %llu", dir.width,
                      dir.height, static_cast<unsigned long long>(maxPixels));
    // Entries past the end of the file read as 65535, as the readers read
    // them: a map cut short still decodes. Any count decodes: each colour
    // takes count / 3 entries, and an index beyond them is refused where the
    // pixels are expanded.
    const TiffField& map = dir.colorMap;
    if (map.type != typeShort)
        return refuse(Refusal::malformed,
                      "ColorMap of field type %u with %u entries, expected SHORT", map.type, map.count);
    return Outcome();
}

Outcome decodeTiff(ByteSource& source, std::uint64_t maxPixels, TextSink& trace, bool allowFastPath,
                   TiffDirectory& dir, ByteBlock& out) {
    Outcome outcome = readTiffDirectory(source, trace, dir);
    const std::uint64_t size = source.size();
    if (outcome.ok()) outcome = checkTiffDirectory(size, dir);
    if (!outcome.ok()) return outcome;

    const std::uint32_t stripCount = dir.stripOffsets.count;
    const std::vector<std::uint32_t> byteCounts = readArray(source, dir.stripByteCounts, &trace, "StripByteCounts: %d\n");
    std::uint64_t pixelDataSize = 0;  // at most 2^30 counts below 2^32: no wrap
    for (std::uint32_t n : byteCounts) pixelDataSize += n;
    trace.print("pixelDataSize: %d\n", asInt(static_cast<std::uint32_t>(pixelDataSize)));
    const std::vector<std::uint32_t> offsets = readArray(source, dir.stripOffsets, &trace, "StripOffsets: %d\n");
    // RowsPerStrip absent or 0 means TIFF's default: one strip for the image.
    const std::uint32_t rowsPerStrip = dir.rowsPerStrip ? dir.rowsPerStrip : 0xffffffffu;
    trace.print("ImageLength/RowsPerStrip: %d\n", asInt(dir.height / rowsPerStrip));

    const std::uint64_t width = dir.width;
    const std::uint64_t height = dir.height;
    // Strips may share bytes of the file; each must lie inside it. A strip
    // past the end is the file cut short; counts that are not whole rows of
    // a file that holds them all are a wrong directory.
    std::uint32_t outside = 0;  // the first strip past the end, or stripCount
    while (outside < stripCount &&
           (size == ByteSource::unknownSize || std::uint64_t(offsets[outside]) + byteCounts[outside] <= size))
        ++outside;
    if (pixelDataSize % width != 0 || pixelDataSize / width < height)
        return refuse(outside == stripCount ? Refusal::malformed : Refusal::truncated,
                      "%llu bytes of pixel data are not whole rows of %u covering %u rows",
                      static_cast<unsigned long long>(pixelDataSize), dir.width, dir.height);
    if (outside < stripCount)
        return refuse(Refusal::truncated, "strip %u (offset %u, %u bytes) lies outside the file", outside,
                      offsets[outside], byteCounts[outside]);
    outcome = checkTiffLimitAndMap(dir, maxPixels);
    if (!outcome.ok()) return outcome;
    detail::Palette palette;
    detail::buildPalette(readColorMap(source, dir.colorMap), palette, allowFastPath);

    // Only the first H rows are delivered. File row r becomes output row
    // H - 1 - r. A row that lies whole in a strip is expanded from the strip;
    // a row split between strips is assembled in the last third of its
    // output row and expanded in place. The pixel limit bounds 3 x W x H.
    if (!out.allocate(3 * width * height, true))
        return refuse(Check::noMemory, 0, Refusal::noMemory, "no memory for the decoded image");
    const std::size_t pixelCount = static_cast<std::size_t>(width * height);
    const std::size_t rowLength = static_cast<std::size_t>(width);
    const std::size_t rows = static_cast<std::size_t>(height);
    const auto outputRow = [&](std::size_t r) { return out.data() + (rows - 1 - r) * rowLength * 3; };
    // Each strip is read whole, as far as the image needs it, with one block read.
    std::size_t largest = 0;
    for (std::size_t position = 0, k = 0; k < stripCount && position < pixelCount; ++k) {
        const std::size_t take = std::min<std::size_t>(byteCounts[k], pixelCount - position);
        largest = std::max(largest, take);
        position += take;
    }
    if (!source.reserve(largest)) return refuse(Check::noMemory, 0, Refusal::noMemory, "no memory for a strip");
    std::uint32_t seen = 0;
    std::size_t position = 0;  // the next pixel to read
    for (std::uint32_t k = 0; k < stripCount && position < pixelCount; ++k) {
        const std::size_t take = std::min<std::size_t>(byteCounts[k], pixelCount - position);
        const unsigned char* strip = source.readBlock(offsets[k], take);
        if (!strip)
            return refuse(Refusal::truncated, "strip %u (offset %u, %u bytes) lies outside the file",
                          k, offsets[k], byteCounts[k]);
        for (std::size_t done = 0; done < take;) {
            const std::size_t row = position / rowLength, column = position % rowLength;
            const std::size_t piece = std::min(take - done, rowLength - column);
            unsigned char* row3 = outputRow(row);
            if (piece == rowLength) {
                detail::expandRow(strip + done, row3, rowLength, palette, seen);
            } else {
                std::memcpy(row3 + 2 * rowLength + column, strip + done, piece);
                if (column + piece == rowLength) detail::expandRow(row3 + 2 * rowLength, row3, rowLength, palette, seen);
            }
            position += piece;
            done += piece;
        }
    }
    if (seen & detail::paletteBadMark)
        return refuse(Refusal::malformed, "a palette index lies beyond the %u colours of the ColorMap",
                      dir.colorMap.count / 3);
    return Outcome();
}

}  // namespace ornatex::detail

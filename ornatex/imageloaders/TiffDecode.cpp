#include "TiffDecode.h"

#include <ornatex/decode.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "ImageMaker.h"
#include "PaletteRows.h"
#include "TextSink.h"

namespace ornatex {

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

// Little-endian reads at a position in the bytes; at or past the end each
// byte reads as 255, as the stream readers read past the end of a file.
class Cursor {
public:
    Cursor(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    void seek(std::uint64_t position) { position_ = position; }
    std::uint16_t readShort() {
        const std::uint32_t b0 = next(), b1 = next();
        return static_cast<std::uint16_t>(b0 | b1 << 8);
    }
    std::uint32_t readLong() {
        const std::uint32_t b0 = next(), b1 = next(), b2 = next(), b3 = next();
        return b0 | b1 << 8 | b2 << 16 | b3 << 24;
    }

private:
    std::uint32_t next() { return position_ < size_ ? data_[position_++] : (++position_, 0xffu); }
    const unsigned char* data_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
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

std::uint32_t elementSize(std::uint32_t type) { return type == typeShort ? 2 : 4; }

// TIFF keeps an array of up to four bytes in the value field itself;
// otherwise the value field holds the file offset of the array.
bool storedInline(const TiffField& f) { return std::uint64_t(f.count) * elementSize(f.type) <= 4; }

bool arrayInFile(const TiffField& f, std::uint64_t size) {
    return storedInline(f) || std::uint64_t(f.value) + std::uint64_t(f.count) * elementSize(f.type) <= size;
}

// Reads a SHORT or LONG array (checked by arrayInFile), tracing each value
// with `traceFormat` when it is given.
std::vector<std::uint32_t> readArray(Cursor& cursor, const TiffField& f, TextSink* trace, const char* traceFormat) {
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

Outcome refused(const char* format, std::uint32_t a) { return refuse(RefusalKind::printed, format, a); }

}  // namespace

std::uint32_t tiffShortValue(const TiffField& f) { return f.type == typeShort ? (f.value & 0xffffu) : f.value; }

Outcome readTiffDirectory(const unsigned char* data, std::size_t size, TextSink& trace, TiffDirectory& dir) {
    Cursor cursor(data, size);
    dir = TiffDirectory();
    const std::uint16_t mark = cursor.readShort();
    dir.byteOrder = mark;
    trace.print("Byte order: %d\n", static_cast<int>(static_cast<std::int16_t>(mark)));
    if (mark == bigEndianMark) {
        trace.print("Byte order: MSB\n");
        return refuse(RefusalKind::quiet, "big-endian (MM) TIFF files are not decoded, only little-endian (II)");
    }
    if (mark != littleEndianMark)
        return size < 2 ? refuse(RefusalKind::quiet, "%zu bytes, too short for a TIFF header", size)
                        : refuse(RefusalKind::quiet, "byte-order mark 0x%04X is not a TIFF's (II or MM)", mark);
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
    return Outcome();
}

Outcome checkTiffDirectory(std::size_t size, const TiffDirectory& dir) {
    if (dir.version == bigTiffVersion)
        return refuse(RefusalKind::quiet, "BigTIFF (version 43) files are not decoded");
    if (dir.photometric != 3)
        return refuse(RefusalKind::quiet, "PhotometricInterpretation %u, only palette colour (3) is decoded",
                      dir.photometric);
    if (dir.hasCompression && tiffShortValue(dir.compression) != 1)
        return refused("compression %u, only uncompressed (1) strips are decoded", tiffShortValue(dir.compression));
    if (dir.hasBitsPerSample && (dir.bitsPerSample.count != 1 || tiffShortValue(dir.bitsPerSample) != 8))
        return refuse(RefusalKind::printed, "BitsPerSample is not 8, only 8-bit palette indices are decoded");
    if (dir.hasSamplesPerPixel && tiffShortValue(dir.samplesPerPixel) != 1)
        return refused("SamplesPerPixel %u, only 1 is decoded", tiffShortValue(dir.samplesPerPixel));
    if (dir.width == 0) return refuse(RefusalKind::printed, "ImageWidth is 0");
    if (dir.width > 0x7fffffffu || dir.height > 0x7fffffffu)
        return refuse(RefusalKind::printed, "ImageWidth or ImageLength above 2147483647");
    const TiffField& offsets = dir.stripOffsets;
    const TiffField& counts = dir.stripByteCounts;
    if ((offsets.type != typeShort && offsets.type != typeLong) || (counts.type != typeShort && counts.type != typeLong)) {
        Outcome outcome = refuse(RefusalKind::printed,
                                 "StripOffsets and StripByteCounts must be present, of field type SHORT or LONG");
        if (dir.tiled) {
            outcome.loaderLine = "TIFF file refused: " + outcome.reason;
            outcome.reason = "tiled images are not decoded, only strips";
        }
        return outcome;
    }
    if (offsets.count != counts.count || offsets.count == 0)
        return refuse(RefusalKind::printed, "%u StripOffsets and %u StripByteCounts", offsets.count, counts.count);
    if (!arrayInFile(offsets, size) || !arrayInFile(counts, size))
        return refuse(RefusalKind::printed, "the strip arrays lie outside the file");
    return Outcome();
}

Outcome checkTiffLimitAndMap(std::size_t size, const TiffDirectory& dir, std::uint64_t maxPixels) {
    const std::uint64_t pixels = std::uint64_t(dir.width) * dir.height;
    if (pixels > maxPixels)
        return refuse(RefusalKind::printed, "%u x %u pixels, more than the limit of %llu", dir.width, dir.height,
                      static_cast<unsigned long long>(maxPixels));
    const TiffField& map = dir.colorMap;
    if (map.type != typeShort || map.count == 0 || map.count % 3 != 0 || map.count > 3 * 256)
        return refuse(RefusalKind::printed,
                      "ColorMap of field type %u with %u entries, expected SHORT, 3 x 1 to 3 x 256", map.type,
                      map.count);
    if (!arrayInFile(map, size)) return refuse(RefusalKind::printed, "the ColorMap lies outside the file");
    return Outcome();
}

Outcome decodeTiff(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, TextSink& trace,
                   bool allowFastPath, TiffDirectory& dir, ByteBlock& out) {
    Outcome outcome = readTiffDirectory(data, size, trace, dir);
    if (outcome.ok()) outcome = checkTiffDirectory(size, dir);
    if (!outcome.ok()) return outcome;

    Cursor cursor(data, size);
    const std::uint32_t stripCount = dir.stripOffsets.count;
    const std::vector<std::uint32_t> byteCounts = readArray(cursor, dir.stripByteCounts, &trace, "StripByteCounts: %d\n");
    std::uint64_t pixelDataSize = 0;  // at most 2^30 counts below 2^32: no wrap
    for (std::uint32_t n : byteCounts) pixelDataSize += n;
    trace.print("pixelDataSize: %d\n", asInt(static_cast<std::uint32_t>(pixelDataSize)));
    const std::vector<std::uint32_t> offsets = readArray(cursor, dir.stripOffsets, &trace, "StripOffsets: %d\n");
    // RowsPerStrip absent or 0 means TIFF's default: one strip for the image.
    const std::uint32_t rowsPerStrip = dir.rowsPerStrip ? dir.rowsPerStrip : 0xffffffffu;
    trace.print("ImageLength/RowsPerStrip: %d\n", asInt(dir.height / rowsPerStrip));

    const std::uint64_t width = dir.width;
    const std::uint64_t height = dir.height;
    if (pixelDataSize % width != 0 || pixelDataSize / width < height)
        return refuse(RefusalKind::printed, "%llu bytes of pixel data are not whole rows of %u covering %u rows",
                      static_cast<unsigned long long>(pixelDataSize), dir.width, dir.height);
    // Strips may share bytes of the file; each must lie inside it.
    for (std::uint32_t k = 0; k < stripCount; ++k) {
        if (std::uint64_t(offsets[k]) + byteCounts[k] > size)
            return refuse(RefusalKind::printed, "strip %u (offset %u, %u bytes) lies outside the file", k, offsets[k],
                          byteCounts[k]);
    }
    outcome = checkTiffLimitAndMap(size, dir, maxPixels);
    if (!outcome.ok()) return outcome;
    Palette palette;
    buildPalette(readArray(cursor, dir.colorMap, nullptr, nullptr), palette, allowFastPath);

    // Only the first H rows are delivered. File row r becomes output row
    // H - 1 - r. A row that lies whole in a strip is expanded from the file;
    // a row split between strips is assembled in the last third of its
    // output row and expanded in place. The pixel limit bounds 3 x W x H.
    if (!out.allocate(3 * width * height, true)) return refuse(RefusalKind::noMemory, "no memory for the decoded image");
    const std::size_t pixelCount = static_cast<std::size_t>(width * height);
    const std::size_t rowLength = static_cast<std::size_t>(width);
    const std::size_t rows = static_cast<std::size_t>(height);
    const auto outputRow = [&](std::size_t r) { return out.data() + (rows - 1 - r) * rowLength * 3; };
    std::uint32_t seen = 0;
    std::size_t position = 0;  // the next pixel to read
    for (std::uint32_t k = 0; k < stripCount && position < pixelCount; ++k) {
        const std::size_t take = std::min<std::size_t>(byteCounts[k], pixelCount - position);
        const unsigned char* strip = data + offsets[k];
        for (std::size_t done = 0; done < take;) {
            const std::size_t row = position / rowLength, column = position % rowLength;
            const std::size_t piece = std::min(take - done, rowLength - column);
            unsigned char* row3 = outputRow(row);
            if (piece == rowLength) {
                expandRow(strip + done, row3, rowLength, palette, seen);
            } else {
                std::memcpy(row3 + 2 * rowLength + column, strip + done, piece);
                if (column + piece == rowLength) expandRow(row3 + 2 * rowLength, row3, rowLength, palette, seen);
            }
            position += piece;
            done += piece;
        }
    }
    if (seen & paletteBadMark)
        return refuse(RefusalKind::printed, "a palette index lies beyond the %u colours of the ColorMap",
                      dir.colorMap.count / 3);
    return Outcome();
}

Image decodeTIFF(const void* data, std::size_t size, const DecodeLimits& limits) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    TraceSink trace(limits);
    TiffDirectory dir;
    ByteBlock out;
    const Outcome outcome = decodeTiff(bytes, bytes ? size : 0, limits.maxPixels, trace, true, dir, out);
    if (!outcome.ok()) return detail::ImageMaker::refused(outcome.reason);
    return detail::ImageMaker::make(std::move(out), int(dir.width), int(dir.height), texRGB);
}

}  // namespace ornatex

#include <ornatex/imageloaders/ImageLoaderTIFF.h>

#include <corvane/kwTexture.h>
#include <tovik/kwStream.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "LoaderFile.h"
#include "StreamReaders.h"

// x86-64 with GCC or Clang: rows expand 64 pixels at a time with AVX-512
// VBMI byte permutes where the processor has them (checked at run time).
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ORNATEX_TIFF_VBMI 1
#else
#define ORNATEX_TIFF_VBMI 0
#endif

using ornatex::readStreamLong;
using ornatex::readStreamShort;

namespace {

constexpr std::uint16_t littleEndianMark = 0x4949;  // "II"
constexpr std::uint16_t bigEndianMark = 0x4D4D;     // "MM"

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
};

// One directory entry's field type, count and value field.
struct Field {
    std::uint32_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;
};

// What the loader keeps of the first directory. Later entries of a tag
// overwrite earlier ones; absent tags stay 0. Compression, BitsPerSample and
// SamplesPerPixel are kept only to refuse files the decoder would misread.
struct Directory {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t photometric = 0;
    std::uint32_t rowsPerStrip = 0;
    Field stripOffsets;
    Field stripByteCounts;
    Field colorMap;
    bool hasCompression = false;
    bool hasBitsPerSample = false;
    bool hasSamplesPerPixel = false;
    Field compression;
    Field bitsPerSample;
    Field samplesPerPixel;
};

// The messages print 32-bit numbers with %d: 2^31 and above show negative.
int asInt(std::uint32_t v) { return static_cast<int>(v); }

// A SHORT value stored in the value field occupies its first two bytes.
std::uint32_t shortValue(const Field& f) { return f.type == typeShort ? (f.value & 0xffffu) : f.value; }

void store(Directory& dir, std::uint32_t tag, const Field& f) {
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
        default: break;
    }
}

// The output buffer. A large image's buffer is touched page by page once, so
// it starts on a 2 MiB boundary and is advised for huge pages (the extra
// 2 MiB of the allocation is address space only, never touched).
class OutputBuffer {
public:
    explicit OutputBuffer(std::size_t size) {
        constexpr std::size_t huge = std::size_t(2) << 20;
        const bool large = size >= 2 * huge;
        block.reset(new unsigned char[size + (large ? huge : 0) + 1]);
        data = block.get();
        if (large) {
            const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
            data += ((start + huge - 1) & ~std::uintptr_t(huge - 1)) - start;
            ornatex::adviseHugePages(data, size);
        }
    }
    unsigned char* data;

private:
    std::unique_ptr<unsigned char[]> block;
};

std::uint64_t fileSizeOf(kwStream& stream) {
    if (std::fseek(stream.file, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(stream.file);
    stream.seek(0);
    return size < 0 ? 0 : static_cast<std::uint64_t>(size);
}

std::uint32_t elementSize(std::uint32_t type) { return type == typeShort ? 2 : 4; }

// TIFF keeps an array of up to four bytes in the value field itself;
// otherwise the value field holds the file offset of the array.
bool storedInline(const Field& f) { return std::uint64_t(f.count) * elementSize(f.type) <= 4; }

bool arrayInFile(const Field& f, std::uint64_t fileSize) {
    return storedInline(f) || std::uint64_t(f.value) + std::uint64_t(f.count) * elementSize(f.type) <= fileSize;
}

// Reads a SHORT or LONG array (checked by arrayInFile) into `out`, printing
// each value with `traceFormat` when it is given.
void readArray(kwStream& stream, const Field& f, std::uint32_t* out, const char* traceFormat) {
    if (storedInline(f)) {
        for (std::uint32_t k = 0; k < f.count; ++k) {
            out[k] = f.type == typeShort ? (f.value >> (16 * k)) & 0xffffu : f.value;
            if (traceFormat) std::printf(traceFormat, asInt(out[k]));
        }
        return;
    }
    stream.seek(static_cast<long>(f.value));
    for (std::uint32_t k = 0; k < f.count; ++k) {
        out[k] = f.type == typeShort ? readStreamShort(stream) : readStreamLong(stream);
        if (traceFormat) std::printf(traceFormat, asInt(out[k]));
    }
}

// Reads the header and the first directory, printing the trace. Returns false
// when there is nothing to decode (not little-endian, or refused).
bool readDirectory(kwStream& stream, std::uint64_t fileSize, Directory& dir) {
    const std::uint16_t mark = readStreamShort(stream);
    std::printf("Byte order: %d\n", static_cast<int>(static_cast<std::int16_t>(mark)));
    if (mark == bigEndianMark) {
        std::printf("Byte order: MSB\n");
        return false;
    }
    if (mark != littleEndianMark) return false;
    std::printf("Byte order: LSB\n");

    const std::uint16_t version = readStreamShort(stream);
    const std::uint32_t ifdOffset = readStreamLong(stream);
    if (std::uint64_t(ifdOffset) + 2 > fileSize) {
        std::printf("Version number: %d\n", version);
        std::printf("Data offset: %d\n", asInt(ifdOffset));
        std::printf("TIFF file refused: the image file directory at offset %u lies outside the file (%llu bytes)\n",
                    ifdOffset, static_cast<unsigned long long>(fileSize));
        return false;
    }
    stream.seek(static_cast<long>(ifdOffset));
    const std::uint16_t entryCount = readStreamShort(stream);
    std::printf("Version number: %d\n", version);
    std::printf("Data offset: %d\n", asInt(ifdOffset));
    std::printf("IFD: %d\n", entryCount);
    if (std::uint64_t(ifdOffset) + 2 + 12 * std::uint64_t(entryCount) > fileSize) {
        std::printf("TIFF file refused: the directory's %u entries run past the end of the file\n", entryCount);
        return false;
    }

    for (unsigned k = 0; k < entryCount; ++k) {
        const std::uint32_t tag = readStreamShort(stream);
        Field f;
        f.type = readStreamShort(stream);
        f.count = readStreamLong(stream);
        f.value = readStreamLong(stream);
        std::printf("%d %d %d %d\n", asInt(tag), asInt(f.type), asInt(f.count), asInt(f.value));
        store(dir, tag, f);
    }
    std::printf("Next IFD: %d\n", asInt(readStreamLong(stream)));
    return true;
}

void refuse(const char* reason) { std::printf("TIFF file refused: %s\n", reason); }

// Refuses what the decoder cannot read correctly: compressed strips, samples
// other than one 8-bit index, and directories whose strip arrays or colour
// map are malformed. Prints the reason and returns false.
bool checkDirectory(const Directory& dir, std::uint64_t fileSize) {
    if (dir.hasCompression && shortValue(dir.compression) != 1) {
        std::printf("TIFF file refused: compression %u, only uncompressed (1) strips are decoded\n",
                    shortValue(dir.compression));
        return false;
    }
    if (dir.hasBitsPerSample && (dir.bitsPerSample.count != 1 || shortValue(dir.bitsPerSample) != 8)) {
        refuse("BitsPerSample is not 8, only 8-bit palette indices are decoded");
        return false;
    }
    if (dir.hasSamplesPerPixel && shortValue(dir.samplesPerPixel) != 1) {
        std::printf("TIFF file refused: SamplesPerPixel %u, only 1 is decoded\n", shortValue(dir.samplesPerPixel));
        return false;
    }
    if (dir.width == 0) {
        refuse("ImageWidth is 0");
        return false;
    }
    if (dir.width > 0x7fffffffu || dir.height > 0x7fffffffu) {
        refuse("ImageWidth or ImageLength above 2147483647");
        return false;
    }
    const Field& offsets = dir.stripOffsets;
    const Field& counts = dir.stripByteCounts;
    if ((offsets.type != typeShort && offsets.type != typeLong) || (counts.type != typeShort && counts.type != typeLong)) {
        refuse("StripOffsets and StripByteCounts must be present, of field type SHORT or LONG");
        return false;
    }
    if (offsets.count != counts.count || offsets.count == 0) {
        std::printf("TIFF file refused: %u StripOffsets and %u StripByteCounts\n", offsets.count, counts.count);
        return false;
    }
    if (!arrayInFile(offsets, fileSize) || !arrayInFile(counts, fileSize)) {
        refuse("the strip arrays lie outside the file");
        return false;
    }
    return true;
}

bool checkColorMap(const Field& map, std::uint64_t fileSize) {
    if (map.type != typeShort || map.count == 0 || map.count % 3 != 0 || map.count > 3 * 256) {
        std::printf("TIFF file refused: ColorMap of field type %u with %u entries, expected SHORT, 3 x 1 to 3 x 256\n",
                    map.type, map.count);
        return false;
    }
    if (!arrayInFile(map, fileSize)) {
        refuse("the ColorMap lies outside the file");
        return false;
    }
    return true;
}

// Builds the expansion table from the colour map: each entry is
// red | green << 8 | blue << 16, plus badMark (1 << 24) for indices beyond
// the map. Samples are 16-bit; the top byte is the 8-bit sample (this maps
// both v * 257 and v * 256 back to v). A map whose entries are all below 256
// was written with 8-bit samples and is taken as it stands.
constexpr std::uint32_t badMark = 1u << 24;

struct Palette {
    std::uint32_t table[256];
    std::uint32_t colors;  // entries in the map; indices from here on are bad
#if ORNATEX_TIFF_VBMI
    bool vbmi;  // the processor has AVX-512 VBMI byte permutes
    alignas(64) unsigned char channel[3][256];  // red, green, blue of each index
#endif
};

void buildPalette(const std::vector<std::uint32_t>& map, Palette& palette) {
    std::uint32_t (&table)[256] = palette.table;
    const std::uint32_t third = static_cast<std::uint32_t>(map.size() / 3);
    palette.colors = third;
    const bool eightBit = std::all_of(map.begin(), map.end(), [](std::uint32_t v) { return v < 256; });
    const unsigned shift = eightBit ? 0 : 8;
    for (std::uint32_t v = 0; v < 256; ++v) {
        if (v < third)
            table[v] = ((map[v] >> shift) & 0xff) | ((map[v + third] >> shift) & 0xff) << 8 |
                       ((map[v + 2 * third] >> shift) & 0xff) << 16;
        else
            table[v] = badMark;
    }
#if ORNATEX_TIFF_VBMI
    palette.vbmi = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
    for (unsigned v = 0; v < 256; ++v)
        for (unsigned ch = 0; ch < 3; ++ch) palette.channel[ch][v] = static_cast<unsigned char>(table[v] >> (8 * ch));
#endif
}

#if ORNATEX_TIFF_VBMI
// Permute indices that interleave three 64-byte channel vectors into 192
// bytes of pixels: output byte p = 64k + j is channel p % 3 of pixel p / 3,
// taken from red or green (second source from 64) by redGreen[k], then from
// blue by blue[k] where blueMask[k] has bit j set.
struct Interleave {
    alignas(64) unsigned char redGreen[3][64] = {};
    alignas(64) unsigned char blue[3][64] = {};
    unsigned long long blueMask[3] = {};
    constexpr Interleave() {
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 64; ++j) {
                const int p = 64 * k + j, pixel = p / 3, ch = p % 3;
                redGreen[k][j] = static_cast<unsigned char>(ch == 1 ? 64 + pixel : pixel);
                blue[k][j] = static_cast<unsigned char>(pixel);
                if (ch == 2) blueMask[k] |= 1ull << j;
            }
    }
};

// Expands 64 pixels at a time with AVX-512 VBMI byte permutes: each channel
// is looked up from its 256-byte table (two 128-byte permutes, chosen by the
// index's top bit), then the three channel vectors are interleaved into 192
// bytes of red-green-blue. Returns the pixels done (a multiple of 64); the
// caller finishes the row. In place (`in` = out + 2 x width) each block's
// stores end at 3c + 192 <= 2 x width + c + 64, the next unread index, for
// every c <= width - 64, and a block's indices are loaded before it stores.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t expandRowVbmi(const unsigned char* in,
                                                                                  unsigned char* out,
                                                                                  std::size_t width,
                                                                                  const Palette& palette,
                                                                                  std::uint32_t& seen) {
    __m512i t[3][4];
    for (int ch = 0; ch < 3; ++ch)
        for (int q = 0; q < 4; ++q) t[ch][q] = _mm512_load_si512(palette.channel[ch] + 64 * q);
    static constexpr Interleave interleave{};
    __m512i rgIndex[3], bIndex[3];
    for (int k = 0; k < 3; ++k) {
        rgIndex[k] = _mm512_load_si512(interleave.redGreen[k]);
        bIndex[k] = _mm512_load_si512(interleave.blue[k]);
    }
    const bool allValid = palette.colors >= 256;
    const __m512i limit = _mm512_set1_epi8(static_cast<char>(allValid ? 255 : palette.colors));
    __mmask64 bad = 0;
    std::size_t c = 0;
    for (; c + 64 <= width; c += 64) {
        const __m512i idx = _mm512_loadu_si512(in + c);
        bad |= _mm512_cmpge_epu8_mask(idx, limit);
        const __mmask64 top = _mm512_movepi8_mask(idx);
        __m512i v[3];
        for (int ch = 0; ch < 3; ++ch)
            v[ch] = _mm512_mask_blend_epi8(top, _mm512_permutex2var_epi8(t[ch][0], idx, t[ch][1]),
                                           _mm512_permutex2var_epi8(t[ch][2], idx, t[ch][3]));
        for (int k = 0; k < 3; ++k) {
            const __m512i rg = _mm512_permutex2var_epi8(v[0], rgIndex[k], v[1]);
            _mm512_storeu_si512(out + 3 * c + 64 * k, _mm512_mask_permutexvar_epi8(rg, interleave.blueMask[k], bIndex[k], v[2]));
        }
    }
    if (bad && !allValid) seen |= badMark;
    return c;
}
#endif

// Expands one row of `width` indices into red-green-blue pixels, ORing every
// table entry into `seen`. `in` may be the last third of `out` itself (a row
// assembled in place): every store below ends before the next index still to
// be read (pixel c's bytes end at 3c + 3 < 2 x width + c + 1 while
// c < width - 1; a group of four from c ends at 3c + 12 <= 2 x width + c + 4
// while c <= width - 4), and the row's last pixel is read before it is stored.
void expandRow(const unsigned char* in, unsigned char* out, std::size_t width, const Palette& palette,
               std::uint32_t& seen) {
    const std::uint32_t (&table)[256] = palette.table;
    std::uint32_t acc = 0;
    std::size_t c = 0;
#if ORNATEX_TIFF_VBMI
    if (palette.vbmi && width >= 64) c = expandRowVbmi(in, out, width, palette, seen);
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Four pixels (12 bytes) as three 4-byte stores.
    constexpr std::uint32_t rgb = 0xffffff;
    for (; c + 4 < width; c += 4) {
        std::uint32_t v;
        std::memcpy(&v, in + c, 4);
        const std::uint32_t p0 = table[v & 0xff], p1 = table[(v >> 8) & 0xff], p2 = table[(v >> 16) & 0xff],
                            p3 = table[v >> 24];
        acc |= p0 | p1 | p2 | p3;
        const std::uint32_t w0 = (p0 & rgb) | p1 << 24, w1 = (p1 & rgb) >> 8 | p2 << 16,
                            w2 = (p2 & rgb) >> 16 | p3 << 8;
        std::memcpy(out + 3 * c, &w0, 4);
        std::memcpy(out + 3 * c + 4, &w1, 4);
        std::memcpy(out + 3 * c + 8, &w2, 4);
    }
#endif
    for (; c < width; ++c) {
        const std::uint32_t p = table[in[c]];
        acc |= p;
        out[3 * c] = static_cast<unsigned char>(p);
        out[3 * c + 1] = static_cast<unsigned char>(p >> 8);
        out[3 * c + 2] = static_cast<unsigned char>(p >> 16);
    }
    seen |= acc;
}

// The palette path: strip arrays, strips, colour map, expansion, hand-over.
void decodePalette(kwStream& stream, std::uint64_t fileSize, const Directory& dir, kwTexture* texture) {
    if (!checkDirectory(dir, fileSize)) return;

    const std::uint32_t stripCount = dir.stripOffsets.count;
    std::vector<std::uint32_t> byteCounts(stripCount);
    std::vector<std::uint32_t> offsets(stripCount);
    readArray(stream, dir.stripByteCounts, byteCounts.data(), "StripByteCounts: %d\n");
    std::uint64_t pixelDataSize = 0;
    for (std::uint32_t n : byteCounts) pixelDataSize += n;
    std::printf("pixelDataSize: %d\n", asInt(static_cast<std::uint32_t>(pixelDataSize)));
    readArray(stream, dir.stripOffsets, offsets.data(), "StripOffsets: %d\n");
    // RowsPerStrip absent or 0 means TIFF's default: one strip for the image.
    const std::uint32_t rowsPerStrip = dir.rowsPerStrip ? dir.rowsPerStrip : 0xffffffffu;
    std::printf("ImageLength/RowsPerStrip: %d\n", asInt(dir.height / rowsPerStrip));

    if (pixelDataSize > fileSize) {
        std::printf("TIFF file refused: the strips add up to %llu bytes, more than the file's %llu\n",
                    static_cast<unsigned long long>(pixelDataSize), static_cast<unsigned long long>(fileSize));
        return;
    }
    const std::uint64_t width = dir.width;
    const std::uint64_t height = dir.height;
    if (pixelDataSize % width != 0 || pixelDataSize / width < height) {
        std::printf("TIFF file refused: %llu bytes of pixel data are not whole rows of %u covering %u rows\n",
                    static_cast<unsigned long long>(pixelDataSize), dir.width, dir.height);
        return;
    }
    for (std::uint32_t k = 0; k < stripCount; ++k) {
        if (std::uint64_t(offsets[k]) + byteCounts[k] > fileSize) {
            std::printf("TIFF file refused: strip %u (offset %u, %u bytes) lies outside the file\n", k, offsets[k],
                        byteCounts[k]);
            return;
        }
    }
    if (!checkColorMap(dir.colorMap, fileSize)) return;

    std::vector<std::uint32_t> map(dir.colorMap.count);
    readArray(stream, dir.colorMap, map.data(), nullptr);
    Palette palette;
    buildPalette(map, palette);

    // Only the first H rows are delivered; pixelDataSize <= fileSize bounds
    // the output by three times the file's own size. File row r becomes
    // output row H - 1 - r. Strips are read in blocks of up to 256 KiB; a
    // row that lies whole in a block is expanded from there, a row split
    // between blocks or strips is assembled in the last third of its output
    // row and expanded in place.
    const std::size_t pixelCount = static_cast<std::size_t>(width * height);
    const std::size_t rowLength = static_cast<std::size_t>(width);
    const std::size_t rows = static_cast<std::size_t>(height);
    OutputBuffer output(3 * pixelCount);
    const auto outputRow = [&](std::size_t r) { return output.data + (rows - 1 - r) * rowLength * 3; };

    constexpr std::size_t blockSize = std::size_t(1) << 18;
    std::size_t largest = 0;
    for (std::uint32_t n : byteCounts) largest = std::max<std::size_t>(largest, n);
    const std::size_t scratchSize = std::min({largest, blockSize, pixelCount});
    std::unique_ptr<unsigned char[]> scratch(new unsigned char[scratchSize ? scratchSize : 1]);
    std::uint32_t seen = 0;
    std::size_t position = 0;  // the next pixel to read
    for (std::uint32_t k = 0; k < stripCount && position < pixelCount; ++k) {
        std::size_t take = std::min<std::size_t>(byteCounts[k], pixelCount - position);
        stream.seek(static_cast<long>(offsets[k]));
        const long expectedEnd = static_cast<long>(offsets[k] + take);
        while (take > 0) {
            const std::size_t block = std::min(take, scratchSize);
            stream.readChunk(scratch.get(), static_cast<int>(block));
            for (std::size_t done = 0; done < block;) {
                const std::size_t row = position / rowLength, column = position % rowLength;
                const std::size_t piece = std::min(block - done, rowLength - column);
                unsigned char* out = outputRow(row);
                if (piece == rowLength) {
                    expandRow(scratch.get() + done, out, rowLength, palette, seen);
                } else {
                    std::memcpy(out + 2 * rowLength + column, scratch.get() + done, piece);
                    if (column + piece == rowLength) expandRow(out + 2 * rowLength, out, rowLength, palette, seen);
                }
                position += piece;
                done += piece;
            }
            take -= block;
        }
        if (std::ftell(stream.file) != expectedEnd) {
            std::printf("TIFF file refused: strip %u could not be read whole\n", k);
            return;
        }
    }
    scratch.reset();
    if (seen & badMark) {
        std::printf("TIFF file refused: a palette index lies beyond the %u colours of the ColorMap\n",
                    dir.colorMap.count / 3);
        return;
    }
    texture->loadImage(asInt(dir.width), asInt(dir.height), texRGB, output.data);
}

}  // namespace

int ImageLoaderTIFF::loadTIFF(kwTexture* texture, const char* path) {
    kwStream stream(path, kwStream::readMode);
    if (stream.status & kwStream::noFile) return 1;
    stream.setStreamMode(kwStream::littleEndian, true);
    const std::uint64_t fileSize = fileSizeOf(stream);

    Directory dir;
    if (!readDirectory(stream, fileSize, dir)) return 0;
    if (dir.photometric != 3) return 0;
    decodePalette(stream, fileSize, dir, texture);
    return 0;
}

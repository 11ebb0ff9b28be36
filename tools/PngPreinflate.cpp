#include "PngPreinflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "ImportReaders.h"

namespace tool {

namespace {

std::uint32_t be32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void putBe32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// Bytes of the filtered image data: a filter byte and the packed samples of
// each row, pass by pass for Adam7. 0 for a header that is not a PNG's.
std::uint64_t inflatedSize(std::uint32_t width, std::uint32_t height, unsigned depth, unsigned colour,
                           unsigned interlace) {
    unsigned channels = 0;
    switch (colour) {
    case 0: channels = 1; break;
    case 2: channels = 3; break;
    case 3: channels = 1; break;
    case 4: channels = 2; break;
    case 6: channels = 4; break;
    default: return 0;
    }
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) return 0;
    const std::uint64_t bitsPerPixel = std::uint64_t(channels) * depth;
    const auto rows = [&](std::uint64_t w, std::uint64_t h) {
        return w == 0 || h == 0 ? 0 : h * (1 + (w * bitsPerPixel + 7) / 8);
    };
    if (interlace == 0) return rows(width, height);
    if (interlace != 1) return 0;
    // Adam7: each pass's first column and row, and its steps.
    static const unsigned x0[7] = {0, 4, 0, 2, 0, 1, 0}, dx[7] = {8, 8, 4, 4, 2, 2, 1};
    static const unsigned y0[7] = {0, 0, 4, 0, 2, 0, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    std::uint64_t total = 0;
    for (int p = 0; p < 7; ++p)
        total += rows((std::uint64_t(width) + dx[p] - 1 - x0[p]) / dx[p], (std::uint64_t(height) + dy[p] - 1 - y0[p]) / dy[p]);
    return total;
}

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

const unsigned char* PngPreinflate::base(Source s) const {
    return s == fromFile ? file_ : s == fromGlue ? glue_.data() : inflated_.get();
}

void PngPreinflate::add(Source source, std::size_t at, std::size_t size) {
    if (size) pieces_.push_back(Piece{source, at, size});
}

void PngPreinflate::addGlue(const unsigned char* bytes, std::size_t size) {
    add(fromGlue, glue_.size(), size);
    glue_.insert(glue_.end(), bytes, bytes + size);
}

bool PngPreinflate::prepare(const unsigned char* file, std::size_t size, std::uint64_t maxPixels) {
    // Signature, then IHDR (13 bytes of data) first, as every PNG has it.
    if (size < 33 || std::memcmp(file, "\x89PNG\r\n\x1a\n", 8) != 0 || be32(file + 8) != 13 ||
        std::memcmp(file + 12, "IHDR", 4) != 0)
        return false;
    const std::uint32_t width = be32(file + 16), height = be32(file + 20);
    if (!pixelLimitProblem(width, height, maxPixels).empty()) return false;  // libpng says why
    const std::uint64_t expected = inflatedSize(width, height, file[24], file[25], file[28]);
    if (expected == 0 || expected > std::numeric_limits<std::size_t>::max() / 2) return false;

    // The IDAT chunks, which must follow one another, and where they lie.
    std::vector<std::pair<std::size_t, std::size_t>> parts;  // data offset, length
    std::size_t firstChunk = 0, afterLast = 0, compressed = 0;
    for (std::size_t at = 8; at + 12 <= size;) {
        const std::uint32_t length = be32(file + at);
        if (length > size - at - 12) return false;
        const bool idat = std::memcmp(file + at + 4, "IDAT", 4) == 0;
        if (idat) {
            if (parts.empty()) firstChunk = at;
            else if (afterLast != at) return false;  // another chunk between two IDATs
            parts.emplace_back(at + 8, length);
            compressed += length;
            afterLast = at + 12 + length;
        }
        if (std::memcmp(file + at + 4, "IEND", 4) == 0) break;
        at += 12 + std::size_t(length);
    }
    if (parts.empty() || compressed < 2) return false;

    std::vector<unsigned char> joined;
    const unsigned char* stream = file + parts.front().first;
    if (parts.size() > 1) {
        joined.reserve(compressed);
        for (const auto& part : parts) joined.insert(joined.end(), file + part.first, file + part.first + part.second);
        stream = joined.data();
    }
    // A 32 KiB window (zlib itself would refuse a distance beyond a smaller
    // one, libdeflate would not) and no preset dictionary.
    if (stream[0] != 0x78 || (stream[1] & 0x20) != 0) return false;

    const std::size_t total = std::size_t(expected);
    inflated_.reset(new (std::nothrow) unsigned char[total]);
    if (!inflated_) return false;
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor(libdeflate_alloc_decompressor());
    if (!decompressor ||
        libdeflate_zlib_decompress(decompressor.get(), stream, compressed, inflated_.get(), total, nullptr) !=
            LIBDEFLATE_SUCCESS)
        return false;
    std::vector<unsigned char>().swap(joined);

    // The rewritten file: everything up to the first IDAT, then one IDAT a
    // stored block (so no chunk nears libpng's chunk size limit), the last
    // one holding the Adler-32, then everything after the last IDAT.
    add(fromFile, 0, firstChunk);
    constexpr std::size_t blockBytes = 65535;
    const std::uint32_t adler = libdeflate_adler32(1, inflated_.get(), total);
    for (std::size_t done = 0; done < total;) {
        const std::size_t n = std::min(blockBytes, total - done);
        const bool first = done == 0, last = done + n == total;
        unsigned char head[8 + 2 + 5];
        std::size_t headBytes = 8;
        putBe32(head, std::uint32_t((first ? 2 : 0) + 5 + n));
        std::memcpy(head + 4, "IDAT", 4);
        if (first) {
            head[headBytes++] = 0x78;  // deflate, 32 KiB window
            head[headBytes++] = 0x01;  // no dictionary, fastest; (0x78 x 256 + 1) % 31 == 0
        }
        head[headBytes++] = last ? 1 : 0;  // BFINAL, stored
        head[headBytes++] = static_cast<unsigned char>(n);
        head[headBytes++] = static_cast<unsigned char>(n >> 8);
        head[headBytes++] = static_cast<unsigned char>(~n);
        head[headBytes++] = static_cast<unsigned char>(~n >> 8);
        std::uint32_t crc = libdeflate_crc32(0, head + 4, headBytes - 4);
        crc = libdeflate_crc32(crc, inflated_.get() + done, n);
        unsigned char tail[4];
        putBe32(tail, crc);
        addGlue(head, headBytes);
        add(fromInflated, done, n);
        addGlue(tail, 4);
        done += n;
    }
    unsigned char checksum[16];
    putBe32(checksum, 4);
    std::memcpy(checksum + 4, "IDAT", 4);
    putBe32(checksum + 8, adler);
    putBe32(checksum + 12, libdeflate_crc32(0, checksum + 4, 8));
    addGlue(checksum, sizeof checksum);
    add(fromFile, afterLast, size - afterLast);
    file_ = file;
    return true;
}

std::size_t PngPreinflate::read(unsigned char* out, std::size_t want) {
    std::size_t copied = 0;
    while (copied < want && piece_ < pieces_.size()) {
        const Piece& p = pieces_[piece_];
        const std::size_t n = std::min(want - copied, p.size - offset_);
        std::memcpy(out + copied, base(p.source) + p.at + offset_, n);
        copied += n;
        offset_ += n;
        if (offset_ == p.size) {
            ++piece_;
            offset_ = 0;
        }
    }
    return copied;
}

}  // namespace tool

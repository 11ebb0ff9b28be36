#include "SgiDecode.h"

#include <tovik/kwStream.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ornatex {

namespace {

constexpr std::size_t headerSize = sgiHeaderSize;

// A run-length encoded packet covers at most 127 samples in 2 bytes, so no
// honest file decodes to more than about 64 bytes per file byte. Images that
// declare more than this many bytes per file byte are refused before the
// output block is allocated.
constexpr std::uint64_t maxExpansion = 128;

}  // namespace

SgiHeader readSgiHeader(const unsigned char* h) {
    SgiHeader header;
    header.storage = h[2];
    header.bytesPerChannel = h[3] == 2 ? 2 : 1;
    header.width = unsigned(h[6]) << 8 | h[7];
    header.height = unsigned(h[8]) << 8 | h[9];
    header.channels = unsigned(h[10]) << 8 | h[11];
    return header;
}

namespace {

bool allocate(SgiOutput& out, std::uint64_t size) {
    out.size = static_cast<std::size_t>(size);
    out.data = static_cast<unsigned char*>(std::malloc(size ? out.size : 1));
    return out.data != nullptr;
}

}  // namespace

// Verbatim planes, channel after channel, each width x height samples of
// 1 or 2 bytes (big-endian; the most significant byte is kept).
bool decodeSgiVerbatim(const WholeFile& file, const SgiHeader& h, SgiOutput& out) {
    const std::uint64_t pixels = std::uint64_t(h.width) * h.height;
    const std::uint64_t needed = headerSize + pixels * h.channels * h.bytesPerChannel;
    if (needed > file.size) {
        std::printf("SGI file refused: %zu bytes, the verbatim planes need %llu\n", file.size,
                    static_cast<unsigned long long>(needed));
        return false;
    }
    if (!allocate(out, pixels * h.channels)) return false;
    const std::size_t n = static_cast<std::size_t>(pixels);
    const unsigned step = h.bytesPerChannel;
    for (unsigned c = 0; c < h.channels; ++c) {
        const unsigned char* plane = file.data + headerSize + std::size_t(c) * n * step;
        unsigned char* dst = out.data + c;
        for (std::size_t k = 0; k < n; ++k) dst[k * h.channels] = plane[k * step];
    }
    return true;
}

namespace {

// Decodes one run-length encoded scanline of `width` samples from file
// offset `start` into every `stride`-th byte of `dst`. Runs past the width
// are cut at the width. Returns false when the packets run past the end of
// the file.

bool decodeScanline(const WholeFile& file, std::size_t start, unsigned bytesPerSample, unsigned width,
                    unsigned char* dst, unsigned stride) {
    const unsigned char* p = file.data + start;
    const unsigned char* const end = file.data + file.size;
    unsigned x = 0;
    for (;;) {
        if (end - p < bytesPerSample) return false;
        const unsigned control = p[bytesPerSample - 1];  // low byte of a 16-bit control word
        p += bytesPerSample;
        const unsigned count = control & 0x7f;
        if (count == 0) return true;
        const unsigned take = count < width - x ? count : width - x;
        if (control & 0x80) {
            if (std::size_t(end - p) < std::size_t(count) * bytesPerSample) return false;
            for (unsigned k = 0; k < take; ++k) dst[std::size_t(x + k) * stride] = p[k * bytesPerSample];
            p += std::size_t(count) * bytesPerSample;
        } else {
            if (end - p < bytesPerSample) return false;
            const unsigned char value = p[0];
            for (unsigned k = 0; k < take; ++k) dst[std::size_t(x + k) * stride] = value;
            p += bytesPerSample;
        }
        x += take;
    }
}

}  // namespace

// Run-length encoded scanlines: the start table from offset 512 holds one
// big-endian file offset per scanline of each channel (row y of channel c at
// entry y + c x height). Each entry is converted to host order in place just
// before its scanline is decoded.
bool decodeSgiRunLength(WholeFile& file, const SgiHeader& h, SgiOutput& out) {
    const std::uint64_t entries = std::uint64_t(h.height) * h.channels;
    const std::uint64_t dataStart = headerSize + 4 * entries;
    if (dataStart > file.size) {
        std::printf("SGI file refused: %zu bytes, the start table of %llu entries runs past the end\n", file.size,
                    static_cast<unsigned long long>(entries));
        return false;
    }
    const std::uint64_t outputSize = std::uint64_t(h.width) * h.height * h.channels;
    if (outputSize > maxExpansion * file.size) {
        std::printf("SGI file refused: %ux%u with %u channels is more than %zu bytes can encode\n", h.width,
                    h.height, h.channels, file.size);
        return false;
    }
    if (!allocate(out, outputSize)) return false;
    std::memset(out.data, 0, out.size);

    const std::size_t rowBytes = std::size_t(h.width) * h.channels;
    for (unsigned y = 0; y < h.height; ++y) {
        for (unsigned c = 0; c < h.channels; ++c) {
            unsigned char* entry = file.data + headerSize + 4 * (std::size_t(y) + std::size_t(c) * h.height);
            if (!kwStream::isBigEndian()) kwStream::swap(entry, 4);
            std::uint32_t start;
            std::memcpy(&start, entry, 4);
            if (start < dataStart || start >= file.size) {
                std::printf("SGI file refused: scanline %u of channel %u starts at %u, outside the data (%llu to %zu)\n",
                            y, c, start, static_cast<unsigned long long>(dataStart), file.size);
                return false;
            }
            if (!decodeScanline(file, start, h.bytesPerChannel, h.width, out.data + y * rowBytes + c, h.channels)) {
                std::printf("SGI file refused: scanline %u of channel %u runs past the end of the file\n", y, c);
                return false;
            }
        }
    }
    return true;
}

}  // namespace ornatex

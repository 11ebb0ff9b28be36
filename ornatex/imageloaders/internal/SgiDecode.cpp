#include "SgiDecode.h"

#include <cstring>

#include "SgiDump.h"
#include "TextSink.h"

namespace ornatex::detail {

namespace {

constexpr std::size_t headerSize = sgiHeaderSize;

std::uint32_t bigEndian32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

Outcome readSgiHeader(const unsigned char* data, std::size_t size, SgiHeader& header) {
    if (size < headerSize)
        return refuse(Refusal::truncated, "%zu bytes, too short for the 512-byte header", size);
    const unsigned char* h = data;
    header.storage = h[2];
    header.bytesPerChannel = h[3] == 2 ? 2 : 1;
    header.width = unsigned(h[6]) << 8 | h[7];
    header.height = unsigned(h[8]) << 8 | h[9];
    header.channels = unsigned(h[10]) << 8 | h[11];
    return Outcome();
}

Outcome checkSgiChannels(const SgiHeader& h) {
    if (h.channels == 3 || h.channels == 4) return Outcome();
    return refuse(Check::sgiChannels, h.channels, Refusal::unsupported,
                  "channel count %u, only 3 (RGB) and 4 (RGBA) are decoded", h.channels);
}

Outcome checkSgi(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, SgiHeader& h,
                 bool anyChannelCount) {
    const Outcome header = readSgiHeader(data, size, h);
    if (!header.ok()) return header;
    const std::uint64_t pixels = std::uint64_t(h.width) * h.height;
    if (h.storage == 0) {
        // Verbatim planes of other channel counts are not read at all
        // (unless the caller reads any count).
        const Outcome channels = anyChannelCount ? Outcome() : checkSgiChannels(h);
        if (!channels.ok()) return channels;
        const std::uint64_t needed = headerSize + pixels * h.channels * h.bytesPerChannel;
        if (needed > size)
            return refuse(Refusal::truncated, "%zu bytes, the verbatim planes need %llu", size,
                          static_cast<unsigned long long>(needed));
    } else {
        const std::uint64_t entries = std::uint64_t(h.height) * h.channels;
        if (headerSize + 4 * entries > size)
            return refuse(Refusal::truncated, "%zu bytes, the start table of %llu entries runs past the end", size,
                          static_cast<unsigned long long>(entries));
    }
    if (pixels > maxPixels)
        return refuse(Refusal::tooLarge, "%u x %u pixels, more than the limit of %llu", h.width, h.height,
                      static_cast<unsigned long long>(maxPixels));
    // 4 x maxPixels bytes: the largest pixels the decoders deliver. Only
    // run-length files of many channels can reach it.
    const std::uint64_t maxBytes = maxPixels > UINT64_MAX / 4 ? UINT64_MAX : 4 * maxPixels;
    if (pixels * h.channels > maxBytes)
        return refuse(Refusal::tooLarge, "%u x %u pixels of %u channels, more than the limit of %llu bytes",
                      h.width, h.height, h.channels, static_cast<unsigned long long>(maxBytes));
    return Outcome();
}

namespace {

// Verbatim planes, channel after channel, each width x height samples of
// 1 or 2 bytes (big-endian; the most significant byte is kept). Filled row
// by row, each output row from the same row of every plane, so that the row
// is written while it is in the cache whatever the image's size.
void interleavePlanes(const unsigned char* data, const SgiHeader& h, unsigned char* out) {
    // Locals: stores through unsigned char may alias the header's fields.
    const std::size_t width = h.width, height = h.height, channels = h.channels, step = h.bytesPerChannel;
    const std::size_t n = width * height;
    const std::size_t rowBytes = width * channels;
    for (std::size_t y = 0; y < height; ++y) {
        unsigned char* row = out + y * rowBytes;
        for (std::size_t c = 0; c < channels; ++c) {
            const unsigned char* plane = data + headerSize + (c * n + y * width) * step;
            unsigned char* dst = row + c;
            for (std::size_t x = 0; x < width; ++x) dst[x * channels] = plane[x * step];
        }
    }
}

// Decodes one run-length encoded scanline of `width` samples from file
// offset `start` into every `stride`-th byte of `dst`. Runs past the width
// are cut at the width. False when the packets run past the end of the data.
bool decodeScanline(const unsigned char* data, std::size_t size, std::size_t start, unsigned bytesPerSample,
                    unsigned width, unsigned char* dst, unsigned stride) {
    const unsigned char* p = data + start;
    const unsigned char* const end = data + size;
    unsigned x = 0;
    for (;;) {
        if (std::size_t(end - p) < bytesPerSample) return false;
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
            if (std::size_t(end - p) < bytesPerSample) return false;
            const unsigned char value = p[0];
            for (unsigned k = 0; k < take; ++k) dst[std::size_t(x + k) * stride] = value;
            p += bytesPerSample;
        }
        x += take;
    }
}

// Run-length encoded scanlines: the start table from offset 512 holds one
// big-endian file offset per scanline of each channel (row y of channel c at
// entry y + c x height). Scanlines may share bytes of the file.
Outcome decodeScanlines(const unsigned char* data, std::size_t size, const SgiHeader& h, unsigned char* out) {
    const std::uint64_t dataStart = headerSize + 4 * std::uint64_t(h.height) * h.channels;
    const std::size_t rowBytes = std::size_t(h.width) * h.channels;
    for (unsigned y = 0; y < h.height; ++y) {
        // Pixels no scanline reaches are 0; the row is cleared just before
        // its scanlines fill it, while it is in the cache.
        std::memset(out + y * rowBytes, 0, rowBytes);
        for (unsigned c = 0; c < h.channels; ++c) {
            const std::uint32_t start = bigEndian32(data + headerSize + 4 * (std::size_t(y) + std::size_t(c) * h.height));
            if (start < dataStart || start >= size)
                return refuse(Refusal::malformed,
                              "scanline %u of channel %u starts at %u, outside the data (%llu to %zu)", y, c, start,
                              static_cast<unsigned long long>(dataStart), size);
            if (!decodeScanline(data, size, start, h.bytesPerChannel, h.width, out + y * rowBytes + c, h.channels))
                return refuse(Refusal::truncated, "scanline %u of channel %u runs past the end of the file", y, c);
        }
    }
    return Outcome();
}

}  // namespace

Outcome decodeSgi(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, TextSink& trace, SgiHeader& h,
                  ByteBlock& out, bool anyChannelCount) {
    Outcome outcome = checkSgi(data, size, maxPixels, h, anyChannelCount);
    if (!outcome.ok()) return outcome;
    if (!out.allocate(std::uint64_t(h.width) * h.height * h.channels, true))
        return refuse(Check::noMemory, 0, Refusal::noMemory, "no memory for the decoded image");
    if (h.storage == 0) {
        interleavePlanes(data, h, out.data());
        return outcome;
    }
    outcome = decodeScanlines(data, size, h, out.data());
    if (!outcome.ok()) return outcome;
    if (trace.enabled()) writeSgiDump(out.data(), out.size(), sgiDumpLines(std::uint64_t(h.width) * h.height), trace);
    // Run-length files of other channel counts are decoded and dumped first.
    return anyChannelCount ? outcome : checkSgiChannels(h);
}

}  // namespace ornatex::detail

#include "SgiEncoder.h"

#include <algorithm>
#include <cstdint>

namespace tool {

namespace {

constexpr std::size_t headerBytes = 512;
constexpr int largestSide = 65535;  // x and y sizes are 16-bit fields
constexpr int longestPacket = 127;  // the control byte's low seven bits

void putShort(unsigned char* at, unsigned value) {
    at[0] = static_cast<unsigned char>((value >> 8) & 0xff);
    at[1] = static_cast<unsigned char>(value & 0xff);
}

void putLong(unsigned char* at, std::uint64_t value) {
    at[0] = static_cast<unsigned char>((value >> 24) & 0xff);
    at[1] = static_cast<unsigned char>((value >> 16) & 0xff);
    at[2] = static_cast<unsigned char>((value >> 8) & 0xff);
    at[3] = static_cast<unsigned char>(value & 0xff);
}

// Start-table entries are 32-bit offsets. (A function, so that a 32-bit
// size_t, which can never exceed them, draws no warning.)
bool beyond32Bits(std::uint64_t bytes) { return bytes > 0xffffffffu; }

// Where a run of three equal bytes starts at or after `from`, or `length`.
int nextRun(const unsigned char* line, int from, int length) {
    for (int x = from; x + 2 < length; ++x)
        if (line[x] == line[x + 1] && line[x] == line[x + 2]) return x;
    return length;
}

}  // namespace

void appendSgiRuns(const unsigned char* line, int length, std::vector<unsigned char>& out) {
    int x = 0;
    while (x < length) {
        // Literal bytes up to the next run worth a repeat packet.
        const int runStart = nextRun(line, x, length);
        while (x < runStart) {
            const int n = std::min(longestPacket, runStart - x);
            out.push_back(static_cast<unsigned char>(0x80 | n));
            out.insert(out.end(), line + x, line + x + n);
            x += n;
        }
        if (x >= length) break;
        int n = 1;
        while (x + n < length && n < longestPacket && line[x + n] == line[x]) ++n;
        out.push_back(static_cast<unsigned char>(n));
        out.push_back(line[x]);
        x += n;
    }
    out.push_back(0);
}

std::string encodeSgi(const PixelView& image, std::vector<unsigned char>& file) {
    if (image.width > largestSide || image.height > largestSide)
        return "SGI stores at most 65535 x 65535 pixels, the image is " + std::to_string(image.width) + " x " +
               std::to_string(image.height);
    const int channels = hasTransparency(image) ? 4 : 3;
    const std::size_t lines = static_cast<std::size_t>(image.height) * static_cast<std::size_t>(channels);
    const std::size_t tablesEnd = headerBytes + 8 * lines;  // start table, then length table
    file.assign(tablesEnd, 0);
    // Most pictures shrink; a noisy one grows by a packet byte in 127.
    file.reserve(tablesEnd + lines * (static_cast<std::size_t>(image.width) + 2));
    unsigned char* header = file.data();
    putShort(header, 474);  // magic
    header[2] = 1;          // run-length encoded
    header[3] = 1;          // one byte a channel
    putShort(header + 4, 3);
    putShort(header + 6, static_cast<unsigned>(image.width));
    putShort(header + 8, static_cast<unsigned>(image.height));
    putShort(header + 10, static_cast<unsigned>(channels));
    putLong(header + 16, 255);  // pixmax; pixmin stays 0

    std::vector<unsigned char> line(static_cast<std::size_t>(image.width));
    std::vector<std::uint64_t> starts(lines), lengths(lines);
    for (int y = 0; y < image.height; ++y) {
        const unsigned char* row = image.row(y);
        for (int c = 0; c < channels; ++c) {
            // An opaque RGBA source gives its first three channels only.
            for (int x = 0; x < image.width; ++x) line[static_cast<std::size_t>(x)] = row[x * image.channels + c];
            const std::size_t entry = static_cast<std::size_t>(y) + static_cast<std::size_t>(c) * image.height;
            starts[entry] = file.size();
            appendSgiRuns(line.data(), image.width, file);
            lengths[entry] = file.size() - starts[entry];
        }
    }
    if (beyond32Bits(file.size())) return "the run-length encoded file would exceed 4 GiB, which SGI cannot address";
    for (std::size_t k = 0; k < lines; ++k) {
        putLong(file.data() + headerBytes + 4 * k, starts[k]);
        putLong(file.data() + headerBytes + 4 * (lines + k), lengths[k]);
    }
    return std::string();
}

}  // namespace tool

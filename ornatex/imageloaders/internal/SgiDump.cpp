#include "SgiDump.h"

#include <cstring>

#include "TextSink.h"

namespace ornatex::detail {

namespace {

// Decimal text of each byte value, up to three digits.
struct DecimalTable {
    char text[256][4];
    unsigned char length[256];
    DecimalTable() {
        for (unsigned v = 0; v < 256; ++v) {
            char digits[3];
            unsigned n = 0, x = v;
            do {
                digits[n++] = static_cast<char>('0' + x % 10);
                x /= 10;
            } while (x);
            for (unsigned k = 0; k < n; ++k) text[v][k] = digits[n - 1 - k];
            length[v] = static_cast<unsigned char>(n);
        }
    }
};

const DecimalTable& decimals() {
    static const DecimalTable table;
    return table;
}

// Appends the value's digits followed by `end`; writes 4 bytes, advances by
// the digits plus one.
inline char* put(char* p, unsigned char v, char end, const DecimalTable& t) {
    std::memcpy(p, t.text[v], 4);
    p += t.length[v];
    *p++ = end;
    return p;
}

// Appends one line of three values.
inline char* putLine(char* p, const unsigned char* v, const DecimalTable& t) {
    p = put(p, v[0], ' ', t);
    p = put(p, v[1], ' ', t);
    return put(p, v[2], '\n', t);
}

}  // namespace

std::uint64_t sgiDumpLines(std::uint64_t pixels) { return pixels / 3 + (pixels % 3 != 0); }

void writeSgiDump(const unsigned char* data, std::size_t bytes, std::uint64_t lines, TextSink& out) {
    const DecimalTable& t = decimals();
    constexpr std::size_t bufferSize = 1 << 16;
    constexpr std::size_t longestLine = 12;  // "255 255 255\n"
    char buffer[bufferSize + 4];
    char* p = buffer;
    const auto flushIfFull = [&] {
        if (p > buffer + bufferSize - longestLine) {
            out.write(buffer, static_cast<std::size_t>(p - buffer));
            p = buffer;
        }
    };
    const std::uint64_t whole = bytes / 3 < lines ? bytes / 3 : lines;
    for (std::uint64_t k = 0; k < whole; ++k) {
        p = putLine(p, data + 3 * k, t);
        flushIfFull();
    }
    // The line that reaches past the end of the block: the missing bytes
    // show as 0.
    std::uint64_t k = whole;
    if (k < lines && 3 * k < bytes) {
        unsigned char v[3] = {0, 0, 0};
        for (std::uint64_t i = 3 * k, n = 0; i < bytes && n < 3; ++i, ++n) v[n] = data[i];
        p = putLine(p, v, t);
        ++k;
    }
    if (p != buffer) out.write(buffer, static_cast<std::size_t>(p - buffer));
    // Lines wholly past the block (images of 0 channels: up to 2^28 / 3 of
    // them) are all "0 0 0\n": written from one buffer of such lines.
    if (k < lines) {
        constexpr std::size_t zeroLine = 6;  // "0 0 0\n"
        constexpr std::size_t perBuffer = bufferSize / zeroLine;
        for (std::size_t i = 0; i < perBuffer; ++i) std::memcpy(buffer + zeroLine * i, "0 0 0\n", zeroLine);
        for (std::uint64_t left = lines - k; left > 0;) {
            const std::size_t n = left < perBuffer ? static_cast<std::size_t>(left) : perBuffer;
            out.write(buffer, n * zeroLine);
            left -= n;
        }
    }
}

}  // namespace ornatex::detail

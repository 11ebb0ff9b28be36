#include "SgiDump.h"

#include <cstring>

namespace ornatex {

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

}  // namespace

std::size_t sgiDumpLines(std::size_t pixels, std::size_t bytes) {
    const std::size_t lines = pixels / 3 + (pixels % 3 != 0);
    const std::size_t covered = bytes / 3 + (bytes % 3 != 0);
    return lines < covered ? lines : covered;
}

void writeSgiDump(const unsigned char* data, std::size_t bytes, std::size_t lines, std::FILE* out) {
    const DecimalTable& t = decimals();
    constexpr std::size_t bufferSize = 1 << 16;
    constexpr std::size_t longestLine = 12;  // "255 255 255\n"
    char buffer[bufferSize + 4];
    char* p = buffer;
    const std::size_t whole = bytes / 3 < lines ? bytes / 3 : lines;
    for (std::size_t k = 0; k < whole; ++k) {
        const unsigned char* v = data + 3 * k;
        p = put(p, v[0], ' ', t);
        p = put(p, v[1], ' ', t);
        p = put(p, v[2], '\n', t);
        if (p > buffer + bufferSize - longestLine) {
            std::fwrite(buffer, 1, static_cast<std::size_t>(p - buffer), out);
            p = buffer;
        }
    }
    if (whole < lines) {
        // The last line reaches past the block: the missing bytes show as 0.
        unsigned char v[3] = {0, 0, 0};
        for (std::size_t i = 3 * whole, k = 0; i < bytes && k < 3; ++i, ++k) v[k] = data[i];
        p = put(p, v[0], ' ', t);
        p = put(p, v[1], ' ', t);
        p = put(p, v[2], '\n', t);
    }
    if (p != buffer) std::fwrite(buffer, 1, static_cast<std::size_t>(p - buffer), out);
}

}  // namespace ornatex

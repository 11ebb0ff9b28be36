#include "PaletteRows.h"

#include <algorithm>
#include <cstring>

#include "PaletteRowsVbmi.h"

namespace ornatex {
namespace detail {

void buildPalette(const std::vector<std::uint32_t>& map, Palette& palette, bool allowFastPath) {
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
            table[v] = paletteBadMark;
    }
    for (unsigned v = 0; v < 256; ++v)
        for (unsigned ch = 0; ch < 3; ++ch) palette.channel[ch][v] = static_cast<unsigned char>(table[v] >> (8 * ch));
    palette.fastPath = allowFastPath && vbmiAvailable();
}

// In place (`in` = out + 2 x width), every store below ends before the next
// index still to be read: pixel c's bytes end at 3c + 3 < 2 x width + c + 1
// while c < width - 1; a group of four from c ends at 3c + 12 <= 2 x width +
// c + 4 while c <= width - 4; and the row's last pixel is read before it is
// stored.
void expandRow(const unsigned char* in, unsigned char* out, std::size_t width, const Palette& palette,
               std::uint32_t& seen) {
    const std::uint32_t (&table)[256] = palette.table;
    std::uint32_t acc = 0;
    std::size_t c = 0;
    if (palette.fastPath && width >= 64) c = expandRowVbmi(in, out, width, palette, seen);
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

}  // namespace detail
}  // namespace ornatex

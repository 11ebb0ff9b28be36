// Expansion of rows of 8-bit palette indices into red-green-blue pixels,
// internal to ornatex (the TIFF decoder's inner loop). The plain path runs
// everywhere; a fast path (PaletteRowsVbmi) takes over on processors with
// AVX-512 VBMI unless the palette was built with it switched off, which is
// how tests check both paths against each other on any machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ornatex {
namespace detail {

// Marks table entries of indices beyond the colour map.
constexpr std::uint32_t paletteBadMark = 1u << 24;

struct Palette {
    // red | green << 8 | blue << 16 of each index, plus paletteBadMark for
    // indices beyond the map.
    std::uint32_t table[256];
    std::uint32_t colors = 0;  // entries in the map; indices from here on are bad
    bool fastPath = false;     // rows go through expandRowVbmi first
    alignas(64) unsigned char channel[3][256];  // red, green, blue of each index
};

// Builds the palette from a TIFF ColorMap (all reds, then all greens, then
// all blues, count / 3 entries each; indices past the first 256 are never
// reached). Samples are 16-bit and the
// top byte is kept (this maps both v x 257 and v x 256 back to v); a map
// whose entries are all below 256 was written with 8-bit samples and is
// taken as it stands. allowFastPath false keeps every row on the plain path.
void buildPalette(const std::vector<std::uint32_t>& map, Palette& palette, bool allowFastPath = true);

// Expands one row of `width` indices, ORing every table entry used into
// `seen` (so seen & paletteBadMark tells of a bad index). `in` may be the
// last third of `out` itself (a row assembled in place).
void expandRow(const unsigned char* in, unsigned char* out, std::size_t width, const Palette& palette,
               std::uint32_t& seen);

}  // namespace detail
}  // namespace ornatex

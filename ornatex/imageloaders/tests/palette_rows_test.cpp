// The palette row expansion on its plain path everywhere, and on its fast
// path where the processor has it, against a byte-by-byte model.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <ornatex/imageloaders/internal/PaletteRows.h>
#include <ornatex/imageloaders/internal/PaletteRowsVbmi.h>

namespace {

using Bytes = std::vector<unsigned char>;

// A map of `colors` entries with 16-bit samples: red 17v, green 255 - v,
// blue 3v (mod 256), each times 257.
std::vector<std::uint32_t> mapOf(unsigned colors) {
    std::vector<std::uint32_t> map;
    for (unsigned ch = 0; ch < 3; ++ch)
        for (unsigned v = 0; v < colors; ++v) {
            const unsigned sample = ch == 0 ? (17 * v) & 0xff : ch == 1 ? 255 - v : (3 * v) & 0xff;
            map.push_back(sample * 257);
        }
    return map;
}

Bytes model(const Bytes& indices) {
    Bytes out;
    for (unsigned char v : indices) {
        out.push_back(static_cast<unsigned char>(17 * v));
        out.push_back(static_cast<unsigned char>(255 - v));
        out.push_back(static_cast<unsigned char>(3 * v));
    }
    return out;
}

Bytes indicesOf(std::size_t width, unsigned seed) {
    Bytes in(width);
    for (std::size_t i = 0; i < width; ++i) in[i] = static_cast<unsigned char>((i * 2654435761u + seed) >> 13);
    return in;
}

// Expands separately and in place (the row's indices in its last third).
void expandBoth(const Bytes& in, const ornatex::detail::Palette& palette, Bytes& apart, Bytes& inPlace, std::uint32_t& seen) {
    const std::size_t width = in.size();
    apart.assign(3 * width, 0);
    ornatex::detail::expandRow(in.data(), apart.data(), width, palette, seen);
    inPlace.assign(3 * width, 0);
    std::copy(in.begin(), in.end(), inPlace.begin() + 2 * width);
    ornatex::detail::expandRow(inPlace.data() + 2 * width, inPlace.data(), width, palette, seen);
}

void checkPath(bool fast) {
    ornatex::detail::Palette palette;
    ornatex::detail::buildPalette(mapOf(256), palette, fast);
    ASSERT_EQ(palette.fastPath, fast);
    for (std::size_t width : {1u, 3u, 4u, 5u, 63u, 64u, 65u, 127u, 128u, 200u, 1000u}) {
        SCOPED_TRACE(width);
        const Bytes in = indicesOf(width, unsigned(width));
        Bytes apart, inPlace;
        std::uint32_t seen = 0;
        expandBoth(in, palette, apart, inPlace, seen);
        EXPECT_EQ(apart, model(in));
        EXPECT_EQ(inPlace, model(in));
        EXPECT_EQ(seen & ornatex::detail::paletteBadMark, 0u);
    }
    // An index beyond a 200-colour map is seen wherever it lies in the row.
    ornatex::detail::buildPalette(mapOf(200), palette, fast);
    for (std::size_t at : {0u, 63u, 64u, 130u, 199u}) {
        Bytes in(200, 199);
        in[at] = 200;
        Bytes apart, inPlace;
        std::uint32_t seen = 0;
        expandBoth(in, palette, apart, inPlace, seen);
        EXPECT_NE(seen & ornatex::detail::paletteBadMark, 0u) << at;
    }
}

}  // namespace

TEST(PaletteRows, PlainPathMatchesTheModel) { checkPath(false); }

TEST(PaletteRows, FastPathMatchesTheModel) {
    if (!ornatex::detail::vbmiAvailable()) GTEST_SKIP() << "no AVX-512 VBMI on this processor";
    checkPath(true);
}

#if defined(__x86_64__) && defined(__GNUC__)
// Every x86-64 build carries the fast path: it is taken wherever the
// processor has it.
TEST(PaletteRows, FastPathIsAvailableWhereverTheProcessorHasIt) {
    const bool processor = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
    EXPECT_EQ(ornatex::detail::vbmiAvailable(), processor);
}
#endif

// Maps whose samples are all below 256 were written with 8-bit samples.
TEST(PaletteRows, EightBitMapsAreTakenAsTheyStand) {
    ornatex::detail::Palette palette;
    ornatex::detail::buildPalette({1, 2, 3, 4, 5, 6}, palette, false);
    Bytes out(6);
    std::uint32_t seen = 0;
    const Bytes in = {1, 0};
    ornatex::detail::expandRow(in.data(), out.data(), 2, palette, seen);
    EXPECT_EQ(out, (Bytes{2, 4, 6, 1, 3, 5}));
}

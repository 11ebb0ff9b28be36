#include "PaletteRowsVbmi.h"

#include "PaletteRows.h"

// x86-64 with GCC or Clang: rows expand 64 pixels at a time with AVX-512
// VBMI byte permutes where the processor has them.
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

namespace ornatex {
namespace detail {

bool vbmiAvailable() { return __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw"); }

namespace {

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

}  // namespace

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
    if (bad && !allValid) seen |= paletteBadMark;
    return c;
}

}  // namespace detail
}  // namespace ornatex

#else

namespace ornatex {
namespace detail {

bool vbmiAvailable() { return false; }

std::size_t expandRowVbmi(const unsigned char*, unsigned char*, std::size_t, const Palette&, std::uint32_t&) {
    return 0;
}

}  // namespace detail
}  // namespace ornatex

#endif

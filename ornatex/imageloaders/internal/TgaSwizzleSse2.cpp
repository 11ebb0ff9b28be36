// The SSE2 path of the TGA red-blue exchange, for processors without SSSE3
// (and the 32-bit builds' baseline): masks and shifts instead of a byte
// shuffle. Built with -msse2, for x86 only; used only where the processor
// has SSE2. Nothing here has external linkage but swizzleBlocks4Sse2 and
// swizzleBlocks3Sse2.
#include "TgaSwizzle.h"

#include <emmintrin.h>

namespace ornatex {
namespace detail {

namespace {

// Byte masks for 3-byte pixels, 16 to a block of three registers: in
// register r, byte k is byte p = 16r + k of the block, which keeps its own
// byte (green, p % 3 == 1), takes byte p + 2 (p % 3 == 0) or byte p - 2
// (p % 3 == 2).
struct Masks {
    alignas(16) unsigned char keep[3][16] = {};
    alignas(16) unsigned char takeNext[3][16] = {};
    alignas(16) unsigned char takePrevious[3][16] = {};
    constexpr Masks() {
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 16; ++k) {
                const int p = 16 * r + k;
                keep[r][k] = p % 3 == 1 ? 0xff : 0;
                takeNext[r][k] = p % 3 == 0 ? 0xff : 0;
                takePrevious[r][k] = p % 3 == 2 ? 0xff : 0;
            }
    }
};

constexpr Masks masks{};

inline __m128i load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(unsigned char* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m128i mask(const unsigned char* m) { return _mm_load_si128(reinterpret_cast<const __m128i*>(m)); }

// Bytes 0 and 2 of each 32-bit pixel exchanged.
inline __m128i exchange4(__m128i v, __m128i greenAlpha, __m128i low) {
    const __m128i blueToRed = _mm_slli_epi32(_mm_and_si128(v, low), 16);
    const __m128i redToBlue = _mm_and_si128(_mm_srli_epi32(v, 16), low);
    return _mm_or_si128(_mm_and_si128(v, greenAlpha), _mm_or_si128(blueToRed, redToBlue));
}

// The 16 bytes in reverse order: dwords, then the words in each dword, then
// the bytes in each word.
inline __m128i reverse16(__m128i v) {
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1)), _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
}

}  // namespace

// 16 pixels a block, loaded whole before it is stored (`from` may be `to`).
std::size_t swizzleBlocks4Sse2(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror) {
    const __m128i greenAlpha = _mm_set1_epi32(static_cast<int>(0xff00ff00u)), low = _mm_set1_epi32(0xff);
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const unsigned char* in = from + 4 * i;
        __m128i v[4];
        for (int k = 0; k < 4; ++k) v[k] = exchange4(load(in + 16 * k), greenAlpha, low);
        if (mirror) {
            unsigned char* out = to + 4 * (count - 16 - i);
            for (int k = 0; k < 4; ++k) store(out + 16 * k, _mm_shuffle_epi32(v[3 - k], _MM_SHUFFLE(0, 1, 2, 3)));
        } else {
            unsigned char* out = to + 4 * i;
            for (int k = 0; k < 4; ++k) store(out + 16 * k, v[k]);
        }
    }
    return i;
}

// 16 pixels (48 bytes) a block, loaded whole before it is stored. The bytes
// two places on and two places back are the block shifted by two bytes; the
// two that would come from outside the block are never selected.
std::size_t swizzleBlocks3Sse2(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror) {
    std::size_t i = 0;
    if (mirror) {
        // A mirrored block is its input reversed byte by byte.
        for (; i + 16 <= count; i += 16) {
            const unsigned char* in = from + 3 * i;
            const __m128i a = load(in), b = load(in + 16), c = load(in + 32);
            unsigned char* out = to + 3 * (count - 16 - i);
            store(out, reverse16(c));
            store(out + 16, reverse16(b));
            store(out + 32, reverse16(a));
        }
        return i;
    }
    __m128i keep[3], next[3], previous[3];
    for (int r = 0; r < 3; ++r) {
        keep[r] = mask(masks.keep[r]);
        next[r] = mask(masks.takeNext[r]);
        previous[r] = mask(masks.takePrevious[r]);
    }
    for (; i + 16 <= count; i += 16) {
        const unsigned char* in = from + 3 * i;
        const __m128i v[3] = {load(in), load(in + 16), load(in + 32)};
        const __m128i ahead[3] = {_mm_or_si128(_mm_srli_si128(v[0], 2), _mm_slli_si128(v[1], 14)),
                                  _mm_or_si128(_mm_srli_si128(v[1], 2), _mm_slli_si128(v[2], 14)),
                                  _mm_srli_si128(v[2], 2)};
        const __m128i behind[3] = {_mm_slli_si128(v[0], 2),
                                   _mm_or_si128(_mm_slli_si128(v[1], 2), _mm_srli_si128(v[0], 14)),
                                   _mm_or_si128(_mm_slli_si128(v[2], 2), _mm_srli_si128(v[1], 14))};
        unsigned char* out = to + 3 * i;
        for (int r = 0; r < 3; ++r) {
            const __m128i kept = _mm_and_si128(v[r], keep[r]);
            const __m128i moved = _mm_or_si128(_mm_and_si128(ahead[r], next[r]), _mm_and_si128(behind[r], previous[r]));
            store(out + 16 * r, _mm_or_si128(kept, moved));
        }
    }
    return i;
}

}  // namespace detail
}  // namespace ornatex

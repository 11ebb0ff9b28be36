// The SSSE3 path of the TGA red-blue exchange: one byte shuffle (pshufb) a
// register. Built with -mssse3, for x86 only; used only where the processor
// has SSSE3. Nothing here has external linkage but swizzleBlocks4Ssse3 and
// swizzleBlocks3Ssse3, so no code built for SSSE3 can stand in for another
// unit's.
#include "TgaSwizzle.h"

#include <tmmintrin.h>

namespace ornatex {
namespace detail {

namespace {

// Shuffle masks: output byte k of a mask's register takes input byte
// mask[k], or 0 where the top bit is set.
struct Masks {
    // 4-byte pixels: bytes 0 and 2 of each exchanged; mirrored, the four
    // pixels also in reverse order.
    alignas(16) unsigned char rgba[16] = {};
    alignas(16) unsigned char rgbaMirrored[16] = {};
    // 3-byte pixels, 16 to a block of three registers: rgb[o][i] gives the
    // bytes of output register o that come from input register i. Output
    // byte p (0 to 47) is input byte 3 (p / 3) + 2 - p % 3.
    alignas(16) unsigned char rgb[3][3][16] = {};
    // The 16 bytes in reverse order: a mirrored block of 3-byte pixels is
    // its input reversed byte by byte (pixel order and channel order both).
    alignas(16) unsigned char reversed[16] = {};
    constexpr Masks() {
        for (int k = 0; k < 16; ++k) {
            const int pixel = k / 4, channel = k % 4;
            const int from = channel == 0 ? 2 : channel == 2 ? 0 : channel;
            rgba[k] = static_cast<unsigned char>(4 * pixel + from);
            rgbaMirrored[k] = static_cast<unsigned char>(4 * (3 - pixel) + from);
            reversed[k] = static_cast<unsigned char>(15 - k);
            for (int o = 0; o < 3; ++o) {
                const int p = 16 * o + k, source = 3 * (p / 3) + 2 - p % 3;
                for (int i = 0; i < 3; ++i)
                    rgb[o][i][k] = static_cast<unsigned char>(source / 16 == i ? source % 16 : 0x80);
            }
        }
    }
};

constexpr Masks masks{};

inline __m128i load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void store(unsigned char* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m128i mask(const unsigned char* m) { return _mm_load_si128(reinterpret_cast<const __m128i*>(m)); }

}  // namespace

// 16 pixels a block, four registers. Each block is loaded whole before it
// is stored, so `from` may be `to`.
std::size_t swizzleBlocks4Ssse3(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror) {
    const __m128i m = mask(mirror ? masks.rgbaMirrored : masks.rgba);
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const unsigned char* in = from + 4 * i;
        const __m128i a = _mm_shuffle_epi8(load(in), m), b = _mm_shuffle_epi8(load(in + 16), m);
        const __m128i c = _mm_shuffle_epi8(load(in + 32), m), d = _mm_shuffle_epi8(load(in + 48), m);
        if (mirror) {
            unsigned char* out = to + 4 * (count - 16 - i);
            store(out, d);
            store(out + 16, c);
            store(out + 32, b);
            store(out + 48, a);
        } else {
            unsigned char* out = to + 4 * i;
            store(out, a);
            store(out + 16, b);
            store(out + 32, c);
            store(out + 48, d);
        }
    }
    return i;
}

// 16 pixels (48 bytes, three registers) a block; loaded whole before it is
// stored.
std::size_t swizzleBlocks3Ssse3(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror) {
    std::size_t i = 0;
    if (mirror) {
        const __m128i r = mask(masks.reversed);
        for (; i + 16 <= count; i += 16) {
            const unsigned char* in = from + 3 * i;
            const __m128i a = load(in), b = load(in + 16), c = load(in + 32);
            unsigned char* out = to + 3 * (count - 16 - i);
            store(out, _mm_shuffle_epi8(c, r));
            store(out + 16, _mm_shuffle_epi8(b, r));
            store(out + 32, _mm_shuffle_epi8(a, r));
        }
        return i;
    }
    // Output register 0 draws on inputs 0 and 1, register 1 on all three,
    // register 2 on inputs 1 and 2.
    const __m128i m00 = mask(masks.rgb[0][0]), m01 = mask(masks.rgb[0][1]);
    const __m128i m10 = mask(masks.rgb[1][0]), m11 = mask(masks.rgb[1][1]), m12 = mask(masks.rgb[1][2]);
    const __m128i m21 = mask(masks.rgb[2][1]), m22 = mask(masks.rgb[2][2]);
    for (; i + 16 <= count; i += 16) {
        const unsigned char* in = from + 3 * i;
        const __m128i a = load(in), b = load(in + 16), c = load(in + 32);
        const __m128i o0 = _mm_or_si128(_mm_shuffle_epi8(a, m00), _mm_shuffle_epi8(b, m01));
        const __m128i o1 =
            _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, m10), _mm_shuffle_epi8(b, m11)), _mm_shuffle_epi8(c, m12));
        const __m128i o2 = _mm_or_si128(_mm_shuffle_epi8(b, m21), _mm_shuffle_epi8(c, m22));
        unsigned char* out = to + 3 * i;
        store(out, o0);
        store(out + 16, o1);
        store(out + 32, o2);
    }
    return i;
}

}  // namespace detail
}  // namespace ornatex

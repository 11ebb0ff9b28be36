#include "TgaSwizzle.h"

#include <cstdint>
#include <cstring>

// x86 with GCC or Clang: the SSE2 and SSSE3 units are built beside this one.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define ORNATEX_X86_SWIZZLE 1
#endif

namespace ornatex {
namespace detail {

namespace {

// Bytes 0 and 2 of a 4-byte pixel exchanged, as one 32-bit word.
inline void swizzle4(const unsigned char* from, unsigned char* to) {
    std::uint32_t p;
    std::memcpy(&p, from, 4);
    p = (p & 0xff00ff00u) | ((p & 0xffu) << 16) | ((p >> 16) & 0xffu);
    std::memcpy(to, &p, 4);
}

// Bytes 0 and 2 of a 3-byte pixel exchanged; `from` may be `to`.
inline void swizzle3(const unsigned char* from, unsigned char* to) {
    const unsigned char blue = from[0], green = from[1], red = from[2];
    to[0] = red;
    to[1] = green;
    to[2] = blue;
}

template <unsigned bytes, void (*swizzle)(const unsigned char*, unsigned char*)>
void plainPixels(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror) {
    if (mirror) {
        for (std::size_t i = 0; i < count; ++i) swizzle(from + bytes * i, to + bytes * (count - 1 - i));
    } else {
        for (std::size_t i = 0; i < count; ++i) swizzle(from + bytes * i, to + bytes * i);
    }
}

}  // namespace

// A build without the fast units has the plain path only.
bool swizzlePathAvailable(SwizzlePath path) {
#if defined(ORNATEX_X86_SWIZZLE)
    if (path == SwizzlePath::sse2) return __builtin_cpu_supports("sse2");
    if (path == SwizzlePath::ssse3) return __builtin_cpu_supports("ssse3");
#endif
    return path == SwizzlePath::plain;
}

SwizzlePath fastestSwizzlePath() {
    if (swizzlePathAvailable(SwizzlePath::ssse3)) return SwizzlePath::ssse3;
    if (swizzlePathAvailable(SwizzlePath::sse2)) return SwizzlePath::sse2;
    return SwizzlePath::plain;
}

void swizzleRow(SwizzlePath path, const unsigned char* from, unsigned char* to, std::size_t count,
                unsigned bytesPerPixel, bool mirror) {
    std::size_t done = 0;
#if defined(ORNATEX_X86_SWIZZLE)
    const bool four = bytesPerPixel == 4;
    if (path == SwizzlePath::ssse3)
        done = four ? swizzleBlocks4Ssse3(from, to, count, mirror) : swizzleBlocks3Ssse3(from, to, count, mirror);
    else if (path == SwizzlePath::sse2)
        done = four ? swizzleBlocks4Sse2(from, to, count, mirror) : swizzleBlocks3Sse2(from, to, count, mirror);
#else
    (void)path;  // the plain path is the only one
#endif
    // The pixels left over: from pixel `done` on, landing in the first
    // count - done places when mirrored.
    const std::size_t offset = bytesPerPixel * done;
    from += offset;
    if (!mirror) to += offset;
    if (bytesPerPixel == 4)
        plainPixels<4, swizzle4>(from, to, count - done, mirror);
    else
        plainPixels<3, swizzle3>(from, to, count - done, mirror);
}

}  // namespace detail
}  // namespace ornatex

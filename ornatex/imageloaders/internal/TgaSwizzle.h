// The red-blue exchange of TGA pixel rows, internal to ornatex: a row of
// blue-green-red(-alpha) pixels copied as red-green-blue(-alpha), left to
// right or mirrored. The plain path runs everywhere; SSE2 and SSSE3 paths
// (TgaSwizzleSse2, TgaSwizzleSsse3, each compiled for its instruction set)
// take over where the processor has them. Tests name a path to hold each
// against the plain one.
#pragma once

#include <cstddef>

namespace ornatex {
namespace detail {

// Slowest first: a path runs wherever the one after it runs.
enum class SwizzlePath { plain, sse2, ssse3 };

// Whether this build and this processor run the path (plain always does).
bool swizzlePathAvailable(SwizzlePath path);

// The fastest path available.
SwizzlePath fastestSwizzlePath();

// Copies `count` pixels of 3 or 4 bytes from `from` to `to`, exchanging
// bytes 0 and 2 of each; with `mirror` pixel i lands at count - 1 - i.
// Without `mirror` the ranges may be the same; otherwise they do not
// overlap. `path` must be available.
void swizzleRow(SwizzlePath path, const unsigned char* from, unsigned char* to, std::size_t count,
                unsigned bytesPerPixel, bool mirror);

// The fast units, built only for x86 with GCC or Clang (where TgaSwizzle.cpp
// calls them: a build there must compile them, each for its instruction
// set), for pixels of 4 and of 3 bytes. Each does whole blocks of 16 pixels from the start of the row and
// returns how many pixels it did (pixel i still lands at count - 1 - i when
// mirrored); the caller does the rest.
std::size_t swizzleBlocks4Sse2(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror);
std::size_t swizzleBlocks3Sse2(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror);
std::size_t swizzleBlocks4Ssse3(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror);
std::size_t swizzleBlocks3Ssse3(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror);

}  // namespace detail
}  // namespace ornatex

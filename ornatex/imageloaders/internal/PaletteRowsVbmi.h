// The AVX-512 VBMI fast path of the palette row expansion, internal to
// ornatex. Built only for x86-64 with GCC or Clang; elsewhere it is never
// available.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ornatex {
namespace detail {

struct Palette;

// True when the processor has AVX-512 VBMI and BW (checked at run time).
bool vbmiAvailable();

// Expands the row 64 pixels at a time and returns the pixels done (a
// multiple of 64); the caller finishes the row. Same in-place rule and
// `seen` marking as expandRow. Only to be called when vbmiAvailable().
std::size_t expandRowVbmi(const unsigned char* in, unsigned char* out, std::size_t width, const Palette& palette,
                          std::uint32_t& seen);

}  // namespace detail
}  // namespace ornatex

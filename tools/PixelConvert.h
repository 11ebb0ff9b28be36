// The sample conversions of the import step, each written once: every
// reader (our decoders, libtiff, stb_image) hands its samples to these, so
// that the same input gives the same 8-bit RGB or RGBA pixels whoever read
// it. The man page documents each rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "PixelBytes.h"

namespace tool {

// A 16-bit sample to 8 bits, rounded to nearest: (v * 255 + 32767) / 65535.
inline unsigned char sample16To8(std::uint16_t v) {
    return static_cast<unsigned char>((std::uint32_t(v) * 255 + 32767) / 65535);
}

// A sample of `bits` bits (1 to 8) scaled to 0..255, exactly: 1-bit 1 is
// 255, 4-bit 15 is 255, 2-bit 1 is 85.
inline unsigned char sampleBitsTo8(unsigned v, unsigned bits) {
    const unsigned top = (1u << bits) - 1;
    return static_cast<unsigned char>((v * 255 + top / 2) / top);
}

// Interleaved 8-bit pixels of 1 (grey), 2 (grey, alpha), 3 (RGB) or 4
// (RGBA) samples, `height` rows of `width`, to RGB (channels 1 and 3) or
// RGBA (channels 2 and 4): grey is copied into red, green and blue; alpha
// is kept. With `upsideDown` the rows are put in reverse order (top row
// first <-> bottom row first) in the same pass. Returns the output's
// channel count (3 or 4); `out` holds width x height pixels of it.
int expandToRgb(const unsigned char* in, int width, int height, int channels, bool upsideDown, PixelBytes& out);

// Undoes premultiplied (associated) alpha in RGBA pixels: each colour
// sample c of a pixel whose alpha a is neither 0 nor 255 becomes
// c * 255 / a, rounded down and at most 255 (as Pillow converts "RGBa" to
// "RGBA"). Pixels of alpha 0 keep their colour (0 in a well-formed file).
void unpremultiplyAlpha(unsigned char* rgba, std::size_t pixelCount);

// Mirrors every row in place (right to left <-> left to right).
void mirrorRows(unsigned char* pixels, int width, int height, int channels);

}  // namespace tool

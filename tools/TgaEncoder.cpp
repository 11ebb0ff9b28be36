#include "TgaEncoder.h"

#include <cstring>

namespace tool {

namespace {

constexpr std::size_t headerBytes = 18;
constexpr int largestSide = 65535;  // width and height are 16-bit fields

void putShort(unsigned char* at, int value) {
    at[0] = static_cast<unsigned char>(value & 0xff);
    at[1] = static_cast<unsigned char>((value >> 8) & 0xff);
}

}  // namespace

std::string encodeTga(const PixelView& image, std::vector<unsigned char>& file) {
    if (image.width > largestSide || image.height > largestSide)
        return "TGA stores at most 65535 x 65535 pixels, the image is " + std::to_string(image.width) + " x " +
               std::to_string(image.height);
    const bool alpha = hasTransparency(image);
    const int outBytes = alpha ? 4 : 3;
    const std::size_t pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    file.assign(headerBytes + pixels * static_cast<std::size_t>(outBytes), 0);
    unsigned char* header = file.data();
    header[2] = 2;  // uncompressed true-colour
    putShort(header + 12, image.width);
    putShort(header + 14, image.height);
    header[16] = static_cast<unsigned char>(8 * outBytes);
    header[17] = alpha ? 8 : 0;  // alpha bits; origin bits 4 and 5 clear: bottom-left

    // Both orders are bottom row first, left to right: one pass over the
    // pixels, swapping red and blue.
    const unsigned char* in = image.pixels;
    unsigned char* out = file.data() + headerBytes;
    const int inBytes = image.channels;
    if (outBytes == 4) {
        for (std::size_t k = 0; k < pixels; ++k, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
    } else {
        for (std::size_t k = 0; k < pixels; ++k, in += inBytes, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return std::string();
}

}  // namespace tool

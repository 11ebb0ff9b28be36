#include "TgaEncoder.h"

#include <algorithm>

#include <ornatex/imageloaders/internal/TgaSwizzle.h>

namespace tool {

namespace {

constexpr std::size_t headerBytes = 18;
constexpr int largestSide = 65535;  // width and height are 16-bit fields
constexpr std::size_t sliceBytes = std::size_t(1) << 20;  // stays in the cache between conversion and write

void putShort(unsigned char* at, int value) {
    at[0] = static_cast<unsigned char>(value & 0xff);
    at[1] = static_cast<unsigned char>((value >> 8) & 0xff);
}

// Red-green-blue(-alpha) to blue-green-red(-alpha), `count` pixels. Pixels
// of the same size go through the library's exchange (`path`, its fastest);
// RGBA written as 24-bit drops its alpha here.
void swapRedBlue(ornatex::detail::SwizzlePath path, const unsigned char* in, int inBytes, unsigned char* out,
                 int outBytes, std::size_t count) {
    if (inBytes == outBytes) {
        ornatex::detail::swizzleRow(path, in, out, count, unsigned(outBytes), false);
    } else {
        for (std::size_t k = 0; k < count; ++k, in += inBytes, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
}

}  // namespace

std::string encodeTga(const PixelView& image, ByteSink& out) {
    if (image.width > largestSide || image.height > largestSide)
        return "TGA stores at most 65535 x 65535 pixels, the image is " + std::to_string(image.width) + " x " +
               std::to_string(image.height);
    const bool alpha = hasTransparency(image);
    const int outBytes = alpha ? 4 : 3;
    unsigned char header[headerBytes] = {};
    header[2] = 2;  // uncompressed true-colour
    putShort(header + 12, image.width);
    putShort(header + 14, image.height);
    header[16] = static_cast<unsigned char>(8 * outBytes);
    header[17] = alpha ? 8 : 0;  // alpha bits; origin bits 4 and 5 clear: bottom-left
    if (!out.put(header, headerBytes)) return "write failed";

    // Both orders are bottom row first, left to right: the pixels are one
    // run, converted and written a slice at a time.
    const std::size_t pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    const std::size_t slicePixels = sliceBytes / 4;
    std::vector<unsigned char> slice(std::min(pixels, slicePixels) * static_cast<std::size_t>(outBytes));
    const ornatex::detail::SwizzlePath path = ornatex::detail::fastestSwizzlePath();
    for (std::size_t done = 0; done < pixels;) {
        const std::size_t count = std::min(slicePixels, pixels - done);
        swapRedBlue(path, image.pixels + done * static_cast<std::size_t>(image.channels), image.channels, slice.data(),
                    outBytes, count);
        if (!out.put(slice.data(), count * static_cast<std::size_t>(outBytes))) return "write failed";
        done += count;
    }
    return std::string();
}

std::string encodeTga(const PixelView& image, std::vector<unsigned char>& file) {
    file.clear();
    VectorSink sink(file);
    return encodeTga(image, sink);
}

}  // namespace tool

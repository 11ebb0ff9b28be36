#include "PixelConvert.h"

#include <algorithm>
#include <cstring>

namespace tool {

int expandToRgb(const unsigned char* in, int width, int height, int channels, bool upsideDown, PixelBytes& out) {
    const int outChannels = channels == 2 || channels == 4 ? 4 : 3;
    const std::size_t w = std::size_t(width), inRow = w * std::size_t(channels), outRow = w * std::size_t(outChannels);
    unsigned char* const first = out.allocate(outRow * std::size_t(height));
    for (int y = 0; y < height; ++y, in += inRow) {
        unsigned char* o = first + std::size_t(upsideDown ? height - 1 - y : y) * outRow;
        const unsigned char* i = in;
        switch (channels) {
            case 1:
                for (std::size_t x = 0; x < w; ++x, o += 3) o[0] = o[1] = o[2] = i[x];
                break;
            case 2:
                for (std::size_t x = 0; x < w; ++x, o += 4, i += 2) {
                    o[0] = o[1] = o[2] = i[0];
                    o[3] = i[1];
                }
                break;
            default:
                if (outRow) std::memcpy(o, i, outRow);
                break;
        }
    }
    return outChannels;
}

void unpremultiplyAlpha(unsigned char* rgba, std::size_t pixelCount) {
    for (std::size_t i = 0; i < pixelCount; ++i, rgba += 4) {
        const unsigned a = rgba[3];
        if (a == 0 || a == 255) continue;
        for (int c = 0; c < 3; ++c) rgba[c] = static_cast<unsigned char>(std::min(255u, rgba[c] * 255u / a));
    }
}

void mirrorRows(unsigned char* pixels, int width, int height, int channels) {
    for (int y = 0; y < height; ++y) {
        unsigned char* row = pixels + std::size_t(y) * width * channels;
        for (int l = 0, r = width - 1; l < r; ++l, --r)
            std::swap_ranges(row + std::size_t(l) * channels, row + std::size_t(l + 1) * channels,
                             row + std::size_t(r) * channels);
    }
}

}  // namespace tool

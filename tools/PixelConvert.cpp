#include "PixelConvert.h"

#include <algorithm>
#include <cstring>

namespace tool {

int expandToRgb(const unsigned char* in, std::size_t pixelCount, int channels, std::vector<unsigned char>& out) {
    const int outChannels = channels == 2 || channels == 4 ? 4 : 3;
    out.resize(pixelCount * outChannels);
    unsigned char* o = out.data();
    switch (channels) {
        case 1:
            for (std::size_t i = 0; i < pixelCount; ++i, o += 3) o[0] = o[1] = o[2] = in[i];
            break;
        case 2:
            for (std::size_t i = 0; i < pixelCount; ++i, o += 4, in += 2) {
                o[0] = o[1] = o[2] = in[0];
                o[3] = in[1];
            }
            break;
        default:
            if (pixelCount) std::memcpy(o, in, pixelCount * outChannels);
            break;
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

void flipRows(unsigned char* pixels, int width, int height, int channels) {
    const std::size_t rowBytes = std::size_t(width) * channels;
    std::vector<unsigned char> row(rowBytes);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        unsigned char* a = pixels + std::size_t(top) * rowBytes;
        unsigned char* b = pixels + std::size_t(bottom) * rowBytes;
        std::memcpy(row.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, row.data(), rowBytes);
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

#include "PixelView.h"

namespace tool {

bool hasTransparency(const PixelView& image) {
    if (image.channels != 4) return false;
    const std::size_t pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    // AND of every alpha byte: 255 only when all are, with no branch a pixel.
    unsigned char all = 255;
    const unsigned char* alpha = image.pixels + 3;
    for (std::size_t k = 0; k < pixels; ++k) all &= alpha[4 * k];
    return all != 255;
}

}  // namespace tool

// The pixels a writer takes: rows packed, bottom row first (as the library
// and the engine's textures hold them), 3 (RGB) or 4 (RGBA) bytes a pixel.
#pragma once

#include <cstddef>

namespace tool {

struct PixelView {
    int width = 0;
    int height = 0;
    int channels = 0;
    const unsigned char* pixels = nullptr;

    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(channels); }
    // Row `y` counted from the bottom of the picture.
    const unsigned char* row(int y) const { return pixels + static_cast<std::size_t>(y) * rowBytes(); }
};

// True when the view has 4 channels and some pixel is not fully opaque.
bool hasTransparency(const PixelView& image);

}  // namespace tool

// Reads the PNG reference pictures the loader and tool tests compare with.
// stb_image decodes them, so the tests need no libpng and build for every
// platform the library does.
#pragma once

#include <string>
#include <vector>

namespace ornatextest {

struct PngPicture {
    unsigned width = 0, height = 0, channels = 0;
    std::vector<unsigned char> pixels;  // top row first, 8 bits a sample
};

// Decodes the file to `channels` samples a pixel (3: RGB, 4: RGBA; 0: as
// stored, RGB or RGBA). On failure the picture is empty (no pixels).
PngPicture readPngPicture(const std::string& path, unsigned channels);

}  // namespace ornatextest

#include "PngReference.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace ornatextest {

PngPicture readPngPicture(const std::string& path, unsigned channels) {
    PngPicture out;
    int w = 0, h = 0, stored = 0;
    if (!stbi_info(path.c_str(), &w, &h, &stored)) return out;
    // Grey pictures widen to RGB, grey with alpha to RGBA.
    const int wanted = channels ? int(channels) : (stored == 2 || stored == 4 ? 4 : 3);
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &stored, wanted);
    if (!data) return out;
    out.width = unsigned(w);
    out.height = unsigned(h);
    out.channels = unsigned(wanted);
    out.pixels.assign(data, data + std::size_t(w) * std::size_t(h) * std::size_t(wanted));
    stbi_image_free(data);
    return out;
}

}  // namespace ornatextest

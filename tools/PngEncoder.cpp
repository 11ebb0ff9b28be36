#include "PngEncoder.h"

// The encoder's functions stay private to this file.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace tool {

namespace {

void appendChunk(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (size > 0) out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

bool encodePng(int width, int height, int channels, const unsigned char* topRow, long stride,
               std::vector<unsigned char>& out) {
    // The stride may be negative: the encoder reaches row y at topRow + y * stride.
    return stbi_write_png_to_func(appendChunk, &out, width, height, channels, topRow, static_cast<int>(stride)) != 0;
}

}  // namespace tool

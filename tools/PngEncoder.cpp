#include "PngEncoder.h"

// The encoder's functions stay private to this file.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace tool {

namespace {

struct Sink {
    std::FILE* out;
    bool ok;
};

void writeChunk(void* context, void* data, int size) {
    Sink* sink = static_cast<Sink*>(context);
    if (sink->ok && size > 0 && std::fwrite(data, 1, static_cast<std::size_t>(size), sink->out) != std::size_t(size))
        sink->ok = false;
}

}  // namespace

bool encodePng(int width, int height, int channels, const unsigned char* topRow, long stride, std::FILE* out) {
    Sink sink{out, true};
    // The stride may be negative: the encoder reaches row y at topRow + y * stride.
    const int encoded = stbi_write_png_to_func(writeChunk, &sink, width, height, channels, topRow,
                                               static_cast<int>(stride));
    return encoded != 0 && sink.ok;
}

}  // namespace tool

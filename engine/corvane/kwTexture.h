// A texture image held in the texture's own memory. loadImage and
// loadSubImage copy the caller's pixels during the call; the upload to the
// graphics card happens later, on first use in a rendering context.
// Pixel rows are packed, bottom row first.
#pragma once

#include <cstddef>

#include <corvane/corvaneExport.h>
#include <corvane/kwRefCounted.h>

enum texFormat {
    texRGB = 1,   // red, green, blue: 3 bytes a pixel
    texRGBA = 4,  // red, green, blue, alpha: 4 bytes a pixel
};

// Bytes a pixel of the format, or 0 for a value that is not a format.
inline int texBytesPerPixel(texFormat format) {
    return format == texRGB ? 3 : format == texRGBA ? 4 : 0;
}

struct kwGpuTexture;

class CORVANE_API kwTexture : public kwRefCounted {
public:
    kwTexture();
    ~kwTexture() override;

    // Replaces the image with a copy of width x height pixels of the format.
    // Invalid arguments leave the texture as it was and report on stderr.
    virtual void loadImage(int width, int height, texFormat format, unsigned char* pixels);

    // Copies width x height pixels into the image with their corner at texel
    // (x, y). The format must match the image's; the part of the rectangle
    // outside the image is dropped. A texture without an image takes the
    // sub-image as a new image of (x + width) x (y + height), the rest zero.
    virtual void loadSubImage(int x, int y, int width, int height, texFormat format, unsigned char* pixels);

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    texFormat getFormat() const { return format; }
    const unsigned char* getPixels() const { return pixels; }
    std::size_t getByteSize() const;

    // Bumped whenever the image changes, so a renderer knows to upload again.
    unsigned getVersion() const { return version; }

    // Engine-internal: the renderer's record of this texture's GL texture
    // object, or null before the first use.
    mutable kwGpuTexture* gpuTexture = nullptr;

private:
    // Makes the storage hold exactly `bytes`, reusing it when it is big enough.
    unsigned char* reserve(std::size_t bytes);

    int width = 0;
    int height = 0;
    texFormat format = texRGB;
    unsigned char* pixels = nullptr;
    std::size_t capacity = 0;
    unsigned version = 0;
};

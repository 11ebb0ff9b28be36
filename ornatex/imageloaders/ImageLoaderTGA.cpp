#include <ornatex/imageloaders/ImageLoaderTGA.h>

#include <corvane/kwTexture.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "LoaderFile.h"

namespace {

constexpr std::size_t headerSize = 18;

enum class Operation { raw, sub, colorData };

// The header fields the loader uses, read from the first 18 bytes.
struct TgaHeader {
    unsigned idLength;
    unsigned colorMapType;
    unsigned imageType;
    unsigned colorMapLength;
    unsigned colorMapEntryBits;
    unsigned width;
    unsigned height;
    unsigned depth;
};

TgaHeader readHeader(const unsigned char* h) {
    TgaHeader header;
    header.idLength = h[0];
    header.colorMapType = h[1];
    header.imageType = h[2];
    header.colorMapLength = h[5] | (h[6] << 8);
    header.colorMapEntryBits = h[7];
    header.width = h[12] | (h[13] << 8);
    header.height = h[14] | (h[15] << 8);
    header.depth = h[16];
    return header;
}

void reportHeader(const TgaHeader& header) {
    std::cout << "Image type: " << header.imageType << std::endl;
    std::cout << "Color map: " << header.colorMapType << std::endl;
    std::cout << "Pixel size: " << header.depth << std::endl;
    std::cout << "Width: " << header.width << std::endl;
    std::cout << "Height: " << header.height << std::endl;
}

void warnColorMap(Operation op) {
    if (op == Operation::sub)
        std::cout << "Colormap not implemented...." << std::endl;
    else
        std::printf("Colormap not implemented....\n");
}

// Turns blue-green-red(-alpha) pixels into red-green-blue(-alpha) in place by
// exchanging bytes 0 and 2 of each pixel.
void exchangeRedBlue(unsigned char* pixels, std::size_t count, unsigned bytesPerPixel) {
    if (bytesPerPixel == 4) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t p;
            std::memcpy(&p, pixels + 4 * i, 4);
            p = (p & 0xff00ff00u) | ((p & 0xffu) << 16) | ((p >> 16) & 0xffu);
            std::memcpy(pixels + 4 * i, &p, 4);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            unsigned char* p = pixels + 3 * i;
            const unsigned char blue = p[0];
            p[0] = p[2];
            p[2] = blue;
        }
    }
}

// The common procedure of the three operations. Returns the pixel start
// inside `file` and fills the texture arguments, or null after printing why.
// On null the caller frees the block.
unsigned char* decode(Operation op, const ornatex::WholeFile& file, int& width, int& height, texFormat& format) {
    if (file.size < headerSize) {
        std::printf("TGA file refused: %zu bytes, too short for the 18-byte header\n", file.size);
        return nullptr;
    }
    const TgaHeader header = readHeader(file.data);
    if (header.imageType != 2) {
        if (op == Operation::sub)
            std::cout << "Unsupported format, only 24-bit RGB supported so far: ";
        else
            std::cout << "Unsupported format, only 24-bit RGB and 32-bit RGBA supported so far: ";
        std::cout << header.imageType << std::endl;
        return nullptr;
    }
    if (op == Operation::colorData) reportHeader(header);
    if (header.depth != 24 && header.depth != 32) {
        std::printf("TGA file refused: pixel depth %u, only 24 and 32 supported\n", header.depth);
        return nullptr;
    }
    const unsigned bytesPerPixel = header.depth / 8;

    std::uint64_t pixelStart = headerSize + header.idLength;
    if (header.colorMapType != 0) {
        warnColorMap(op);
        // A true-colour image may still carry a colour map; its pixels follow it.
        pixelStart += (std::uint64_t(header.colorMapLength) * header.colorMapEntryBits + 7) / 8;
    }
    const std::uint64_t pixelCount = std::uint64_t(header.width) * header.height;
    const std::uint64_t needed = pixelStart + pixelCount * bytesPerPixel;
    if (needed > file.size) {
        std::printf("TGA file refused: %zu bytes, the header declares %llu\n", file.size,
                    static_cast<unsigned long long>(needed));
        return nullptr;
    }

    unsigned char* pixels = file.data + pixelStart;
    exchangeRedBlue(pixels, static_cast<std::size_t>(pixelCount), bytesPerPixel);
    width = static_cast<int>(header.width);
    height = static_cast<int>(header.height);
    format = bytesPerPixel == 4 ? texRGBA : texRGB;
    return pixels;
}

int loadIntoTexture(Operation op, kwTexture* texture, const char* path) {
    ornatex::WholeFile file;
    const ornatex::WholeFileResult result = ornatex::readWholeFile(path, file);
    if (result != ornatex::WholeFileResult::ok) {
        ornatex::reportWholeFileFailure(result, "TGA");
        return 0;
    }
    int width = 0, height = 0;
    texFormat format = texRGB;
    if (unsigned char* pixels = decode(op, file, width, height, format)) {
        try {
            if (op == Operation::sub)
                texture->loadSubImage(0, 0, width, height, format, pixels);
            else
                texture->loadImage(width, height, format, pixels);
        } catch (...) {
            std::free(file.data);
            throw;
        }
    }
    std::free(file.data);
    return 0;
}

}  // namespace

int ImageLoaderTGA::loadTGAraw(kwTexture* texture, const char* path) {
    return loadIntoTexture(Operation::raw, texture, path);
}

int ImageLoaderTGA::loadTGAsub(kwTexture* texture, const char* path) {
    return loadIntoTexture(Operation::sub, texture, path);
}

void* ImageLoaderTGA::getColorData(const char* path) {
    ornatex::WholeFile file;
    const ornatex::WholeFileResult result = ornatex::readWholeFile(path, file);
    if (result != ornatex::WholeFileResult::ok) {
        ornatex::reportWholeFileFailure(result, "TGA");
        return nullptr;
    }
    int width = 0, height = 0;
    texFormat format = texRGB;
    unsigned char* pixels = decode(Operation::colorData, file, width, height, format);
    // On success the block lives on for the rest of the process: the caller
    // holds an address inside it.
    if (!pixels) std::free(file.data);
    return pixels;
}

ImageLoaderTGA& ImageLoaderTGA::operator=(const ImageLoaderTGA&) = default;

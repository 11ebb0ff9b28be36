#include "ImageInput.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include <ornatex/ornatex.h>

namespace tool {

namespace {

std::string lowerExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

}  // namespace

ImageKind chooseLoader(const std::string& path) {
    unsigned char magic[4] = {0, 0, 0, 0};
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        const std::size_t got = std::fread(magic, 1, sizeof magic, f);
        std::fclose(f);
        if (got == 4 && ((magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0) ||
                         (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42)))
            return ImageKind::tiff;
        if (got >= 2 && magic[0] == 0x01 && magic[1] == 0xDA) return ImageKind::sgi;
    }
    const std::string ext = lowerExtension(path);
    if (ext == "tif" || ext == "tiff") return ImageKind::tiff;
    if (ext == "rgb" || ext == "rgba" || ext == "bw" || ext == "sgi") return ImageKind::sgi;
    return ImageKind::tga;
}

void CapturingTexture::loadImage(int width, int height, texFormat format, unsigned char* pixels) {
    const unsigned before = getVersion();
    kwTexture::loadImage(width, height, format, pixels);
    receivedImage = receivedImage || getVersion() != before;
}

void CapturingTexture::loadSubImage(int x, int y, int width, int height, texFormat format, unsigned char* pixels) {
    const unsigned before = getVersion();
    kwTexture::loadSubImage(x, y, width, height, format, pixels);
    receivedImage = receivedImage || getVersion() != before;
}

bool loadImageFile(const std::string& path, CapturingTexture& texture) {
    switch (chooseLoader(path)) {
        case ImageKind::tga:
            ImageLoaderTGA::loadTGAraw(&texture, path.c_str());
            break;
        case ImageKind::sgi:
            ImageLoaderRGBA::loadRGBA(&texture, path.c_str());
            break;
        case ImageKind::tiff:
            ImageLoaderTIFF::loadTIFF(&texture, path.c_str());
            break;
        case ImageKind::unknown:
            return false;
    }
    std::fflush(stdout);
    return texture.received();
}

}  // namespace tool

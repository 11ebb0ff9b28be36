// The loader calls shared by the harnesses and the corpus replay.
#include "DecoderRuns.h"
#include "FuzzInput.h"

#include <ornatex/imageloaders/ImageLoaderRGBA.h>
#include <ornatex/imageloaders/ImageLoaderTGA.h>
#include <ornatex/imageloaders/ImageLoaderTIFF.h>

namespace fuzz {

void runTGA(const char* path, const std::uint8_t* data, std::size_t size, CheckingTexture& raw) {
    if (ImageLoaderTGA::loadTGAraw(&raw, path) != 0 || raw.calls > 1) std::abort();
    CheckingTexture sub;
    if (ImageLoaderTGA::loadTGAsub(&sub, path) != 0 || sub.calls > 1) std::abort();
    // getColorData's block lives on by design: the caller holds an address
    // 18 + ID length (+ colour map, whole bytes an entry) bytes inside it. Release it here, from
    // the header's own numbers, so that leak checking stays meaningful.
    if (void* pixels = ImageLoaderTGA::getColorData(path)) {
        if (size < 18) std::abort();
        std::size_t offset = 18 + data[0];
        if (data[1] != 0) offset += std::size_t(data[5] | data[6] << 8) * ((data[7] + 7u) / 8);
        std::free(static_cast<unsigned char*>(pixels) - offset);
    }
    std::fflush(stdout);
}

void runTIFF(const char* path, CheckingTexture& texture) {
    if (ImageLoaderTIFF::loadTIFF(&texture, path) != 0 || texture.calls > 1) std::abort();
    std::fflush(stdout);
}

void runSGI(const char* path, CheckingTexture& texture) {
    if (ImageLoaderRGBA::loadRGBA(&texture, path) != 0 || texture.calls > 1) std::abort();
    std::fflush(stdout);
}

void runLoaders(const char* path, const std::uint8_t* data, std::size_t size) {
    CheckingTexture tga, tiff, sgi;
    runTGA(path, data, size, tga);
    runTIFF(path, tiff);
    runSGI(path, sgi);
    if (!decoderAgrees(data, size, tga, tiff, sgi)) std::abort();
}

}  // namespace fuzz

#include <ornatex/imageloaders/ImageLoaderRGBA.h>

#include <corvane/kwTexture.h>

#include <cstdio>
#include <cstdlib>

#include "LoaderFile.h"
#include "SgiDecode.h"
#include "SgiDump.h"

using ornatex::SgiHeader;
using ornatex::SgiOutput;

namespace {

void upload(kwTexture* texture, const SgiHeader& h, const SgiOutput& out) {
    if (h.channels == 3)
        texture->loadImage(int(h.width), int(h.height), texRGB, out.data);
    else if (h.channels == 4)
        texture->loadImage(int(h.width), int(h.height), texRGBA, out.data);
}

}  // namespace

int ImageLoaderRGBA::loadRGBA(kwTexture* texture, const char* path) {
    ornatex::WholeFile file;
    const ornatex::WholeFileResult result = ornatex::readWholeFile(path, file);
    if (result != ornatex::WholeFileResult::ok) {
        ornatex::reportWholeFileFailure(result, "SGI");
        return 0;
    }
    struct FileBlock {
        unsigned char* data;
        ~FileBlock() { std::free(data); }
    } block{file.data};

    if (file.size < ornatex::sgiHeaderSize) {
        std::printf("SGI file refused: %zu bytes, too short for the 512-byte header\n", file.size);
        return 0;
    }
    const SgiHeader h = ornatex::readSgiHeader(file.data);
    SgiOutput out;
    if (h.storage != 0) {
        if (!ornatex::decodeSgiRunLength(file, h, out)) return 0;
        const std::size_t pixels = std::size_t(h.width) * h.height;
        ornatex::writeSgiDump(out.data, out.size, ornatex::sgiDumpLines(pixels, out.size), stdout);
        upload(texture, h, out);
    } else if (h.channels == 3 || h.channels == 4) {
        if (!ornatex::decodeSgiVerbatim(file, h, out)) return 0;
        upload(texture, h, out);
    }
    return 0;
}

#include "OutputProof.h"

#include <cstring>

#include <ornatex/decode.h>

namespace tool {

namespace {

const char* decoderName(OutputKind kind) {
    switch (kind) {
    case OutputKind::tga: return "TGA";
    case OutputKind::sgi: return "SGI";
    default: return "TIFF";
    }
}

ornatex::Image decodeAs(OutputKind kind, const unsigned char* file, std::size_t size) {
    switch (kind) {
    case OutputKind::tga: return ornatex::decodeTGA(file, size);
    case OutputKind::sgi: return ornatex::decodeSGI(file, size);
    default: return ornatex::decodeTIFF(file, size);
    }
}

// One pixel as RGBA.
void rgbaAt(const PixelView& v, int x, int y, unsigned char out[4]) {
    const unsigned char* p = v.row(y) + static_cast<std::size_t>(x) * static_cast<std::size_t>(v.channels);
    out[0] = p[0];
    out[1] = p[1];
    out[2] = p[2];
    out[3] = v.channels == 4 ? p[3] : 255;
}

}  // namespace

std::string firstDifference(const PixelView& wrote, const PixelView& read) {
    // The common case, same layout and same bytes, is one comparison.
    if (wrote.channels == read.channels &&
        std::memcmp(wrote.pixels, read.pixels, wrote.rowBytes() * static_cast<std::size_t>(wrote.height)) == 0)
        return std::string();
    for (int y = wrote.height - 1; y >= 0; --y)
        for (int x = 0; x < wrote.width; ++x) {
            unsigned char a[4], b[4];
            rgbaAt(wrote, x, y, a);
            rgbaAt(read, x, y, b);
            if (std::memcmp(a, b, 4) != 0)
                return "pixel (" + std::to_string(x) + ", " + std::to_string(wrote.height - 1 - y) +
                       ") from the top left: wrote " + std::to_string(a[0]) + " " + std::to_string(a[1]) + " " +
                       std::to_string(a[2]) + " " + std::to_string(a[3]) + ", read " + std::to_string(b[0]) + " " +
                       std::to_string(b[1]) + " " + std::to_string(b[2]) + " " + std::to_string(b[3]);
        }
    return std::string();
}

std::string proveEngineFile(OutputKind kind, const unsigned char* file, std::size_t size, const PixelView& source) {
    const std::string readBack = std::string("read back through the ") + decoderName(kind) + " decoder, ";
    const ornatex::Image decoded = decodeAs(kind, file, size);
    if (!decoded.ok()) return readBack + "the written file is refused: " + decoded.error();
    // The decoder turns any TGA upright; the engine's loader takes rows as
    // stored, which is upright only from the bottom-left corner.
    if (kind == OutputKind::tga &&
        ornatex::inspect(file, size).origin != ornatex::ImageOrigin::bottomLeft)
        return readBack + "the written file does not start at the bottom-left corner";
    if (decoded.width() != source.width || decoded.height() != source.height)
        return readBack + "the written file is " + std::to_string(decoded.width()) + " x " +
               std::to_string(decoded.height()) + ", not " + std::to_string(source.width) + " x " +
               std::to_string(source.height);
    PixelView read;
    read.width = decoded.width();
    read.height = decoded.height();
    read.channels = decoded.format() == texRGBA ? 4 : 3;
    read.pixels = decoded.pixels();
    const std::string difference = firstDifference(source, read);
    return difference.empty() ? difference : readBack + difference;
}

}  // namespace tool

#include "DecoderRuns.h"

#include <ornatex/decode.h>

#include <corvane/kwTexture.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace fuzz {

namespace {

void countTrace(const char* text, std::size_t length, void* context) {
    // Reads every byte handed over, so a sanitizer sees a bad range.
    std::size_t& sum = *static_cast<std::size_t*>(context);
    for (std::size_t i = 0; i < length; ++i) sum += static_cast<unsigned char>(text[i]);
}

void check(const ornatex::Image& image) {
    if (!image.ok()) {
        const std::string& e = image.error();
        if (e.empty() || e.find('\n') != std::string::npos || image.pixels() || image.size()) std::abort();
        return;
    }
    if (image.width() < 0 || image.height() < 0 || !image.pixels()) std::abort();
    const int bytesPerPixel = texBytesPerPixel(image.format());
    if (bytesPerPixel == 0) std::abort();
    if (image.size() != std::size_t(image.width()) * std::size_t(image.height()) * std::size_t(bytesPerPixel))
        std::abort();
    unsigned sum = 0;
    for (std::size_t i = 0; i < image.size(); ++i) sum += image.pixels()[i];
    volatile unsigned keep = sum;
    (void)keep;
}

// The loaded texture (absent: width 0 and no pixels, or nothing loaded) as
// decode() gives it: TGA rows reversed when the file stores the top row
// first, each row reversed when it stores rows right to left.
bool sameImage(const ornatex::Image& image, const kwTexture& texture, bool tga, unsigned descriptor) {
    if (image.width() != texture.getWidth() || image.height() != texture.getHeight() ||
        image.format() != texture.getFormat())
        return false;
    const std::size_t bpp = std::size_t(texBytesPerPixel(image.format()));
    const std::size_t width = std::size_t(image.width()), height = std::size_t(image.height()), row = width * bpp;
    const unsigned char* stored = texture.getPixels();
    if (row * height == 0) return true;
    if (!stored) return false;
    const bool topFirst = tga && (descriptor & 0x20), rightFirst = tga && (descriptor & 0x10);
    for (std::size_t r = 0; r < height; ++r) {
        const unsigned char* from = stored + r * row;
        const unsigned char* to = image.pixels() + (topFirst ? height - 1 - r : r) * row;
        for (std::size_t c = 0; c < width; ++c)
            if (std::memcmp(from + c * bpp, to + (rightFirst ? width - 1 - c : c) * bpp, bpp) != 0) return false;
    }
    return true;
}

}  // namespace

bool decoderAgrees(const std::uint8_t* data, std::size_t size, const kwTexture& tga, const kwTexture& tiff,
                   const kwTexture& sgi) {
    const ornatex::ImageFormat format = ornatex::formatOf(data, size);
    // A texture that was never loaded has no version yet.
    if (format == ornatex::ImageFormat::none) return tga.getVersion() == 0;
    const kwTexture& loaded = format == ornatex::ImageFormat::tga ? tga : format == ornatex::ImageFormat::tiff ? tiff : sgi;
    const ornatex::Image image = ornatex::decode(data, size);
    if (image.refusal() == ornatex::Refusal::noMemory) return true;
    if (!image.ok()) return loaded.getVersion() == 0;
    return loaded.getVersion() != 0 && sameImage(image, loaded, format == ornatex::ImageFormat::tga, size >= 18 ? data[17] : 0);
}

void runDecoder(Decoder decoder, const std::uint8_t* data, std::size_t size) {
    std::size_t traced = 0;
    ornatex::DecodeLimits limits;
    limits.maxPixels = std::uint64_t(1) << 16;
    // The trace of a TIFF directory costs a formatted line an entry (up to
    // 65535); it is followed for a quarter of the inputs, chosen by size so
    // that a crash reproduces.
    if (size % 4 == 0) {
        limits.trace = countTrace;
        limits.traceContext = &traced;
    }
    switch (decoder) {
        case Decoder::tga: check(ornatex::decodeTGA(data, size, limits)); break;
        case Decoder::tiff: check(ornatex::decodeTIFF(data, size, limits)); break;
        case Decoder::sgi: check(ornatex::decodeSGI(data, size, limits)); break;
    }
    limits.trace = nullptr;
    check(ornatex::decode(data, size, limits));
    const ornatex::ImageInfo info = ornatex::inspect(data, size, limits);
    if (info.usable != info.problem.empty() || info.problem.find('\n') != std::string::npos) std::abort();
}

}  // namespace fuzz

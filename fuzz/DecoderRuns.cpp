#include "DecoderRuns.h"

#include <ornatex/decode.h>

#include <cstdlib>
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

}  // namespace

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

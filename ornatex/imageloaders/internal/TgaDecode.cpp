#include "TgaDecode.h"

#include "TgaSwizzle.h"

#include <cstring>
#include <string>

namespace ornatex {

namespace {

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
    header.descriptor = h[17];
    return header;
}

}  // namespace

Outcome parseTga(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, TgaSteps& steps,
                 TgaLayout& layout) {
    if (size < tgaHeaderSize)
        return refuse(RefusalKind::printed, Refusal::truncated, "%zu bytes, too short for the 18-byte header", size);
    const TgaHeader header = readHeader(data);
    layout.header = header;
    if (header.imageType != 2) {
        Outcome outcome = refuse(RefusalKind::tgaImageType, Refusal::unsupported,
                                 "image type %u, only uncompressed true-colour (2) is decoded", header.imageType);
        outcome.loaderLine = "Unsupported format, only 24-bit RGB and 32-bit RGBA supported so far: " +
                             std::to_string(header.imageType);
        return outcome;
    }
    steps.headerAccepted(header);
    if (header.depth != 24 && header.depth != 32)
        return refuse(RefusalKind::printed, Refusal::unsupported, "pixel depth %u, only 24 and 32 supported", header.depth);
    const unsigned bytesPerPixel = header.depth / 8;

    std::uint64_t pixelStart = tgaHeaderSize + header.idLength;
    if (header.colorMapType != 0) {
        steps.colorMapPresent();
        // A true-colour image may still carry a colour map; its pixels follow
        // it. Each entry takes a whole number of bytes (15-bit entries take 2).
        pixelStart += std::uint64_t(header.colorMapLength) * ((header.colorMapEntryBits + 7) / 8);
    }
    const std::uint64_t pixelCount = std::uint64_t(header.width) * header.height;
    const std::uint64_t needed = pixelStart + pixelCount * bytesPerPixel;
    if (needed > size)
        return refuse(RefusalKind::printed, Refusal::truncated, "%zu bytes, the header declares %llu", size,
                      static_cast<unsigned long long>(needed));
    if (pixelCount > maxPixels)
        return refuse(RefusalKind::printed, Refusal::tooLarge, "%u x %u pixels, more than the limit of %llu", header.width,
                      header.height, static_cast<unsigned long long>(maxPixels));
    layout.pixelStart = static_cast<std::size_t>(pixelStart);
    layout.pixelCount = static_cast<std::size_t>(pixelCount);
    layout.bytesPerPixel = bytesPerPixel;
    layout.format = bytesPerPixel == 4 ? texRGBA : texRGB;
    layout.topFirst = (header.descriptor & 0x20) != 0;
    layout.rightFirst = (header.descriptor & 0x10) != 0;
    return Outcome();
}

namespace {

// The row copy, on the fastest path the processor runs.
template <unsigned bytes>
void copyPixels(const unsigned char* from, unsigned char* to, std::size_t count, bool mirror) {
    detail::swizzleRow(detail::fastestSwizzlePath(), from, to, count, bytes, mirror);
}

}  // namespace

void copyExchanged(const unsigned char* from, unsigned char* to, std::size_t count, unsigned bytesPerPixel,
                   bool mirror) {
    if (bytesPerPixel == 4)
        copyPixels<4>(from, to, count, mirror);
    else
        copyPixels<3>(from, to, count, mirror);
}

void exchangeRedBlue(unsigned char* pixels, std::size_t count, unsigned bytesPerPixel) {
    copyExchanged(pixels, pixels, count, bytesPerPixel, false);
}

bool tgaHeaderPlausible(const unsigned char* data, std::size_t size) {
    if (size < tgaHeaderSize) return false;
    const TgaHeader h = readHeader(data);
    const bool knownType = h.imageType == 1 || h.imageType == 2 || h.imageType == 3 || (h.imageType >= 9 && h.imageType <= 11);
    if (!knownType || h.colorMapType > 1) return false;
    if (h.colorMapType == 1 && h.colorMapEntryBits != 15 && h.colorMapEntryBits != 16 && h.colorMapEntryBits != 24 &&
        h.colorMapEntryBits != 32)
        return false;
    if (h.depth != 8 && h.depth != 15 && h.depth != 16 && h.depth != 24 && h.depth != 32) return false;
    if (h.width == 0 || h.height == 0) return false;
    std::uint64_t needed = tgaHeaderSize + h.idLength;
    if (h.colorMapType == 1) needed += std::uint64_t(h.colorMapLength) * ((h.colorMapEntryBits + 7) / 8);
    return needed <= size;
}

}  // namespace ornatex

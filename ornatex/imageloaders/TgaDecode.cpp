#include "TgaDecode.h"

#include <ornatex/decode.h>

#include <cstring>

#include "ByteBlock.h"
#include "ImageMaker.h"
#include "TextSink.h"

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
        return refuse(RefusalKind::printed, "%zu bytes, too short for the 18-byte header", size);
    const TgaHeader header = readHeader(data);
    layout.header = header;
    if (header.imageType != 2)
        return refuse(RefusalKind::tgaImageType, "image type %u, only uncompressed true-colour (2) is decoded",
                      header.imageType);
    steps.headerAccepted(header);
    if (header.depth != 24 && header.depth != 32)
        return refuse(RefusalKind::printed, "pixel depth %u, only 24 and 32 supported", header.depth);
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
        return refuse(RefusalKind::printed, "%zu bytes, the header declares %llu", size,
                      static_cast<unsigned long long>(needed));
    if (pixelCount > maxPixels)
        return refuse(RefusalKind::printed, "%u x %u pixels, more than the limit of %llu", header.width,
                      header.height, static_cast<unsigned long long>(maxPixels));
    layout.pixelStart = static_cast<std::size_t>(pixelStart);
    layout.pixelCount = static_cast<std::size_t>(pixelCount);
    layout.bytesPerPixel = bytesPerPixel;
    layout.format = bytesPerPixel == 4 ? texRGBA : texRGB;
    layout.topFirst = (header.descriptor & 0x20) != 0;
    layout.rightFirst = (header.descriptor & 0x10) != 0;
    return Outcome();
}

// Exchanges bytes 0 and 2 of each pixel.
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

void copyExchanged(const unsigned char* from, unsigned char* to, std::size_t count, unsigned bytesPerPixel,
                   bool mirror) {
    if (bytesPerPixel == 4 && !mirror) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t p;
            std::memcpy(&p, from + 4 * i, 4);
            p = (p & 0xff00ff00u) | ((p & 0xffu) << 16) | ((p >> 16) & 0xffu);
            std::memcpy(to + 4 * i, &p, 4);
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* p = from + bytesPerPixel * i;
        unsigned char* q = to + bytesPerPixel * (mirror ? count - 1 - i : i);
        q[0] = p[2];
        q[1] = p[1];
        q[2] = p[0];
        if (bytesPerPixel == 4) q[3] = p[3];
    }
}

namespace {

// The public decoder's trace: what loadTGAraw prints on the way.
class TraceSteps : public TgaSteps {
public:
    explicit TraceSteps(TextSink& sink) : sink_(sink) {}
    void colorMapPresent() override { sink_.print("Colormap not implemented....\n"); }

private:
    TextSink& sink_;
};

}  // namespace

Image decodeTGA(const void* data, std::size_t size, const DecodeLimits& limits) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    TraceSink trace(limits);
    TraceSteps steps(trace);
    TgaLayout layout;
    const Outcome outcome = parseTga(bytes, data ? size : 0, limits.maxPixels, steps, layout);
    if (!outcome.ok()) return detail::ImageMaker::refused(outcome.reason);

    ByteBlock out;
    if (!out.allocate(std::uint64_t(layout.pixelCount) * layout.bytesPerPixel, true))
        return detail::ImageMaker::refused("no memory for the decoded image");
    const std::size_t width = layout.header.width, height = layout.header.height;
    const std::size_t rowBytes = width * layout.bytesPerPixel;
    const unsigned char* pixels = bytes + layout.pixelStart;
    if (!layout.topFirst && !layout.rightFirst) {
        copyExchanged(pixels, out.data(), layout.pixelCount, layout.bytesPerPixel, false);
    } else {
        // Stored row r lands at output row r, or height - 1 - r when the file
        // holds the top row first.
        for (std::size_t r = 0; r < height; ++r) {
            const std::size_t to = layout.topFirst ? height - 1 - r : r;
            copyExchanged(pixels + r * rowBytes, out.data() + to * rowBytes, width, layout.bytesPerPixel,
                          layout.rightFirst);
        }
    }
    return detail::ImageMaker::make(std::move(out), int(width), int(height), layout.format);
}

}  // namespace ornatex

#include "ImageImport.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <utility>

#include "FileReport.h"
#include "ImportReaders.h"

namespace tool {

PixelView ImportedImage::view() const {
    PixelView v;
    v.width = width;
    v.height = height;
    v.channels = channels;
    v.pixels = pixels.data();
    return v;
}

ImportedImage importRefusal(const char* via, std::string reason) {
    ImportedImage result;
    result.via = via;
    result.error = std::move(reason);
    return result;
}

std::string pixelLimitProblem(std::uint64_t width, std::uint64_t height, std::uint64_t maxPixels) {
    char line[160];
    if (width == 0 || height == 0) {
        std::snprintf(line, sizeof line, "%" PRIu64 " x %" PRIu64 " pixels, an empty image", width, height);
        return line;
    }
    // Both fit in 32 bits in every reader, so the product cannot overflow.
    if (width > 0xffffffffu || height > 0xffffffffu || width * height > maxPixels || width > 0x7fffffff ||
        height > 0x7fffffff) {
        std::snprintf(line, sizeof line, "%" PRIu64 " x %" PRIu64 " pixels, more than the limit of %" PRIu64, width,
                      height, maxPixels);
        return line;
    }
    return std::string();
}

bool isTiffSignature(const unsigned char* b, std::size_t size) {
    if (size < 4) return false;
    return (b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
           (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43));
}

bool isSgiSignature(const unsigned char* b, std::size_t size) { return size >= 2 && b[0] == 0x01 && b[1] == 0xDA; }

bool isPngSignature(const unsigned char* b, std::size_t size) {
    return size >= 8 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0;
}

namespace {

ImportedImage fromOurDecoder(ornatex::Image image, bool keepPixels) {
    ImportedImage result;
    result.via = "ornatex";
    result.width = image.width();
    result.height = image.height();
    if (!keepPixels) return result;
    result.channels = image.format() == texRGBA ? 4 : 3;
    result.pixels.adopt(std::move(image));
    return result;
}

}  // namespace

ImportedImage importImage(const unsigned char* data, std::size_t size, const ImportOptions& options) {
    ornatex::Image ours = ornatex::decode(data, size, options.limits);
    if (ours.ok()) return fromOurDecoder(std::move(ours), options.keepPixels);
    const ornatex::Refusal code = ours.refusal();
    // Too many pixels or no memory: no other reader would do better.
    if (code == ornatex::Refusal::tooLarge || code == ornatex::Refusal::noMemory)
        return importRefusal("ornatex", ours.error());
    const std::uint64_t maxPixels = options.limits.maxPixels;
    const bool keep = options.keepPixels;
    if (isTiffSignature(data, size)) return readTiff(data, size, maxPixels, keep, ours.error());
    if (isSgiSignature(data, size)) {
        if (options.sgiAnyChannels) return readSgiAnyChannels(data, size, maxPixels, keep);
        return importRefusal("ornatex", ours.error());
    }
    // A TGA our decoder refused as cut short or inconsistent is no better
    // for another reader; one it does not decode (run-length, colour-mapped,
    // grey, 16-bit) goes to stb_image.
    if (ornatex::formatOf(data, size) == ornatex::ImageFormat::tga && code != ornatex::Refusal::unsupported)
        return importRefusal("ornatex", ours.error());
    if (importHasLibpng() && isPngSignature(data, size)) return readPng(data, size, maxPixels, keep);
    return readWithStb(data, size, maxPixels, keep);
}

ImportedImage importFile(const std::string& utf8Path, const ImportOptions& options) {
    FileBytes bytes;
    const std::string error = readFileBytes(utf8Path, bytes);
    if (!error.empty()) return importRefusal("", error);
    return importImage(bytes.data(), bytes.size(), options);
}

}  // namespace tool

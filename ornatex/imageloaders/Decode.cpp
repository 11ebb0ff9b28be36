// decode(), decodeFile() and inspect(): the format chosen by its leading
// bytes, files read whole, headers read without decoding pixels.
#include <ornatex/decode.h>

#include "ImageMaker.h"
#include "SgiDecode.h"
#include "TextSink.h"
#include "TgaDecode.h"
#include "TiffDecode.h"
#include "WholeFile.h"

namespace ornatex {

namespace {

enum class Format { tga, tiff, sgi };

Format formatOf(const unsigned char* b, std::size_t size) {
    if (size >= 4 && ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
                      (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43))))
        return Format::tiff;
    if (size >= 2 && b[0] == 0x01 && b[1] == 0xDA) return Format::sgi;
    return Format::tga;
}

// A sink that drops everything (inspect traces nothing).
class NullSink : public TextSink {
public:
    bool enabled() const override { return false; }
    void write(const char*, std::size_t) override {}
};

void setProblem(ImageInfo& info, const Outcome& outcome) {
    info.usable = outcome.ok();
    info.problem = outcome.reason;
}

ImageInfo inspectTga(const unsigned char* data, std::size_t size, std::uint64_t maxPixels) {
    ImageInfo info;
    info.format = "TGA";
    TgaSteps quiet;
    TgaLayout layout;
    const Outcome outcome = parseTga(data, size, maxPixels, quiet, layout);
    setProblem(info, outcome);
    if (size < tgaHeaderSize) return info;
    const TgaHeader& h = layout.header;
    info.width = h.width;
    info.height = h.height;
    info.channels = h.depth == 32 ? 4 : h.depth == 24 ? 3 : 0;
    info.bitsPerChannel = info.channels ? 8 : 0;
    const bool top = (h.descriptor & 0x20) != 0, right = (h.descriptor & 0x10) != 0;
    info.origin = top ? (right ? ImageOrigin::topRight : ImageOrigin::topLeft)
                      : (right ? ImageOrigin::bottomRight : ImageOrigin::bottomLeft);
    info.compression = h.imageType >= 9 && h.imageType <= 11 ? "RLE" : "none";
    info.colorMap = h.colorMapType != 0;
    info.colorMapLength = info.colorMap ? h.colorMapLength : 0;
    return info;
}

ImageInfo inspectTiff(const unsigned char* data, std::size_t size, std::uint64_t maxPixels) {
    ImageInfo info;
    info.format = "TIFF";
    info.origin = ImageOrigin::topLeft;
    NullSink quiet;
    TiffDirectory dir;
    Outcome outcome = readTiffDirectory(data, size, quiet, dir);
    if (outcome.ok()) outcome = checkTiffDirectory(size, dir);
    if (outcome.ok()) outcome = checkTiffLimitAndMap(size, dir, maxPixels);
    setProblem(info, outcome);
    info.width = dir.width;
    info.height = dir.height;
    info.channels = dir.hasSamplesPerPixel ? tiffShortValue(dir.samplesPerPixel) : 1;
    info.bitsPerChannel = dir.hasBitsPerSample ? tiffShortValue(dir.bitsPerSample) : 8;
    const std::uint32_t compression = dir.hasCompression ? tiffShortValue(dir.compression) : 1;
    info.compression = compression == 1 ? "none" : "TIFF compression " + std::to_string(compression);
    info.strips = dir.stripOffsets.count;
    info.colorMap = dir.colorMap.count != 0;
    info.colorMapLength = dir.colorMap.count / 3;
    return info;
}

ImageInfo inspectSgi(const unsigned char* data, std::size_t size, std::uint64_t maxPixels) {
    ImageInfo info;
    info.format = "SGI";
    SgiHeader h;
    Outcome outcome = readSgiHeader(data, size, h);
    if (!outcome.ok()) {
        setProblem(info, outcome);
        return info;
    }
    outcome = checkSgi(size, h, maxPixels);
    if (outcome.ok() && h.channels != 3 && h.channels != 4)
        outcome = refuse(RefusalKind::quiet, "channel count %u, only 3 (RGB) and 4 (RGBA) are decoded", h.channels);
    setProblem(info, outcome);
    info.width = h.width;
    info.height = h.height;
    info.channels = h.channels;
    info.bitsPerChannel = 8 * h.bytesPerChannel;
    info.compression = h.storage ? "RLE" : "none";
    info.scanlines = h.storage ? h.height * h.channels : 0;
    return info;
}

}  // namespace

Image decode(const void* data, std::size_t size, const DecodeLimits& limits) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (!bytes) size = 0;
    switch (formatOf(bytes, size)) {
        case Format::tiff: return decodeTIFF(data, size, limits);
        case Format::sgi: return decodeSGI(data, size, limits);
        case Format::tga: break;
    }
    return decodeTGA(data, size, limits);
}

Image decodeFile(const char* path, const DecodeLimits& limits) {
    if (!path) return detail::ImageMaker::refused("no path given");
    ByteBlock block;
    const WholeFileStatus status = readWholeFile(path, block);
    if (status.result != WholeFileResult::ok) return detail::ImageMaker::refused(wholeFileReason(status, path));
    return decode(block.data(), block.size(), limits);
}

ImageInfo inspect(const void* data, std::size_t size, const DecodeLimits& limits) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (!bytes) size = 0;
    switch (formatOf(bytes, size)) {
        case Format::tiff: return inspectTiff(bytes, size, limits.maxPixels);
        case Format::sgi: return inspectSgi(bytes, size, limits.maxPixels);
        case Format::tga: break;
    }
    return inspectTga(bytes, size, limits.maxPixels);
}

ImageInfo inspectFile(const char* path, const DecodeLimits& limits) {
    ByteBlock block;
    const WholeFileStatus status = path ? readWholeFile(path, block) : WholeFileStatus{WholeFileResult::cannotOpen, 0};
    if (status.result != WholeFileResult::ok) {
        ImageInfo info;
        info.problem = path ? wholeFileReason(status, path) : "no path given";
        return info;
    }
    return inspect(block.data(), block.size(), limits);
}

}  // namespace ornatex

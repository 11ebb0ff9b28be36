// The public decoders: decodeTGA, decodeTIFF and decodeSGI on a byte range,
// decode() and inspect() choosing the format by formatOf(), and the file
// versions reading the file whole. Each runs the same decoding steps as the
// format's loader; the trace gets what that loader prints.
#include <ornatex/decode.h>

#include <cstring>

#include "internal/ByteSource.h"
#include "internal/ImageMaker.h"
#include "internal/SgiDecode.h"
#include "internal/LoaderLines.h"
#include "internal/TextSink.h"
#include "internal/TgaDecode.h"
#include "internal/TiffDecode.h"
#include "internal/WholeFile.h"

namespace ornatex {

using namespace detail;

namespace {

// The public TGA decoder's trace: what loadTGAraw prints on the way.
class TraceSteps : public TgaSteps {
public:
    explicit TraceSteps(TextSink& sink) : sink_(sink) {}
    void colorMapPresent() override { sink_.print("Colormap not implemented....\n"); }

private:
    TextSink& sink_;
};

// A refused image; the trace gets the line the format's loader prints.
Image refused(const Outcome& outcome, const std::string& loaderLine, TextSink& trace) {
    trace.put(loaderLine);
    return ImageMaker::refused(outcome.code, outcome.reason);
}

bool isTiffSignature(const unsigned char* b, std::size_t size) {
    return size >= 4 && ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
                         (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43)));
}

bool isSgiSignature(const unsigned char* b, std::size_t size) { return size >= 2 && b[0] == 0x01 && b[1] == 0xDA; }

// The TGA 2.0 footer: the signature and its terminating zero close the file.
constexpr char tgaFooter[] = "TRUEVISION-XFILE.";
constexpr std::size_t tgaFooterSize = sizeof tgaFooter;  // 18

bool hasTgaFooter(const unsigned char* tail, std::size_t tailSize) {
    return tail && tailSize >= tgaFooterSize &&
           std::memcmp(tail + tailSize - tgaFooterSize, tgaFooter, tgaFooterSize) == 0;
}

void setProblem(ImageInfo& info, const Outcome& outcome) {
    info.usable = outcome.ok();
    info.refusal = outcome.code;
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
    info.fieldsRead = true;
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
    TraceSink quiet{DecodeLimits()};  // inspect traces nothing
    MemorySource source(data, size);
    TiffDirectory dir;
    Outcome outcome = readTiffDirectory(source, quiet, dir);
    // The fields come from a directory of a little-endian file only.
    info.fieldsRead = dir.byteOrder == 0x4949;
    if (outcome.ok()) outcome = checkTiffDirectory(size, dir);
    if (outcome.ok()) outcome = checkTiffLimitAndMap(dir, maxPixels);
    setProblem(info, outcome);
    if (!info.fieldsRead) return info;
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
    Outcome outcome = checkSgi(data, size, maxPixels, h);
    if (outcome.ok()) outcome = checkSgiChannels(h);
    setProblem(info, outcome);
    if (size < sgiHeaderSize) return info;
    info.fieldsRead = true;
    info.width = h.width;
    info.height = h.height;
    info.channels = h.channels;
    info.bitsPerChannel = 8 * h.bytesPerChannel;
    info.compression = h.storage ? "RLE" : "none";
    info.scanlines = h.storage ? h.height * h.channels : 0;
    return info;
}

// The file read whole into the block; refused when there is no path or
// the file cannot be read.
Outcome readFile(const char* path, ByteBlock& block) {
    if (!path) return refuse(Refusal::cannotRead, "no path given");
    return wholeFileOutcome(readWholeFile(path, block), path);
}

}  // namespace

ImageFormat formatBySignature(const void* head, std::size_t headSize, const void* tail, std::size_t tailSize) {
    const unsigned char* b = static_cast<const unsigned char*>(head);
    if (!b) headSize = 0;
    if (isTiffSignature(b, headSize)) return ImageFormat::tiff;
    if (isSgiSignature(b, headSize)) return ImageFormat::sgi;
    if (hasTgaFooter(static_cast<const unsigned char*>(tail), tailSize)) return ImageFormat::tga;
    return ImageFormat::none;
}

ImageFormat formatOf(const void* data, std::size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (!bytes) size = 0;
    const ImageFormat bySignature = formatBySignature(bytes, size, bytes, size);
    if (bySignature != ImageFormat::none) return bySignature;
    return tgaHeaderPlausible(bytes, size) ? ImageFormat::tga : ImageFormat::none;
}

const char* formatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::tga: return "TGA";
        case ImageFormat::tiff: return "TIFF";
        case ImageFormat::sgi: return "SGI";
        case ImageFormat::none: break;
    }
    return "";
}

Image decodeTGA(const void* data, std::size_t size, const DecodeLimits& limits) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    TraceSink trace(limits);
    TraceSteps steps(trace);
    TgaLayout layout;
    ByteBlock out;
    const Outcome outcome = decodeTga(bytes, data ? size : 0, limits.maxPixels, steps, layout, out);
    if (!outcome.ok()) return refused(outcome, tgaRefusalLine(outcome), trace);
    return ImageMaker::make(std::move(out), int(layout.header.width), int(layout.header.height), layout.format);
}

Image decodeTIFF(const void* data, std::size_t size, const DecodeLimits& limits) {
    MemorySource source(static_cast<const unsigned char*>(data), size);
    TraceSink trace(limits);
    TiffDirectory dir;
    ByteBlock out;
    const Outcome outcome = decodeTiff(source, limits.maxPixels, trace, true, dir, out);
    if (!outcome.ok()) return refused(outcome, tiffRefusalLine(outcome), trace);
    return ImageMaker::make(std::move(out), int(dir.width), int(dir.height), texRGB);
}

Image decodeSGI(const void* data, std::size_t size, const DecodeLimits& limits) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (!bytes) size = 0;
    TraceSink trace(limits);
    SgiHeader h;
    ByteBlock out;
    const Outcome outcome = decodeSgi(bytes, size, limits.maxPixels, trace, h, out);
    if (!outcome.ok()) return refused(outcome, sgiRefusalLine(outcome), trace);
    return ImageMaker::make(std::move(out), int(h.width), int(h.height), h.channels == 4 ? texRGBA : texRGB);
}

Image decode(const void* data, std::size_t size, const DecodeLimits& limits) {
    switch (formatOf(data, size)) {
        case ImageFormat::tiff: return decodeTIFF(data, size, limits);
        case ImageFormat::sgi: return decodeSGI(data, size, limits);
        case ImageFormat::tga: return decodeTGA(data, size, limits);
        case ImageFormat::none: break;
    }
    return ImageMaker::refused(Refusal::notAnImage, refusalText(Refusal::notAnImage));
}

Image decodeFile(const char* path, const DecodeLimits& limits) {
    ByteBlock block;
    const Outcome read = readFile(path, block);
    if (!read.ok()) return ImageMaker::refused(read.code, read.reason);
    return decode(block.data(), block.size(), limits);
}

ImageInfo inspect(const void* data, std::size_t size, const DecodeLimits& limits) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (!bytes) size = 0;
    switch (formatOf(bytes, size)) {
        case ImageFormat::tiff: return inspectTiff(bytes, size, limits.maxPixels);
        case ImageFormat::sgi: return inspectSgi(bytes, size, limits.maxPixels);
        case ImageFormat::tga: return inspectTga(bytes, size, limits.maxPixels);
        case ImageFormat::none: break;
    }
    ImageInfo info;
    info.refusal = Refusal::notAnImage;
    info.problem = refusalText(Refusal::notAnImage);
    return info;
}

ImageInfo inspectFile(const char* path, const DecodeLimits& limits) {
    ByteBlock block;
    const Outcome read = readFile(path, block);
    if (read.ok()) return inspect(block.data(), block.size(), limits);
    ImageInfo info;
    setProblem(info, read);
    return info;
}

}  // namespace ornatex

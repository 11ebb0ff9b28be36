// SGI files of 1 to 4 channels through the library's own SGI decoding core
// (the loaders refuse 1 and 2 channels; the core reads them all). Grey
// becomes RGB and grey with alpha RGBA, by the shared conversions.
#include "ImportReaders.h"
#include "PixelConvert.h"

#include <ornatex/imageloaders/internal/SgiDecode.h>
#include <ornatex/imageloaders/internal/TextSink.h>

namespace tool {

ImportedImage readSgiAnyChannels(const unsigned char* data, std::size_t size, std::uint64_t maxPixels,
                                 bool keepPixels) {
    ornatex::detail::SgiHeader header{};
    ornatex::detail::Outcome outcome = ornatex::detail::readSgiHeader(data, size, header);
    if (!outcome.ok()) return importRefusal("ornatex", outcome.reason);
    if (header.channels < 1 || header.channels > 4)
        return importRefusal("ornatex", "SGI channel count " + std::to_string(header.channels) +
                                            ", only 1 (grey), 2 (grey, alpha), 3 (RGB) and 4 (RGBA) are read");
    const std::string limit = pixelLimitProblem(header.width, header.height, maxPixels);
    if (!limit.empty()) return importRefusal("ornatex", limit);
    ornatex::ByteBlock planes;
    ornatex::detail::TraceSink silent{ornatex::DecodeLimits{}};  // no trace: the import prints nothing of its own
    outcome = ornatex::detail::decodeSgi(data, size, maxPixels, silent, header, planes, true);
    if (!outcome.ok()) return importRefusal("ornatex", outcome.reason);
    ImportedImage result;
    result.via = "ornatex";
    result.width = int(header.width);
    result.height = int(header.height);
    if (!keepPixels) return result;
    // The core delivers bottom row first, as the engine shows it.
    result.channels = expandToRgb(planes.data(), int(header.width), int(header.height), int(header.channels), false,
                                  result.pixels);
    return result;
}

}  // namespace tool

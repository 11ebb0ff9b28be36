#include <ornatex/imageloaders/ImageLoaderRGBA.h>

#include <corvane/kwTexture.h>
#include <ornatex/decode.h>

#include <iterator>

#include "internal/LoaderLines.h"
#include "internal/SgiDecode.h"
#include "internal/TextSink.h"
#include "internal/WholeFile.h"

namespace ornatex::detail {

// This loader prints nothing for other channel counts and failed allocations.
std::string sgiRefusalLine(const Outcome& outcome) {
    static const LoaderLine lines[] = {{Check::sgiChannels, nullptr}, {Check::noMemory, nullptr}};
    return refusalLine(lines, std::size(lines), "SGI", outcome);
}

}  // namespace ornatex::detail

// Reads the file whole and runs the decoding steps; the dump of a run-length
// file goes to standard output as it is decoded.
int ImageLoaderRGBA::loadRGBA(kwTexture* texture, const char* path) {
    ornatex::ByteBlock file;
    const ornatex::detail::WholeFileStatus status = ornatex::detail::readWholeFile(path, file);
    ornatex::detail::StdoutSink out;
    if (status.result != ornatex::detail::WholeFileResult::ok) {
        out.put(ornatex::detail::wholeFileLoaderLine(status.result, "SGI"));
        return 0;
    }
    ornatex::detail::SgiHeader h;
    ornatex::ByteBlock pixels;
    const ornatex::detail::Outcome outcome =
        ornatex::detail::decodeSgi(file.data(), file.size(), ornatex::DecodeLimits().maxPixels, out, h, pixels);
    if (outcome.ok())
        texture->loadImage(int(h.width), int(h.height), h.channels == 4 ? texRGBA : texRGB, pixels.data());
    else
        out.put(ornatex::detail::sgiRefusalLine(outcome));
    return 0;
}

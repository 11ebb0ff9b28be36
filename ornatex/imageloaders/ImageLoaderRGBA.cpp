#include <ornatex/imageloaders/ImageLoaderRGBA.h>

#include <corvane/kwTexture.h>
#include <ornatex/decode.h>

#include <iterator>

#include "internal/LoaderLines.h"
#include "internal/SgiDecode.h"
#include "internal/TextSink.h"
#include "internal/WholeFile.h"

namespace ornatex {

// This loader prints nothing for other channel counts and failed allocations.
std::string sgiRefusalLine(const Outcome& outcome) {
    static const LoaderLine lines[] = {{Check::sgiChannels, nullptr}, {Check::noMemory, nullptr}};
    return refusalLine(lines, std::size(lines), "SGI", outcome);
}

}  // namespace ornatex

// Reads the file whole and runs the decoding steps; the dump of a run-length
// file goes to standard output as it is decoded.
int ImageLoaderRGBA::loadRGBA(kwTexture* texture, const char* path) {
    ornatex::ByteBlock file;
    const ornatex::WholeFileStatus status = ornatex::readWholeFile(path, file);
    ornatex::StdoutSink out;
    if (status.result != ornatex::WholeFileResult::ok) {
        out.put(ornatex::wholeFileLoaderLine(status.result, "SGI"));
        return 0;
    }
    ornatex::SgiHeader h;
    ornatex::ByteBlock pixels;
    const ornatex::Outcome outcome =
        ornatex::decodeSgi(file.data(), file.size(), ornatex::DecodeLimits().maxPixels, out, h, pixels);
    if (outcome.ok())
        texture->loadImage(int(h.width), int(h.height), h.channels == 4 ? texRGBA : texRGB, pixels.data());
    else
        out.put(ornatex::sgiRefusalLine(outcome));
    return 0;
}

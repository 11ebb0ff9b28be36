#include <ornatex/imageloaders/ImageLoaderTIFF.h>

#include <corvane/kwTexture.h>
#include <ornatex/decode.h>
#include <tovik/kwStream.h>

#include <iterator>
#include <new>

#include "internal/ByteSource.h"
#include "internal/LoaderLines.h"
#include "internal/TextSink.h"
#include "internal/TiffDecode.h"

namespace ornatex::detail {

// This loader prints nothing where its trace says enough (not a
// little-endian file, its directory outside it, BigTIFF, not palette
// colour), and words two checks its own way.
std::string tiffRefusalLine(const Outcome& outcome) {
    static const LoaderLine lines[] = {
        {Check::tiffByteOrder, nullptr},
        {Check::tiffDirectoryOutside, nullptr},
        {Check::tiffBigTiff, nullptr},
        {Check::tiffPhotometric, nullptr},
        {Check::noMemory, nullptr},
        {Check::tiffCompression, "TIFF file refused: compression %u, only uncompressed (1) strips are decoded"},
        {Check::tiffTiled, "TIFF file refused: StripOffsets and StripByteCounts must be present, of field type SHORT or LONG"},
    };
    return refusalLine(lines, std::size(lines), "TIFF", outcome);
}

}  // namespace ornatex::detail

// Reads the file through the stream, as the format's decoding steps ask for
// it: the header, the directory and the arrays value by value with the
// byte-order readers, each strip with a seek and one block read. Only what
// the directory points to is read.
int ImageLoaderTIFF::loadTIFF(kwTexture* texture, const char* path) {
    kwStream stream(path, kwStream::readMode);
    if (stream.status & kwStream::noFile) return 1;
    stream.setStreamMode(kwStream::littleEndian, true);
    ornatex::detail::StreamSource source(stream);

    ornatex::detail::StdoutSink trace;
    ornatex::detail::TiffDirectory dir;
    ornatex::ByteBlock out;
    const ornatex::detail::Outcome outcome =
        ornatex::detail::decodeTiff(source, ornatex::DecodeLimits().maxPixels, trace, true, dir, out);
    if (outcome.ok()) {
        texture->loadImage(static_cast<int>(dir.width), static_cast<int>(dir.height), texRGB, out.data());
        return 0;
    }
    // An allocation failure leaves the loader as the standard exception.
    if (outcome.check == ornatex::detail::Check::noMemory) throw std::bad_alloc();
    trace.put(ornatex::detail::tiffRefusalLine(outcome));
    return 0;
}

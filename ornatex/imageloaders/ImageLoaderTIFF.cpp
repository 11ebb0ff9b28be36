#include <ornatex/imageloaders/ImageLoaderTIFF.h>

#include <corvane/kwTexture.h>
#include <ornatex/decode.h>
#include <tovik/kwStream.h>

#include <algorithm>
#include <cstdio>
#include <new>

#include "TextSink.h"
#include "TiffDecode.h"

namespace {

// Reads the stream's whole file into `block` with readChunk, in pieces of
// at most 1 GiB (readChunk takes an int). A file that shrinks while it is
// read keeps what arrived: the rest reads as past its end.
void readStream(kwStream& stream, ornatex::ByteBlock& block) {
    if (std::fseek(stream.file, 0, SEEK_END) != 0) return;
    const long end = std::ftell(stream.file);
    stream.seek(0);
    if (end <= 0) return;
    if (!block.allocate(static_cast<std::uint64_t>(end), true)) throw std::bad_alloc();
    std::size_t done = 0;
    while (done < block.size()) {
        const std::size_t piece = std::min<std::size_t>(block.size() - done, std::size_t(1) << 30);
        stream.readChunk(block.data() + done, static_cast<int>(piece));
        const long at = std::ftell(stream.file);
        if (at < 0 || std::size_t(at) != done + piece) {
            done = at > 0 ? std::min<std::size_t>(std::size_t(at), block.size()) : done;
            break;
        }
        done += piece;
    }
    if (done < block.size()) {
        ornatex::ByteBlock kept;
        if (!kept.allocate(done)) throw std::bad_alloc();
        std::copy(block.data(), block.data() + done, kept.data());
        block = std::move(kept);
    }
}

}  // namespace

int ImageLoaderTIFF::loadTIFF(kwTexture* texture, const char* path) {
    kwStream stream(path, kwStream::readMode);
    if (stream.status & kwStream::noFile) return 1;
    stream.setStreamMode(kwStream::littleEndian, true);
    ornatex::ByteBlock file;
    readStream(stream, file);

    ornatex::StdoutSink trace;
    ornatex::TiffDirectory dir;
    ornatex::ByteBlock out;
    const ornatex::Outcome outcome = ornatex::decodeTiff(file.data(), file.size(), ornatex::DecodeLimits().maxPixels,
                                                         trace, true, dir, out);
    switch (outcome.kind) {
        case ornatex::RefusalKind::none:
            texture->loadImage(static_cast<int>(dir.width), static_cast<int>(dir.height), texRGB, out.data());
            break;
        case ornatex::RefusalKind::printed:
            // The one place that prints a refusal.
            if (outcome.loaderLine.empty())
                std::printf("TIFF file refused: %s\n", outcome.reason.c_str());
            else
                std::printf("%s\n", outcome.loaderLine.c_str());
            break;
        case ornatex::RefusalKind::noMemory:
            throw std::bad_alloc();
        default:
            break;  // the trace says enough
    }
    return 0;
}

#include <ornatex/imageloaders/ImageLoaderRGBA.h>

#include <corvane/kwTexture.h>
#include <ornatex/decode.h>

#include <cstdio>

#include "internal/SgiDecode.h"
#include "internal/SgiDump.h"
#include "internal/TextSink.h"
#include "internal/WholeFile.h"

int ImageLoaderRGBA::loadRGBA(kwTexture* texture, const char* path) {
    ornatex::ByteBlock file;
    const ornatex::WholeFileStatus status = ornatex::readWholeFile(path, file);
    if (status.result != ornatex::WholeFileResult::ok) {
        ornatex::reportWholeFileFailure(status.result, "SGI");
        return 0;
    }
    ornatex::SgiHeader h;
    ornatex::ByteBlock out;
    ornatex::Outcome outcome = ornatex::readSgiHeader(file.data(), file.size(), h);
    if (outcome.ok()) outcome = ornatex::decodeSgi(file.data(), file.size(), h, ornatex::DecodeLimits().maxPixels, out);
    ornatex::StdoutSink stdoutSink;
    if (!outcome.ok()) {
        // The one place that prints a refusal; quiet refusals (verbatim
        // files of other channel counts) and failed allocations print nothing.
        ornatex::printRefusal(stdoutSink, "SGI", outcome);
        return 0;
    }
    if (h.storage != 0)
        ornatex::writeSgiDump(out.data(), out.size(), ornatex::sgiDumpLines(std::uint64_t(h.width) * h.height),
                              stdoutSink);
    if (h.channels == 3)
        texture->loadImage(int(h.width), int(h.height), texRGB, out.data());
    else if (h.channels == 4)
        texture->loadImage(int(h.width), int(h.height), texRGBA, out.data());
    return 0;
}

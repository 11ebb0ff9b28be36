// The import step: any common image file to 8-bit RGB or RGBA pixels as the
// engine shows them, for `convert` to write in the engine's own formats.
//
// Readers, in order: the library's own decoders (ornatex::decode) for every
// file they accept; then libtiff for TIFF, the library's SGI decoding core
// for SGI files of 1 or 2 channels (grey, grey and alpha), libpng for PNG
// (where the build has it; stb_image otherwise), and stb_image for JPEG,
// BMP, GIF (first frame), PSD (composite), PNM, HDR and the TGA variants
// the loaders refuse (run-length, colour-mapped, grey). The
// loaders themselves never read more than they do. Samples are brought to
// 8 bits by the rules in PixelConvert.h. The library's pixel limit applies:
// dimensions are checked before pixels are allocated.
#pragma once

#include <ornatex/decode.h>

#include <cstddef>
#include <string>
#include <vector>

#include "ImageWriter.h"
#include "PixelBytes.h"

namespace tool {

struct ImportOptions {
    // SGI files of 1 or 2 channels (which the loaders refuse) are read
    // through the library's SGI decoding core.
    bool sgiAnyChannels = true;
    // maxPixels applies to every reader; trace receives our decoders' text.
    ornatex::DecodeLimits limits;
    // false when only whether the file imports is asked (check asks it for
    // every refused file). The readers still decode what may be corrupt, a
    // compressed stream say, but convert nothing: the result has its size,
    // channels 0 and no pixels, and the same `error` as a full import.
    bool keepPixels = true;
};

struct ImportedImage {
    int width = 0, height = 0, channels = 0;  // channels 3 (RGB) or 4 (RGBA), 8 bits a sample; 0 without pixels
    PixelBytes pixels;                        // rows packed, bottom row first, left to right: as the engine shows them
    std::string via;                          // "ornatex", "libtiff", "libpng" or "stb_image": who read it
    std::string error;                        // empty when read; otherwise one line: why no reader could read it
    bool ok() const { return error.empty(); }
    PixelView view() const;
};

ImportedImage importImage(const unsigned char* data, std::size_t size, const ImportOptions& options = {});
// Reads the file whole (on Windows through the wide-character API) and
// imports it; a file that cannot be read gets the system's reason.
ImportedImage importFile(const std::string& utf8Path, const ImportOptions& options = {});

// Whether this build reads TIFF variants through libtiff.
bool importHasLibtiff();
// Whether this build reads PNG through libpng (otherwise through stb_image).
bool importHasLibpng();

}  // namespace tool

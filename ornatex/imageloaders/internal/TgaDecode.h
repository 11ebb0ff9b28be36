// The decoding steps of uncompressed true-colour TGA files (image type 2,
// 24 or 32 bits a pixel): one run for decodeTGA (a new block, upright rows)
// and one for ImageLoaderTGA (in the file's own bytes, rows as stored), both
// the header checks and the row copy below. Internal to ornatex. Every read
// stays inside the given bytes.
#pragma once

#include <corvane/kwTexture.h>

#include <cstddef>
#include <cstdint>

#include <ornatex/ByteBlock.h>
#include "Outcome.h"
#include "WholeFile.h"

namespace ornatex::detail {

constexpr std::size_t tgaHeaderSize = 18;

// The header fields the decoder uses, read from the first 18 bytes.
struct TgaHeader {
    unsigned idLength;
    unsigned colorMapType;
    unsigned imageType;
    unsigned colorMapLength;
    unsigned colorMapEntryBits;
    unsigned width;
    unsigned height;
    unsigned depth;
    unsigned descriptor;  // bit 4: rows stored right to left; bit 5: top row first
};

// Where the pixels are and how they are laid out.
struct TgaLayout {
    TgaHeader header;
    std::size_t pixelStart = 0;  // offset of the first pixel byte
    std::size_t pixelCount = 0;  // width x height
    unsigned bytesPerPixel = 0;  // 3 or 4
    texFormat format = texRGB;
    bool topFirst = false;    // descriptor bit 5
    bool rightFirst = false;  // descriptor bit 4
};

// What a loader reports while the header is read; the default reports
// nothing.
class TgaSteps {
public:
    virtual ~TgaSteps() = default;
    // The image type was accepted (2); called before the depth is checked.
    virtual void headerAccepted(const TgaHeader&) {}
    // The file carries a colour map; its pixels start behind it.
    virtual void colorMapPresent() {}
};

// Reads the header and checks that the pixels it declares lie in the bytes
// and that width x height is at most maxPixels. Only the first 18 bytes are
// read (none when `size` is smaller); `size` may be a file's whose header
// alone is at `data`.
Outcome parseTga(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, TgaSteps& steps,
                 TgaLayout& layout);

// decodeTGA's run: parseTga, then the pixels, red first, into a new block
// `out`, bottom row first and left to right whatever the file's origin.
Outcome decodeTga(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, TgaSteps& steps,
                  TgaLayout& layout, ByteBlock& out);

// The loaders' run: parseTga with no pixel limit (nothing is allocated),
// then red and blue exchanged in place, the rows left as the file stores
// them, which is what the loaders hand the texture.
Outcome decodeTgaInPlace(unsigned char* data, std::size_t size, TgaSteps& steps, TgaLayout& layout);

// The loaders' run from a file: the header read and checked as
// decodeTgaInPlace checks it (parseTga on the first 18 bytes against the
// file's size), then only the pixels read, piece by piece through a small
// buffer that stays in cache, each piece exchanged into a new block `out`
// (rows as stored, as the loaders hand them on). Neither the whole file nor a
// second full pass over the pixels is ever made. When the file cannot be
// read (or `out` not allocated) the answer is in `read` and `steps` hears
// nothing, as when the file cannot be read whole before decodeTgaInPlace;
// otherwise `steps` hears what parseTga reports and the outcome is its.
Outcome decodeTgaFile(FileReader& file, TgaSteps& steps, TgaLayout& layout, ByteBlock& out, WholeFileStatus& read);

// The row copy: `count` pixels from `from` to `to`, red and blue exchanged;
// with `mirror` written right to left. Without `mirror` the ranges may be the
// same; otherwise they do not overlap.
void copyExchanged(const unsigned char* from, unsigned char* to, std::size_t count, unsigned bytesPerPixel,
                   bool mirror);

// Whether the first bytes could be a TGA file: every header the loaders
// accept (image type 2 of 24 or 32 bits whose pixels lie in the bytes, any
// colour-map type, any size), and any header a TGA file could hold: a known
// image type (1, 2, 3, 9, 10, 11), colour-map type 0 or 1 (with an entry size
// of 15, 16, 24 or 32 bits when 1), a pixel depth of 8, 15, 16, 24 or 32, a
// width and height not 0, and room for the header, the ID and the map.
bool tgaHeaderPlausible(const unsigned char* data, std::size_t size);

}  // namespace ornatex::detail

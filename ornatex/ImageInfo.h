// What the header of an image file says, read without decoding its pixels.
#pragma once

#include <ornatex/Refusal.h>

#include <cstdint>
#include <string>

namespace ornatex {

// The corner where the first stored pixel lies. Decoded images are always
// delivered bottom row first, left to right, whatever the file's origin.
enum class ImageOrigin { bottomLeft, bottomRight, topLeft, topRight };

// Filled by inspect(): the header fields of a TGA, TIFF or SGI file and
// whether a decode would get past the header checks.
struct ImageInfo {
    std::string format;          // "TGA", "TIFF" or "SGI"; empty when nothing was recognised
    bool usable = false;         // the header (and the tables it points to) can be decoded
    Refusal refusal = Refusal::notAnImage;  // why not usable; none when usable
    std::string problem;         // the detail of the refusal, one line with numbers; empty when usable
    // The fields below were read from the file. False when the format was
    // recognised but its fields could not be read (a big-endian TIFF, a
    // header cut short): they are then all zero and say nothing.
    bool fieldsRead = false;
    std::uint32_t width = 0;     // in pixels
    std::uint32_t height = 0;    // in rows
    std::uint32_t channels = 0;  // samples a stored pixel: TGA 3 or 4, TIFF 1 palette index, SGI the z size
    std::uint32_t bitsPerChannel = 0;  // TGA 8; TIFF BitsPerSample (8 when absent); SGI 8 or 16
    ImageOrigin origin = ImageOrigin::bottomLeft;  // TIFF: topLeft; SGI: bottomLeft
    std::string compression;     // "none", "RLE" (SGI run-length), or "TIFF compression N"
    std::uint32_t strips = 0;    // TIFF: StripOffsets count; 0 for other formats
    std::uint32_t scanlines = 0; // SGI run-length: start-table entries (height x channels); else 0
    bool colorMap = false;       // the file carries a colour map (TGA map type not 0, TIFF ColorMap)
    std::uint32_t colorMapLength = 0;  // entries in the colour map (TIFF: per channel, count / 3)
};

// Field by field.
inline bool operator==(const ImageInfo& a, const ImageInfo& b) {
    return a.format == b.format && a.usable == b.usable && a.refusal == b.refusal && a.problem == b.problem &&
           a.fieldsRead == b.fieldsRead && a.width == b.width && a.height == b.height && a.channels == b.channels &&
           a.bitsPerChannel == b.bitsPerChannel && a.origin == b.origin && a.compression == b.compression &&
           a.strips == b.strips && a.scanlines == b.scanlines && a.colorMap == b.colorMap &&
           a.colorMapLength == b.colorMapLength;
}
inline bool operator!=(const ImageInfo& a, const ImageInfo& b) { return !(a == b); }

}  // namespace ornatex

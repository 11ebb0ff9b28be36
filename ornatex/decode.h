// Quiet decoding of TGA, TIFF and SGI images from memory or from a file.
//
// Each decoder works on a byte range and returns an Image: its pixels,
// bottom row first and upright whatever the file's origin, or a refusal: a
// code (ornatex::Refusal) and a one-line reason with the file's numbers.
// The decoders never print, never throw for a bad file and never read
// outside the range they are given. They decode what the ImageLoader
// classes decode (uncompressed true-colour TGA of 24 or 32 bits; little-
// endian palette TIFF with uncompressed strips of 8-bit indices; SGI of 3 or
// 4 channels, verbatim or run-length encoded) and give the same pixels,
// except that TGA rows are put bottom row first and left to right.
//
// File names are UTF-8 on every platform. On Windows the file is opened
// through the wide-character API, so any name opens, not only those the
// ANSI code page can spell; elsewhere the name's bytes are passed to the
// system as they are. The std::filesystem::path overloads take a path in
// whatever form the caller holds it.
//
// TIFF reads as the byte-order readers read a file: bytes past the end read
// as 255, so a ColorMap cut short by the end of the file has its missing
// entries at full intensity (65535). A ColorMap of any length is read by
// thirds (red, green, blue, count / 3 entries each). A 16-bit ColorMap whose
// entries are all below 256 was written with 8-bit samples and is taken as
// it stands (libtiff's RGBA reader does the same); otherwise the top byte of
// each entry is kept.
#pragma once

#include <ornatex/Image.h>
#include <ornatex/ImageInfo.h>
#include <ornatex/Refusal.h>
#include <ornatex/ornatexExport.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace ornatex {

// Receives the text the matching loader would print (trace lines, warnings,
// the SGI dump), in order, in pieces that may hold many lines or part of
// one. When a loader would print a line for a refusal, that line is sent
// here too, exactly as the loader prints it.
using DecodeTrace = void (*)(const char* text, std::size_t length, void* context);

// Limits and options of one decode.
struct DecodeLimits {
    // Images of more pixels are refused before anything is allocated. The
    // default, 2^28, allows 16384 x 16384 and bounds a decode's output at
    // 1 GiB; it holds on 32-bit platforms.
    std::uint64_t maxPixels = std::uint64_t(1) << 28;
    // Optional: where the loaders' text goes; null sends it nowhere.
    DecodeTrace trace = nullptr;
    void* traceContext = nullptr;
};

ORNATEX_API Image decodeTGA(const void* data, std::size_t size, const DecodeLimits& limits = {});
ORNATEX_API Image decodeTIFF(const void* data, std::size_t size, const DecodeLimits& limits = {});
ORNATEX_API Image decodeSGI(const void* data, std::size_t size, const DecodeLimits& limits = {});
enum class ImageFormat { none, tga, tiff, sgi };

// The format by signature alone: TIFF ("II*\0", "II+\0", "MM\0*", "MM\0+")
// and SGI (0x01 0xDA) by the first bytes of the file (`head`, at least 4 of
// them when the file has them), TGA by the TGA 2.0 footer
// ("TRUEVISION-XFILE.\0") in its last 18 bytes (`tail`, null when not read).
ORNATEX_API ImageFormat formatBySignature(const void* head, std::size_t headSize, const void* tail,
                                          std::size_t tailSize);
// The format decode() chooses for these bytes: by signature; or TGA when
// the TGA loader loads them (image type 2 of 24 or 32 bits whose pixels lie
// in the bytes, any colour-map type, any width and height, 0 included), or
// when the first 18 bytes are a header a TGA could hold (image type 1, 2, 3,
// 9, 10 or 11; colour-map type 0 or 1, with an entry size of 15, 16, 24 or 32
// bits when 1; pixel depth 8, 15, 16, 24 or 32; width and height not 0; room
// for the header, the ID and the colour map); none otherwise.
ORNATEX_API ImageFormat formatOf(const void* data, std::size_t size);
// "TGA", "TIFF", "SGI", or "" for none.
ORNATEX_API const char* formatName(ImageFormat format);

// Decodes with the decoder formatOf() chooses; bytes of no format are
// refused as Refusal::notAnImage.
ORNATEX_API Image decode(const void* data, std::size_t size, const DecodeLimits& limits = {});
// Reads the file whole (at most 2147483647 bytes) and decodes it with
// decode(). A file that cannot be read is refused as Refusal::cannotRead
// with the system's reason.
ORNATEX_API Image decodeFile(const char* path, const DecodeLimits& limits = {});

// Reads the header (and, for TIFF, the directory and its tables) without
// decoding pixels. The format is chosen as decode() chooses it; `usable`
// says whether the decoder's header checks (including maxPixels) pass, and
// `refusal` and `problem` why not. Bytes of no format give an empty format,
// Refusal::notAnImage and no fields.
ORNATEX_API ImageInfo inspect(const void* data, std::size_t size, const DecodeLimits& limits = {});
// inspect() on a file's contents; a file that cannot be read gives an
// ImageInfo with an empty format, Refusal::cannotRead and the system's
// reason in `problem`.
ORNATEX_API ImageInfo inspectFile(const char* path, const DecodeLimits& limits = {});

namespace detail {
// A path as the UTF-8 text the char overloads take (its native bytes where
// the system's names are bytes).
inline std::string pathAsUtf8(const std::filesystem::path& path) {
#if defined(_WIN32)
    const auto text = path.u8string();  // std::string before C++20, std::u8string since
    return std::string(text.begin(), text.end());
#else
    return path.native();
#endif
}
}  // namespace detail

inline Image decodeFile(const std::filesystem::path& path, const DecodeLimits& limits = {}) {
    return decodeFile(detail::pathAsUtf8(path).c_str(), limits);
}
inline ImageInfo inspectFile(const std::filesystem::path& path, const DecodeLimits& limits = {}) {
    return inspectFile(detail::pathAsUtf8(path).c_str(), limits);
}

}  // namespace ornatex

// Quiet decoding of TGA, TIFF and SGI images from memory or from a file.
//
// Each decoder works on a byte range and returns an Image: its pixels,
// bottom row first and upright whatever the file's origin, or a one-line
// reason. The decoders never print, never throw for a bad file and never
// read outside the range they are given. They decode what the ImageLoader
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
#pragma once

#include <ornatex/Image.h>
#include <ornatex/ImageInfo.h>
#include <ornatex/ornatexExport.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace ornatex {

// Receives the text the matching loader would print (trace lines, warnings,
// the SGI dump), in order, in pieces that may hold many lines or part of
// one. Refusal reasons are not sent here: they are in Image::error().
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
// Chooses the decoder by the leading bytes: "II*\0", "II+\0", "MM\0*" and
// "MM\0+" are TIFF, 0x01 0xDA is SGI, anything else is tried as TGA.
ORNATEX_API Image decode(const void* data, std::size_t size, const DecodeLimits& limits = {});
// Reads the file whole (at most 2147483647 bytes) and decodes it with
// decode(). A file that cannot be read gives the system's reason.
ORNATEX_API Image decodeFile(const char* path, const DecodeLimits& limits = {});

// Reads the header (and, for TIFF, the directory and its tables) without
// decoding pixels. The format is chosen as decode() chooses it; `usable`
// says whether the decoder's header checks (including maxPixels) pass.
ORNATEX_API ImageInfo inspect(const void* data, std::size_t size, const DecodeLimits& limits = {});
// inspect() on a file's contents; a file that cannot be read gives an
// ImageInfo with an empty format and the system's reason in `problem`.
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

// The readers behind importImage, one unit each (libtiff, libpng,
// stb_image, the SGI core). Internal to the tool. Each returns pixels bottom
// row first, 8 bits a sample, RGB or RGBA, or an error line; none allocates
// pixels before it has checked the dimensions against maxPixels. With
// keepPixels false a reader only finds out whether it reads the file
// (ImportOptions::keepPixels).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ImageImport.h"

namespace tool {

// An error result with `via` naming the reader that refused.
ImportedImage importRefusal(const char* via, std::string reason);
// "W x H pixels, more than the limit of N" when width x height > maxPixels
// (or either is not positive); empty otherwise.
std::string pixelLimitProblem(std::uint64_t width, std::uint64_t height, std::uint64_t maxPixels);

bool isTiffSignature(const unsigned char* data, std::size_t size);
bool isSgiSignature(const unsigned char* data, std::size_t size);
// The eight bytes every PNG file starts with.
bool isPngSignature(const unsigned char* data, std::size_t size);

// libtiff; in a build without it, a one-line refusal: our decoder's
// reason (which names the compression or colour model) and that this build
// has no libtiff.
ImportedImage readTiff(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, bool keepPixels,
                       const std::string& ourReason);
// SGI files of 1 to 4 channels through the library's SGI decoding core.
ImportedImage readSgiAnyChannels(const unsigned char* data, std::size_t size, std::uint64_t maxPixels,
                                 bool keepPixels);
// libpng, for every PNG when the build has it (importHasLibpng()).
ImportedImage readPng(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, bool keepPixels);
// stb_image, with the TGA fixes stb_image lacks: the right-to-left bit, and
// a truncated TGA refused instead of read as uninitialised memory.
ImportedImage readWithStb(const unsigned char* data, std::size_t size, std::uint64_t maxPixels, bool keepPixels);

}  // namespace tool

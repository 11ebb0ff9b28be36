// Builds Image values from inside the library, internal to ornatex.
#pragma once

#include <ornatex/Image.h>

#include <string>

#include <ornatex/ByteBlock.h>

namespace ornatex {
namespace detail {

struct ImageMaker {
    // An image that takes over the block, which holds width x height pixels
    // of the format, bottom row first.
    static Image make(ByteBlock&& pixels, int width, int height, texFormat format);
    // A refused image with its code and one-line reason.
    static Image refused(Refusal code, std::string reason);
};

}  // namespace detail
}  // namespace ornatex

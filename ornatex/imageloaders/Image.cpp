#include <ornatex/Image.h>

#include <utility>

#include "internal/ImageMaker.h"

namespace ornatex {

Image::Image(Image&& other) noexcept { *this = std::move(other); }

// The pixels move with their owner; the rest is left as a default Image.
Image& Image::operator=(Image&& other) noexcept {
    if (this != &other) {
        pixels_ = std::move(other.pixels_);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        format_ = std::exchange(other.format_, texRGB);
        refusal_ = std::exchange(other.refusal_, Refusal::notAnImage);
        error_ = std::exchange(other.error_, "no image");
    }
    return *this;
}

namespace detail {

Image ImageMaker::make(ByteBlock&& pixels, int width, int height, texFormat format) {
    Image image;
    image.pixels_ = std::move(pixels);
    image.width_ = width;
    image.height_ = height;
    image.format_ = format;
    image.refusal_ = Refusal::none;
    image.error_.clear();
    return image;
}

Image ImageMaker::refused(Refusal code, std::string reason) {
    Image image;
    image.refusal_ = code;
    image.error_ = std::move(reason);
    return image;
}

}  // namespace detail
}  // namespace ornatex

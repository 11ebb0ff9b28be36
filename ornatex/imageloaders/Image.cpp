#include <ornatex/Image.h>

#include <cstdlib>
#include <utility>

#include "ImageMaker.h"

namespace ornatex {

Image::Image(Image&& other) noexcept { *this = std::move(other); }

Image& Image::operator=(Image&& other) noexcept {
    if (this != &other) {
        reset();
        storage_ = std::exchange(other.storage_, nullptr);
        pixels_ = std::exchange(other.pixels_, nullptr);
        size_ = std::exchange(other.size_, 0);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        format_ = std::exchange(other.format_, texRGB);
        error_ = std::move(other.error_);
        other.error_ = "no image";
    }
    return *this;
}

Image::~Image() { reset(); }

void Image::reset() noexcept {
    std::free(storage_);
    storage_ = nullptr;
    pixels_ = nullptr;
    size_ = 0;
    width_ = height_ = 0;
}

namespace detail {

Image ImageMaker::make(ByteBlock&& pixels, int width, int height, texFormat format) {
    Image image;
    image.pixels_ = pixels.data();
    image.size_ = pixels.size();
    image.storage_ = pixels.release();
    image.width_ = width;
    image.height_ = height;
    image.format_ = format;
    image.error_.clear();
    return image;
}

Image ImageMaker::refused(std::string reason) {
    Image image;
    image.error_ = std::move(reason);
    return image;
}

}  // namespace detail
}  // namespace ornatex

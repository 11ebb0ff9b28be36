// A decoded image: its pixels, or the one-line reason it could not be had.
#pragma once

#include <corvane/kwTexture.h>
#include <ornatex/ornatexExport.h>

#include <cstddef>
#include <string>

namespace ornatex {

namespace detail {
struct ImageMaker;
}

// Owns the pixels of one decoded image; movable, not copyable. Rows are
// packed, bottom row first, each row left to right; texRGB pixels are three
// bytes (red, green, blue), texRGBA four (red, green, blue, alpha). An image
// that was refused has no pixels, zero sizes and a reason in error().
class ORNATEX_API Image {
public:
    Image() = default;  // an empty, refused image ("no image")
    Image(Image&& other) noexcept;
    Image& operator=(Image&& other) noexcept;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image();

    // True when the image holds pixels; false: error() says why, in one line.
    bool ok() const { return pixels_ != nullptr; }
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }
    texFormat format() const { return format_; }
    // The pixels, rows packed, bottom row first. Null when !ok(); a 0 x N
    // image that decoded has a valid pointer to no bytes.
    const unsigned char* pixels() const { return pixels_; }
    // Bytes of pixels(): width x height x (3 or 4).
    std::size_t size() const { return size_; }

private:
    friend struct detail::ImageMaker;
    ORNATEX_HIDDEN void reset() noexcept;

    void* storage_ = nullptr;  // the malloc'd block that holds the pixels
    unsigned char* pixels_ = nullptr;
    std::size_t size_ = 0;
    int width_ = 0;
    int height_ = 0;
    texFormat format_ = texRGB;
    std::string error_ = "no image";
};

}  // namespace ornatex

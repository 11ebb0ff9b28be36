// A decoded image: its pixels, or the code and one-line reason it could not
// be had.
#pragma once

#include <corvane/kwTexture.h>
#include <ornatex/ByteBlock.h>
#include <ornatex/Refusal.h>
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
// that was refused has no pixels, zero sizes, a code in refusal() and its
// one-line detail in error().
class ORNATEX_API Image {
public:
    Image() = default;  // an empty, refused image ("no image", Refusal::notAnImage)
    Image(Image&& other) noexcept;
    Image& operator=(Image&& other) noexcept;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() = default;

    // True when the image holds pixels; false: refusal() and error() say why.
    bool ok() const { return static_cast<bool>(pixels_); }
    Refusal refusal() const { return refusal_; }
    // The detail of the refusal, one line with the file's numbers ("pixel
    // depth 16, only 24 and 32 supported"); empty when ok().
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }
    texFormat format() const { return format_; }
    // The pixels, rows packed, bottom row first. Null when !ok(); a 0 x N
    // image that decoded has a valid pointer to no bytes.
    const unsigned char* pixels() const { return pixels_.data(); }
    // Bytes of pixels(): width x height x (3 or 4).
    std::size_t size() const { return pixels_.size(); }

private:
    friend struct detail::ImageMaker;

    ByteBlock pixels_;
    int width_ = 0;
    int height_ = 0;
    texFormat format_ = texRGB;
    Refusal refusal_ = Refusal::notAnImage;
    std::string error_ = "no image";
};

}  // namespace ornatex

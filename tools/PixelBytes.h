// The pixel bytes an import hands over: a block of their own, allocated
// without being cleared (every reader writes each byte) and advised for
// huge pages when large, or the image our decoder returned, kept as it is
// instead of copied. Read like a vector of bytes.
#pragma once

#include <ornatex/ByteBlock.h>
#include <ornatex/Image.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace tool {

class PixelBytes {
public:
    using value_type = unsigned char;
    using iterator = const unsigned char*;
    using const_iterator = const unsigned char*;

    // Room for `size` bytes, their values unset; throws std::bad_alloc when
    // there is no memory for them.
    unsigned char* allocate(std::size_t size) {
        image_ = ornatex::Image();
        if (!block_.allocate(size, true)) throw std::bad_alloc();
        return block_.data();
    }
    // Keeps a decoded image's pixels without copying them.
    void adopt(ornatex::Image image) {
        block_ = ornatex::ByteBlock();
        image_ = std::move(image);
    }

    unsigned char* data() { return block_.data(); }  // null for an adopted image: it is read-only
    const unsigned char* data() const { return image_.ok() ? image_.pixels() : block_.data(); }
    std::size_t size() const { return image_.ok() ? image_.size() : block_.size(); }
    bool empty() const { return size() == 0; }
    const unsigned char* begin() const { return data(); }
    const unsigned char* end() const { return data() + size(); }
    unsigned char operator[](std::size_t i) const { return data()[i]; }

private:
    ornatex::ByteBlock block_;
    ornatex::Image image_;
};

inline bool operator==(const PixelBytes& a, const std::vector<unsigned char>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace tool

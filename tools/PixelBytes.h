// The pixel bytes an import hands over: a block of their own, allocated
// without being cleared (every reader writes each byte) and advised for
// huge pages when large; the image our decoder returned; or a block another
// reader malloc'd. Those two are kept as they are instead of copied. Read
// like a vector of bytes.
#pragma once

#include <ornatex/ByteBlock.h>
#include <ornatex/Image.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
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
        malloced_.reset();
        if (!block_.allocate(size, true)) throw std::bad_alloc();
        return block_.data();
    }
    // Keeps a decoded image's pixels without copying them.
    void adopt(ornatex::Image image) {
        block_ = ornatex::ByteBlock();
        malloced_.reset();
        image_ = std::move(image);
    }
    // Takes over `size` bytes that malloc gave (freed with free).
    void adoptMalloced(unsigned char* bytes, std::size_t size) {
        block_ = ornatex::ByteBlock();
        image_ = ornatex::Image();
        malloced_.reset(bytes);
        mallocedSize_ = size;
    }

    // Writable bytes; null for an adopted decoded image, which is read-only.
    unsigned char* data() { return malloced_ ? malloced_.get() : block_.data(); }
    const unsigned char* data() const {
        return image_.ok() ? image_.pixels() : malloced_ ? malloced_.get() : block_.data();
    }
    std::size_t size() const { return image_.ok() ? image_.size() : malloced_ ? mallocedSize_ : block_.size(); }
    bool empty() const { return size() == 0; }
    const unsigned char* begin() const { return data(); }
    const unsigned char* end() const { return data() + size(); }
    unsigned char operator[](std::size_t i) const { return data()[i]; }

private:
    struct Free {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    ornatex::ByteBlock block_;
    ornatex::Image image_;
    std::unique_ptr<unsigned char, Free> malloced_;
    std::size_t mallocedSize_ = 0;
};

inline bool operator==(const PixelBytes& a, const std::vector<unsigned char>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace tool

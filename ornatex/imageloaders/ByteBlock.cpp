#include <ornatex/ByteBlock.h>

#include <cstdlib>
#include <limits>
#include <utility>

#include "internal/HugePages.h"

namespace ornatex {

ByteBlock::ByteBlock(ByteBlock&& other) noexcept { *this = std::move(other); }

ByteBlock& ByteBlock::operator=(ByteBlock&& other) noexcept {
    if (this != &other) {
        std::free(storage_);
        storage_ = std::exchange(other.storage_, nullptr);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

ByteBlock::~ByteBlock() { std::free(storage_); }

bool ByteBlock::allocate(std::uint64_t size, bool hugePages) {
    std::free(storage_);
    storage_ = nullptr;
    data_ = nullptr;
    size_ = 0;
    const bool aligned = hugePages && size >= 2 * detail::hugePageSize;
    const std::uint64_t extra = aligned ? detail::hugePageSize : 0;
    // Checked in 64 bits before narrowing: on a 32-bit platform a size near
    // 2^32 must fail here, not wrap to a small allocation.
    if (size > std::numeric_limits<std::size_t>::max() - extra - 1) return false;
    const std::size_t bytes = static_cast<std::size_t>(size + extra);
    // malloc(0) may answer null; one byte keeps "null" meaning no memory.
    storage_ = std::malloc(bytes ? bytes : 1);
    if (!storage_) return false;
    data_ = static_cast<unsigned char*>(storage_);
    size_ = static_cast<std::size_t>(size);
    if (aligned) {
        const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data_);
        data_ += ((start + detail::hugePageSize - 1) & ~std::uintptr_t(detail::hugePageSize - 1)) - start;
        detail::adviseHugePages(data_, size_);
    }
    return true;
}

void* ByteBlock::release() {
    void* storage = std::exchange(storage_, nullptr);
    data_ = nullptr;
    size_ = 0;
    return storage;
}

}  // namespace ornatex

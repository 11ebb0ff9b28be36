// The one owner of a malloc'd byte block in ornatex: the whole-file block
// the loaders read, every decoded output, and the pixels an Image holds. The
// bytes may start inside the allocation (an output aligned for huge pages),
// so the owner keeps both addresses. Movable, not copyable.
#pragma once

#include <ornatex/ornatexExport.h>

#include <cstddef>
#include <cstdint>

namespace ornatex {

class ORNATEX_API ByteBlock {
public:
    ByteBlock() = default;
    ByteBlock(ByteBlock&& other) noexcept;
    ByteBlock& operator=(ByteBlock&& other) noexcept;
    ByteBlock(const ByteBlock&) = delete;
    ByteBlock& operator=(const ByteBlock&) = delete;
    ~ByteBlock();

    // Allocates `size` bytes (a 0-byte block still gets a valid address).
    // With `hugePages`, a block of 4 MiB or more starts on a 2 MiB boundary
    // and is advised for huge pages; the extra 2 MiB of the allocation is
    // address space only, never touched. False when the size does not fit
    // the address space or malloc fails; the block is then empty.
    bool allocate(std::uint64_t size, bool hugePages = false);

    unsigned char* data() const { return data_; }
    std::size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

    // Gives up ownership: returns the malloc'd allocation (pass it to free),
    // leaving the block empty. data() keeps pointing into it until then.
    void* release();

private:
    void* storage_ = nullptr;
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace ornatex

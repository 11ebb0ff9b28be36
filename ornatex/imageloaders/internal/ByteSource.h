// Where the TIFF decoding steps read their bytes, internal to ornatex: a
// byte range in memory (decodeTIFF, inspect) or a kwStream's file
// (ImageLoaderTIFF::loadTIFF). Both read as the byte-order readers read a
// file: little-endian values, and every byte at or past the end reads as
// 255. Blocks (strips) are read with one block read each.
#pragma once

#include <ornatex/ByteBlock.h>

#include <cstddef>
#include <cstdint>
#include <limits>

class kwStream;

namespace ornatex::detail {

class ByteSource {
public:
    // size() of a source whose length cannot be had (not a regular file).
    static constexpr std::uint64_t unknownSize = std::numeric_limits<std::uint64_t>::max();

    virtual ~ByteSource() = default;
    // The bytes in the source, or unknownSize.
    virtual std::uint64_t size() const = 0;
    // The next reads start at this absolute offset.
    virtual void seek(std::uint64_t offset) = 0;
    virtual std::uint16_t readShort() = 0;
    virtual std::uint32_t readLong() = 0;
    // Makes room for blocks of up to `length` bytes; false when there is no
    // memory for it.
    virtual bool reserve(std::size_t length) = 0;
    // Reads `length` bytes from `offset` with one block read (at most the
    // length given to reserve()). Returns where they are, or null when fewer
    // arrived.
    virtual const unsigned char* readBlock(std::uint64_t offset, std::size_t length) = 0;
};

// A byte range in memory; blocks are read in place.
class MemorySource : public ByteSource {
public:
    MemorySource(const unsigned char* data, std::size_t size) : data_(data), size_(data ? size : 0) {}
    std::uint64_t size() const override { return size_; }
    void seek(std::uint64_t offset) override { position_ = offset; }
    std::uint16_t readShort() override;
    std::uint32_t readLong() override;
    bool reserve(std::size_t) override { return true; }
    const unsigned char* readBlock(std::uint64_t offset, std::size_t length) override;

private:
    std::uint32_t next() { return position_ < size_ ? data_[position_++] : (++position_, 0xffu); }
    const unsigned char* data_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
};

// A kwStream in little-endian mode: values through readStreamShort and
// readStreamLong, positions through seek, blocks through readChunk into a
// buffer of the source's own. The size comes from the file-status query on
// the open file.
class StreamSource : public ByteSource {
public:
    explicit StreamSource(kwStream& stream);
    std::uint64_t size() const override { return size_; }
    void seek(std::uint64_t offset) override;
    std::uint16_t readShort() override;
    std::uint32_t readLong() override;
    bool reserve(std::size_t length) override;
    const unsigned char* readBlock(std::uint64_t offset, std::size_t length) override;

private:
    kwStream& stream_;
    std::uint64_t size_;
    // Set by a seek to an offset kwStream::seek cannot take (beyond a long):
    // everything reads as past the end until the next seek.
    bool beyondLong_ = false;
    ByteBlock buffer_;
};

}  // namespace ornatex::detail

#include "ByteSource.h"

#include <tovik/kwStream.h>

#include <sys/stat.h>

#include <climits>
#include <cstdio>

#include "StreamReaders.h"

namespace ornatex::detail {

std::uint16_t MemorySource::readShort() {
    const std::uint32_t b0 = next(), b1 = next();
    return static_cast<std::uint16_t>(b0 | b1 << 8);
}

std::uint32_t MemorySource::readLong() {
    const std::uint32_t b0 = next(), b1 = next(), b2 = next(), b3 = next();
    return b0 | b1 << 8 | b2 << 16 | b3 << 24;
}

const unsigned char* MemorySource::readBlock(std::uint64_t offset, std::size_t length) {
    if (offset > size_ || length > size_ - offset) return nullptr;
    return data_ + offset;
}

namespace {

// The size of the open file by the file-status query; unknownSize for
// anything but a regular file, or when the query fails.
std::uint64_t fileSize(std::FILE* file) {
    if (!file) return 0;
#if defined(_WIN32)
    struct _stat64 status;
    if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG)
        return ByteSource::unknownSize;
#else
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return ByteSource::unknownSize;
#endif
    return status.st_size < 0 ? ByteSource::unknownSize : static_cast<std::uint64_t>(status.st_size);
}

}  // namespace

StreamSource::StreamSource(kwStream& stream) : stream_(stream), size_(fileSize(stream.file)) {}

void StreamSource::seek(std::uint64_t offset) {
    beyondLong_ = offset > static_cast<std::uint64_t>(LONG_MAX);
    if (!beyondLong_) stream_.seek(static_cast<long>(offset));
}

std::uint16_t StreamSource::readShort() { return beyondLong_ ? 0xffffu : readStreamShort(stream_); }

std::uint32_t StreamSource::readLong() { return beyondLong_ ? 0xffffffffu : readStreamLong(stream_); }

bool StreamSource::reserve(std::size_t length) {
    if (buffer_.size() >= length && buffer_) return true;
    return buffer_.allocate(length);
}

const unsigned char* StreamSource::readBlock(std::uint64_t offset, std::size_t length) {
    if (length > buffer_.size() || !buffer_ || length > static_cast<std::size_t>(INT_MAX)) return nullptr;
    seek(offset);
    if (beyondLong_) return nullptr;
    if (length == 0) return buffer_.data();
    // readChunk reports nothing: the position afterwards says how much arrived.
    stream_.readChunk(buffer_.data(), static_cast<int>(length));
    const long at = std::ftell(stream_.file);
    if (at < 0 || static_cast<std::uint64_t>(at) != offset + length) return nullptr;
    return buffer_.data();
}

}  // namespace ornatex::detail

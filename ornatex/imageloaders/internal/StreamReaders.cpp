#include "StreamReaders.h"

#include <tovik/kwStream.h>

namespace ornatex::detail {

namespace {

// A stream without a file reads like one at its end.
std::uint32_t nextByte(kwStream& stream) {
    if (!stream.file) return 0xffu;
    return static_cast<std::uint32_t>(std::fgetc(stream.file)) & 0xffu;
}

}  // namespace

std::uint16_t readStreamShort(kwStream& stream) {
    const bool little = (stream.mode & kwStream::littleEndian) != 0;
    const std::uint32_t b0 = nextByte(stream);
    const std::uint32_t b1 = nextByte(stream);
    return static_cast<std::uint16_t>(little ? b0 | (b1 << 8) : (b0 << 8) | b1);
}

std::uint32_t readStreamLong(kwStream& stream) {
    const bool little = (stream.mode & kwStream::littleEndian) != 0;
    const std::uint32_t b0 = nextByte(stream);
    const std::uint32_t b1 = nextByte(stream);
    const std::uint32_t b2 = nextByte(stream);
    const std::uint32_t b3 = nextByte(stream);
    return little ? b0 | (b1 << 8) | (b2 << 16) | (b3 << 24) : (b0 << 24) | (b1 << 16) | (b2 << 8) | b3;
}

}  // namespace ornatex::detail

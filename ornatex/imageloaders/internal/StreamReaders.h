// Byte-order aware readers on a kwStream's file, internal to ornatex. Each
// reads its bytes one at a time with fgetc and tests the stream's
// little-endian mode flag once per value. At the end of the file fgetc's -1
// becomes a byte of 255, so reading there gives 65535 or 4294967295.
#pragma once

#include <cstdint>

class kwStream;

namespace ornatex::detail {

// The next two bytes of the stream's file as an unsigned 16-bit value.
std::uint16_t readStreamShort(kwStream& stream);
// The next four bytes of the stream's file as an unsigned 32-bit value.
std::uint32_t readStreamLong(kwStream& stream);

}  // namespace ornatex::detail

// Hands fuzz input to the public decoders and checks their side of the
// contract; aborts (or trips a sanitizer) when it is broken.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

enum class Decoder { tga, tiff, sgi };

// Decodes the bytes with one decoder (a pixel limit of 2^16 so a run stays
// fast; the trace on for sizes that are a multiple of 4), then with decode()
// and inspect(). A decoded image must hold width x height pixels of its
// format, every byte readable; a refusal must give one non-empty line.
void runDecoder(Decoder decoder, const std::uint8_t* data, std::size_t size);

}  // namespace fuzz

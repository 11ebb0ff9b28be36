// Hands fuzz input to the public decoders and checks their side of the
// contract; aborts (or trips a sanitizer) when it is broken.
#pragma once

#include <cstddef>
#include <cstdint>

class kwTexture;

namespace fuzz {

enum class Decoder { tga, tiff, sgi };

// Decodes the bytes with one decoder (a pixel limit of 2^16 so a run stays
// fast; the trace on for sizes that are a multiple of 4), then with decode()
// and inspect(). A decoded image must hold width x height pixels of its
// format, every byte readable; a refusal must give one non-empty line.
void runDecoder(Decoder decoder, const std::uint8_t* data, std::size_t size);

// decode() and the loaders agree on the bytes. Where decode() chooses a
// format, it and that format's loader (loadTGAraw, loadTIFF, loadRGBA) both
// load or both refuse, and give the same image: size, format and pixels,
// the TGA loader's stored rows turned upright. Bytes of no format are loaded
// by no TGA loader (the one format known without a signature). Refusals for
// memory are not compared: the two allocate at different times.
bool decoderAgrees(const std::uint8_t* data, std::size_t size, const kwTexture& tga, const kwTexture& tiff,
                   const kwTexture& sgi);

}  // namespace fuzz

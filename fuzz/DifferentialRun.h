// Holds our decoders against independent readers: every input is decoded
// with ornatex::decode and, by its format, with libtiff's RGBA reader (TIFF)
// or stb_image (TGA). Where both accept, the pixels must agree exactly, up
// to these conventions:
// - stb_image ignores the TGA right-to-left bit: its rows are mirrored here
//   when the descriptor's bit 4 is set, as the tool's import does.
// - TIFF: our loader reads rows as stored and ignores Orientation, as its
//   format description says; files whose Orientation is not 1 (top-left)
//   are not compared. ColorMaps: both keep a 16-bit map whose entries are
//   all below 256 as it stands (8-bit values written as 16-bit), otherwise
//   the top byte of each entry.
// - SGI has no independent reader here; it is run through the import only.
// Every input also goes through the tool's import step, which must give a
// well-formed image or a one-line error. A disagreement aborts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Returns true when both sides accepted the input and were compared.
bool runDifferential(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz

// The two ways reports are printed: one line of text per file, as an
// identify-like tool prints it, and one JSON document for a whole call.
#pragma once

#include <string>
#include <vector>

#include "FileReport.h"

namespace tool {

// FILE: FORMAT WxH, C channels of B bits, origin O, compression, strips or
// RLE scanlines, colour map, SIZE bytes: loads as rgb|rgba / refused: REASON.
// Fields the library could not read are left out: "FILE: FORMAT, SIZE
// bytes: refused: REASON", or "FILE: refused: REASON" when no format was
// recognised.
std::string reportAsText(const FileReport& report);

// One JSON array with an object per file: "file" (the name as text; bytes
// that are not UTF-8 become U+FFFD), "fileBytes" (null for a UTF-8 name,
// otherwise the name's exact bytes in base64), "ok", "error" (null when
// ok), "code" (the refusal's stable name, ornatex::refusalName; null when
// ok), "format" (null when not recognised), "width", "height", "channels"
// (samples a stored pixel, as the header says), "bitsPerChannel", "origin",
// "compression", "strips", "rleScanlines", "colorMap", "colorMapLength"
// (each null when the library could not read it), "fileSize", "image"
// (false: not an image file) and "pixelFormat" ("rgb" or "rgba" as
// decoded, null when not loaded). Ends with a line end.
std::string reportsAsJson(const std::vector<FileReport>& reports);

}  // namespace tool

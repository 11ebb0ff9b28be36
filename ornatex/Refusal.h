// Why an image was not delivered, as a small set of codes. Each refusal
// also carries a one-line detail with the file's own numbers (Image::error,
// ImageInfo::problem); the code is what a program branches on or counts.
#pragma once

#include <ornatex/ornatexExport.h>

namespace ornatex {

enum class Refusal {
    none,         // not refused: the image was delivered
    cannotRead,   // the file could not be opened or read (the system's reason is in the detail)
    notAnImage,   // not a TGA, TIFF or SGI image
    tooLarge,     // more pixels or bytes than the limits allow
    truncated,    // the file ends before the data its header promises
    unsupported,  // a TGA, TIFF or SGI variant the loaders do not decode
    malformed,    // the header or its tables contradict themselves or the format
    noMemory,     // memory for the decoded image could not be had
};

// The one table of texts: a short phrase for each code ("not a TGA, TIFF
// or SGI image"), never null.
ORNATEX_API const char* refusalText(Refusal code);
// A stable lower-case name for each code, for scripts and JSON
// ("not_an_image"); never changes once released, never null.
ORNATEX_API const char* refusalName(Refusal code);

}  // namespace ornatex

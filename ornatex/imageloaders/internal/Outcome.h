// The outcome of a decoding step, internal to ornatex: success, or a
// refusal with its code, the check that refused, the field value it looked
// at and a one-line reason with the file's numbers. How a loader words a
// refusal is the loader's own business (its table in its wrapper).
#pragma once

#include <ornatex/Refusal.h>

#include <cstdarg>
#include <cstdint>
#include <string>

namespace ornatex::detail {

// The checks a loader may answer in words of its own, or not at all; every
// other refusal is `general` and its reason says it all.
enum class Check : unsigned char {
    general,
    noMemory,              // an allocation failed
    tgaImageType,          // value: the image type
    tiffByteOrder,         // not a little-endian (II) header
    tiffDirectoryOutside,  // the first directory lies outside the file
    tiffBigTiff,
    tiffPhotometric,  // value: PhotometricInterpretation
    tiffCompression,  // value: the compression
    tiffTiled,        // tiles and no strip arrays
    sgiChannels,      // value: the channel count
};

struct Outcome {
    Refusal code = Refusal::none;
    Check check = Check::general;
    std::uint32_t value = 0;
    std::string reason;  // one line, no line end; empty when not refused
    bool ok() const { return code == Refusal::none; }
};

// mingw formats with its own C99 printf (__USE_MINGW_ANSI_STDIO), whose
// formats gnu_printf names; plain printf there means msvcrt's.
#if defined(__MINGW32__)
#define ORNATEX_PRINTF_LIKE(f, a) __attribute__((format(gnu_printf, f, a)))
#elif defined(__GNUC__)
#define ORNATEX_PRINTF_LIKE(f, a) __attribute__((format(printf, f, a)))
#else
#define ORNATEX_PRINTF_LIKE(f, a)
#endif

// Formats like vprintf into one piece of at most 255 bytes (longer text is
// cut): the one formatter of refusal reasons and trace lines.
std::string formatLine(const char* format, std::va_list args);
std::string formatText(const char* format, ...) ORNATEX_PRINTF_LIKE(1, 2);

// A refusal of a general check whose reason is formatted like printf.
Outcome refuse(Refusal code, const char* format, ...) ORNATEX_PRINTF_LIKE(2, 3);

// A refusal of a named check, with the field value it looked at.
Outcome refuse(Check check, std::uint32_t value, Refusal code, const char* format, ...) ORNATEX_PRINTF_LIKE(4, 5);

}  // namespace ornatex::detail

// The outcome of a decoding step, internal to ornatex: success, or a
// refusal with its code, its one-line reason and how the matching loader
// reports it.
#pragma once

#include <ornatex/Refusal.h>

#include <string>

namespace ornatex {

// How the Part loader of the format reports a refusal.
enum class RefusalKind {
    none,          // not refused
    printed,       // the loader prints "<format> file refused: <reason>\n"
    quiet,         // the loader prints nothing (paths where its trace says enough)
    noMemory,      // an allocation failed; each loader reacts as its format's loader does
    tgaImageType,  // TGA image type not 2: the loader prints its unsupported-format message
};

struct Outcome {
    RefusalKind kind = RefusalKind::none;
    Refusal code = Refusal::none;
    std::string reason;  // one line, no line end; empty when not refused
    // For `printed`: when not empty, the loader prints this line instead of
    // "<format> file refused: <reason>" (where its words differ from the
    // reason). For `tgaImageType`: loadTGAraw's unsupported-format line.
    std::string loaderLine;
    bool ok() const { return kind == RefusalKind::none; }
};

// A refusal whose reason is formatted like printf.
Outcome refuse(RefusalKind kind, Refusal code, const char* format, ...)
// mingw formats with its own C99 printf (__USE_MINGW_ANSI_STDIO), whose
// formats gnu_printf names; plain printf there means msvcrt's.
#if defined(__MINGW32__)
    __attribute__((format(gnu_printf, 3, 4)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

}  // namespace ornatex

#include "Outcome.h"

#include <cstdarg>
#include <cstdio>

namespace ornatex {

Outcome refuse(RefusalKind kind, Refusal code, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Outcome outcome;
    outcome.kind = kind;
    outcome.code = code;
    outcome.reason.assign(text, n > 0 ? (n < int(sizeof text) ? std::size_t(n) : sizeof text - 1) : 0);
    return outcome;
}

}  // namespace ornatex

#include "TextSink.h"

#include <cstdarg>
#include <cstdio>

#include "Refusal.h"

namespace ornatex {

void TextSink::print(const char* format, ...) {
    if (!enabled()) return;
    char text[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0) write(text, n < int(sizeof text) ? std::size_t(n) : sizeof text - 1);
}

void StdoutSink::write(const char* text, std::size_t length) { std::fwrite(text, 1, length, stdout); }

Outcome refuse(RefusalKind kind, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Outcome outcome;
    outcome.kind = kind;
    outcome.reason.assign(text, n > 0 ? (n < int(sizeof text) ? std::size_t(n) : sizeof text - 1) : 0);
    return outcome;
}

}  // namespace ornatex

#include "TextSink.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "Outcome.h"

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

void printRefusal(TextSink& sink, const char* format, const Outcome& outcome) {
    if (!sink.enabled()) return;
    std::string line;
    if (outcome.kind == RefusalKind::printed && outcome.loaderLine.empty())
        line = std::string(format) + " file refused: " + outcome.reason + "\n";
    else if (outcome.kind == RefusalKind::printed || outcome.kind == RefusalKind::tgaImageType)
        line = outcome.loaderLine + "\n";
    sink.write(line.data(), line.size());
}

void StdoutSink::write(const char* text, std::size_t length) { std::fwrite(text, 1, length, stdout); }

}  // namespace ornatex

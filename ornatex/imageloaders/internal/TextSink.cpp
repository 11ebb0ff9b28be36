#include "TextSink.h"

#include <cstdarg>
#include <cstdio>

namespace ornatex::detail {

void TextSink::print(const char* format, ...) {
    if (!enabled()) return;
    va_list args;
    va_start(args, format);
    put(formatLine(format, args));
    va_end(args);
}

void StdoutSink::write(const char* text, std::size_t length) { std::fwrite(text, 1, length, stdout); }

}  // namespace ornatex::detail

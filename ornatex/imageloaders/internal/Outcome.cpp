#include "Outcome.h"

#include "LoaderLines.h"

#include <cstdio>

namespace ornatex::detail {

std::string formatLine(const char* format, std::va_list args) {
    char text[256];
    const int n = std::vsnprintf(text, sizeof text, format, args);
    return std::string(text, n > 0 ? (n < int(sizeof text) ? std::size_t(n) : sizeof text - 1) : 0);
}

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatLine(format, args);
    va_end(args);
    return text;
}

namespace {

Outcome refusal(Check check, std::uint32_t value, Refusal code, const char* format, va_list args) {
    Outcome outcome;
    outcome.code = code;
    outcome.check = check;
    outcome.value = value;
    outcome.reason = formatLine(format, args);
    return outcome;
}

}  // namespace

Outcome refuse(Refusal code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Outcome outcome = refusal(Check::general, 0, code, format, args);
    va_end(args);
    return outcome;
}

Outcome refuse(Check check, std::uint32_t value, Refusal code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Outcome outcome = refusal(check, value, code, format, args);
    va_end(args);
    return outcome;
}

std::string refusalLine(const LoaderLine* table, std::size_t entries, const char* format, const Outcome& outcome) {
    if (outcome.ok()) return std::string();
    for (std::size_t i = 0; i < entries; ++i) {
        if (table[i].check != outcome.check) continue;
        if (!table[i].line) return std::string();
        return formatText(table[i].line, static_cast<unsigned>(outcome.value)) + "\n";
    }
    return std::string(format) + " file refused: " + outcome.reason + "\n";
}

}  // namespace ornatex::detail

#include "StrictNumber.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tool {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Skips a run of digits from position i; returns how many there were.
std::size_t digits(const std::string& text, std::size_t& i) {
    const std::size_t from = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    return i - from;
}

bool isPlainDecimal(const std::string& text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissa = digits(text, i);
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits(text, i);
    }
    if (mantissa == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits(text, i) == 0) return false;
    }
    return i == text.size();
}

}  // namespace

bool parseFloat(const std::string& text, float& value) {
    if (!isPlainDecimal(text)) return false;
    errno = 0;
    const float parsed = std::strtof(text.c_str(), nullptr);
    if (errno == ERANGE && std::fabs(parsed) > 1.0f) return false;  // overflow; underflow reads as 0 or tiny
    if (!std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool parseCount(const std::string& text, unsigned low, unsigned high, unsigned& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (!isDigit(c)) return false;
    const unsigned long parsed = std::strtoul(text.c_str(), nullptr, 10);
    if (parsed < low || parsed > high) return false;
    value = static_cast<unsigned>(parsed);
    return true;
}

}  // namespace tool

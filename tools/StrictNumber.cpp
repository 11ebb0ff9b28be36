#include "StrictNumber.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

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

// Whether a plain decimal number is below 1 in magnitude: the power of ten
// of its first significant digit, with the exponent added, is negative. It
// tells a value too small for a float from one too large, which from_chars
// both answer as out of range.
bool belowOne(const std::string& text) {
    std::size_t i = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    long power = 0;  // of the first significant digit
    bool significant = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        if (significant) ++power;
        else if (text[i] != '0') significant = true;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i) {
            if (significant) continue;
            --power;
            if (text[i] != '0') significant = true;
        }
    }
    if (!significant) return true;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negative = text[i] == '-';
        if (text[i] == '+' || text[i] == '-') ++i;
        long exponent = 0;
        for (; i < text.size(); ++i) exponent = std::min(exponent * 10 + (text[i] - '0'), 100000000L);
        power += negative ? -exponent : exponent;
    }
    return power < 0;
}

}  // namespace

bool parseFloat(const std::string& text, float& value) {
    if (!isPlainDecimal(text)) return false;
    // from_chars takes no '+' sign; the form is checked above.
    const char* first = text.c_str() + (text[0] == '+' ? 1 : 0);
    const char* last = text.c_str() + text.size();
    float parsed = 0.0f;
    const std::from_chars_result r = std::from_chars(first, last, parsed, std::chars_format::general);
    if (r.ptr != last) return false;
    if (r.ec == std::errc::result_out_of_range) {
        if (!belowOne(text)) return false;  // too large for a float
        parsed = text[0] == '-' ? -0.0f : 0.0f;  // too small: reads as zero
    } else if (r.ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool parseCount(const std::string& text, unsigned low, unsigned high, unsigned& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (!isDigit(c)) return false;
    unsigned long parsed = 0;
    const char* last = text.c_str() + text.size();
    const std::from_chars_result r = std::from_chars(text.c_str(), last, parsed);
    if (r.ec != std::errc() || r.ptr != last || parsed < low || parsed > high) return false;
    value = static_cast<unsigned>(parsed);
    return true;
}

}  // namespace tool

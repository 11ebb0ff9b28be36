// Numbers on the command line, read strictly: plain decimal notation only,
// so that "0x10", "inf", "nan", " 1" or "1e" are refused instead of being
// read as something the user did not write.
#pragma once

#include <string>

namespace tool {

// [+-] digits [. digits] [e [+-] digits] (or .digits), finite as a float.
bool parseFloat(const std::string& text, float& value);

// Digits only, between low and high inclusive.
bool parseCount(const std::string& text, unsigned low, unsigned high, unsigned& value);

}  // namespace tool

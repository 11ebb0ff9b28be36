// Arithmetic shared by the primitives (internal, not installed).
#pragma once

#include <cmath>

namespace ornatex_rim {

// Rounds a double-precision result to single precision; a result with no
// meaning as a number (a division by zero, an overflow) becomes 0 so that
// no NaN or infinity reaches the vertex arrays.
inline float finiteOrZero(double value) {
    const float rounded = static_cast<float>(value);
    return std::isfinite(rounded) ? rounded : 0.0f;
}

// One coordinate of a rim point: centre + radius × cos or sin of the angle,
// computed in double precision and rounded to single.
inline float rimCoordinate(float centre, float radius, double trig) {
    return static_cast<float>(static_cast<double>(centre) + static_cast<double>(radius) * trig);
}

}  // namespace ornatex_rim

// Arithmetic shared by the primitives (internal, not installed).
#pragma once

#include <cmath>

namespace ornatex {
namespace detail {

// One coordinate of a rim point: centre + radius × cos or sin of the angle,
// computed in double precision and rounded to single.
inline float rimCoordinate(float centre, float radius, double trig) {
    return static_cast<float>(static_cast<double>(centre) + static_cast<double>(radius) * trig);
}

// Cosine and sine, in double precision, of the circles' 24 rim angles
// i × 0.2617994 (15 degrees; the angle in single precision). Computed once,
// on first use, and constant from then on.
struct RimTrig {
    static constexpr int points = 24;
    double cs[points], sn[points];
};

inline const RimTrig& rimTrig() {
    static const RimTrig table = [] {
        RimTrig t{};
        for (int i = 0; i < RimTrig::points; ++i) {
            const float theta = static_cast<float>(i) * 0.2617994f;
            t.cs[i] = std::cos(static_cast<double>(theta));
            t.sn[i] = std::sin(static_cast<double>(theta));
        }
        return t;
    }();
    return table;
}

}  // namespace detail
}  // namespace ornatex

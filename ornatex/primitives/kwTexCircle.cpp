#include <ornatex/primitives/kwTexCircle.h>

#include <cmath>

#include "RimMath.h"

namespace {
constexpr int rimPoints = 24;
constexpr float rimStep = 0.2617994f;  // 15 degrees in radians
}  // namespace

kwTexCircle::kwTexCircle(float radius, float centerX, float centerY, float) {
    using ornatex_rim::finiteOrZero;
    using ornatex_rim::rimCoordinate;
    // 1 / r in double precision, rounded to single; 0 when r is 0 (or so
    // small that the reciprocal overflows), where the scale has no meaning.
    const float k = finiteOrZero(1.0 / static_cast<double>(radius));
    vertexT2V3* rim = new vertexT2V3[rimPoints];
    for (int i = 0; i < rimPoints; ++i) {
        const float theta = static_cast<float>(i) * rimStep;
        const float x = rimCoordinate(centerX, radius, std::cos(static_cast<double>(theta)));
        const float y = rimCoordinate(centerY, radius, std::sin(static_cast<double>(theta)));
        rim[i] = {finiteOrZero(static_cast<double>(x) * k), finiteOrZero(static_cast<double>(y) * k), x, y, 0.0f};
    }
    drawMode = 6;  // triangle fan
    addCoordArray(rim, rimPoints);
}

kwTexCircle::~kwTexCircle() = default;

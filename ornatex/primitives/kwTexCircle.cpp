#include <ornatex/primitives/kwTexCircle.h>

#include <cmath>

#include "RimMath.h"

namespace {
constexpr int rimPoints = ornatex_rim::RimTrig::points;
}  // namespace

kwTexCircle::kwTexCircle(float radius, float centerX, float centerY, float) {
    using ornatex_rim::finiteOrZero;
    using ornatex_rim::rimCoordinate;
    const ornatex_rim::RimTrig& trig = ornatex_rim::rimTrig();
    // 1 / r in double precision, rounded to single; 0 when r is 0 (or so
    // small that the reciprocal overflows), where the scale has no meaning.
    const float k = finiteOrZero(1.0 / static_cast<double>(radius));
    vertexT2V3* rim = new vertexT2V3[rimPoints];
    for (int i = 0; i < rimPoints; ++i) {
        const float x = rimCoordinate(centerX, radius, trig.cs[i]);
        const float y = rimCoordinate(centerY, radius, trig.sn[i]);
        rim[i] = {finiteOrZero(static_cast<double>(x) * k), finiteOrZero(static_cast<double>(y) * k), x, y, 0.0f};
    }
    drawMode = kwDrawTriangleFan;
    addCoordArray(rim, rimPoints);
}

kwTexCircle::~kwTexCircle() = default;

#include <ornatex/primitives/kwTexCircle.h>

#include <memory>

#include "internal/RimMath.h"

namespace {
constexpr int rimPoints = ornatex::detail::RimTrig::points;
}  // namespace

kwTexCircle::kwTexCircle(float radius, float centerX, float centerY, float) {
    using ornatex::detail::rimCoordinate;
    const ornatex::detail::RimTrig& trig = ornatex::detail::rimTrig();
    // 1 / r in double precision, rounded to single; 0 when r is 0, where the
    // scale has no meaning. Any other radius keeps its reciprocal, even one
    // too large for single precision.
    const float k = radius == 0.0f ? 0.0f : static_cast<float>(1.0 / static_cast<double>(radius));
    std::unique_ptr<vertexT2V3[]> rim(new vertexT2V3[rimPoints]);
    for (int i = 0; i < rimPoints; ++i) {
        const float x = rimCoordinate(centerX, radius, trig.cs[i]);
        const float y = rimCoordinate(centerY, radius, trig.sn[i]);
        rim[i] = {static_cast<float>(static_cast<double>(x) * k), static_cast<float>(static_cast<double>(y) * k), x,
                  y, 0.0f};
    }
    drawMode = kwDrawTriangleFan;
    addCoordArray(rim.release(), rimPoints);
}

kwTexCircle::~kwTexCircle() = default;

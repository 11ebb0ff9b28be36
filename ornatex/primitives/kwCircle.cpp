#include <ornatex/primitives/kwCircle.h>

#include <memory>

#include "internal/RimMath.h"

namespace {
constexpr int rimPoints = ornatex::detail::RimTrig::points;
}  // namespace

kwCircle::kwCircle(float radius, float centerX, float centerY, float, bool filled) {
    using ornatex::detail::rimCoordinate;
    const ornatex::detail::RimTrig& trig = ornatex::detail::rimTrig();
    if (filled) {
        std::unique_ptr<vertexN3V3[]> rim(new vertexN3V3[rimPoints]);
        for (int i = 0; i < rimPoints; ++i) {
            rim[i] = {0.0f, 0.0f, 1.0f, rimCoordinate(centerX, radius, trig.cs[i]),
                      rimCoordinate(centerY, radius, trig.sn[i]), 0.0f};
        }
        drawMode = kwDrawTriangleFan;
        addCoordArray(rim.release(), rimPoints);
    } else {
        std::unique_ptr<vertexV2[]> rim(new vertexV2[rimPoints]);
        for (int i = 0; i < rimPoints; ++i) {
            rim[i] = {rimCoordinate(centerX, radius, trig.cs[i]),
                      rimCoordinate(centerY, radius, trig.sn[i])};
        }
        drawMode = kwDrawLineLoop;  // closed from point 23 back to point 0
        addCoordArray(rim.release(), rimPoints);
    }
    setColor(kwVec4(1.0f, 1.0f, 0.0f, 0.9f));
}

kwCircle::~kwCircle() = default;

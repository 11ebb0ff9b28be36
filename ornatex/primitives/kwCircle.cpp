#include <ornatex/primitives/kwCircle.h>

#include <cmath>

#include "RimMath.h"

namespace {
constexpr int rimPoints = 24;
constexpr float rimStep = 0.2617994f;  // 15 degrees in radians
}  // namespace

kwCircle::kwCircle(float radius, float centerX, float centerY, float, bool filled) {
    using ornatex_rim::rimCoordinate;
    if (filled) {
        vertexN3V3* rim = new vertexN3V3[rimPoints];
        for (int i = 0; i < rimPoints; ++i) {
            const float theta = static_cast<float>(i) * rimStep;
            rim[i] = {0.0f, 0.0f, 1.0f, rimCoordinate(centerX, radius, std::cos(static_cast<double>(theta))),
                      rimCoordinate(centerY, radius, std::sin(static_cast<double>(theta))), 0.0f};
        }
        drawMode = 6;  // triangle fan
        addCoordArray(rim, rimPoints);
    } else {
        vertexV2* rim = new vertexV2[rimPoints];
        for (int i = 0; i < rimPoints; ++i) {
            const float theta = static_cast<float>(i) * rimStep;
            rim[i] = {rimCoordinate(centerX, radius, std::cos(static_cast<double>(theta))),
                      rimCoordinate(centerY, radius, std::sin(static_cast<double>(theta)))};
        }
        drawMode = 2;  // line loop, closed from point 23 back to point 0
        addCoordArray(rim, rimPoints);
    }
    setColor(kwVec4(1.0f, 1.0f, 0.0f, 0.9f));
}

kwCircle::~kwCircle() = default;

#include <ornatex/primitives/kwCone.h>

#include <cmath>
#include <memory>

#include "RimMath.h"

namespace {
constexpr int sectors = 36;
constexpr int rings = 4;
constexpr float sectorStep = 0.17453294f;  // 10 degrees in radians
constexpr unsigned coneVertices = sectors * rings;           // 144
constexpr unsigned coneIndices = (sectors - 1) * (rings - 1) * 6;  // 630
}  // namespace

kwCone::kwCone(float a, float b, float length) {
    // Held until the hand-over, so that a failed second allocation does not
    // leak the first.
    std::unique_ptr<unsigned short[]> indexArray(new unsigned short[coneIndices]);
    std::unique_ptr<vertexN3V3[]> vertexArray(new vertexN3V3[coneVertices]);
    unsigned short* indices = indexArray.get();
    vertexN3V3* vertices = vertexArray.get();

    // (a - b) / L in double precision, rounded to single; 0 when L is 0.
    const float nx = ornatex_rim::finiteOrZero((static_cast<double>(a) - b) / length);
    const float halfLength = length * 0.5f;
    vertexN3V3* out = vertices;
    for (int s = 0; s < sectors; ++s) {
        const float theta = static_cast<float>(s) * sectorStep;
        const float sn = static_cast<float>(std::sin(static_cast<double>(theta)));
        const float cs = static_cast<float>(std::cos(static_cast<double>(theta)));
        for (int h = 0; h < rings; ++h) {
            const float r = static_cast<float>(a + h * (static_cast<double>(b) - a) / 3.0);
            const float x = static_cast<float>(h * static_cast<double>(length) / 3.0 - halfLength);
            *out++ = {nx, sn, cs, x, sn * r, cs * r};
        }
    }

    unsigned short* idx = indices;
    for (int s = 0; s < sectors - 1; ++s) {
        for (int h = 0; h < rings - 1; ++h) {
            const unsigned short n = static_cast<unsigned short>(rings * s + h);
            const unsigned short quad[6] = {n,
                                            static_cast<unsigned short>(n + 1),
                                            static_cast<unsigned short>(n + rings),
                                            static_cast<unsigned short>(n + rings),
                                            static_cast<unsigned short>(n + 1),
                                            static_cast<unsigned short>(n + rings + 1)};
            for (unsigned short q : quad) *idx++ = q;
        }
    }

    drawMode = 4;  // separate triangles
    addCoordArray(vertexArray.release(), indexArray.release(), coneVertices, coneIndices);
}

kwCone::~kwCone() = default;

#include <ornatex/primitives/kwCone.h>

#include <cmath>
#include <memory>

#include "internal/GridIndices.h"

namespace {
constexpr int sectors = 36;
constexpr int rings = 4;
constexpr float sectorStep = 0.17453294f;  // 10 degrees in radians
constexpr unsigned coneVertices = sectors * rings;           // 144
constexpr unsigned coneIndices = (sectors - 1) * (rings - 1) * 6;  // 630
static_assert(coneIndices == ornatex::detail::gridIndexCount(rings, sectors), "one cell per ring and sector step");
// Sine and cosine of the sector angles s × 0.17453294 (the angle in single
// precision), each rounded to single precision. Computed once, on first use,
// and constant from then on.
struct SectorTrig {
    float sn[sectors], cs[sectors];
};

const SectorTrig& sectorTrig() {
    static const SectorTrig table = [] {
        SectorTrig t{};
        for (int s = 0; s < sectors; ++s) {
            const float theta = static_cast<float>(s) * sectorStep;
            t.sn[s] = static_cast<float>(std::sin(static_cast<double>(theta)));
            t.cs[s] = static_cast<float>(std::cos(static_cast<double>(theta)));
        }
        return t;
    }();
    return table;
}

}  // namespace

kwCone::kwCone(float a, float b, float length) {
    // Held until the hand-over, so that a failed second allocation does not
    // leak the first.
    std::unique_ptr<unsigned short[]> indexArray(new unsigned short[coneIndices]);
    std::unique_ptr<vertexN3V3[]> vertexArray(new vertexN3V3[coneVertices]);
    unsigned short* indices = indexArray.get();
    vertexN3V3* vertices = vertexArray.get();

    // (a - b) / L in double precision, rounded to single; 0 when L is 0,
    // where the quotient has no meaning. Any other quotient is kept as it is,
    // even one too large for single precision.
    const float nx = length == 0.0f ? 0.0f : static_cast<float>((static_cast<double>(a) - b) / length);
    const float halfLength = length * 0.5f;
    // Ring h: radius a + h × (b - a) / 3 and x = h × L / 3 - L × 0.5, each in
    // double precision rounded to single; the same for every sector.
    float ringRadius[rings], ringX[rings];
    for (int h = 0; h < rings; ++h) {
        ringRadius[h] = static_cast<float>(a + h * (static_cast<double>(b) - a) / 3.0);
        ringX[h] = static_cast<float>(h * static_cast<double>(length) / 3.0 - halfLength);
    }
    const SectorTrig& trig = sectorTrig();
    vertexN3V3* out = vertices;
    for (int s = 0; s < sectors; ++s) {
        const float sn = trig.sn[s], cs = trig.cs[s];
        for (int h = 0; h < rings; ++h) *out++ = {nx, sn, cs, ringX[h], sn * ringRadius[h], cs * ringRadius[h]};
    }

    // Sectors are the grid's rows and rings its columns. Sector 35 is the
    // last row, so no cell joins it to sector 0: the wedge stays open.
    ornatex::detail::writeGridIndices(indices, rings, sectors, ornatex::detail::FirstStep::nextColumn);

    drawMode = kwDrawTriangles;
    addCoordArray(vertexArray.release(), indexArray.release(), coneVertices, coneIndices);
}

kwCone::~kwCone() = default;

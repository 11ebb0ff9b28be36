#include <ornatex/primitives/kwParametric.h>

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <typeinfo>

#include "RimMath.h"

namespace {

// A grid parameter: index × step + start, in double precision, rounded to
// single.
inline float gridParameter(std::uint32_t index, float step, float start) {
    return static_cast<float>(static_cast<double>(index) * step + start);
}

// The base texture coordinate in one direction: p / (stop - start) in double
// precision, rounded to single; 0 for a zero-width range (or a quotient too
// large for single precision), where the division has no meaning.
inline float sheetTexCoord(float p, float start, float stop) {
    const double width = static_cast<double>(stop) - start;
    return width == 0.0 ? 0.0f : ornatex_rim::finiteOrZero(p / width);
}

// Cells in one direction: (stop - start) / step in double precision, rounded
// to single and truncated toward zero. Clamped to ±2^40, far beyond any
// grid that fits in memory, so that the conversion to an integer is defined.
std::int64_t cellCount(float start, float stop, float step) {
    constexpr float limit = 1099511627776.0f;  // 2^40
    const float cells = static_cast<float>((static_cast<double>(stop) - start) / step);
    if (cells >= limit) return static_cast<std::int64_t>(limit);
    if (cells <= -limit) return -static_cast<std::int64_t>(limit);
    return static_cast<std::int64_t>(cells);
}

// Arrays are sized in bytes by 32-bit arithmetic on the platform the grid is
// made for; a grid whose sizes do not fit fails as an allocation would.
constexpr std::uint64_t sizeLimit = UINT32_MAX;

// Messages are whole lines on standard output, flushed at once.
void endMessage() { std::fflush(stdout); }

}  // namespace

kwParametric::kwParametric() { boundaryDirty = 1; }

kwParametric::~kwParametric() = default;

kwVec3 kwParametric::getVertex(float u, float v) { return kwVec3(u, 0.0f, v); }

kwVec3 kwParametric::getNormal(float, float) { return kwVec3(0.0f, 1.0f, 0.0f); }

kwVec2 kwParametric::getTexCoord(float u, float v) {
    return kwVec2(sheetTexCoord(u, startU, stopU), sheetTexCoord(v, startV, stopV));
}

void kwParametric::setStep(float u, float v) {
    stepU = u;
    stepV = v;
    boundaryDirty = 1;
    makeParentBoundary();
}

void kwParametric::setStart(float u, float v) {
    startU = u;
    startV = v;
    boundaryDirty = 1;
    makeParentBoundary();
}

void kwParametric::setStop(float u, float v) {
    stopU = u;
    stopV = v;
    boundaryDirty = 1;
    makeParentBoundary();
}

void kwParametric::update(kwContext* context) {
    if (!boundaryDirty) return;
    rebuild();
    Primitive::update(context);
}

void kwParametric::rebuild() {
    // The values of this rebuild, read once, so that a surface which calls a
    // setter from inside getVertex changes the next grid, not this one.
    const float su = stepU, sv = stepV, u0 = startU, v0 = startV, u1 = stopU, v1 = stopV;

    std::int64_t nu = 0, nv = 0;
    bool empty = false;
    if (!(su > 0.0f) || !(sv > 0.0f) || !std::isfinite(su) || !std::isfinite(sv)) {
        std::printf("kwParametric: the step (%g, %g) is not a positive finite number; the grid is empty\n", su, sv);
        endMessage();
        empty = true;
    } else if (!std::isfinite(u0) || !std::isfinite(v0) || !std::isfinite(u1) || !std::isfinite(v1)) {
        std::printf("kwParametric: the range (%g, %g) to (%g, %g) is not finite; the grid is empty\n", u0, v0, u1,
                    v1);
        endMessage();
        empty = true;
    } else {
        nu = cellCount(u0, u1, su);
        nv = cellCount(v0, v1, sv);
        if (nu == -1 || nv == -1) {
            // A stop less than two steps below its start: a grid without
            // vertices, drawn as an empty line strip.
            empty = true;
        } else if (nu < -1 || nv < -1) {
            std::printf("kwParametric: a stop lies two steps or more below its start (%" PRId64 " by %" PRId64
                        " cells); the grid is empty\n",
                        nu, nv);
            endMessage();
            empty = true;
        }
    }

    if (empty) {
        std::unique_ptr<unsigned short[]> indices(new unsigned short[0]);
        std::unique_ptr<vertexT2N3V3[]> vertices(new vertexT2N3V3[0]);
        drawMode = 3;  // line strip
        addCoordArray(vertices.release(), indices.release(), 0, 0);
        return;
    }

    // nu and nv are at least 0 here and at most 2^40.
    constexpr std::uint64_t rowLimit = sizeLimit / sizeof(vertexT2N3V3);
    if (static_cast<std::uint64_t>(nu) + 1 > rowLimit || static_cast<std::uint64_t>(nv) + 1 > rowLimit)
        throw std::bad_array_new_length();
    const std::uint64_t vertexCount64 = static_cast<std::uint64_t>(nu + 1) * static_cast<std::uint64_t>(nv + 1);
    const std::uint64_t indexCount64 = 6 * static_cast<std::uint64_t>(nu) * static_cast<std::uint64_t>(nv);
    if (vertexCount64 * sizeof(vertexT2N3V3) > sizeLimit || indexCount64 * sizeof(unsigned short) > sizeLimit)
        throw std::bad_array_new_length();
    const std::uint32_t columns = static_cast<std::uint32_t>(nu) + 1;
    const std::uint32_t rows = static_cast<std::uint32_t>(nv) + 1;
    const unsigned vertexCount = static_cast<unsigned>(vertexCount64);
    const unsigned indexCount = static_cast<unsigned>(indexCount64);

    std::unique_ptr<unsigned short[]> indexArray(new unsigned short[indexCount]);
    std::unique_ptr<vertexT2N3V3[]> vertexArray(new vertexT2N3V3[vertexCount]);
    vertexT2N3V3* const vertices = vertexArray.get();

    if (typeid(*this) == typeid(kwParametric)) {
        // The flat sheet of the base operations, without a call per vertex:
        // row 0 in full, then each further row as a copy of row 0 with its
        // own t and z. Same values as getVertex, getNormal and getTexCoord.
        const float t0 = sheetTexCoord(v0, v0, v1);
        for (std::uint32_t i = 0; i < columns; ++i) {
            const float u = gridParameter(i, su, u0);
            vertices[i] = {sheetTexCoord(u, u0, u1), t0, 0.0f, 1.0f, 0.0f, u, 0.0f, v0};
        }
        for (std::uint32_t j = 1; j < rows; ++j) {
            const float v = gridParameter(j, sv, v0);
            const float t = sheetTexCoord(v, v0, v1);
            vertexT2N3V3* row = vertices + static_cast<std::size_t>(j) * columns;
            for (std::uint32_t i = 0; i < columns; ++i) {
                row[i] = vertices[i];
                row[i].t = t;
                row[i].z = v;
            }
        }
    } else {
        vertexT2N3V3* out = vertices;
        for (std::uint32_t j = 0; j < rows; ++j) {
            const float v = gridParameter(j, sv, v0);
            for (std::uint32_t i = 0; i < columns; ++i) {
                const float u = gridParameter(i, su, u0);
                // Each result goes straight into its record, so that nothing
                // has to be kept across the next call.
                const kwVec3 p = getVertex(u, v);
                out->x = p.x;
                out->y = p.y;
                out->z = p.z;
                const kwVec3 n = getNormal(u, v);
                out->nx = n.x;
                out->ny = n.y;
                out->nz = n.z;
                const kwVec2 t = getTexCoord(u, v);
                out->s = t.x;
                out->t = t.y;
                ++out;
            }
        }
    }

    if (vertexCount > 65536)
    {
        std::printf("kwParametric: %u vertices are more than 16-bit indices address; the indices wrap modulo 65536\n",
                    vertexCount);
        endMessage();
    }

    // Indices are stored modulo 65536: the conversions to unsigned short
    // wrap. Row 0 of cells is written out; each further row is the row
    // below it plus one row of vertices, an addition that wraps the same way.
    if (rows > 1 && columns > 1) {
        unsigned short* const firstRow = indexArray.get();
        const std::size_t rowIndices = 6 * static_cast<std::size_t>(columns - 1);
        for (std::uint32_t i = 0; i + 1 < columns; ++i) {
            unsigned short* cell = firstRow + 6 * static_cast<std::size_t>(i);
            cell[0] = static_cast<unsigned short>(i);
            cell[1] = static_cast<unsigned short>(columns + i);
            cell[2] = static_cast<unsigned short>(i + 1);
            cell[3] = static_cast<unsigned short>(i + 1);
            cell[4] = static_cast<unsigned short>(columns + i);
            cell[5] = static_cast<unsigned short>(columns + i + 1);
        }
        for (std::uint32_t j = 1; j + 1 < rows; ++j) {
            const unsigned short offset = static_cast<unsigned short>(j * columns);
            unsigned short* row = firstRow + j * rowIndices;
            for (std::size_t k = 0; k < rowIndices; ++k)
                row[k] = static_cast<unsigned short>(firstRow[k] + offset);
        }
    }

    drawMode = 4;  // separate triangles
    addCoordArray(vertexArray.release(), indexArray.release(), vertexCount, indexCount);
}

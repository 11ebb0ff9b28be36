#include <ornatex/primitives/kwParametric.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <typeinfo>

#include <ornatex/primitives/GridPlan.h>

#include "internal/GridIndices.h"

namespace {

// A grid parameter: index × step + start, in double precision, rounded to
// single. Row and column 0 go through it too: 0 × step + (-0) is +0.
inline float gridParameter(std::uint32_t index, float step, float start) {
    return static_cast<float>(static_cast<double>(index) * step + start);
}

// The base texture coordinate in one direction: p / (stop - start) in double
// precision, rounded to single; 0 for a zero-width range, where the division
// has no meaning. Any other quotient is kept as it is, infinite or not a
// number included.
inline float sheetTexCoord(float p, float start, float stop) {
    const double width = static_cast<double>(stop) - start;
    return width == 0.0 ? 0.0f : static_cast<float>(p / width);
}

// Messages are whole lines on standard output, flushed at once.
void endMessage() { std::fflush(stdout); }

// The parameters of one rebuild, read once, so that a surface which calls a
// setter from inside getVertex changes the next grid, not this one. Compared
// bit by bit with the members after the rebuild: a NaN matches itself, and
// any setter that stored a different value shows.
struct GridParameters {
    float stepU, stepV, startU, startV, stopU, stopV;

    explicit GridParameters(const kwParametric& s)
        : stepU(s.stepU), stepV(s.stepV), startU(s.startU), startV(s.startV), stopU(s.stopU), stopV(s.stopV) {}
    bool sameAs(const kwParametric& s) const {
        const GridParameters now(s);
        return std::memcmp(this, &now, sizeof now) == 0;
    }
};

struct GridSize {
    std::uint32_t columns = 0, rows = 0;  // vertices in u and in v
    unsigned vertexCount = 0, indexCount = 0;
};

// Arrays are sized in bytes by 32-bit arithmetic on the platform the grid is
// made for; a grid whose sizes do not fit fails as an allocation would.
constexpr std::uint64_t sizeLimit = UINT32_MAX;

// Step 1: the grid's size, or no vertex at all (saying why when the
// parameters define no grid).
GridSize sizeGrid(const GridParameters& g) {
    const ornatex::GridPlan plan = ornatex::planGrid(g.stepU, g.stepV, g.startU, g.startV, g.stopU, g.stopV);
    if (!plan.reason.empty()) {
        std::printf("kwParametric: %s; the grid is empty\n", plan.reason.c_str());
        endMessage();
    }
    if (!plan.hasVertices()) return GridSize();
    constexpr double rowLimit = static_cast<double>(sizeLimit / sizeof(vertexT2N3V3));
    if (plan.cellsU + 1 > rowLimit || plan.cellsV + 1 > rowLimit) throw std::bad_array_new_length();
    const std::uint32_t columns = static_cast<std::uint32_t>(plan.cellsU) + 1;
    const std::uint32_t rows = static_cast<std::uint32_t>(plan.cellsV) + 1;
    const std::uint64_t vertexCount = std::uint64_t(columns) * rows;
    const std::uint64_t indexCount = ornatex::detail::gridIndexCount(columns, rows);
    if (vertexCount * sizeof(vertexT2N3V3) > sizeLimit || indexCount * sizeof(unsigned short) > sizeLimit)
        throw std::bad_array_new_length();
    return {columns, rows, static_cast<unsigned>(vertexCount), static_cast<unsigned>(indexCount)};
}

void warnIfIndicesWrap(unsigned vertexCount) {
    if (vertexCount <= 65536) return;
    std::printf("kwParametric: %u vertices are more than 16-bit indices address; the indices wrap modulo 65536\n",
                vertexCount);
    endMessage();
}

// The flat sheet of the base operations, without a call per vertex: row 0
// in full, then each further row as a copy of row 0 with its own t and z.
// Same values as getVertex, getNormal and getTexCoord give.
void fillSheet(vertexT2N3V3* vertices, const GridSize& size, const GridParameters& g) {
    for (std::uint32_t j = 0; j < size.rows; ++j) {
        const float v = gridParameter(j, g.stepV, g.startV);
        const float t = sheetTexCoord(v, g.startV, g.stopV);
        vertexT2N3V3* row = vertices + static_cast<std::size_t>(j) * size.columns;
        if (j == 0) {
            for (std::uint32_t i = 0; i < size.columns; ++i) {
                const float u = gridParameter(i, g.stepU, g.startU);
                row[i] = {sheetTexCoord(u, g.startU, g.stopU), t, 0.0f, 1.0f, 0.0f, u, 0.0f, v};
            }
            continue;
        }
        for (std::uint32_t i = 0; i < size.columns; ++i) {
            row[i] = vertices[i];
            row[i].t = t;
            row[i].z = v;
        }
    }
}

// A derived surface: the three operations through the virtual table, once
// each per vertex, in vertex order.
void askSurface(kwParametric& surface, vertexT2N3V3* out, const GridSize& size, const GridParameters& g) {
    for (std::uint32_t j = 0; j < size.rows; ++j) {
        const float v = gridParameter(j, g.stepV, g.startV);
        for (std::uint32_t i = 0; i < size.columns; ++i, ++out) {
            const float u = gridParameter(i, g.stepU, g.startU);
            // Each result goes straight into its record, so that nothing
            // has to be kept across the next call.
            const kwVec3 p = surface.getVertex(u, v);
            out->x = p.x;
            out->y = p.y;
            out->z = p.z;
            const kwVec3 n = surface.getNormal(u, v);
            out->nx = n.x;
            out->ny = n.y;
            out->nz = n.z;
            const kwVec2 t = surface.getTexCoord(u, v);
            out->s = t.x;
            out->t = t.y;
        }
    }
}

// Step 2: the vertex records: the base sheet directly, a derived surface
// through its three operations.
void fillVertices(kwParametric& surface, vertexT2N3V3* vertices, const GridSize& size, const GridParameters& g) {
    if (typeid(surface) == typeid(kwParametric))
        fillSheet(vertices, size, g);
    else
        askSurface(surface, vertices, size, g);
}

// Builds the grid of these parameters and hands it to the surface.
void buildGrid(kwParametric& surface, const GridParameters& g) {
    const GridSize size = sizeGrid(g);
    std::unique_ptr<unsigned short[]> indices(new unsigned short[size.indexCount]);
    std::unique_ptr<vertexT2N3V3[]> vertices(new vertexT2N3V3[size.vertexCount]);
    warnIfIndicesWrap(size.vertexCount);
    fillVertices(surface, vertices.get(), size, g);
    ornatex::detail::writeGridIndices(indices.get(), size.columns, size.rows, ornatex::detail::FirstStep::nextRow);
    // A grid without any vertex is an empty line strip.
    surface.drawMode = size.vertexCount ? kwDrawTriangles : kwDrawLineStrip;
    surface.addCoordArray(vertices.release(), indices.release(), size.vertexCount, size.indexCount);
}

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
    // The flag stays set while the grid is built: the surface sees it set,
    // and an update it starts meanwhile builds too.
    const GridParameters built(*this);
    buildGrid(*this, built);
    Primitive::update(context);
    // Primitive::update ran the children's updates and then cleared the
    // flag. A setter that ran since the parameters were read (from the
    // surface's operations or from a child) asks for another grid.
    if (!built.sameAs(*this)) boundaryDirty = 1;
}

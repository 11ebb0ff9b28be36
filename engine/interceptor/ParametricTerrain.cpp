#include <interceptor/ParametricTerrain.h>

#include <cmath>

#include <interceptor/Interceptor.h>
#include <interceptor/SceneCoordinates.h>

namespace {

constexpr int cells = ParametricTerrain::gridSize - 1;
constexpr unsigned vertexCount = unsigned(ParametricTerrain::gridSize * ParametricTerrain::gridSize);
constexpr unsigned indexCount = unsigned(cells * cells * 6);
static_assert(vertexCount <= 65536, "grid indices must fit in 16 bits");

// The height field: h(x, z) = -1.5 + a sin(kx x) cos(kz z) + b sin(px x + pz z).
constexpr double a = 0.7, kx = 0.31, kz = 0.27;
constexpr double b = 0.4, px = 0.83, pz = 0.61;

double height(double x, double z) { return -1.5 + a * std::sin(kx * x) * std::cos(kz * z) + b * std::sin(px * x + pz * z); }

// The factors of one grid column (x) or row (z) of the height field, shared
// by every vertex on it.
struct Wave {
    double sine, cosine;
};

// Lattice indices are whole numbers held in doubles: exact up to 2^53, and
// no integer overflow however far a position lies.
double latticeCoordinate(double index) { return index * double(ParametricTerrain::gridSpacing); }

double latticeIndex(float centre) {
    // Tile centres are whole multiples of the tile size, a whole number of cells.
    return std::round(double(centre) / double(ParametricTerrain::gridSpacing));
}

}  // namespace

// The corner of a square view with a 60 degree field of view (tan 30 =
// 0.57735) from viewAbove over the ceiling down to the lowest ground, plus
// the half-diagonal of a tile.
static_assert(ParametricTerrain::coverage() >=
                  (Interceptor::maxHeight + ParametricTerrain::viewAbove - ParametricTerrain::lowest) * 0.57736f *
                          1.41422f +
                      ParametricTerrain::terrainTileSize * 0.70711f,
              "the block must cover the view at the ceiling");

float ParametricTerrain::heightAt(float x, float z) { return float(height(x, z)); }

ParametricTerrain::ParametricTerrain()
    : TileTerrain(terrainTileSize),
      mesh(new PrimitiveIndexed),
      vertices(new vertexN3V3[vertexCount]),
      indices(new unsigned short[indexCount]) {
    // Two counter-clockwise triangles per cell, seen from above.
    unsigned k = 0;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const unsigned short a0 = static_cast<unsigned short>(j * gridSize + i);
            const unsigned short b0 = static_cast<unsigned short>(a0 + 1);
            const unsigned short c0 = static_cast<unsigned short>(a0 + gridSize);
            const unsigned short d0 = static_cast<unsigned short>(c0 + 1);
            indices[k++] = a0; indices[k++] = c0; indices[k++] = b0;
            indices[k++] = b0; indices[k++] = c0; indices[k++] = d0;
        }
    mesh->drawMode = kwDrawTriangles;
    rebuild();
    addChild(mesh);
}

ParametricTerrain::~ParametricTerrain() = default;  // the mesh, a child, owns the arrays

void ParametricTerrain::tileChanged() { dirty = true; }

void ParametricTerrain::rebuild() {
    // Lattice indices of the first column and row: the block's corner.
    const double i0 = latticeIndex(centerPos.x) - cells / 2;
    const double j0 = latticeIndex(centerPos.y) - cells / 2;
    Wave column[gridSize], row[gridSize];
    for (int i = 0; i < gridSize; ++i) {
        const double x = latticeCoordinate(i0 + i);
        column[i] = {std::sin(kx * x), std::cos(kx * x)};
    }
    for (int j = 0; j < gridSize; ++j) {
        const double z = latticeCoordinate(j0 + j);
        row[j] = {std::sin(kz * z), std::cos(kz * z)};
    }
    vertexN3V3* v = vertices;
    for (int j = 0; j < gridSize; ++j) {
        const double z = latticeCoordinate(j0 + j);
        for (int i = 0; i < gridSize; ++i, ++v) {
            const double x = latticeCoordinate(i0 + i);
            const double phase = px * x + pz * z;
            const double sp = std::sin(phase), cp = std::cos(phase);
            const double y = -1.5 + a * column[i].sine * row[j].cosine + b * sp;
            // Normal of the surface y = h(x, z): (-dh/dx, 1, -dh/dz), normalised.
            const double nx = -(a * kx * column[i].cosine * row[j].cosine + b * px * cp);
            const double nz = -(-a * kz * column[i].sine * row[j].sine + b * pz * cp);
            const double len = std::sqrt(nx * nx + 1.0 + nz * nz);
            *v = vertexN3V3{float(nx / len), float(1.0 / len), float(nz / len), float(x), float(y), float(z)};
        }
    }
    // Same arrays again: the primitive keeps them and uploads them anew.
    mesh->addCoordArray(vertices, indices, vertexCount, indexCount);
    mesh->boundaryDirty = 1;
    mesh->makeParentBoundary();
    ++rebuilds;
    dirty = false;
}

void ParametricTerrain::positionChanged() {
    // (x, z, height) in scene coordinates back to a point of this node's plane.
    kwVec3 p(currentPos.x, currentPos.z, currentPos.y);
    if (interceptor::sceneToParent(this, p)) recenter(p.x, p.z);
}

void ParametricTerrain::update(kwContext* context) {
    // The transforms above may have changed since the position was given.
    positionChanged();
    if (dirty) rebuild();
    TileTerrain::update(context);
}

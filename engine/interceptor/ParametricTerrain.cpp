#include <interceptor/ParametricTerrain.h>

#include <cmath>

#include <interceptor/SceneCoordinates.h>

namespace {

constexpr int cells = ParametricTerrain::gridSize - 1;
constexpr unsigned vertexCount = unsigned(ParametricTerrain::gridSize * ParametricTerrain::gridSize);
constexpr unsigned indexCount = unsigned(cells * cells * 6);
static_assert(vertexCount <= 65536, "grid indices must fit in 16 bits");

// The height function and its partial derivatives.
double h(double x, double z) {
    return -1.5 + 0.7 * std::sin(0.31 * x) * std::cos(0.27 * z) + 0.4 * std::sin(0.83 * x + 0.61 * z);
}
double dhdx(double x, double z) {
    return 0.7 * 0.31 * std::cos(0.31 * x) * std::cos(0.27 * z) + 0.4 * 0.83 * std::cos(0.83 * x + 0.61 * z);
}
double dhdz(double x, double z) {
    return -0.7 * 0.27 * std::sin(0.31 * x) * std::sin(0.27 * z) + 0.4 * 0.61 * std::cos(0.83 * x + 0.61 * z);
}

}  // namespace

float ParametricTerrain::heightAt(float x, float z) { return float(h(x, z)); }

ParametricTerrain::ParametricTerrain()
    : TileTerrain(terrainTileSize),
      mesh(new PrimitiveIndexed),
      vertices(new vertexN3V3[vertexCount]),
      indices(new unsigned short[indexCount]) {
    // Two counter-clockwise triangles per cell, seen from above.
    unsigned k = 0;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const unsigned short a = static_cast<unsigned short>(j * gridSize + i);
            const unsigned short b = static_cast<unsigned short>(a + 1);
            const unsigned short c = static_cast<unsigned short>(a + gridSize);
            const unsigned short d = static_cast<unsigned short>(c + 1);
            indices[k++] = a; indices[k++] = c; indices[k++] = b;
            indices[k++] = b; indices[k++] = c; indices[k++] = d;
        }
    mesh->drawMode = 4;
    rebuild();
    addChild(mesh);
}

ParametricTerrain::~ParametricTerrain() = default;  // the mesh, a child, owns the arrays

void ParametricTerrain::tileChanged() { dirty = true; }

void ParametricTerrain::rebuild() {
    const double x0 = double(centerPos.x) - cells / 2 * double(gridSpacing);
    const double z0 = double(centerPos.y) - cells / 2 * double(gridSpacing);
    for (int j = 0; j < gridSize; ++j)
        for (int i = 0; i < gridSize; ++i) {
            const double x = x0 + i * double(gridSpacing), z = z0 + j * double(gridSpacing);
            // Normal of the surface y = h(x, z): (-dh/dx, 1, -dh/dz), normalised.
            const double nx = -dhdx(x, z), nz = -dhdz(x, z);
            const double len = std::sqrt(nx * nx + 1.0 + nz * nz);
            vertices[j * gridSize + i] =
                vertexN3V3{float(nx / len), float(1.0 / len), float(nz / len), float(x), float(h(x, z)), float(z)};
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
    if (dirty) rebuild();
    TileTerrain::update(context);
}

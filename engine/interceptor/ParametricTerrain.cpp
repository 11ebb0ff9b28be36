#include <interceptor/ParametricTerrain.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include <interceptor/SceneCoordinates.h>

namespace {

using Terrain = ParametricTerrain;

// Positions in the plane are counted in level 0 lattice steps (whole numbers
// held in doubles: exact up to 2^53, and no integer overflow however far a
// position lies); a level L vertex lies every 3^L steps.
constexpr double step0 = Terrain::gridSpacing;
constexpr int maxSide = Terrain::innerTiles * Terrain::tileCells + 1;  // vertices along level 0's side
constexpr int ringSide = Terrain::ringTiles * Terrain::tileCells + 1;
static_assert(maxSide * maxSide <= 65536 && ringSide * ringSide <= 65536, "grid indices must fit in 16 bits");
static_assert(Terrain::innerTiles % Terrain::levelFactor == 0 && Terrain::ringTiles % Terrain::levelFactor == 0,
              "a level's block must be whole tiles of the level above");

// The height field: h(x, z) = -1.5 + a sin(kx x) cos(kz z) + b sin(px x + pz z):
// hills, and ripples across them.
constexpr double a = 0.7, kx = 0.31, kz = 0.27;
constexpr double b = 0.4, px = 0.83, pz = 0.61;
constexpr double meanHeight = -1.5;
constexpr double twoPi = 6.283185307179586;
// Shortest wavelengths of the hills and of the ripples, and the lattice
// step a level needs to show them: three steps a wavelength.
const double hillWavelength = twoPi / std::max(kx, kz);
const double rippleWavelength = twoPi / std::hypot(px, pz);
constexpr double stepsPerWavelength = 3.0;

// The view: the corner of a square window with a 60 degree vertical field
// of view lies tan 30 * sqrt 2 from the axis at unit depth; the cone through
// the corners holds the whole picture however the camera is turned about
// its axis. It is sampled by 16 rays, whose polygon falls short of the
// cone by at most 1 - cos(pi / 16); the margin makes up for it.
constexpr double cornerSlope = 0.57735026918962576 * 1.4142135623730951;
constexpr int viewRays = 16;
constexpr double coneMargin = 1.02;

double power3(int level) {
    double p = 1.0;
    for (int i = 0; i < level; ++i) p *= Terrain::levelFactor;
    return p;
}
double levelStep(int level) { return power3(level); }
double tileSteps(int level) { return Terrain::tileCells * power3(level); }
int blockTiles(int level) { return level == 0 ? Terrain::innerTiles : Terrain::ringTiles; }
int sideVertices(int level) { return blockTiles(level) * Terrain::tileCells + 1; }
// Half the side of a level's block, in level 0 steps.
double halfSide(int level) { return blockTiles(level) * tileSteps(level) / 2.0; }
// Centre, in level 0 steps, of the level's tile that holds plane coordinate u (steps).
double tileCentre(double u, int level) {
    const double t = tileSteps(level);
    return std::floor(u / t + 0.5) * t;
}

// Which parts of the height field a level shows.
struct Detail {
    bool hills, ripples;
};
Detail detailOf(int level) {
    const double spacing = levelStep(level) * step0;
    return {spacing * stepsPerWavelength <= hillWavelength, spacing * stepsPerWavelength <= rippleWavelength};
}

// Height and slope (dh/dx, dh/dz) at a plane point.
struct Sample {
    double y, dx, dz;
};
// sin and cos of kx x (a column) or kz z (a row), shared along it.
struct Wave {
    double sine, cosine;
};
Sample sampleAt(double x, double z, const Wave& column, const Wave& row, Detail detail) {
    Sample s{meanHeight, 0.0, 0.0};
    if (detail.hills) {
        s.y += a * column.sine * row.cosine;
        s.dx += a * kx * column.cosine * row.cosine;
        s.dz -= a * kz * column.sine * row.sine;
    }
    if (detail.ripples) {
        const double phase = px * x + pz * z;
        const double cp = std::cos(phase);
        s.y += b * std::sin(phase);
        s.dx += b * px * cp;
        s.dz += b * pz * cp;
    }
    return s;
}
Sample sampleAt(double x, double z, Detail detail) {
    if (!detail.hills) return sampleAt(x, z, Wave{}, Wave{}, detail);
    return sampleAt(x, z, Wave{std::sin(kx * x), std::cos(kx * x)}, Wave{std::sin(kz * z), std::cos(kz * z)},
                    detail);
}

vertexN3V3 vertexOf(double x, double z, const Sample& s) {
    // Normal of the surface y = h(x, z): (-dh/dx, 1, -dh/dz), normalised.
    const double len = std::sqrt(s.dx * s.dx + 1.0 + s.dz * s.dz);
    return vertexN3V3{float(-s.dx / len), float(1.0 / len), float(-s.dz / len), float(x), float(s.y), float(z)};
}

}  // namespace

float ParametricTerrain::heightAt(float x, float z) { return float(sampleAt(x, z, Detail{true, true}).y); }

double ParametricTerrain::reach(int level) {
    if (level < 0) return 0.0;
    // The viewer stands within the tile of the next level up that the
    // block is centred on.
    return (halfSide(level) - tileSteps(level + 1) / 2.0) * step0;
}

ParametricTerrain::ParametricTerrain() : TileTerrain(terrainTileSize) {
    layOut(0.0, 0.0, 1);
    wantedCount = 1;
    build(0);
    builtCount = 1;
    rebuilds = 1;
}

ParametricTerrain::~ParametricTerrain() = default;  // the meshes, children, own the arrays

const PrimitiveIndexed* ParametricTerrain::getLevelMesh(int level) const {
    return level >= 0 && level < maxLevels ? levels[level].mesh : nullptr;
}

void ParametricTerrain::layOut(double viewerX, double viewerZ, int count) {
    for (int level = 0; level < count; ++level) {
        Layout& w = wanted[level];
        w.centreX = tileCentre(viewerX, level + 1);
        w.centreZ = tileCentre(viewerZ, level + 1);
        // The finer level's block, which this one leaves out.
        w.holeX = level > 0 ? tileCentre(viewerX, level) : 0.0;
        w.holeZ = level > 0 ? tileCentre(viewerZ, level) : 0.0;
        w.surrounded = level + 1 < count;
    }
    wantedCount = count;
}

void ParametricTerrain::build(int level) {
    Level& lv = levels[level];
    const Layout& w = wanted[level];
    const int n = sideVertices(level);
    const double step = levelStep(level);
    const double x0 = w.centreX - halfSide(level), z0 = w.centreZ - halfSide(level);
    const int cells = n - 1;
    if (!lv.mesh) {
        lv.vertices = new vertexN3V3[unsigned(n * n)];
        lv.indices = new unsigned short[unsigned(cells * cells * 6)];
        lv.mesh = new PrimitiveIndexed;
        lv.mesh->drawMode = kwDrawTriangles;
        addChild(lv.mesh);
    }

    // Vertices. The lattice coordinate of column i is (x0 + i step) steps.
    const Detail own = detailOf(level), coarse = detailOf(level + 1);
    Wave column[maxSide], row[maxSide];
    for (int i = 0; i < n; ++i) {
        const double x = (x0 + i * step) * step0, z = (z0 + i * step) * step0;
        column[i] = {std::sin(kx * x), std::cos(kx * x)};
        row[i] = {std::sin(kz * z), std::cos(kz * z)};
    }
    const int f = levelFactor;
    vertexN3V3* v = lv.vertices;
    for (int j = 0; j < n; ++j) {
        const double z = (z0 + j * step) * step0;
        for (int i = 0; i < n; ++i, ++v) {
            const double x = (x0 + i * step) * step0;
            const bool edge = i == 0 || j == 0 || i == cells || j == cells;
            if (!w.surrounded || !edge) {
                *v = vertexOf(x, z, sampleAt(x, z, column[i], row[j], own));
                continue;
            }
            // The outer edge of a level inside a coarser one: the coarser
            // level's edge, straight between its vertices every f of ours
            // (the block's corners are coarse vertices).
            const bool alongX = j == 0 || j == cells;
            const int k = alongX ? i : j;
            const int r = k % f;
            if (r == 0) {
                *v = vertexOf(x, z, sampleAt(x, z, coarse));
                continue;
            }
            const double from = ((alongX ? x0 : z0) + (k - r) * step) * step0;
            const double to = ((alongX ? x0 : z0) + (k - r + f) * step) * step0;
            const Sample s0 = alongX ? sampleAt(from, z, coarse) : sampleAt(x, from, coarse);
            const Sample s1 = alongX ? sampleAt(to, z, coarse) : sampleAt(x, to, coarse);
            const double t = double(r) / f;
            *v = vertexOf(x, z, Sample{s0.y + t * (s1.y - s0.y), s0.dx + t * (s1.dx - s0.dx),
                                       s0.dz + t * (s1.dz - s0.dz)});
        }
    }

    // Indices: two counter-clockwise triangles per cell, seen from above,
    // leaving out the cells of the finer level's block.
    long long hole0 = 0, hole1 = 0, holeZ0 = 0, holeZ1 = 0;
    if (level > 0) {
        const double h = halfSide(level - 1);
        hole0 = std::llround((w.holeX - h - x0) / step);
        hole1 = std::llround((w.holeX + h - x0) / step);
        holeZ0 = std::llround((w.holeZ - h - z0) / step);
        holeZ1 = std::llround((w.holeZ + h - z0) / step);
    }
    unsigned count = 0;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            if (level > 0 && i >= hole0 && i < hole1 && j >= holeZ0 && j < holeZ1) continue;
            const unsigned short a0 = static_cast<unsigned short>(j * n + i);
            const unsigned short b0 = static_cast<unsigned short>(a0 + 1);
            const unsigned short c0 = static_cast<unsigned short>(a0 + n);
            const unsigned short d0 = static_cast<unsigned short>(c0 + 1);
            unsigned short* out = lv.indices + count;
            out[0] = a0; out[1] = c0; out[2] = b0;
            out[3] = b0; out[4] = c0; out[5] = d0;
            count += 6;
        }

    // Same arrays again: the primitive keeps them and uploads them anew.
    lv.mesh->addCoordArray(lv.vertices, lv.indices, unsigned(n * n), count);
    lv.mesh->boundaryDirty = 1;
    lv.mesh->makeParentBoundary();
    lv.built = w;
    lv.drawn = true;
    ++levelRebuilds;
}

void ParametricTerrain::hide(int level) {
    Level& lv = levels[level];
    const int n = sideVertices(level);
    lv.mesh->addCoordArray(lv.vertices, lv.indices, unsigned(n * n), 0);
    lv.mesh->boundaryDirty = 1;
    lv.mesh->makeParentBoundary();
    lv.drawn = false;
}

void ParametricTerrain::positionChanged() {
    interceptor::SceneToParent toPlane;
    if (!interceptor::sceneToParent(this, toPlane)) return;
    // (x, z, height) in scene coordinates; the viewer and the camera above it.
    const double vx = currentPos.x, vy = currentPos.z, vz = currentPos.y;
    double p[3], eye[3];
    toPlane.apply(vx, vy, vz, p);
    recenter(float(p[0]), float(p[2]));
    toPlane.apply(vx, vy + viewAbove, vz, eye);

    // How far the view reaches on the lowest ground, in this node's units.
    double farthest = 0.0;
    for (int k = 0; k < viewRays; ++k) {
        const double angle = twoPi * k / viewRays;
        double q[3];
        toPlane.apply(vx + cornerSlope * std::cos(angle), vy + viewAbove - 1.0, vz + cornerSlope * std::sin(angle), q);
        const double dx = q[0] - eye[0], dy = q[1] - eye[1], dz = q[2] - eye[2];
        if (!(dy < 0.0)) {  // this ray never comes down to the ground: the horizon is in view
            farthest = std::numeric_limits<double>::infinity();
            break;
        }
        const double t = std::max(0.0, (double(lowest) - eye[1]) / dy);
        farthest = std::max(farthest, std::hypot(eye[0] + t * dx - p[0], eye[2] + t * dz - p[2]));
    }
    viewReach = farthest * coneMargin;

    int count = 1;
    while (count < maxLevels && !(reach(count - 1) >= viewReach)) ++count;
    layOut(p[0] / step0, p[2] / step0, count);
}

void ParametricTerrain::update(kwContext* context) {
    // The transforms above may have changed since the position was given.
    positionChanged();
    bool changed = false;
    for (int level = 0; level < wantedCount; ++level)
        if (!levels[level].drawn || !(levels[level].built == wanted[level])) {
            build(level);
            changed = true;
        }
    for (int level = wantedCount; level < builtCount; ++level) {
        hide(level);
        changed = true;
    }
    builtCount = wantedCount;
    if (changed) ++rebuilds;
    TileTerrain::update(context);
}

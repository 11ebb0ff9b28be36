#include <interceptor/ParametricTerrain.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <interceptor/SceneCoordinates.h>

namespace {

using Terrain = ParametricTerrain;

// Positions in the plane are counted in level 0 lattice steps (whole numbers
// held in doubles: exact up to 2^53, and no integer overflow however far a
// position lies); a level L vertex lies every 3^L steps.
constexpr double step0 = Terrain::gridSpacing;
constexpr int cells = Terrain::blockTiles * Terrain::tileCells;  // cells along a block's side
constexpr int side = cells + 1;                                   // vertices along it
constexpr int coarseSide = cells / Terrain::levelFactor + 1;      // coarser level's vertices along it
static_assert(side * side <= 65536, "grid indices must fit in 16 bits");
static_assert(Terrain::blockTiles % Terrain::levelFactor == 0, "a level's block must be whole tiles of the level above");

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

// The view: a window of aspect w / h with a 60 degree vertical field of view
// has its corners sqrt(1 + aspect^2) tan 30 from the axis at unit depth; the
// cone through the corners holds the whole picture however the camera is
// turned about its axis. It is sampled by 16 rays, whose polygon falls short
// of the cone by at most 1 - cos(pi / 16); the margin makes up for it.
constexpr double tan30 = 0.57735026918962576;
constexpr int viewRays = 16;
constexpr double coneMargin = 1.02;

// The finest level's cells, as a share of the camera's height above the
// mean plane, at which its vertices start to slide onto the next level's,
// and at which they are there (it goes at morphEnd / 9: by then it is the
// next level, bit for bit).
constexpr double collapseStart = Terrain::morphEnd / 4.5;
constexpr double collapseEnd = Terrain::morphEnd / 8.0;

double power3(int level) {
    double p = 1.0;
    for (int i = 0; i < level; ++i) p *= Terrain::levelFactor;
    return p;
}
double tileSteps(int level) { return Terrain::tileCells * power3(level); }
// Half the side of a level's block, in level 0 steps.
double halfSide(int level) { return cells * power3(level) / 2.0; }
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
    const double spacing = power3(level) * step0;
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
Wave columnWave(double x) { return {std::sin(kx * x), std::cos(kx * x)}; }
Wave rowWave(double z) { return {std::sin(kz * z), std::cos(kz * z)}; }
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

vertexN3V3 vertexOf(double x, double z, const Sample& s) {
    // Normal of the surface y = h(x, z): (-dh/dx, 1, -dh/dz), normalised.
    const double len = std::sqrt(s.dx * s.dx + 1.0 + s.dz * s.dz);
    return vertexN3V3{float(-s.dx / len), float(1.0 / len), float(-s.dz / len), float(x), float(s.y), float(z)};
}

// A level's grid of vertex records, the surface that a finer level morphs
// toward: `side` x `side` records, the first at lattice point (x0, z0)
// steps, `step` steps apart.
struct Grid {
    const vertexN3V3* records;
    int side;
    double x0, z0, step;
    const vertexN3V3& at(int i, int j) const { return records[j * side + i]; }
};

// Height and normal of the grid's triangles at its cell (ic, jc), a third
// of a cell in along x (u) and z (v) times 0, 1 or 2: the same two triangles
// a level draws a cell with, split along the diagonal from (ic + 1, jc) to
// (ic, jc + 1).
struct Surface {
    double y, nx, ny, nz;
};
Surface surfaceAt(const Grid& g, int ic, int jc, int ru, int rv) {
    const vertexN3V3* p0;
    const vertexN3V3* p1;
    const vertexN3V3* p2;
    double u, v;
    if (ru + rv <= Terrain::levelFactor) {
        p0 = &g.at(ic, jc), p1 = &g.at(ru ? ic + 1 : ic, jc), p2 = &g.at(ic, rv ? jc + 1 : jc);
        u = ru / 3.0, v = rv / 3.0;
    } else {
        p0 = &g.at(ic + 1, jc + 1), p1 = &g.at(ic, jc + 1), p2 = &g.at(ic + 1, jc);
        u = 1.0 - ru / 3.0, v = 1.0 - rv / 3.0;
    }
    auto mix = [u, v](float c0, float c1, float c2) { return c0 + u * (double(c1) - c0) + v * (double(c2) - c0); };
    return {mix(p0->y, p1->y, p2->y), mix(p0->nx, p1->nx, p2->nx), mix(p0->ny, p1->ny, p2->ny),
            mix(p0->nz, p1->nz, p2->nz)};
}

// How far a vertex has morphed toward the coarser level: 0 while its cell
// spans morphStart of its distance from the camera or more, 1 from morphEnd
// down, linear in between.
double morphOf(double cellUnits, double distance) {
    if (!(distance > 0.0)) return 0.0;
    const double r = cellUnits / distance;
    return std::min(1.0, std::max(0.0, (Terrain::morphStart - r) / (Terrain::morphStart - Terrain::morphEnd)));
}

}  // namespace

float ParametricTerrain::heightAt(float x, float z) {
    return float(sampleAt(x, z, columnWave(x), rowWave(z), Detail{true, true}).y);
}

double ParametricTerrain::reach(int level) {
    if (level < 0) return 0.0;
    // The viewer stands within the tile of the next level up that the
    // block is centred on.
    return (halfSide(level) - tileSteps(level + 1) / 2.0) * step0;
}

ParametricTerrain::ParametricTerrain() : TileTerrain(terrainTileSize) {
    eye[1] = viewAbove;
    viewReach = builtReach = std::numeric_limits<double>::infinity();  // no view measured yet
    layOut(0.0, 0.0, 0, 1);
    sample(0);
    build(0);
    levels[0].built = wanted[0];
    ++levelRebuilds;
    builtCount = 1;
    builtEye[1] = eye[1];
    rebuilds = 1;
}

ParametricTerrain::~ParametricTerrain() = default;  // the meshes, children, own the arrays

const PrimitiveIndexed* ParametricTerrain::getLevelMesh(int slot) const {
    return slot >= 0 && slot < maxLevels ? levels[slot].mesh : nullptr;
}

unsigned ParametricTerrain::getTriangleCount() const {
    unsigned triangles = 0;
    for (int slot = 0; slot < builtCount; ++slot) triangles += levels[slot].mesh->getIndexCount() / 3;
    return triangles;
}

void ParametricTerrain::setViewAspect(double aspect) {
    if (aspect > 0.0 && std::isfinite(aspect)) viewAspect = aspect;
}

void ParametricTerrain::layOut(double viewerX, double viewerZ, int finest, int count) {
    for (int slot = 0; slot < count; ++slot) {
        const int level = finest + slot;
        Layout& w = wanted[slot];
        w.level = level;
        w.centreX = tileCentre(viewerX, level + 1);
        w.centreZ = tileCentre(viewerZ, level + 1);
        // The finer level's block, which this one leaves out.
        w.holed = slot > 0;
        w.holeX = w.holed ? tileCentre(viewerX, level) : 0.0;
        w.holeZ = w.holed ? tileCentre(viewerZ, level) : 0.0;
        w.surrounded = slot + 1 < count;
    }
    wantedCount = count;
}

void ParametricTerrain::sample(int slot) {
    Level& lv = levels[slot];
    const Layout& w = wanted[slot];
    const double step = power3(w.level);
    const double x0 = w.centreX - halfSide(w.level), z0 = w.centreZ - halfSide(w.level);
    if (!lv.mesh) {
        lv.vertices = new vertexN3V3[unsigned(side * side)]();
        lv.indices = new unsigned short[unsigned(cells * cells * 6)]();
        lv.mesh = new PrimitiveIndexed;
        lv.mesh->drawMode = kwDrawTriangles;
        addChild(lv.mesh);
        lv.unmorphed.resize(std::size_t(side) * side);
    }

    // The records with this level's own detail. The lattice coordinate of
    // column i is (x0 + i step) steps; a folded edge vertex copies the
    // coarser level's record instead, so it needs none.
    const Detail detail = detailOf(w.level);
    Wave column[side], row[side];
    for (int i = 0; i < side; ++i) {
        column[i] = columnWave((x0 + i * step) * step0);
        row[i] = rowWave((z0 + i * step) * step0);
    }
    for (int j = 0; j < side; ++j) {
        const double z = (z0 + j * step) * step0;
        for (int i = 0; i < side; ++i) {
            if (w.surrounded && (i == 0 || j == 0 || i == cells || j == cells)) continue;
            const double x = (x0 + i * step) * step0;
            lv.unmorphed[std::size_t(j) * side + i] = vertexOf(x, z, sampleAt(x, z, column[i], row[j], detail));
        }
    }

    // Where no coarser level surrounds this one, the surface it morphs
    // toward is the next level's own records over this block (a third as
    // many along each side).
    if (w.surrounded) {
        lv.coarser.clear();
        return;
    }
    const Detail next = detailOf(w.level + 1);
    const double coarseStep = step * levelFactor;
    lv.coarser.resize(std::size_t(coarseSide) * coarseSide);
    for (int j = 0; j < coarseSide; ++j) {
        const double z = (z0 + j * coarseStep) * step0;
        for (int i = 0; i < coarseSide; ++i) {
            const double x = (x0 + i * coarseStep) * step0;
            lv.coarser[std::size_t(j) * coarseSide + i] = vertexOf(x, z, sampleAt(x, z, columnWave(x), rowWave(z), next));
        }
    }
}

bool ParametricTerrain::build(int slot) {
    Level& lv = levels[slot];
    const Layout& w = wanted[slot];
    const double step = power3(w.level);
    const double x0 = w.centreX - halfSide(w.level), z0 = w.centreZ - halfSide(w.level);

    // The surface this level morphs toward: the coarser level around it,
    // built before it, or where there is none, the next level's records.
    const int f = levelFactor;
    Grid coarse{lv.coarser.data(), coarseSide, x0, z0, step * f};
    if (w.surrounded) {
        const Layout& c = levels[slot + 1].built;
        coarse = Grid{levels[slot + 1].vertices, side, c.centreX - halfSide(c.level), c.centreZ - halfSide(c.level),
                      step * f};
    }
    // This block's first vertex within the coarser grid, in this level's steps.
    const long long offsetX = std::llround((x0 - coarse.x0) / step), offsetZ = std::llround((z0 - coarse.z0) / step);

    // Vertices: each one's record for the camera now, compared with the
    // one it replaces.
    const double cellUnits = step * step0;
    const double dy = meanHeight - eye[1];
    // Squared distances from the camera within which a vertex is not
    // morphed at all, and from which it is wholly.
    const double unmorphedWithin = (cellUnits / morphStart) * (cellUnits / morphStart);
    const double morphedFrom = (cellUnits / morphEnd) * (cellUnits / morphEnd);
    // The finest level's vertices slide onto the next level's.
    const bool slide = slot == 0 && collapse > 0.0;
    bool changed = false;
    auto put = [&changed](vertexN3V3& to, const vertexN3V3& from) {
        if (std::memcmp(&to, &from, sizeof from) != 0) {
            to = from;
            changed = true;
        }
    };
    // Where each vertex's index points when the triangles are made: to
    // itself, or on the folded outer edge, to the coarse vertex it is folded onto.
    static thread_local unsigned short target[side * side];
    vertexN3V3* v = lv.vertices;
    const vertexN3V3* own = lv.unmorphed.data();
    for (int j = 0; j < side; ++j) {
        const double z = (z0 + j * step) * step0;
        for (int i = 0; i < side; ++i, ++v, ++own) {
            const double x = (x0 + i * step) * step0;
            const long long mi = offsetX + i, mj = offsetZ + j;
            const int ic = int(mi / f), jc = int(mj / f), ru = int(mi % f), rv = int(mj % f);
            const bool edge = i == 0 || j == 0 || i == cells || j == cells;
            if (w.surrounded && edge) {
                // Folded onto the nearest coarse vertex along the edge; its
                // record is the coarser level's own, copied.
                const bool alongX = j == 0 || j == cells;
                const int r = alongX ? ru : rv;
                const int shift = r == 0 ? 0 : (r == 1 ? -1 : 1);
                const int ti = alongX ? i + shift : i, tj = alongX ? j : j + shift;
                target[j * side + i] = static_cast<unsigned short>(tj * side + ti);
                const int cu = alongX ? int((offsetX + ti) / f) : ic, cv = alongX ? jc : int((offsetZ + tj) / f);
                put(*v, coarse.at(cu, cv));
                continue;
            }
            target[j * side + i] = static_cast<unsigned short>(j * side + i);
            const double dx = x - eye[0], dz = z - eye[2];
            const double squared = dx * dx + dy * dy + dz * dz;
            const vertexN3V3& mine = *own;
            // Nearer than the band: unmorphed; beyond it: wholly the
            // coarser surface; within it, blended by distance.
            if (!(squared > unmorphedWithin) && !slide) {
                put(*v, mine);
                continue;
            }
            const double m = !(squared > unmorphedWithin) ? 0.0
                             : squared >= morphedFrom     ? 1.0
                                                          : morphOf(cellUnits, std::sqrt(squared));
            const Surface s = surfaceAt(coarse, ic, jc, ru, rv);
            double nx = mine.nx + m * (s.nx - mine.nx), ny = mine.ny + m * (s.ny - mine.ny),
                   nz = mine.nz + m * (s.nz - mine.nz), y = mine.y + m * (s.y - mine.y);
            double px = mine.x, pz = mine.z;
            if (slide) {
                // Toward the nearest vertex of the next level, along each
                // axis (as the folded edge goes); there, its record itself.
                const int si = ru == 0 ? 0 : (ru == 1 ? -1 : 1), sj = rv == 0 ? 0 : (rv == 1 ? -1 : 1);
                const vertexN3V3& c = coarse.at(int((mi + si) / f), int((mj + sj) / f));
                if (collapse == 1.0) {
                    put(*v, c);
                    continue;
                }
                const double q = collapse;
                px = x + q * ((x0 + (i + si) * step) * step0 - x);
                pz = z + q * ((z0 + (j + sj) * step) * step0 - z);
                y += q * (c.y - y), nx += q * (c.nx - nx), ny += q * (c.ny - ny), nz += q * (c.nz - nz);
            }
            const double inverse = 1.0 / std::sqrt(nx * nx + ny * ny + nz * nz);
            put(*v, vertexN3V3{float(nx * inverse), float(ny * inverse), float(nz * inverse), float(px), float(y),
                               float(pz)});
        }
    }

    // Indices: two counter-clockwise triangles per cell, seen from above,
    // leaving out the cells of the finer level's block and the triangles
    // the folded edge has flattened to nothing.
    long long hole0 = 0, hole1 = 0, holeZ0 = 0, holeZ1 = 0;
    if (w.holed) {
        const double h = halfSide(w.level - 1);
        hole0 = std::llround((w.holeX - h - x0) / step);
        hole1 = std::llround((w.holeX + h - x0) / step);
        holeZ0 = std::llround((w.holeZ - h - z0) / step);
        holeZ1 = std::llround((w.holeZ + h - z0) / step);
    }
    // Cells wholly beyond the view's reach from the viewer are not drawn:
    // the window cannot show them, and they would cost as much as the rest.
    const double reachSteps = viewReach / step0;
    auto outOfView = [&](int i, int j) {
        const double dx = std::max(0.0, std::abs(x0 + (i + 0.5) * step - viewer[0]) - step / 2);
        const double dz = std::max(0.0, std::abs(z0 + (j + 0.5) * step - viewer[1]) - step / 2);
        return dx * dx + dz * dz > reachSteps * reachSteps;
    };
    static thread_local unsigned short indices[cells * cells * 6];
    unsigned count = 0;
    auto triangle = [&](unsigned short p, unsigned short q, unsigned short r) {
        if (p == q || q == r || p == r) return;
        unsigned short* out = indices + count;
        out[0] = p, out[1] = q, out[2] = r;
        count += 3;
    };
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            if (w.holed && i >= hole0 && i < hole1 && j >= holeZ0 && j < holeZ1) continue;
            if (outOfView(i, j)) continue;
            const unsigned short a0 = target[j * side + i], b0 = target[j * side + i + 1];
            const unsigned short c0 = target[(j + 1) * side + i], d0 = target[(j + 1) * side + i + 1];
            triangle(a0, c0, b0);
            triangle(b0, c0, d0);
        }
    if (!lv.drawn || count != lv.mesh->getIndexCount() ||
        std::memcmp(indices, lv.indices, count * sizeof(unsigned short)) != 0) {
        std::copy(indices, indices + count, lv.indices);
        changed = true;
    }
    if (!changed) return false;

    // Same arrays again: the primitive keeps them and uploads them anew.
    lv.mesh->addCoordArray(lv.vertices, lv.indices, unsigned(side * side), count);
    lv.mesh->boundaryDirty = 1;
    lv.mesh->makeParentBoundary();
    lv.drawn = true;
    return true;
}

void ParametricTerrain::hide(int slot) {
    Level& lv = levels[slot];
    lv.mesh->addCoordArray(lv.vertices, lv.indices, unsigned(side * side), 0);
    lv.mesh->boundaryDirty = 1;
    lv.mesh->makeParentBoundary();
    lv.drawn = false;
}

void ParametricTerrain::positionChanged() {
    interceptor::SceneToParent toPlane;
    if (!interceptor::sceneToParent(this, toPlane)) return;
    // (x, z, height) in scene coordinates; the viewer and the camera above it.
    const double vx = currentPos.x, vy = currentPos.z, vz = currentPos.y;
    double p[3];
    toPlane.apply(vx, vy, vz, p);
    recenter(float(p[0]), float(p[2]));
    toPlane.apply(vx, vy + viewAbove, vz, eye);

    // How far the view reaches on the lowest ground, in this node's units.
    const double cornerSlope = tan30 * std::sqrt(1.0 + viewAspect * viewAspect);
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

    // The finest level drawn: two below the first whose cells span more
    // than morphEnd of their distance from the camera somewhere (none is
    // nearer than the camera's height above the mean plane), so its cells
    // span between a 216th and a 72nd of that height. It has morphed into
    // the next level's shape everywhere, but is lit at its own vertices,
    // which finer lighting needs; as its cells shrink from a 108th to a
    // 192nd of the height, its vertices slide onto the next level's, so that
    // when it goes, nothing changes on screen.
    const double above = eye[1] - meanHeight;
    int finest = 0;
    while (finest < maxLatticeLevel && power3(finest + 2) * step0 <= morphEnd * above) ++finest;
    collapse = 0.0;
    if (above > 0.0) {
        const double r = power3(finest) * step0 / above;
        collapse = std::min(1.0, std::max(0.0, (collapseStart - r) / (collapseStart - collapseEnd)));
    }
    int count = 1;
    while (count < maxLevels && finest + count <= maxLatticeLevel && !(reach(finest + count - 1) >= viewReach))
        ++count;
    viewer[0] = p[0] / step0;
    viewer[1] = p[2] / step0;
    layOut(viewer[0], viewer[1], finest, count);
}

void ParametricTerrain::update(kwContext* context) {
    // The transforms above may have changed since the position was given.
    positionChanged();
    const bool eyeMoved = eye[0] != builtEye[0] || eye[1] != builtEye[1] || eye[2] != builtEye[2] ||
                          viewReach != builtReach;
    // Coarse to fine: a level morphs toward the one around it, and its
    // edge copies that level's vertices, so a level whose records changed
    // has the finer ones after it built again. A level's own records are
    // computed only when it is laid out anew; a camera move recomputes the
    // morph alone, and a level that comes out the same is not uploaded again.
    bool laidOut = false, built = false, coarserChanged = false;
    for (int slot = wantedCount - 1; slot >= 0; --slot) {
        const bool layoutChanged = !levels[slot].drawn || !(levels[slot].built == wanted[slot]);
        if (layoutChanged) {
            laidOut = true;
            ++levelRebuilds;
            sample(slot);
        }
        if (layoutChanged || eyeMoved || coarserChanged) {
            coarserChanged = build(slot) || layoutChanged;
            levels[slot].built = wanted[slot];
            built = true;
        } else {
            coarserChanged = false;
        }
    }
    for (int slot = wantedCount; slot < builtCount; ++slot) {
        hide(slot);
        laidOut = true;
    }
    builtCount = wantedCount;
    builtFinest = wanted[0].level;
    if (laidOut)
        ++rebuilds;
    else if (built)
        ++morphs;
    std::copy(eye, eye + 3, builtEye);
    builtReach = viewReach;
    TileTerrain::update(context);
}

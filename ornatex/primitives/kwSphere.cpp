#include <ornatex/primitives/kwSphere.h>

#include <cmath>
#include <memory>

namespace {

constexpr int depthLimit = 3;
constexpr int upperFaces = 4;
// faces × 4^depth leaves × 6 records (the leaf and its mirror image)
constexpr unsigned recordCount = upperFaces * (1u << (2 * depthLimit)) * 6;  // 1536

// The octahedron's upper faces, each counter-clockwise seen from outside.
const kwVec3 faces[upperFaces][3] = {
    {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
    {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
    {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
    {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
};

// Scales p to unit length in single precision. No corner reaching here has
// length 0: they are octahedron corners or midpoints of unit vectors that
// are less than 180 degrees apart.
inline void normalise(kwVec3& p) {
    const float length = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    const float scale = 1.0f / length;
    p.x *= scale;
    p.y *= scale;
    p.z *= scale;
}

inline kwVec3 midpoint(const kwVec3& p, const kwVec3& q) {
    return kwVec3((p.x + q.x) * 0.5f, (p.y + q.y) * 0.5f, (p.z + q.z) * 0.5f);
}

// Normal p, position p × radius; mirrored negates both y components. The
// products of two floats are exact in double precision, so the float
// product is the double product rounded to single.
inline vertexN3V3 record(const kwVec3& p, float radius, bool mirrored) {
    const float y = mirrored ? -p.y : p.y;
    return {p.x, y, p.z, p.x * radius, y * radius, p.z * radius};
}

}  // namespace

kwSphere::kwSphere(float r) : radius(r) { makeSphere(); }

kwSphere::~kwSphere() = default;

void kwSphere::setRadius(float r) {
    radius = r;
    makeSphere();
}

void kwSphere::makeSphere() {
    std::unique_ptr<vertexN3V3[]> vertices(new vertexN3V3[recordCount]);
    vertexN3V3* cursor = vertices.get();
    for (const auto& face : faces) {
        kwVec3 a = face[0], b = face[1], c = face[2];
        subdivide(a, b, c, depthLimit, cursor);
    }
    drawMode = kwDrawTriangles;
    addCoordArray(vertices.release(), recordCount);
}

void kwSphere::subdivide(kwVec3& a, kwVec3& b, kwVec3& c, int depth, vertexN3V3*& cursor) {
    normalise(a);
    normalise(b);
    normalise(c);
    if (depth != 0) {
        kwVec3 ab = midpoint(a, b), bc = midpoint(b, c), ac = midpoint(a, c);
        subdivide(a, ab, ac, depth - 1, cursor);
        subdivide(ac, ab, bc, depth - 1, cursor);
        subdivide(ab, b, bc, depth - 1, cursor);
        subdivide(ac, bc, c, depth - 1, cursor);
        return;
    }
    cursor[0] = record(a, radius, false);
    cursor[1] = record(b, radius, false);
    cursor[2] = record(c, radius, false);
    cursor[3] = record(b, radius, true);
    cursor[4] = record(a, radius, true);
    cursor[5] = record(c, radius, true);
    cursor += 6;
}

#include <interceptor/FlatMesh.h>

#include <cmath>

namespace interceptor {
namespace {

kwVec3 sub(const kwVec3& a, const kwVec3& b) { return kwVec3(a.x - b.x, a.y - b.y, a.z - b.z); }

kwVec3 cross(const kwVec3& a, const kwVec3& b) {
    return kwVec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float dot(const kwVec3& a, const kwVec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

void FlatMesh::face(const kwVec3& a, const kwVec3& b, const kwVec3& c) {
    kwVec3 n = cross(sub(b, a), sub(c, a));
    const float length = std::sqrt(dot(n, n));
    if (length > 0.0f) n = kwVec3(n.x / length, n.y / length, n.z / length);
    for (const kwVec3* p : {&a, &b, &c}) vertices.push_back(vertexN3V3{n.x, n.y, n.z, p->x, p->y, p->z});
}

void FlatMesh::outward(const kwVec3& a, const kwVec3& b, const kwVec3& c, const kwVec3& inside) {
    const kwVec3 n = cross(sub(b, a), sub(c, a));
    const kwVec3 centroid((a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3);
    if (dot(n, sub(centroid, inside)) < 0.0f)
        face(a, c, b);
    else
        face(a, b, c);
}

void FlatMesh::twoSided(const kwVec3& a, const kwVec3& b, const kwVec3& c) {
    // The two faces lie a little apart, so that neither fights the other in
    // the depth buffer and each side shows its own lighting.
    kwVec3 n = cross(sub(b, a), sub(c, a));
    const float length = std::sqrt(dot(n, n));
    if (length == 0.0f) return;
    const float h = 0.5f * thickness / length;
    const kwVec3 o(n.x * h, n.y * h, n.z * h);
    auto up = [&](const kwVec3& p) { return kwVec3(p.x + o.x, p.y + o.y, p.z + o.z); };
    auto down = [&](const kwVec3& p) { return kwVec3(p.x - o.x, p.y - o.y, p.z - o.z); };
    face(up(a), up(b), up(c));
    face(down(a), down(c), down(b));
}

PrimitiveIndexed* FlatMesh::build() const {
    const unsigned count = unsigned(vertices.size());
    vertexN3V3* v = new vertexN3V3[count];
    unsigned short* idx = new unsigned short[count];
    for (unsigned i = 0; i < count; ++i) {
        v[i] = vertices[i];
        idx[i] = static_cast<unsigned short>(i);
    }
    PrimitiveIndexed* mesh = new PrimitiveIndexed;
    mesh->drawMode = kwDrawTriangles;
    mesh->addCoordArray(v, idx, count, count);
    return mesh;
}

}  // namespace interceptor

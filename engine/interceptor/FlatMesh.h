// Builds small flat-shaded meshes in code: each triangle gets its own three
// vertices carrying the face normal. Internal to interceptor.
#pragma once

#include <vector>

#include <corvane/PrimitiveIndexed.h>
#include <corvane/kwVec3.h>

namespace interceptor {

class FlatMesh {
public:
    // A closed surface's face: its winding is turned so that the normal
    // points away from `inside`.
    void outward(const kwVec3& a, const kwVec3& b, const kwVec3& c, const kwVec3& inside);
    // A thin flat part seen from both sides: one face each way, `thickness` apart.
    void twoSided(const kwVec3& a, const kwVec3& b, const kwVec3& c);

    float thickness = 0.02f;
    // One face with the normal of the winding a, b, c (counter-clockwise front).
    void face(const kwVec3& a, const kwVec3& b, const kwVec3& c);

    unsigned triangleCount() const { return unsigned(vertices.size() / 3); }
    // Hands the arrays to a new indexed primitive drawn as triangles.
    PrimitiveIndexed* build() const;

private:
    std::vector<vertexN3V3> vertices;
};

}  // namespace interceptor

// A sphere centred on the origin, built from an octahedron whose four upper
// faces (y >= 0) are subdivided three times, every new point pushed out onto
// the unit sphere. Each leaf triangle is written twice: unchanged, then
// mirrored through y = 0 with its first two corners swapped, so both halves
// wind counter-clockwise seen from outside.
//
// 1536 vertexN3V3 records (512 separate triangles, draw mode 4), no index
// array; each record holds a unit vector p as normal and p × radius as
// position. setRadius rebuilds at once; the normals stay the same.
#pragma once

#include <corvane/PrimitiveInterleaved.h>
#include <corvane/kwVec3.h>
#include <ornatex/ornatexExport.h>

// Lives on the heap: create it with new and delete it through a pointer (its
// destructor is not exported, so an object on the stack or held by value does not link).
class ORNATEX_CLASS_API kwSphere : public PrimitiveInterleaved {
public:
    ORNATEX_MEMBER_API explicit kwSphere(float radius);
    ORNATEX_HIDDEN ~kwSphere() override;

    // Stores the radius and builds the sphere again, handing a fresh array to
    // the base. Leaves the node's boundary-dirty flag alone.
    ORNATEX_MEMBER_API void setRadius(float radius);

    float radius;

private:
    // Allocates the 1536 records, fills them face by face and hands them over.
    ORNATEX_HIDDEN void makeSphere();
    // Normalises a, b and c in place; below depth 0 recurses into the four
    // children (corner a, middle, corner b, corner c), at depth 0 writes the
    // leaf and its mirror image at the cursor and advances it by six.
    ORNATEX_HIDDEN void subdivide(kwVec3& a, kwVec3& b, kwVec3& c, int depth, vertexN3V3*& cursor);
};

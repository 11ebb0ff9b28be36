// A truncated cone along the x axis, centred on the origin: radius a at the
// -x end, radius b at the +x end, length L; the ends are not capped.
//
// 36 sectors 10 degrees apart by 4 rings: 144 vertexN3V3 records, the vertex
// of sector s and ring h at index 4 × s + h. Ring h lies at
// x = h × L / 3 - L / 2 with radius a + h × (b - a) / 3; angle 0 points
// along +z and grows toward +y. The normal is ((a - b) / L, sin, cos): it
// points outward, perpendicular to the slanted side, but is not of unit
// length unless a = b. With L = 0 its x component is 0; any other length
// follows the formula, so a quotient too large for single precision gives
// an infinite x component.
//
// 630 indices, separate triangles (draw mode 4), wound counter-clockwise
// seen from outside. Only the strips from sector s to s + 1 for s up to 34
// are built, so the surface is open along the 10-degree wedge between 350
// and 360 degrees.
#pragma once

#include <corvane/PrimitiveIndexed.h>
#include <ornatex/ornatexExport.h>

// Lives on the heap: create it with new and delete it through a pointer (its
// destructor is not exported, so an object on the stack or held by value does not link).
class ORNATEX_CLASS_API kwCone : public PrimitiveIndexed {
public:
    // radius at -x, radius at +x, length.
    ORNATEX_MEMBER_API kwCone(float radiusA, float radiusB, float length);
    // Not part of the interface: objects are deleted through the node
    // classes' virtual destructor.
    ORNATEX_HIDDEN ~kwCone() override;
};

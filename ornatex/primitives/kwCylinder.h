// A cylinder along the x axis: kwCone(r, r, L), whose normals are then of
// unit length with x component 0.
#pragma once

#include <ornatex/ornatexExport.h>
#include <ornatex/primitives/kwCone.h>

// Lives on the heap: create it with new and delete it through a pointer (its
// destructor is not exported, so an object on the stack or held by value does not link).
class ORNATEX_CLASS_API kwCylinder : public kwCone {
public:
    // radius, length.
    ORNATEX_MEMBER_API kwCylinder(float radius, float length);
    ORNATEX_HIDDEN ~kwCylinder() override;
};

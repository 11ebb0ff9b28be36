// A cylinder along the x axis: kwCone(r, r, L), whose normals are then of
// unit length with x component 0.
#pragma once

#include <ornatex/ornatexExport.h>
#include <ornatex/primitives/kwCone.h>

class ORNATEX_CLASS_API kwCylinder : public kwCone {
public:
    // radius, length.
    ORNATEX_MEMBER_API kwCylinder(float radius, float length);
    ORNATEX_HIDDEN ~kwCylinder() override;
};

// A cylinder along the x axis: kwCone(r, r, L), whose normals are then of
// unit length with x component 0.
#pragma once

#include <ornatex/ornatexExport.h>
#include <ornatex/primitives/kwCone.h>

class ORNATEX_API kwCylinder : public kwCone {
public:
    // radius, length.
    kwCylinder(float radius, float length);
    ORNATEX_HIDDEN ~kwCylinder() override;
};

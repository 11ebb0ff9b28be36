// A filled disc in the plane z = 0 carrying texture coordinates: 24
// vertexT2V3 records on the rim (as kwCircle's), drawn as a triangle fan
// (draw mode 6). The texture coordinates are the absolute position divided
// by the radius, so a disc centred on the origin spans -1 to 1 in s and t,
// and a centre (cx, cy) shifts them by (cx / r, cy / r). A radius of 0 gives
// texture coordinates 0 rather than infinities; any other radius follows the
// formula, so one whose reciprocal is too large for single precision gives
// infinite (or, at a coordinate of 0, not-a-number) texture coordinates.
// No colour is set.
#pragma once

#include <corvane/PrimitiveInterleaved.h>
#include <ornatex/ornatexExport.h>

class ORNATEX_API kwTexCircle : public PrimitiveInterleaved {
public:
    // radius, centre x, centre y, an unused float as for kwCircle.
    kwTexCircle(float radius, float centerX, float centerY, float unused);
    ~kwTexCircle() override;
};

// A circle of one colour in the plane z = 0, approximated by 24 rim points
// 15 degrees apart. Point 0 lies on the +x side of the centre and the points
// run counter-clockwise seen from +z; the first point is not repeated.
//
// Outline: 24 vertexV2 records drawn as a line loop (draw mode 2).
// Filled: 24 vertexN3V3 records, normal (0, 0, 1), drawn as a triangle fan
// (draw mode 6) fanned from point 0, without a centre vertex.
// Both set the colour to (1, 1, 0, 0.9). The array is built once, here, and
// belongs to the PrimitiveInterleaved base from then on.
#pragma once

#include <corvane/PrimitiveInterleaved.h>
#include <ornatex/ornatexExport.h>

class ORNATEX_API kwCircle : public PrimitiveInterleaved {
public:
    // radius, centre x, centre y, an unused float (every vertex lies at
    // z = 0 whatever it holds), filled disc or outline.
    kwCircle(float radius, float centerX, float centerY, float unused, bool filled);
    ~kwCircle() override;
};

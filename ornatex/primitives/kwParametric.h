// An indexed triangle grid over a surface given by two parameters u and v.
// A derived class says where the surface lies by overriding getVertex,
// getNormal and getTexCoord; the base versions describe a flat sheet in the
// plane y = 0 facing +y.
//
// The grid has nu = (stopU - startU) / stepU cells in u and nv likewise in v
// (each quotient in double precision, rounded to single, truncated toward
// zero). Vertex (i, j), at u = i × stepU + startU and v = j × stepV +
// startV, is record j × (nu + 1) + i: rows of constant v follow each other,
// u runs fastest. Records are vertexT2N3V3. Each cell gives two triangles,
// r0 + i, r1 + i, r0 + i + 1 and r0 + i + 1, r1 + i, r1 + i + 1 (r0, r1 the
// first records of rows j and j + 1), counter-clockwise seen from the side
// toward which (v direction) × (u direction) points. Indices are 16-bit and
// wrap modulo 65536; a grid of more than 65536 vertices is built anyway,
// with a warning on standard output.
//
// The setters only mark the node (boundary-dirty flag) and its parents; the
// grid is rebuilt in the next update(), once however many setters ran.
// Parameters for which no grid is defined (a step that is not a positive
// finite number, a range that is not finite, a stop below its start by two
// steps or more) give an empty grid (draw mode 3) and one line on standard
// output saying why; <ornatex/primitives/GridPlan.h> tells the size and the
// reason without building anything.
#pragma once

#include <corvane/PrimitiveIndexed.h>
#include <corvane/kwVec2.h>
#include <corvane/kwVec3.h>
#include <ornatex/ornatexExport.h>

class ORNATEX_CLASS_API kwParametric : public PrimitiveIndexed {
public:
    ORNATEX_MEMBER_API kwParametric();
    ORNATEX_MEMBER_API ~kwParametric() override;

    // Rebuilds the grid if the boundary-dirty flag is set, hands it to the
    // base and then runs Primitive::update, which updates the children and
    // clears the flag. The flag stays set while the surface is asked for its
    // vertices. A setter that stores new values meanwhile (from the surface's
    // operations or from a child's update) leaves the flag set, so that the
    // next update builds the grid it asked for. Does nothing at all while the
    // flag is clear.
    ORNATEX_MEMBER_API void update(kwContext* context) override;

    // The surface, called once per vertex in this order, row by row.
    // Base: position (u, 0, v).
    ORNATEX_MEMBER_API virtual kwVec3 getVertex(float u, float v);
    // Base: (0, 1, 0).
    ORNATEX_MEMBER_API virtual kwVec3 getNormal(float u, float v);
    // Base: (u / (stopU - startU), v / (stopV - startV)); the start is not
    // subtracted. A zero-width range gives 0; any other quotient is kept as
    // it is, infinite or not a number included.
    ORNATEX_MEMBER_API virtual kwVec2 getTexCoord(float u, float v);

    // Each stores (u, v), marks the node dirty and notifies its parents.
    ORNATEX_MEMBER_API void setStep(float u, float v);
    ORNATEX_MEMBER_API void setStart(float u, float v);
    ORNATEX_MEMBER_API void setStop(float u, float v);

    float stepU = 0.1f;
    float stepV = 0.1f;
    float startU = 0.0f;
    float startV = 0.0f;
    float stopU = 12.6f;
    float stopV = 12.6f;
};

// A 4 x 4 matrix in OpenGL's column-major order: elements 12, 13 and 14 are
// the translation. translate, rotate and scale compose in the parent's frame
// (on the left): each new operation applies after what the matrix already
// does, about the parent's origin and along the parent's axes. So
// translate(-t), rotate, translate(t) turns a node about its own origin t,
// and a translate after any turn moves the node along the parent's axes.
// translateLocal moves along the node's own axes instead.
#pragma once

#include <corvane/corvaneExport.h>

class CORVANE_API kwTransform {
public:
    kwTransform();

    void reset();
    void translate(float x, float y, float z);
    // angle in degrees, about the axis (x, y, z), which need not be unit length.
    void rotate(float angle, float x, float y, float z);
    void scale(float x, float y, float z);
    // Moves along the matrix's own axes: (x, y, z) is taken through the
    // matrix's rotation and scale before it is added to the translation.
    void translateLocal(float x, float y, float z);
    // matrix = matrix * other: `other` applies first, in the node's own frame.
    void multiply(const float other[16]);
    // matrix = other * matrix: `other` applies last, in the parent's frame.
    void premultiply(const float other[16]);

    const float* getMatrix() const { return matrix; }

    float matrix[16];
};

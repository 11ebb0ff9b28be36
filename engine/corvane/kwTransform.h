// A 4 x 4 matrix in OpenGL's column-major order: elements 12, 13 and 14 are
// the translation. translate, rotate and scale compose on the right, as
// OpenGL's matrix calls do: the newest operation applies to points first.
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
    // matrix = matrix * other
    void multiply(const float other[16]);

    const float* getMatrix() const { return matrix; }

    float matrix[16];
};

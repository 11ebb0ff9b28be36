#pragma once

// Three single-precision floats.
struct kwVec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    kwVec3() = default;
    kwVec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
};

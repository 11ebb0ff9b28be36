#pragma once

// Two single-precision floats.
struct kwVec2 {
    float x = 0.0f;
    float y = 0.0f;
    kwVec2() = default;
    kwVec2(float x_, float y_) : x(x_), y(y_) {}
};

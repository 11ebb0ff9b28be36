#include <corvane/kwTransform.h>

#include <cmath>
#include <cstring>

kwTransform::kwTransform() { reset(); }

void kwTransform::reset() {
    static const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::memcpy(matrix, identity, sizeof matrix);
}

namespace {

// out = a * b, column-major, summed in double precision.
void product(const float a[16], const float b[16], float out[16]) {
    float r[16];
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += double(a[k * 4 + row]) * double(b[col * 4 + k]);
            r[col * 4 + row] = float(sum);
        }
    std::memcpy(out, r, sizeof r);
}

}  // namespace

void kwTransform::multiply(const float b[16]) { product(matrix, b, matrix); }

void kwTransform::premultiply(const float a[16]) { product(a, matrix, matrix); }

void kwTransform::translateLocal(float x, float y, float z) {
    const float t[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    multiply(t);
}

void kwTransform::translate(float x, float y, float z) {
    const float t[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    premultiply(t);
}

void kwTransform::scale(float x, float y, float z) {
    const float s[16] = {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1};
    premultiply(s);
}

void kwTransform::rotate(float angle, float x, float y, float z) {
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (length == 0.0) return;  // no axis: no rotation, as glRotate does
    const double ax = x / length, ay = y / length, az = z / length;
    const double radians = double(angle) * 3.14159265358979323846 / 180.0;
    const double c = std::cos(radians), s = std::sin(radians), t = 1.0 - c;
    const float r[16] = {
        float(t * ax * ax + c),      float(t * ax * ay + s * az), float(t * ax * az - s * ay), 0,
        float(t * ax * ay - s * az), float(t * ay * ay + c),      float(t * ay * az + s * ax), 0,
        float(t * ax * az + s * ay), float(t * ay * az - s * ax), float(t * az * az + c),      0,
        0,                           0,                           0,                           1};
    premultiply(r);
}

#include <corvane/kwCamera.h>

#include <cmath>
#include <cstring>

namespace {

struct Dir {
    double x, y, z;
};

Dir cross(const Dir& a, const Dir& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(const Dir& a, const Dir& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

bool normalise(Dir& d) {
    const double length = std::sqrt(dot(d, d));
    if (length == 0.0 || !std::isfinite(length)) return false;
    d = {d.x / length, d.y / length, d.z / length};
    return true;
}

}  // namespace

kwCamera::kwCamera() = default;
kwCamera::~kwCamera() = default;

void kwCamera::setPos(float x, float y, float z) { position = kwVec3(x, y, z); }
void kwCamera::lookAt(float x, float y, float z) { target = kwVec3(x, y, z); }

void kwCamera::setClips(float n, float f) {
    nearClip = n;
    farClip = f;
}

void kwCamera::setFieldOfView(float degrees) {
    if (degrees > 0.0f && degrees < 180.0f) fieldOfView = degrees;
}

void kwCamera::getViewMatrix(float out[16]) const {
    Dir forward{double(target.x) - position.x, double(target.y) - position.y, double(target.z) - position.z};
    if (!normalise(forward)) forward = {0.0, 0.0, -1.0};
    // World +y is up unless the camera looks (nearly) straight up or down;
    // then world -z is the top of the picture.
    Dir up{0.0, 1.0, 0.0};
    if (std::fabs(forward.y) > 0.999) up = {0.0, 0.0, -1.0};
    Dir side = cross(forward, up);
    normalise(side);
    const Dir trueUp = cross(side, forward);
    const Dir eye{position.x, position.y, position.z};
    const double m[16] = {side.x,          trueUp.x,          -forward.x,        0.0,
                          side.y,          trueUp.y,          -forward.y,        0.0,
                          side.z,          trueUp.z,          -forward.z,        0.0,
                          -dot(side, eye), -dot(trueUp, eye), dot(forward, eye), 1.0};
    for (int i = 0; i < 16; ++i) out[i] = float(m[i]);
}

void kwCamera::getProjectionMatrix(int width, int height, float out[16]) const {
    const double aspect = (width > 0 && height > 0) ? double(width) / height : 1.0;
    double n = nearClip, f = farClip;
    // Clip planes that cannot make a projection fall back to usable ones.
    if (!(n > 0.0)) n = 0.1;
    if (!(f > n)) f = n * 1000.0;
    const double cotangent = 1.0 / std::tan(double(fieldOfView) * 3.14159265358979323846 / 360.0);
    std::memset(out, 0, 16 * sizeof(float));
    out[0] = float(cotangent / aspect);
    out[5] = float(cotangent);
    out[10] = float((f + n) / (n - f));
    out[11] = -1.0f;
    out[14] = float(2.0 * f * n / (n - f));
}

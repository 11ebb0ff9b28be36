#include <interceptor/SceneCoordinates.h>

#include <cmath>
#include <initializer_list>

#include <corvane/kwTransform.h>

namespace interceptor {
namespace {

const kwNode* firstParent(const kwNode* node) {
    return node->parents.count ? node->parents.sentinel.next->parent : nullptr;
}

const kwTransform* transformOf(const kwNode* node) { return dynamic_cast<const kwTransform*>(node); }

// out = a * b, column-major 4 x 4.
void multiply(const double a[16], const double b[16], double out[16]) {
    double r[16];
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[col * 4 + k];
            r[col * 4 + row] = sum;
        }
    for (int i = 0; i < 16; ++i) out[i] = r[i];
}

// Product of the transforms from `node` (when includeSelf) up to the root.
// A chain longer than any real scene is cut short rather than looping
// forever on a malformed graph.
void chainMatrix(const kwNode* node, bool includeSelf, double m[16]) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
    const kwNode* n = includeSelf ? node : firstParent(node);
    for (int depth = 0; n && depth < 4096; ++depth, n = firstParent(n)) {
        if (const kwTransform* t = transformOf(n)) {
            double tm[16];
            for (int i = 0; i < 16; ++i) tm[i] = t->matrix[i];
            multiply(tm, m, m);
        }
    }
}

kwVec3 apply(const double m[16], const kwVec3& p) {
    const double x = p.x, y = p.y, z = p.z;
    return kwVec3(float(m[0] * x + m[4] * y + m[8] * z + m[12]), float(m[1] * x + m[5] * y + m[9] * z + m[13]),
                  float(m[2] * x + m[6] * y + m[10] * z + m[14]));
}

}  // namespace

kwVec3 nodeToScene(const kwNode* node, const kwVec3& p) {
    double m[16];
    chainMatrix(node, true, m);
    return apply(m, p);
}

void SceneToParent::apply(double x, double y, double z, double out[3]) const {
    x -= origin[0], y -= origin[1], z -= origin[2];
    for (int row = 0; row < 3; ++row) out[row] = linear[row * 3] * x + linear[row * 3 + 1] * y + linear[row * 3 + 2] * z;
}

bool sceneToParent(const kwNode* node, SceneToParent& map) {
    double m[16];
    chainMatrix(node, false, m);
    // Affine inverse: invert the upper 3 x 3 block, then the translation.
    const double a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], k = m[10];
    const double det = a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
    // Singular or nearly so, measured against the block's own size: a world
    // scaled down a millionfold is still inverted exactly enough.
    double size = 0.0;
    for (double x : {a, b, c, d, e, f, g, h, k}) size = std::fmax(size, std::fabs(x));
    if (!std::isfinite(det) || !(std::fabs(det) > 1e-9 * size * size * size)) return false;
    const double inv[9] = {(e * k - f * h) / det, (c * h - b * k) / det, (b * f - c * e) / det,
                           (f * g - d * k) / det, (a * k - c * g) / det, (c * d - a * f) / det,
                           (d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det};
    for (int i = 0; i < 9; ++i) map.linear[i] = inv[i];
    map.origin[0] = m[12], map.origin[1] = m[13], map.origin[2] = m[14];
    return true;
}

bool sceneToParent(const kwNode* node, kwVec3& p) {
    SceneToParent map;
    if (!sceneToParent(node, map)) return false;
    double out[3];
    map.apply(p.x, p.y, p.z, out);
    p = kwVec3(float(out[0]), float(out[1]), float(out[2]));
    return true;
}

}  // namespace interceptor

#include <interceptor/SceneCoordinates.h>

#include <cmath>

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

bool sceneToParent(const kwNode* node, kwVec3& p) {
    double m[16];
    chainMatrix(node, false, m);
    // Affine inverse: invert the upper 3 x 3 block, then the translation.
    const double a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], k = m[10];
    const double det = a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
    const double inv[9] = {(e * k - f * h) / det, (c * h - b * k) / det, (b * f - c * e) / det,
                           (f * g - d * k) / det, (a * k - c * g) / det, (c * d - a * f) / det,
                           (d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det};
    const double x = p.x - m[12], y = p.y - m[13], z = p.z - m[14];
    p = kwVec3(float(inv[0] * x + inv[1] * y + inv[2] * z), float(inv[3] * x + inv[4] * y + inv[5] * z),
               float(inv[6] * x + inv[7] * y + inv[8] * z));
    return true;
}

}  // namespace interceptor

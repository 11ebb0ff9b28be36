#include <interceptor/Ground.h>

#include <cmath>
#include <cstdio>

Ground::Ground(float size_, float centerX, float centerZ) : size(size_) {
    if (!std::isfinite(size) || !(size > 0.0f) || !std::isfinite(centerX) || !std::isfinite(centerZ)) {
        std::fprintf(stderr, "Ground: size %g at (%g, %g) is not a finite positive square; using 90 at the origin\n",
                     double(size_), double(centerX), double(centerZ));
        size = 90.0f;
        centerX = centerZ = 0.0f;
    }
    constexpr int n = divisions + 1;
    vertexN3V3* v = new vertexN3V3[n * n];
    unsigned short* idx = new unsigned short[divisions * divisions * 6];
    const double step = double(size) / divisions, x0 = centerX - size / 2.0, z0 = centerZ - size / 2.0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) v[j * n + i] = vertexN3V3{0, 1, 0, float(x0 + i * step), 0, float(z0 + j * step)};
    unsigned k = 0;
    for (int j = 0; j < divisions; ++j)
        for (int i = 0; i < divisions; ++i) {
            const unsigned short a = static_cast<unsigned short>(j * n + i), b = static_cast<unsigned short>(a + 1);
            const unsigned short c = static_cast<unsigned short>(a + n), d = static_cast<unsigned short>(c + 1);
            idx[k++] = a; idx[k++] = c; idx[k++] = b;
            idx[k++] = b; idx[k++] = c; idx[k++] = d;
        }
    drawMode = kwDrawTriangles;
    addCoordArray(v, idx, n * n, k);
}

Ground::~Ground() = default;

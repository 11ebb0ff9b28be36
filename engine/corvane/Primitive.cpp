#include <corvane/Primitive.h>
#include <corvane/PrimitiveIndexed.h>
#include <corvane/PrimitiveInterleaved.h>

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <corvane/kwContext.h>
#include <corvane/kwGpuRecord.h>

int kwVertexFloats(kwVertexFormat format) {
    switch (format) {
        case kwVertexFormat::V2: return 2;
        case kwVertexFormat::N3V3: return 6;
        case kwVertexFormat::T2V3: return 5;
        case kwVertexFormat::T2N3V3: return 8;
        case kwVertexFormat::none: break;
    }
    return 0;
}

int kwVertexPositionOffset(kwVertexFormat format) {
    switch (format) {
        case kwVertexFormat::V2: return 0;
        case kwVertexFormat::N3V3: return 3;
        case kwVertexFormat::T2V3: return 2;
        case kwVertexFormat::T2N3V3: return 5;
        case kwVertexFormat::none: break;
    }
    return 0;
}

Primitive::Primitive() = default;

Primitive::~Primitive() {
    if (gpuArrays) kwReleaseGpu(gpuArrays);
    releaseArrays();
}

void Primitive::releaseArrays() {
    switch (vertexFormat) {
        case kwVertexFormat::V2: delete[] static_cast<vertexV2*>(vertexData); break;
        case kwVertexFormat::N3V3: delete[] static_cast<vertexN3V3*>(vertexData); break;
        case kwVertexFormat::T2V3: delete[] static_cast<vertexT2V3*>(vertexData); break;
        case kwVertexFormat::T2N3V3: delete[] static_cast<vertexT2N3V3*>(vertexData); break;
        case kwVertexFormat::none: break;
    }
    delete[] indexData;
    vertexData = nullptr;
    indexData = nullptr;
    vertexFormat = kwVertexFormat::none;
    vertexCount = indexCount = 0;
}

void Primitive::setArrays(kwVertexFormat format, void* vertices, unsigned vCount, unsigned short* indices,
                          unsigned iCount) {
    // Handing over the arrays already held must not free them.
    if (vertices == vertexData) vertexData = nullptr;
    if (indices == indexData) indexData = nullptr;
    releaseArrays();
    vertexFormat = format;
    vertexData = vertices;
    vertexCount = vCount;
    indexData = indices;
    indexCount = iCount;
    ++arrayVersion;
}

namespace {

// The bounding sphere of records of Stride floats whose position starts at
// Offset (flat records have z = 0): the centre of the bounding box, and the
// largest distance from it, the squares summed in double precision.
template <int Stride, int Offset, bool Flat>
void boundingSphere(const float* data, unsigned count, kwVec3& center, float& radius) {
    float lo[3] = {data[Offset], data[Offset + 1], Flat ? 0.0f : data[Offset + 2]};
    float hi[3] = {lo[0], lo[1], lo[2]};
    for (unsigned v = 1; v < count; ++v) {
        const float* p = data + std::size_t(v) * Stride + Offset;
        for (int k = 0; k < (Flat ? 2 : 3); ++k) {
            if (p[k] < lo[k]) lo[k] = p[k];
            if (p[k] > hi[k]) hi[k] = p[k];
        }
    }
    center = kwVec3((lo[0] + hi[0]) * 0.5f, (lo[1] + hi[1]) * 0.5f, (lo[2] + hi[2]) * 0.5f);
    double r2 = 0.0;
    for (unsigned v = 0; v < count; ++v) {
        const float* p = data + std::size_t(v) * Stride + Offset;
        const double dx = p[0] - center.x, dy = p[1] - center.y, dz = (Flat ? 0.0f : p[2]) - center.z;
        const double d2 = dx * dx + dy * dy + dz * dz;
        if (d2 > r2) r2 = d2;
    }
    radius = float(std::sqrt(r2));
}

#if defined(__SSE2__)
// The same for 3D records, with SSE2. The 16 bytes that end with the
// position hold (one float of the record, x, y, z), so each lane after the
// first follows one axis over all vertices. minps/maxps/maxsd choose exactly
// as the comparisons above do. Four independent chains, each starting from
// vertex 0, take the vertices in turn and are merged at the end, which gives
// the same box and radius (up to the sign of a zero bound).
template <int Stride, int Offset>
void boundingSphere3(const float* data, unsigned count, kwVec3& center, float& radius) {
    static_assert(Offset >= 1 && Offset + 3 <= Stride, "the lane before the position lies in the record");
    const float* base = data + Offset - 1;
    const auto load = [base](unsigned v) { return _mm_loadu_ps(base + std::size_t(v) * Stride); };
    __m128 lo[4], hi[4];
    lo[0] = lo[1] = lo[2] = lo[3] = hi[0] = hi[1] = hi[2] = hi[3] = load(0);
    unsigned v = 1;
    for (; v + 4 <= count; v += 4)
        for (int c = 0; c < 4; ++c) {
            const __m128 p = load(v + c);
            lo[c] = _mm_min_ps(p, lo[c]);
            hi[c] = _mm_max_ps(p, hi[c]);
        }
    for (; v < count; ++v) {
        const __m128 p = load(v);
        lo[0] = _mm_min_ps(p, lo[0]);
        hi[0] = _mm_max_ps(p, hi[0]);
    }
    for (int c = 1; c < 4; ++c) {
        lo[0] = _mm_min_ps(lo[c], lo[0]);
        hi[0] = _mm_max_ps(hi[c], hi[0]);
    }
    alignas(16) float l[4], h[4];
    _mm_store_ps(l, lo[0]);
    _mm_store_ps(h, hi[0]);
    center = kwVec3((l[1] + h[1]) * 0.5f, (l[2] + h[2]) * 0.5f, (l[3] + h[3]) * 0.5f);

    const __m128 middle = _mm_set_ps(center.z, center.y, center.x, 0.0f);
    const auto distance2 = [&](unsigned i) {
        const __m128 d = _mm_sub_ps(load(i), middle);
        const __m128d xy = _mm_cvtps_pd(_mm_shuffle_ps(d, d, _MM_SHUFFLE(3, 3, 2, 1)));  // (dx, dy)
        const __m128d zz = _mm_cvtps_pd(_mm_shuffle_ps(d, d, _MM_SHUFFLE(3, 3, 3, 3)));  // (dz, dz)
        const __m128d sq = _mm_mul_pd(xy, xy);
        return _mm_add_sd(_mm_add_sd(sq, _mm_unpackhi_pd(sq, sq)), _mm_mul_sd(zz, zz));
    };
    __m128d r2[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
    unsigned w = 0;
    for (; w + 4 <= count; w += 4)
        for (int c = 0; c < 4; ++c) r2[c] = _mm_max_sd(distance2(w + c), r2[c]);  // d2 > r2 ? d2 : r2
    for (; w < count; ++w) r2[0] = _mm_max_sd(distance2(w), r2[0]);
    for (int c = 1; c < 4; ++c) r2[0] = _mm_max_sd(r2[c], r2[0]);
    radius = float(std::sqrt(_mm_cvtsd_f64(r2[0])));
}
#endif

}  // namespace

void Primitive::makeBoundary() {
    const float* data = getVertexData();
    center = kwVec3();
    radius = 0.0f;
    if (!data || vertexCount == 0) return;
#if defined(__SSE2__)
    switch (vertexFormat) {
        case kwVertexFormat::N3V3: boundingSphere3<6, 3>(data, vertexCount, center, radius); return;
        case kwVertexFormat::T2V3: boundingSphere3<5, 2>(data, vertexCount, center, radius); return;
        case kwVertexFormat::T2N3V3: boundingSphere3<8, 5>(data, vertexCount, center, radius); return;
        default: break;
    }
#endif
    switch (vertexFormat) {
        case kwVertexFormat::V2: boundingSphere<2, 0, true>(data, vertexCount, center, radius); break;
        case kwVertexFormat::N3V3: boundingSphere<6, 3, false>(data, vertexCount, center, radius); break;
        case kwVertexFormat::T2V3: boundingSphere<5, 2, false>(data, vertexCount, center, radius); break;
        case kwVertexFormat::T2N3V3: boundingSphere<8, 5, false>(data, vertexCount, center, radius); break;
        case kwVertexFormat::none: break;
    }
}

void Primitive::update(kwContext* context) {
    for (std::uint32_t i = 0; i < children.count; ++i) children.data[i]->update(context);
    if (boundaryDirty) {
        makeBoundary();
        boundaryDirty = 0;
    }
}

void Primitive::traverse(kwContext* context) {
    if (!context || !visible) return;
    if (state) context->pushState(*state);
    if (vertexData && vertexCount) context->drawPrimitive(*this);
    for (std::uint32_t i = 0; i < children.count; ++i) children.data[i]->traverse(context);
    postDraw(context);
}

PrimitiveInterleaved::PrimitiveInterleaved() = default;
PrimitiveInterleaved::~PrimitiveInterleaved() = default;

void PrimitiveInterleaved::addCoordArray(vertexV2* vertices, unsigned count) {
    setArrays(kwVertexFormat::V2, vertices, count, nullptr, 0);
}
void PrimitiveInterleaved::addCoordArray(vertexN3V3* vertices, unsigned count) {
    setArrays(kwVertexFormat::N3V3, vertices, count, nullptr, 0);
}
void PrimitiveInterleaved::addCoordArray(vertexT2V3* vertices, unsigned count) {
    setArrays(kwVertexFormat::T2V3, vertices, count, nullptr, 0);
}

PrimitiveIndexed::PrimitiveIndexed() = default;
PrimitiveIndexed::~PrimitiveIndexed() = default;

void PrimitiveIndexed::addCoordArray(vertexN3V3* vertices, unsigned short* indices, unsigned vCount,
                                     unsigned iCount) {
    setArrays(kwVertexFormat::N3V3, vertices, vCount, indices, iCount);
}
void PrimitiveIndexed::addCoordArray(vertexT2N3V3* vertices, unsigned short* indices, unsigned vCount,
                                     unsigned iCount) {
    setArrays(kwVertexFormat::T2N3V3, vertices, vCount, indices, iCount);
}

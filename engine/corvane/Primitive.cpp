#include <corvane/Primitive.h>
#include <corvane/PrimitiveIndexed.h>
#include <corvane/PrimitiveInterleaved.h>

#include <cmath>

#include <corvane/kwContext.h>
#include <corvane/kwGLRenderer.h>

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

void Primitive::makeBoundary() {
    const float* data = getVertexData();
    const int stride = kwVertexFloats(vertexFormat);
    const int offset = kwVertexPositionOffset(vertexFormat);
    const bool flat = vertexFormat == kwVertexFormat::V2;
    center = kwVec3();
    radius = 0.0f;
    if (!data || vertexCount == 0) return;
    float lo[3], hi[3];
    for (unsigned v = 0; v < vertexCount; ++v) {
        const float* p = data + std::size_t(v) * stride + offset;
        for (int k = 0; k < 3; ++k) {
            const float c = (flat && k == 2) ? 0.0f : p[k];
            if (v == 0 || c < lo[k]) lo[k] = c;
            if (v == 0 || c > hi[k]) hi[k] = c;
        }
    }
    center = kwVec3((lo[0] + hi[0]) * 0.5f, (lo[1] + hi[1]) * 0.5f, (lo[2] + hi[2]) * 0.5f);
    double r2 = 0.0;
    for (unsigned v = 0; v < vertexCount; ++v) {
        const float* p = data + std::size_t(v) * stride + offset;
        const double dx = p[0] - center.x, dy = p[1] - center.y, dz = (flat ? 0.0f : p[2]) - center.z;
        const double d2 = dx * dx + dy * dy + dz * dz;
        if (d2 > r2) r2 = d2;
    }
    radius = float(std::sqrt(r2));
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

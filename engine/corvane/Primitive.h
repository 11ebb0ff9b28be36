// Base of the drawable primitives. A primitive owns the vertex array (and,
// for indexed primitives, the index array) handed to it: it frees the
// previous arrays when new ones replace them and the last ones when it is
// destroyed, each with delete[] of its record type.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwBoundary.h>
#include <corvane/vertexFormats.h>

struct kwGpuArrays;

enum class kwVertexFormat { none, V2, N3V3, T2V3, T2N3V3 };

// Floats a record of the format holds, and the offset of its position.
CORVANE_API int kwVertexFloats(kwVertexFormat format);
CORVANE_API int kwVertexPositionOffset(kwVertexFormat format);

// The graphics-library primitive codes that Primitive::drawMode takes (the
// field stays an int, as the contract gives it).
enum kwDrawMode : int {
    kwDrawLineLoop = 2,
    kwDrawLineStrip = 3,
    kwDrawTriangles = 4,
    kwDrawTriangleFan = 6,
};

class CORVANE_API Primitive : public kwBoundary {
public:
    Primitive();
    ~Primitive() override;

    // Bounding sphere of the vertex positions.
    void makeBoundary() override;
    // Recomputes the bounding volume when it is stale and clears boundaryDirty.
    void update(kwContext* context) override;
    void traverse(kwContext* context) override;

    kwVertexFormat getVertexFormat() const { return vertexFormat; }
    unsigned getVertexCount() const { return vertexCount; }
    const float* getVertexData() const { return static_cast<const float*>(vertexData); }
    unsigned getIndexCount() const { return indexCount; }
    const unsigned short* getIndexData() const { return indexData; }
    // Bumped whenever arrays are handed over, so a renderer knows to upload again.
    unsigned getArrayVersion() const { return arrayVersion; }

    // The graphics-library primitive code, one of kwDrawMode.
    int drawMode = kwDrawTriangles;

    // Engine-internal: the renderer's record of this primitive's buffer
    // objects, or null before the first draw.
    mutable kwGpuArrays* gpuArrays = nullptr;

protected:
    // Takes ownership of the arrays, freeing those they replace.
    void setArrays(kwVertexFormat format, void* vertices, unsigned vertexCount, unsigned short* indices,
                   unsigned indexCount);

private:
    void releaseArrays();

    kwVertexFormat vertexFormat = kwVertexFormat::none;
    void* vertexData = nullptr;
    unsigned vertexCount = 0;
    unsigned short* indexData = nullptr;
    unsigned indexCount = 0;
    unsigned arrayVersion = 0;
};

// A primitive drawn from a vertex array through an array of 16-bit indices.
#pragma once

#include <corvane/Primitive.h>
#include <corvane/corvaneExport.h>

class CORVANE_API PrimitiveIndexed : public Primitive {
public:
    PrimitiveIndexed();
    ~PrimitiveIndexed() override;

    void addCoordArray(vertexN3V3* vertices, unsigned short* indices, unsigned vertexCount, unsigned indexCount);
    void addCoordArray(vertexT2N3V3* vertices, unsigned short* indices, unsigned vertexCount, unsigned indexCount);
};

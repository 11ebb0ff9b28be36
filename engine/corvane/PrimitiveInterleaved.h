// A primitive drawn straight from one array of interleaved vertex records.
#pragma once

#include <corvane/Primitive.h>
#include <corvane/corvaneExport.h>

class CORVANE_API PrimitiveInterleaved : public Primitive {
public:
    PrimitiveInterleaved();
    ~PrimitiveInterleaved() override;

    void addCoordArray(vertexV2* vertices, unsigned count);
    void addCoordArray(vertexN3V3* vertices, unsigned count);
    void addCoordArray(vertexT2V3* vertices, unsigned count);
};

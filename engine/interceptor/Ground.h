// A flat, lit, square ground plane at height 0: `size` units along each
// side, centred on (centerX, 0, centerZ), facing up. It is subdivided into
// an 8 x 8 grid so that per-vertex lighting shows a spot light's pool.
#pragma once

#include <new>

#include <corvane/PrimitiveIndexed.h>
#include <interceptor/interceptorExport.h>

class INTERCEPTOR_API Ground : public PrimitiveIndexed {
public:
    static constexpr int divisions = 8;

    Ground(float size = 90.0f, float centerX = 0.0f, float centerZ = 0.0f);
    ~Ground() override;

    // Default construction as one out-of-line operation: constructs a Ground
    // with the default arguments in `memory` (suitably sized and aligned,
    // e.g. from Ground's operator new). Modules that export it carry it.
    INTERCEPTOR_INLINE_EXPORT static Ground* constructDefault(void* memory) { return ::new (memory) Ground(); }

    float getSize() const { return size; }

private:
    float size;
};

// Engine-internal: a renderer's records of the GL objects it made for a
// primitive's arrays or a texture's image. The primitive or texture holds a
// pointer to its record; when it is destroyed first, it hands the record back
// to the renderer that owns it, which deletes the GL objects at its next
// frame. The owner is reached through a virtual call, so the code that
// destroys primitives and textures needs no GL and no renderer code.
#pragma once

class Primitive;
class kwTexture;
struct kwGpuArrays;
struct kwGpuTexture;

class kwGpuOwner {
public:
    virtual ~kwGpuOwner() = default;
    // Takes a record back from a primitive or texture that is going away.
    virtual void forget(kwGpuArrays* arrays) = 0;
    virtual void forget(kwGpuTexture* texture) = 0;
};

// A primitive's buffer objects and the array version they hold.
struct kwGpuArrays {
    kwGpuOwner* owner;
    const Primitive* primitive;
    unsigned vertexBuffer;
    unsigned indexBuffer;
    unsigned version;
    bool drawable;  // false when an index names a missing vertex
};

// A texture's GL texture object and the image version it holds.
struct kwGpuTexture {
    kwGpuOwner* owner;
    const kwTexture* texture;
    unsigned name;
    unsigned version;
};

// Called by a destroyed primitive or texture.
inline void kwReleaseGpu(kwGpuArrays* arrays) {
    if (arrays && arrays->owner) arrays->owner->forget(arrays);
}

inline void kwReleaseGpu(kwGpuTexture* texture) {
    if (texture && texture->owner) texture->owner->forget(texture);
}

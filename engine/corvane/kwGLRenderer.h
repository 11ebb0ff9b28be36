// Engine-internal: the OpenGL 2.1 fixed-function renderer, a kwContext that
// applies transforms and states down the graph and draws primitives from
// buffer objects. Vertex and index arrays are uploaded on a primitive's first
// draw and again whenever its arrays change (Primitive::getArrayVersion);
// textures likewise (kwTexture::getVersion). Its GL objects belong to the
// context that was current when it was made, which must be current whenever
// the renderer is used or destroyed.
#pragma once

#include <vector>

#include <corvane/kwContext.h>
#include <corvane/kwGpuRecord.h>

class kwCamera;
class kwLight;
class kwMaterial;
class kwTexture;

// Small GL calls for the window, kept here with the other GL code.
void kwGLViewport(int x, int y, int width, int height);
void kwGLClear(const float color[4]);
// Reads the back buffer as RGB, top row first.
void kwGLReadPixels(int width, int height, unsigned char* rgb);

class kwGLRenderer : public kwContext, public kwGpuOwner {
public:
    kwGLRenderer();
    ~kwGLRenderer() override;

    // Sets the fixed state every frame relies on (depth test, lighting,
    // normalisation of normals), the scene's ambient light, sky and headlight,
    // and loads the matrices: projection, then view as the modelview. Deletes GL objects of primitives and textures that
    // were destroyed since the last frame.
    void beginFrame(const float projection[16], const float view[16], const kwScene& scene) override;

    void pushTransform(const kwTransform& transform) override;
    void popTransform() override;
    void pushState(const kwState& state) override;
    void popState() override;
    void drawPrimitive(const Primitive& primitive) override;

    // Called by a primitive or texture that is destroyed while it still has
    // GL objects: they are deleted at the next frame.
    void forget(kwGpuArrays* arrays) override;
    void forget(kwGpuTexture* texture) override;

private:
    struct StateEntry {
        const kwState* state;
        int lightIndex;                // GL light this state enabled, or -1
        const kwMaterial* material;    // material in force before this state
        const kwTexture* texture;      // texture in force before this state
    };

    void applyMaterial(const kwMaterial* material);
    void bindArrays(const Primitive& primitive);
    unsigned textureName(const kwTexture& texture);
    void deleteForgotten();

    std::vector<StateEntry> states;
    std::vector<kwGpuArrays*> arrays;     // live records
    std::vector<kwGpuTexture*> textures;  // live records
    std::vector<unsigned> deadBuffers;
    std::vector<unsigned> deadTextures;
    const kwMaterial* material = nullptr;
    const kwTexture* texture = nullptr;
    int lightsInUse = 0;
    int maxLights = 8;
    bool textureEnabled = false;
    int clientArrays = 0;  // bit 0 vertex, 1 normal, 2 texcoord
};

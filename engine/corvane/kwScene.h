// The root of a scene graph, with its own camera.
//
// render(target) runs, every frame: the update traversal over the whole
// graph (with the target's context, so nodes that move by elapsed time move
// also in a scripted window); then, when the target can draw: bind, clear,
// the camera's projection fitted to the target and its view, the scene's own
// lighting, and the draw traversal.
//
// The scene's own lighting, besides the lights its states hold:
//   - the ambient term, the light every material's ambient colour reflects;
//   - the sky, a dim white light from above the scene (from skyDirection in
//     the scene root's coordinates), diffuse only. Placed lights fade with
//     distance and cones; the sky lights every face that looks up, anywhere,
//     in its material's own diffuse colour and with its relief, so nothing
//     the camera looks down on goes black;
//   - the headlight, when the scene was built with one.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwNode.h>
#include <corvane/kwVec3.h>
#include <corvane/kwVec4.h>

class kwCamera;
class kwRenderTarget;

class CORVANE_API kwScene : public kwNode {
public:
    // headlight: true gives the scene a white directional light shining from
    // the camera along its view, in addition to the lights its states hold.
    explicit kwScene(bool headlight);
    ~kwScene() override;

    // Defaults: ambient 0.2 grey (as OpenGL's own), a sky of 0.55 from
    // above, leaning a little toward +x and +z so that slopes show.
    static constexpr float defaultAmbient = 0.2f;
    static constexpr float defaultSky = 0.55f;

    kwCamera* getCamera() const { return camera; }
    bool hasHeadlight() const { return headlight; }

    void setAmbient(float r, float g, float b, float a) { ambient = kwVec4(r, g, b, a); }
    const kwVec4& getAmbient() const { return ambient; }
    // A sky of (0, 0, 0) is off.
    void setSky(float r, float g, float b) { sky = kwVec3(r, g, b); }
    const kwVec3& getSky() const { return sky; }
    // Where the sky's light comes from (need not be unit length).
    void setSkyDirection(float x, float y, float z) { skyDirection = kwVec3(x, y, z); }
    const kwVec3& getSkyDirection() const { return skyDirection; }

    virtual void render(kwRenderTarget* target);

    // Frames rendered so far (update traversals run).
    unsigned getFrameCount() const { return frameCount; }

private:
    kwCamera* camera;
    bool headlight;
    kwVec4 ambient{defaultAmbient, defaultAmbient, defaultAmbient, 1.0f};
    kwVec3 sky{defaultSky, defaultSky, defaultSky};
    kwVec3 skyDirection{0.3f, 1.0f, 0.4f};
    unsigned frameCount = 0;
};

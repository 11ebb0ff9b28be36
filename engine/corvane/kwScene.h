// The root of a scene graph, with its own camera.
//
// render(target) runs, every frame: the update traversal over the whole
// graph (with the target's context, so nodes that move by elapsed time move
// also in a scripted window); then, when the target can draw: bind, clear,
// the camera's projection fitted to the target and its view, the scene's own
// headlight when it has one, and the draw traversal.
#pragma once

#include <corvane/corvaneExport.h>
#include <corvane/kwNode.h>

class kwCamera;
class kwRenderTarget;

class CORVANE_API kwScene : public kwNode {
public:
    // headlight: true gives the scene a white directional light shining from
    // the camera along its view, in addition to the lights its states hold.
    explicit kwScene(bool headlight);
    ~kwScene() override;

    kwCamera* getCamera() const { return camera; }
    bool hasHeadlight() const { return headlight; }

    virtual void render(kwRenderTarget* target);

    // Frames rendered so far (update traversals run).
    unsigned getFrameCount() const { return frameCount; }

private:
    kwCamera* camera;
    bool headlight;
    unsigned frameCount = 0;
};

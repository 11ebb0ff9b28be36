// The rendering context that traversal passes down the scene graph. Nodes
// tell it what to apply and draw; a renderer implements it (the OpenGL one,
// or a recording one in tests). The default of every hook is to do nothing.
#pragma once

#include <corvane/corvaneExport.h>

class kwScene;
class kwState;
class kwTransform;
class Primitive;

class CORVANE_API kwContext {
public:
    virtual ~kwContext();

    // A transform node's matrix composes onto the current one until the
    // matching pop.
    virtual void pushTransform(const kwTransform& transform);
    virtual void popTransform();
    // A node's state applies to it and everything below it until the pop.
    virtual void pushState(const kwState& state);
    virtual void popState();
    // Draws a primitive's arrays with the state and transform in force.
    virtual void drawPrimitive(const Primitive& primitive);
    // Starts a frame's draw traversal with the camera's projection and view
    // (column-major matrices) and the scene's own lighting: its ambient term
    // and sky, and its headlight when it has one.
    virtual void beginFrame(const float projection[16], const float view[16], const kwScene& scene);
};

// The application: owns the window and the scene, runs the frame loop and
// reports the frame rate every 1000 frames. `run` is its one virtual
// operation, and the entry point calls it through the object, so a class
// derived from it (as tests use) can take part. Its destructor is not
// virtual: it is destroyed only through a WindowApp*, so a derived class
// adds no members that need destroying.
#pragma once

#include <cstdint>

#include <corvane/kwScene.h>
#include <corvane/kwTransformNode.h>
#include <corvane/kwVec3.h>
#include <interceptor/Interceptor.h>
#include <interceptor/ParametricTerrain.h>
#include <tovik/kwTimer.h>
#include <velkin/Win3D.h>

class WindowApp {
public:
    // Builds the window and the scene: the world node under the scene, the
    // aircraft and the terrain under the world, three material states, the
    // spot light and the camera above the aircraft.
    WindowApp();
    // Deletes the scene (and with it everything hung under it), then the
    // window. Not noexcept: the engine's char* text thrown while they are
    // deleted reaches main's handler (the window is deleted either way).
    ~WindowApp() noexcept(false);

    // Deletes an application whose type is WindowApp itself (the destructor
    // is not virtual; a derived class destroys itself as what it is).
    static void destroy(WindowApp* app);

    // Frames until the window is closed.
    virtual void run();
    // Per-frame work before drawing: controls, missiles, statistics.
    void updateFrame();
    // Speeds, reset and camera from the held keys.
    void updateControls();
    // Fires and hangs the fired missiles under the world.
    void fireMissiles();

    // Puts the camera above the aircraft, looking down at it; returns the
    // aircraft's position in scene coordinates.
    kwVec3 placeCamera();
    // Prints the two statistics lines and starts the next period.
    void report();

    kwTimer timer;
    Win3D* window;
    kwScene* scene;
    ParametricTerrain* terrain;
    Interceptor* aircraft;
    kwTransformNode* world;
    std::int32_t frameCount;
};

#include <velkin/WindowApp.h>

#include <cstdint>
#include <cstdio>

#include <corvane/kwCamera.h>
#include <corvane/kwSpotLight.h>
#include <corvane/kwVec3.h>
#include <corvane/kwVector.h>
#include <interceptor/Missile.h>
#include <velkin/MaterialState.h>
#include <win32/win32.h>

namespace {

// Flight speeds and turn rates, in the aircraft's units (interceptor says
// how it reads them).
constexpr float cruiseSpeed = 18.5f;  // Shift
constexpr float fastSpeed = 28.0f;    // Control
constexpr float headingRate = 250.0f; // Left positive, Right negative
constexpr float pitchRate = 300.0f;   // Up positive, Down negative
// The camera stands this far above the aircraft, looking straight down.
constexpr float cameraHeight = 20.0f;
// Where the aircraft starts, relative to the world's origin.
constexpr float startHeight = 1.0f;
// Frames in one statistics period.
constexpr std::int32_t framesPerReport = 1000;

// A node's transform changed: flag it and tell the nodes above.
void transformChanged(kwNode* node) {
    node->transformDirty = 1;
    node->makeParentBoundary();
}

}  // namespace

WindowApp::WindowApp() : window(nullptr), scene(nullptr), frameCount(0) {
    window = new Win3D(this);
    scene = new kwScene(false);
    world = new kwTransformNode();
    aircraft = new Interceptor();
    aircraft->translate(0.0f, startHeight, 0.0f);
    transformChanged(aircraft);

    kwState* green = makeMaterialState(0.1f, 0.8f, 0.1f);
    kwSpotLight* light = new kwSpotLight();
    light->setPosition(0.0f, 20.0f, 20.0f, 1.0f);
    green->light = light;
    aircraft->state = makeMaterialState(0.8f, 0.1f, 0.1f);
    world->state = green;
    world->addChild(aircraft);

    terrain = new ParametricTerrain();
    terrain->state = makeMaterialState(0.1f, 0.1f, 0.8f);
    world->addChild(terrain);
    terrain->setCurrentPos(kwVec3(0.0f, 0.0f, 0.0f));

    placeCamera();
    scene->getCamera()->setClips(0.5f, 100000.0f);

    scene->addChild(world);
    window->target = world;
}

WindowApp::~WindowApp() noexcept(false) {
    // Text thrown while the scene goes still lets the window go, then
    // carries on to main's handler.
    try {
        if (scene) delete scene;
    } catch (...) {
        if (window) delete window;
        throw;
    }
    if (window) delete window;
}

void WindowApp::destroy(WindowApp* app) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
    delete app;
#pragma GCC diagnostic pop
}

void WindowApp::run() {
    while (window->isOpen) {
        updateFrame();
        scene->render(window);
        window->refresh();
    }
}

void WindowApp::updateFrame() {
    // The terrain covers the window's view as the window is shaped now.
    if (window->width > 0 && window->height > 0) terrain->setViewAspect(double(window->width) / window->height);
    updateControls();
    if (window->keySpace) fireMissiles();
    ++frameCount;
    if (frameCount == framesPerReport) report();
}

void WindowApp::report() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    timer.stopCount = counter.QuadPart;
    // 64-bit two's-complement difference; both operands read as unsigned.
    const std::uint64_t ticks = std::uint64_t(timer.stopCount) - std::uint64_t(timer.startCount);
    timer.elapsed = double(ticks) / double(std::uint64_t(timer.frequency));
    std::printf("Total time and frames:\t%f\t%d\n", timer.elapsed, frameCount);
    std::printf("Time and frame rate:\t%lf\t%f\n", timer.elapsed / double(frameCount),
                double(frameCount) / timer.elapsed);
    // Flushed at once so a piped or logged run shows each report as it comes.
    std::fflush(stdout);
    QueryPerformanceCounter(&counter);
    timer.startCount = counter.QuadPart;
    frameCount = 0;
}

void WindowApp::updateControls() {
    float heading = 0.0f, pitch = 0.0f, speed = 0.0f;
    bool follow = false;
    if (window->keyUp) pitch = pitchRate;
    if (window->keyDown) pitch = -pitchRate;
    if (window->keyLeft) heading = headingRate;
    if (window->keyRight) heading = -headingRate;
    if (window->keyShift) {
        speed = cruiseSpeed;
        follow = true;
    }
    if (window->keyControl) {
        speed = fastSpeed;
        follow = true;
    }
    if (window->keyR) {
        aircraft->reset();
        transformChanged(aircraft);
        world->reset();
        transformChanged(world);
        aircraft->translate(0.0f, startHeight, 0.0f);
        transformChanged(aircraft);
        follow = true;
    }
    aircraft->setSpeed(speed);
    aircraft->setHPRSpeed(heading, pitch, 0.0f);
    if (follow) {
        const kwVec3 position = placeCamera();
        // The terrain takes (x, z, height).
        terrain->setCurrentPos(kwVec3(position.x, position.z, position.y));
    }
}

kwVec3 WindowApp::placeCamera() {
    kwVec3 position(0.0f, 0.0f, 0.0f);
    aircraft->getPosition(position);
    scene->getCamera()->setPos(position.x, position.y + cameraHeight, position.z);
    scene->getCamera()->lookAt(position.x, position.y, position.z);
    return position;
}

void WindowApp::fireMissiles() {
    aircraft->missileFire(0);
    kw::vector<Missile*> fired = aircraft->getFiredMissile();
    for (std::uint32_t i = 0; i < fired.count; ++i) world->addChild(fired.data[i]);
    window->keySpace = 0;
}

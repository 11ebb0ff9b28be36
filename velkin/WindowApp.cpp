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

WindowApp::WindowApp() : window(nullptr), scene(nullptr), frameCount(0) {
    window = new Win3D(this);
    scene = new kwScene(false);
    world = new kwTransformNode();
    aircraft = new Interceptor();
    aircraft->translate(0.0f, 1.0f, 0.0f);
    aircraft->transformDirty = 1;
    aircraft->makeParentBoundary();

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

    kwVec3 position(0.0f, 0.0f, 0.0f);
    aircraft->getPosition(position);
    scene->getCamera()->setPos(position.x, position.y + 20.0f, position.z);
    scene->getCamera()->lookAt(position.x, position.y, position.z);
    scene->getCamera()->setClips(0.5f, 100000.0f);

    scene->addChild(world);
    window->target = world;
}

WindowApp::~WindowApp() {
    if (scene) delete scene;
    if (window) delete window;
}

void WindowApp::run() {
    while (window->isOpen) {
        updateFrame();
        scene->render(window);
        window->refresh();
    }
}

void WindowApp::updateFrame() {
    updateControls();
    if (window->keySpace) fireMissiles();
    ++frameCount;
    if (frameCount == 1000) {
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
}

void WindowApp::updateControls() {
    float heading = 0.0f, pitch = 0.0f, speed = 0.0f;
    bool follow = false;
    if (window->keyUp) pitch = 300.0f;
    if (window->keyDown) pitch = -300.0f;
    if (window->keyLeft) heading = 250.0f;
    if (window->keyRight) heading = -250.0f;
    if (window->keyShift) {
        speed = 18.5f;
        follow = true;
    }
    if (window->keyControl) {
        speed = 28.0f;
        follow = true;
    }
    if (window->keyR) {
        aircraft->reset();
        aircraft->transformDirty = 1;
        aircraft->makeParentBoundary();
        world->reset();
        world->transformDirty = 1;
        world->makeParentBoundary();
        aircraft->translate(0.0f, 1.0f, 0.0f);
        aircraft->transformDirty = 1;
        aircraft->makeParentBoundary();
        follow = true;
    }
    aircraft->setSpeed(speed);
    aircraft->setHPRSpeed(heading, pitch, 0.0f);
    if (follow) {
        kwVec3 position(0.0f, 0.0f, 0.0f);
        aircraft->getPosition(position);
        scene->getCamera()->setPos(position.x, position.y + 20.0f, position.z);
        scene->getCamera()->lookAt(position.x, position.y, position.z);
        terrain->setCurrentPos(kwVec3(position.x, position.z, position.y));
    }
}

void WindowApp::fireMissiles() {
    aircraft->missileFire(0);
    kw::vector<Missile*> fired = aircraft->getFiredMissile();
    for (std::uint32_t i = 0; i < fired.count; ++i) world->addChild(fired.data[i]);
    window->keySpace = 0;
}

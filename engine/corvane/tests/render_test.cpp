// The OpenGL renderer, drawing into a real window with SDL's offscreen
// driver (no display needed): a lit scene shows its materials' colours with
// visible shading, unlit geometry stays nearly black, changed arrays and
// textures are uploaded again, destroyed primitives are let go, and bad
// index arrays are refused. Also: SIGTERM closes the window.
#include <corvane/corvane.h>

#include <gtest/gtest.h>

#include "LoadedLibraries.h"

#include <csignal>
#include <cstdlib>
#include <vector>

namespace {

// A flat square of side `size` at height y, facing up, as an indexed grid.
struct Square : PrimitiveIndexed {
    Square(float size, float y, int steps = 8) { build(size, y, steps); }
    void build(float size, float y, int steps) {
        const int n = steps + 1;
        auto* v = new vertexN3V3[n * n];
        auto* idx = new unsigned short[steps * steps * 6];
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
                v[j * n + i] = {0, 1, 0, -size / 2 + size * i / steps, y, -size / 2 + size * j / steps};
        int k = 0;
        for (int j = 0; j < steps; ++j)
            for (int i = 0; i < steps; ++i) {
                const unsigned short a = static_cast<unsigned short>(j * n + i);
                const unsigned short b = static_cast<unsigned short>(a + n);
                for (unsigned short index : {a, b, static_cast<unsigned short>(a + 1), static_cast<unsigned short>(a + 1), b,
                                             static_cast<unsigned short>(b + 1)})
                    idx[k++] = index;
            }
        addCoordArray(v, idx, n * n, k);
    }
    void handOver(vertexN3V3* v, unsigned short* idx, unsigned nv, unsigned ni) { addCoordArray(v, idx, nv, ni); }
};

// A textured square facing up, drawn from interleaved records.
struct TexturedSquare : PrimitiveInterleaved {
    explicit TexturedSquare(float size) {
        const float h = size / 2;
        auto* v = new vertexT2V3[4]{{0, 0, -h, 0, h}, {1, 0, h, 0, h}, {1, 1, h, 0, -h}, {0, 1, -h, 0, -h}};
        drawMode = kwDrawTriangleFan;
        addCoordArray(v, 4);
    }
};

kwState* materialState(float r, float g, float b) {
    auto* material = new kwMaterial;
    material->setAmbient(0.16f, 0.16f, 0.16f, 0.5f);
    material->setSpecular(1, 1, 1, 1);
    material->setDiffuse(r, g, b, 1);
    material->setEmission(0, 0, 0, 0.5f);
    material->setShininess(128);
    auto* state = new kwState;
    state->material = material;
    return state;
}

struct Rgb {
    int r, g, b;
};

class Render : public ::testing::Test {
protected:
    void SetUp() override {
        // Force the offscreen driver even where a display exists.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        kwEventWindow::useScript(nullptr);
        window = new kwEventWindow(200, 200, nullptr);
        scene = new kwScene(false);
        world = new kwTransformNode;
        scene->addChild(world);
        scene->getCamera()->setPos(0, 21, 0);
        scene->getCamera()->lookAt(0, 1, 0);
        scene->getCamera()->setClips(0.5f, 100000.0f);
    }
    void TearDown() override {
        delete scene;
        delete window;
    }
    void light() {
        auto* green = materialState(0.1f, 0.8f, 0.1f);
        auto* spot = new kwSpotLight;
        spot->setPosition(0, 20, 20, 1);
        green->light = spot;
        world->state = green;
    }
    // Renders one frame and reads it back before presenting it.
    void frame() {
        scene->render(window);
        ASSERT_TRUE(window->readPixels(pixels));
        window->refresh();
    }
    Rgb at(int x, int y) const {
        const unsigned char* p = &pixels[(std::size_t(y) * window->width + x) * 3];
        return {p[0], p[1], p[2]};
    }

    kwEventWindow* window = nullptr;
    kwScene* scene = nullptr;
    kwTransformNode* world = nullptr;
    std::vector<unsigned char> pixels;
};

}  // namespace

TEST_F(Render, ARealWindowLoadsTheWindowSystemModule) {
    EXPECT_TRUE(libraryLoaded("corvane-sdl"));
    EXPECT_TRUE(libraryLoaded("libSDL2"));
}

TEST_F(Render, SpotLightShowsBlueGroundAndRedAircraftWithShading) {
    EXPECT_FALSE(window->isScripted());
    EXPECT_TRUE(window->current());
    light();
    auto* ground = new Square(60, 0, 30);
    ground->state = materialState(0.1f, 0.1f, 0.8f);
    auto* aircraft = new kwTransformNode;
    aircraft->translate(0, 1, 0);
    aircraft->state = materialState(0.8f, 0.1f, 0.1f);
    aircraft->addChild(new Square(3, 0.2f, 2));
    world->addChild(aircraft);
    world->addChild(ground);
    frame();

    const Rgb centre = at(100, 100);
    EXPECT_GT(centre.r, 100);
    EXPECT_LT(centre.g, 60);
    EXPECT_LT(centre.b, 60);
    // The ground is blue everywhere in view, and brighter toward the light
    // (the bottom of the picture is world +z, where the light stands).
    const Rgb top = at(100, 5), bottom = at(100, 190);
    for (const Rgb& c : {top, bottom, at(5, 100), at(195, 100)}) {
        EXPECT_GT(c.b, 60);
        EXPECT_GT(c.b, 2 * c.r);
        EXPECT_GT(c.b, 2 * c.g);
    }
    EXPECT_GT(bottom.b, top.b + 20);
}

TEST_F(Render, WithTheSkyOffAndNoLightTheGroundIsNearlyBlack) {
    auto* ground = new Square(60, 0);
    ground->state = materialState(0.1f, 0.1f, 0.8f);
    world->addChild(ground);
    scene->setSky(0, 0, 0);
    window->setClearColor(1, 1, 1, 1);  // white background: the ground must cover it
    frame();
    const Rgb c = at(100, 100);
    EXPECT_LT(c.r + c.g + c.b, 40);
}

// Far beyond the spot light's reach, and above it, where it lights no face
// the camera sees: the sky still shows each material's colour and the relief.
TEST_F(Render, TheSkyShowsColourAndReliefWhereThePlacedLightDoesNotReach) {
    light();
    const float far = 2000.0f;
    auto* ground = new Square(60, 0, 30);
    ground->state = materialState(0.1f, 0.1f, 0.8f);
    auto* slope = new kwTransformNode;  // a strip of ground tilted 30 degrees about z
    slope->rotate(30, 0, 0, 1);
    slope->translate(far + 12, 0.5f, 0);
    slope->addChild(new Square(6, 0, 2));
    slope->state = materialState(0.1f, 0.1f, 0.8f);
    auto* aircraft = new kwTransformNode;  // above the light's height of 20
    aircraft->translate(far, 30, 0);
    aircraft->state = materialState(0.8f, 0.1f, 0.1f);
    aircraft->addChild(new Square(6, 0, 2));
    auto* groundPlace = new kwTransformNode;
    groundPlace->translate(far, 0, 0);
    groundPlace->addChild(ground);
    world->addChild(groundPlace);
    world->addChild(slope);
    world->addChild(aircraft);
    scene->getCamera()->setPos(far, 50, 0);
    scene->getCamera()->lookAt(far, 30, 0);
    frame();

    const Rgb red = at(100, 100);
    EXPECT_GT(red.r, 60);
    EXPECT_GT(red.r, 3 * red.g);
    EXPECT_GT(red.r, 3 * red.b);
    const Rgb flat = at(30, 30), tilted = at(141, 100);
    for (const Rgb& c : {flat, tilted}) {
        EXPECT_GT(c.b, 60);
        EXPECT_GT(c.b, 2 * c.r);
        EXPECT_GT(c.b, 2 * c.g);
    }
    EXPECT_GT(std::abs(flat.b - tilted.b), 10) << "a slope shades differently from flat ground";
}

TEST_F(Render, ChangedArraysAreUploadedAgainAndDestroyedOnesLetGo) {
    light();
    auto* ground = new Square(60, 0);
    ground->state = materialState(0.1f, 0.1f, 0.8f);
    world->addChild(ground);
    frame();
    EXPECT_GT(at(100, 100).b, 60);

    // Replace the arrays with a small square off to the side: the centre
    // shows the background again.
    auto* v = new vertexN3V3[3]{{0, 1, 0, 20, 0, 20}, {0, 1, 0, 21, 0, 20}, {0, 1, 0, 20, 0, 21}};
    auto* idx = new unsigned short[3]{0, 1, 2};
    ground->handOver(v, idx, 3, 3);
    frame();
    EXPECT_LT(at(100, 100).b, 10);

    // A drawn primitive destroyed between frames: the next frames go on.
    world->removeChild(ground);
    delete ground;
    auto* another = new Square(60, 0);
    another->state = materialState(0.8f, 0.1f, 0.1f);
    world->addChild(another);
    frame();
    frame();
    EXPECT_GT(at(100, 100).r, 60);
}

TEST_F(Render, IndicesNamingMissingVerticesAreNotDrawn) {
    light();
    auto* ground = new Square(60, 0);
    ground->state = materialState(0.1f, 0.1f, 0.8f);
    auto* v = new vertexN3V3[3]{{0, 1, 0, -30, 0, -30}, {0, 1, 0, 30, 0, -30}, {0, 1, 0, 0, 0, 30}};
    auto* idx = new unsigned short[6]{0, 1, 2, 0, 1, 60000};
    ground->handOver(v, idx, 3, 6);
    world->addChild(ground);
    testing::internal::CaptureStderr();
    frame();
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("not drawn"), std::string::npos) << message;
    EXPECT_LT(at(100, 100).b, 10);
}

TEST_F(Render, TexturesAreUploadedOnFirstUseAndAgainWhenChanged) {
    light();
    auto* square = new TexturedSquare(60);
    auto* state = materialState(1, 1, 1);
    auto* texture = new kwTexture;
    unsigned char green[2 * 2 * 3] = {0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0};
    texture->loadImage(2, 2, texRGB, green);
    state->texture = texture;
    square->state = state;
    world->addChild(square);
    frame();
    Rgb c = at(100, 150);
    EXPECT_GT(c.g, 60);
    EXPECT_LT(c.r, c.g / 3);

    unsigned char red[2 * 2 * 3] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    texture->loadImage(2, 2, texRGB, red);
    frame();
    c = at(100, 150);
    EXPECT_GT(c.r, 60);
    EXPECT_LT(c.g, c.r / 3);
}

TEST_F(Render, SigtermClosesTheWindow) {
    EXPECT_EQ(window->isOpen, 1);
    std::raise(SIGTERM);
    window->refresh();
    EXPECT_EQ(window->isOpen, 0);
}

TEST(RenderLifetime, PrimitivesOutliveTheWindowThatDrewThem) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    kwEventWindow::useScript(nullptr);
    kwScene* scene = new kwScene(true);
    auto* ground = new Square(60, 0);
    scene->addChild(ground);
    scene->getCamera()->setPos(0, 21, 0);
    scene->getCamera()->lookAt(0, 0, 0);
    {
        kwEventWindow first(100, 100, nullptr);
        scene->render(&first);
        first.refresh();
        EXPECT_NE(ground->gpuArrays, nullptr);
    }
    // The window and its GL objects are gone; the primitive forgot them.
    EXPECT_EQ(ground->gpuArrays, nullptr);
    // A second window uploads the arrays afresh and draws them lit by the
    // scene's headlight (the ground's default material is grey).
    kwEventWindow second(100, 100, nullptr);
    scene->render(&second);
    std::vector<unsigned char> pixels;
    ASSERT_TRUE(second.readPixels(pixels));
    EXPECT_GT(pixels[(50 * 100 + 50) * 3], 100);
    delete scene;
}

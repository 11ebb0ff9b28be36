// The flight controls and the missile step, with the scripted window and the
// aircraft's and terrain's recorded inputs.
#include <gtest/gtest.h>

#include <corvane/kwCamera.h>

#include "ScriptedApp.h"

namespace {

struct Controls : testing::Test {
    ScriptedApp app;
    Win3D& window() { return *app->window; }
    const kwCamera& camera() { return *app->scene->getCamera(); }
    Interceptor& aircraft() { return *app->aircraft; }

    void expectSpeeds(float speed, float heading, float pitch) {
        EXPECT_EQ(aircraft().getSpeed(), speed);
        EXPECT_EQ(aircraft().getHPRSpeed().x, heading);
        EXPECT_EQ(aircraft().getHPRSpeed().y, pitch);
        EXPECT_EQ(aircraft().getHPRSpeed().z, 0.0f);
    }
    void placeAircraft(float x, float y, float z) {
        aircraft().reset();
        aircraft().translate(x, y, z);
    }
};

TEST_F(Controls, NoKeyStopsTheAircraftAndLeavesCameraAndTerrain) {
    aircraft().setSpeed(28.0f);
    aircraft().setHPRSpeed(250, 300, 0);
    placeAircraft(5, 6, 7);
    app->updateControls();
    expectSpeeds(0, 0, 0);
    EXPECT_EQ(camera().getPosition().y, 21.0f);
    EXPECT_EQ(camera().getPosition().x, 0.0f);
    EXPECT_EQ(app->terrain->getPositionUpdateCount(), 1u);
    app->updateControls();
    EXPECT_EQ(aircraft().getSetSpeedCount(), 3u) << "written every frame";
    EXPECT_EQ(aircraft().getSetHPRSpeedCount(), 3u);
}

TEST_F(Controls, EachKeyAndItsPrecedence) {
    window().keyUp = 1;
    app->updateControls();
    expectSpeeds(0, 0, 300);
    window().keyDown = 1;
    app->updateControls();
    expectSpeeds(0, 0, -300);
    window().keyUp = window().keyDown = 0;

    window().keyLeft = 1;
    app->updateControls();
    expectSpeeds(0, 250, 0);
    window().keyRight = 1;
    app->updateControls();
    expectSpeeds(0, -250, 0);
    window().keyLeft = 0;
    app->updateControls();
    expectSpeeds(0, -250, 0);
    window().keyRight = 0;

    window().keyShift = 1;
    app->updateControls();
    expectSpeeds(18.5f, 0, 0);
    window().keyControl = 1;
    app->updateControls();
    expectSpeeds(28.0f, 0, 0);
    window().keyShift = 0;
    app->updateControls();
    expectSpeeds(28.0f, 0, 0);
}

TEST_F(Controls, LeftWithUpTurnsAndClimbsInOneCall) {
    window().keyLeft = window().keyUp = 1;
    app->updateControls();
    expectSpeeds(0, 250, 300);
    EXPECT_EQ(aircraft().getSetHPRSpeedCount(), 1u);
}

TEST_F(Controls, FollowingPutsTheCameraAboveAndTellsTheTerrainXZY) {
    placeAircraft(1, 2, 3);
    window().keyShift = 1;
    app->updateControls();
    EXPECT_EQ(camera().getPosition().x, 1.0f);
    EXPECT_EQ(camera().getPosition().y, 22.0f);
    EXPECT_EQ(camera().getPosition().z, 3.0f);
    EXPECT_EQ(camera().getTarget().x, 1.0f);
    EXPECT_EQ(camera().getTarget().y, 2.0f);
    EXPECT_EQ(camera().getTarget().z, 3.0f);
    EXPECT_EQ(app->terrain->getCurrentPos().x, 1.0f);
    EXPECT_EQ(app->terrain->getCurrentPos().y, 3.0f);
    EXPECT_EQ(app->terrain->getCurrentPos().z, 2.0f);
    window().keyShift = 0;
    window().keyControl = 1;
    placeAircraft(-4, 5, 6);
    app->updateControls();
    EXPECT_EQ(camera().getPosition().x, -4.0f);
    EXPECT_EQ(app->terrain->getCurrentPos().y, 6.0f);
}

TEST_F(Controls, RResetsAircraftAndWorldEveryFrameWhileHeld) {
    window().keyR = 1;
    for (int frame = 1; frame <= 3; ++frame) {
        placeAircraft(9, 9, 9);
        aircraft().rotate(30, 0, 1, 0);
        app->world->translate(2, 0, 0);
        app->world->scale(3, 3, 3);
        aircraft().transformDirty = app->world->transformDirty = 0;
        app->scene->getCamera()->setPos(7, 7, 7);
        app->scene->getCamera()->lookAt(7, 0, 7);
        app->updateControls();
        kwTransform start;
        start.translate(0, 1, 0);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(aircraft().matrix[i], start.matrix[i]) << "aircraft element " << i;
            EXPECT_EQ(app->world->matrix[i], kwTransform().matrix[i]) << "world element " << i;
        }
        EXPECT_EQ(aircraft().transformDirty, 1);
        EXPECT_EQ(app->world->transformDirty, 1);
        EXPECT_EQ(app->terrain->getPositionUpdateCount(), 1u + frame) << "frame " << frame;
        EXPECT_EQ(camera().getPosition().x, 0.0f);
        EXPECT_EQ(camera().getPosition().y, 21.0f);
        EXPECT_EQ(camera().getTarget().x, 0.0f);
        EXPECT_EQ(camera().getTarget().y, 1.0f);
        expectSpeeds(0, 0, 0);
    }
}

TEST_F(Controls, RWithShiftResetsThenFliesInTheSameFrame) {
    placeAircraft(9, 9, 9);
    window().keyR = window().keyShift = 1;
    app->updateControls();
    EXPECT_EQ(aircraft().matrix[12], 0.0f);
    EXPECT_EQ(aircraft().matrix[13], 1.0f);
    expectSpeeds(18.5f, 0, 0);
}

TEST_F(Controls, ASpacePressAndReleaseBeforeTheFrameFiresNothing) {
    ScriptedApp quick([](kwWindowScript& s) { s.key(0, vkSpace, true).key(0, vkSpace, false).closeAfter(3); });
    quick.run();
    EXPECT_EQ(quick->aircraft->getMissilesLaunched(), 0u);
    EXPECT_EQ(quick->world->children.count, 2u);
}

TEST_F(Controls, AHeldSpaceFiresOnceUntilTheNextKeyDown) {
    // Down during refresh 0, held through refresh 4 with one auto-repeat at 3.
    ScriptedApp held([](kwWindowScript& s) {
        s.key(0, vkSpace, true).key(3, vkSpace, true).key(5, vkSpace, false).closeAfter(8);
    });
    held.run();
    EXPECT_EQ(held->aircraft->getMissilesLaunched(), 2u);
    ASSERT_EQ(held->world->children.count, 4u);
    EXPECT_EQ(held->window->keySpace, 0);
}

TEST_F(Controls, FiredMissilesFollowInTheWorldInOrderAndTheArrayGrows) {
    std::vector<kwNode*> order = {app->world->children.data[0], app->world->children.data[1]};
    for (int shot = 1; shot <= 15; ++shot) {
        window().keySpace = 1;
        app->updateFrame();
        EXPECT_EQ(window().keySpace, 0);
        ASSERT_EQ(app->world->children.count, 2u + shot);
        order.push_back(app->world->children.data[1 + shot]);
        EXPECT_NE(dynamic_cast<Missile*>(order.back()), nullptr);
        EXPECT_EQ(order.back()->parents.count, 1u);
        EXPECT_EQ(app->world->children.capacity, shot < 15 ? 16u : 32u) << "shot " << shot;
    }
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(app->world->children.data[i], order[i]) << i;
    EXPECT_EQ(app->world->children.data[0], app->aircraft);
    EXPECT_EQ(app->world->children.data[1], app->terrain);
}

TEST_F(Controls, AnEmptyFiringAddsNothingButClearsTheFlag) {
    aircraft().setMissileStock(0);
    window().keySpace = 1;
    app->updateFrame();
    EXPECT_EQ(window().keySpace, 0);
    EXPECT_EQ(app->world->children.count, 2u);
    EXPECT_EQ(aircraft().getFiredMissile().count, 0u);
}

TEST_F(Controls, MissilesTakeTheWorldsGreenMaterial) {
    window().keySpace = 1;
    app->updateFrame();
    ASSERT_EQ(app->world->children.count, 3u);
    EXPECT_EQ(app->world->children.data[2]->state.get(), nullptr);
    EXPECT_EQ(app->world->state->material->diffuse.y, 0.8f);
}

}  // namespace

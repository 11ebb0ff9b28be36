// The scene WindowApp's constructor leaves behind.
#include <gtest/gtest.h>

#include <set>

#include <corvane/kwCamera.h>
#include <corvane/kwSpotLight.h>
#include <velkin/MaterialState.h>

#include "ScriptedApp.h"

namespace {

void expectVec4(const kwVec4& v, float x, float y, float z, float w) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
    EXPECT_FLOAT_EQ(v.w, w);
}

void expectMaterialState(const kwState* state, float r, float g, float b) {
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->refCount, 1) << "held by its node only";
    const kwMaterial* m = state->material.get();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->refCount, 1) << "held by its state only";
    expectVec4(m->ambient, 0.16f, 0.16f, 0.16f, 0.5f);
    expectVec4(m->specular, 1, 1, 1, 1);
    expectVec4(m->diffuse, r, g, b, 1);
    expectVec4(m->emission, 0, 0, 0, 0.5f);
    EXPECT_EQ(m->shininess, 128.0f);
}

const kwNode* onlyParent(const kwNode* node) {
    EXPECT_EQ(node->parents.count, 1u);
    return node->parents.sentinel.next->parent;
}

TEST(Scene, WorldHoldsTheAircraftThenTheTerrainUnderTheScene) {
    ScriptedApp app;
    EXPECT_EQ(app->frameCount, 0);
    ASSERT_EQ(app->scene->children.count, 1u);
    EXPECT_EQ(app->scene->children.data[0], app->world);
    ASSERT_EQ(app->world->children.count, 2u);
    EXPECT_EQ(app->world->children.data[0], app->aircraft);
    EXPECT_EQ(app->world->children.data[1], app->terrain);
    EXPECT_EQ(app->world->children.capacity, 16u);
    EXPECT_EQ(onlyParent(app->world), app->scene);
    EXPECT_EQ(onlyParent(app->aircraft), app->world);
    EXPECT_EQ(onlyParent(app->terrain), app->world);
    EXPECT_EQ(app->scene->state.get(), nullptr);
    EXPECT_FALSE(app->scene->hasHeadlight());
}

TEST(Scene, ThreeMaterialStatesAndTheSpotLight) {
    ScriptedApp app;
    expectMaterialState(app->world->state, 0.1f, 0.8f, 0.1f);
    expectMaterialState(app->aircraft->state, 0.8f, 0.1f, 0.1f);
    expectMaterialState(app->terrain->state, 0.1f, 0.1f, 0.8f);
    const std::set<const kwMaterial*> materials = {app->world->state->material.get(),
                                                   app->aircraft->state->material.get(),
                                                   app->terrain->state->material.get()};
    EXPECT_EQ(materials.size(), 3u) << "no material is shared";

    const kwLight* light = app->world->state->light.get();
    ASSERT_NE(dynamic_cast<const kwSpotLight*>(light), nullptr);
    EXPECT_EQ(light->refCount, 1);
    expectVec4(light->position, 0, 20, 20, 1);
    EXPECT_EQ(app->aircraft->state->light.get(), nullptr);
    EXPECT_EQ(app->terrain->state->light.get(), nullptr);
}

TEST(Scene, CameraAboveTheAircraftLookingDown) {
    ScriptedApp app;
    EXPECT_EQ(app->aircraft->matrix[12], 0.0f);
    EXPECT_EQ(app->aircraft->matrix[13], 1.0f);
    EXPECT_EQ(app->aircraft->matrix[14], 0.0f);
    const kwCamera* camera = app->scene->getCamera();
    EXPECT_EQ(camera->getPosition().x, 0.0f);
    EXPECT_EQ(camera->getPosition().y, 21.0f);
    EXPECT_EQ(camera->getPosition().z, 0.0f);
    EXPECT_EQ(camera->getTarget().y, 1.0f);
    EXPECT_EQ(camera->getNear(), 0.5f);
    EXPECT_EQ(camera->getFar(), 100000.0f);
}

TEST(Scene, TerrainAtTheOriginAndTheMouseOnTheWorld) {
    ScriptedApp app;
    EXPECT_EQ(app->terrain->getPositionUpdateCount(), 1u);
    EXPECT_EQ(app->terrain->getCurrentPos().x, 0.0f);
    EXPECT_EQ(app->terrain->getCurrentPos().y, 0.0f);
    EXPECT_EQ(app->terrain->getCurrentPos().z, 0.0f);
    EXPECT_EQ(app->window->target, static_cast<kwTransform*>(app->world));
    EXPECT_EQ(app->window->width, 500);
    EXPECT_EQ(app->window->height, 500);
    EXPECT_EQ(app->window->owner, app.app.get());
}

TEST(Scene, TheMouseMovesTheWholeWorld) {
    ScriptedApp app([](kwWindowScript& s) {
        s.mouse(0, 0, 0).mouse(1, 100, 0, false, false, true).closeAfter(2);
    });
    app.run();
    EXPECT_NEAR(app->world->matrix[12], 0.2f, 1e-6);
    EXPECT_EQ(app->aircraft->matrix[12], 0.0f) << "the aircraft moves with the world, not within it";
}

TEST(MaterialState, EachCallMakesAFreshStateAndMaterial) {
    kwState* a = makeMaterialState(0.1f, 0.2f, 0.3f);
    kwState* b = makeMaterialState(0.1f, 0.2f, 0.3f);
    EXPECT_EQ(a->refCount, 0) << "the caller holds no reference";
    EXPECT_NE(a->material.get(), b->material.get());
    expectVec4(a->material->diffuse, 0.1f, 0.2f, 0.3f, 1.0f);
    delete a;
    delete b;
}

}  // namespace

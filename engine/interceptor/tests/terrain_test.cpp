// The terrain stand-ins: rebuilt only on another tile, at most once per
// update, following the viewer through the transforms above it.
#include <gtest/gtest.h>

#include <cmath>

#include <corvane/kwTransformNode.h>
#include <interceptor/interceptor.h>

namespace {

TEST(ParametricTerrain, BuildsALitGridAroundTheOrigin) {
    ParametricTerrain t;
    EXPECT_EQ(t.getRebuildCount(), 1u);
    const PrimitiveIndexed* mesh = t.getMesh();
    ASSERT_EQ(t.children.count, 1u);
    EXPECT_EQ(t.children.data[0], mesh);
    ASSERT_EQ(mesh->getVertexFormat(), kwVertexFormat::N3V3);
    const unsigned n = ParametricTerrain::gridSize;
    EXPECT_EQ(mesh->getVertexCount(), n * n);
    EXPECT_EQ(mesh->getIndexCount(), (n - 1) * (n - 1) * 6);
    const float* v = mesh->getVertexData();
    const float half = (n - 1) / 2 * ParametricTerrain::gridSpacing;
    EXPECT_FLOAT_EQ(v[3], -half);
    EXPECT_FLOAT_EQ(v[5], -half);
    for (unsigned i = 0; i < n * n; ++i) {
        const float* r = v + i * 6;
        EXPECT_GT(r[1], 0.5f) << "normals point up";
        EXPECT_NEAR(r[0] * r[0] + r[1] * r[1] + r[2] * r[2], 1.0f, 1e-5);
        EXPECT_LT(r[4], Interceptor::minHeight) << "below the lowest flying height";
        EXPECT_FLOAT_EQ(r[4], ParametricTerrain::heightAt(r[3], r[5]));
    }
    for (unsigned i = 0; i < mesh->getIndexCount(); ++i) ASSERT_LT(mesh->getIndexData()[i], n * n);
}

TEST(ParametricTerrain, RebuildsOnlyWhenTheViewerCrossesIntoAnotherTile) {
    ParametricTerrain t;
    const unsigned version = t.getMesh()->getArrayVersion();
    t.setCurrentPos(kwVec3(3.0f, -3.0f, 10.0f));  // (x, z, height), same tile
    t.update(nullptr);
    EXPECT_EQ(t.getRebuildCount(), 1u);
    // Several crossings before one update cost a single rebuild.
    t.setCurrentPos(kwVec3(9.0f, 0.0f, 1.0f));
    t.setCurrentPos(kwVec3(17.0f, 0.0f, 1.0f));
    t.setCurrentPos(kwVec3(25.0f, -9.0f, 1.0f));
    t.update(nullptr);
    EXPECT_EQ(t.getRebuildCount(), 2u);
    EXPECT_EQ(t.getMesh()->getArrayVersion(), version + 1) << "the renderer is told to upload again";
    EXPECT_EQ(t.getCenterPos().x, 24.0f);
    EXPECT_EQ(t.getCenterPos().y, -8.0f);
    EXPECT_EQ(t.getCurrentPos().x, 25.0f);
    EXPECT_EQ(t.getCurrentPos().y, -9.0f);
    EXPECT_EQ(t.getCurrentPos().z, 1.0f);
    // The grid is centred under the viewer: x around 24, z (the plane's y) around -8.
    const float* v = t.getMesh()->getVertexData();
    const unsigned mid = ParametricTerrain::gridSize / 2;
    const float* centre = v + (mid * ParametricTerrain::gridSize + mid) * 6;
    EXPECT_FLOAT_EQ(centre[3], 24.0f);
    EXPECT_FLOAT_EQ(centre[5], -8.0f);
    t.update(nullptr);
    EXPECT_EQ(t.getRebuildCount(), 2u);
}

TEST(ParametricTerrain, FollowsTheViewerThroughTheWorldTransform) {
    kwTransformNode world;
    ParametricTerrain* t = new ParametricTerrain;
    world.addChild(t);
    world.scale(0.5f, 0.5f, 0.5f);
    world.translate(-16.0f, 0.0f, 0.0f);
    // A viewer at scene x = 0 stands above world x = 32.
    t->setCurrentPos(kwVec3(0.0f, 4.0f, 1.0f));
    EXPECT_EQ(t->getCenterPos().x, 32.0f);
    EXPECT_EQ(t->getCenterPos().y, 8.0f);
}

TEST(ParametricTerrain, KeepsItsTileWhenTheWorldCannotBeInverted) {
    kwTransformNode world;
    ParametricTerrain* t = new ParametricTerrain;
    world.addChild(t);
    world.scale(0, 0, 0);
    t->setCurrentPos(kwVec3(100.0f, 100.0f, 1.0f));
    t->update(nullptr);
    EXPECT_EQ(t->getCenterPos().x, 0.0f);
    EXPECT_EQ(t->getRebuildCount(), 1u);
}

TEST(Ground, DefaultIsA90UnitSquareAtTheOrigin) {
    alignas(16) unsigned char memory[sizeof(Ground)];
    Ground* g = Ground::constructDefault(memory);
    EXPECT_EQ(g->getSize(), 90.0f);
    const float* v = g->getVertexData();
    EXPECT_FLOAT_EQ(v[3], -45.0f);
    EXPECT_FLOAT_EQ(v[5], -45.0f);
    EXPECT_EQ(v[1], 1.0f);
    EXPECT_EQ(g->getIndexCount(), unsigned(Ground::divisions * Ground::divisions * 6));
    g->~Ground();
}

TEST(Ground, RefusesANonPositiveSize) {
    testing::internal::CaptureStderr();
    Ground g(-3.0f, 1.0f, 2.0f);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Ground:"), std::string::npos);
    EXPECT_EQ(g.getSize(), 90.0f);
}

}  // namespace

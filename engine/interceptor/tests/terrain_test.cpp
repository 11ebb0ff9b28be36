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
        EXPECT_LT(r[4], float(Interceptor::minHeight)) << "below the lowest flying height";
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

namespace {

// The vertex record at plane point (x, z) of the terrain's grid, if the grid holds it.
const float* vertexAt(const ParametricTerrain& t, float x, float z) {
    const float* v = t.getMesh()->getVertexData();
    for (unsigned i = 0; i < t.getMesh()->getVertexCount(); ++i)
        if (v[i * 6 + 3] == x && v[i * 6 + 5] == z) return v + i * 6;
    return nullptr;
}

TEST(ParametricTerrain, APlaceLooksTheSameFromWhicheverTileItWasBuilt) {
    ParametricTerrain near, far;
    far.setCurrentPos(kwVec3(17.0f, -9.0f, 5.0f));
    far.update(nullptr);
    ASSERT_EQ(far.getCenterPos().x, 16.0f);
    ASSERT_EQ(far.getCenterPos().y, -8.0f);
    // Both grids hold the lattice points from (-36, -52) to (52, 44).
    int shared = 0;
    for (float x = -36.0f; x <= 52.0f; x += ParametricTerrain::gridSpacing)
        for (float z = -52.0f; z <= 44.0f; z += ParametricTerrain::gridSpacing) {
            const float* a = vertexAt(near, x, z);
            const float* b = vertexAt(far, x, z);
            ASSERT_TRUE(a && b) << x << ", " << z;
            for (int k = 0; k < 6; ++k) ASSERT_EQ(a[k], b[k]) << x << ", " << z << " field " << k;
            ++shared;
        }
    EXPECT_EQ(shared, 45 * 49);
}

// The corner of what a camera 20 above an aircraft at the ceiling (30) sees
// of ground as low as -2.6, with a 60 degree view in a square window:
// (30 + 20 + 2.6) tan 30 sqrt 2 = 42.95 units from the point under it.
TEST(ParametricTerrain, CoversTheViewFromTheCeilingWhereverTheViewerStandsInATile) {
    for (const kwVec3& at : {kwVec3(0, 0, 30), kwVec3(3.99f, -3.99f, 30), kwVec3(-1003.9f, 2004.1f, 30)}) {
        ParametricTerrain t;
        t.setCurrentPos(at);
        t.update(nullptr);
        const float* v = t.getMesh()->getVertexData();
        float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
        for (unsigned i = 0; i < t.getMesh()->getVertexCount(); ++i) {
            minX = std::fmin(minX, v[i * 6 + 3]);
            maxX = std::fmax(maxX, v[i * 6 + 3]);
            minZ = std::fmin(minZ, v[i * 6 + 5]);
            maxZ = std::fmax(maxZ, v[i * 6 + 5]);
        }
        EXPECT_LE(minX, at.x - 42.95f) << at.x;
        EXPECT_GE(maxX, at.x + 42.95f) << at.x;
        EXPECT_LE(minZ, at.y - 42.95f) << at.y;
        EXPECT_GE(maxZ, at.y + 42.95f) << at.y;
    }
}

TEST(ParametricTerrain, APositionAtTheEndsOfTheFloatsBuildsAFiniteGrid) {
    ParametricTerrain t;
    t.setCurrentPos(kwVec3(3.0e38f, -3.0e38f, 1.0f));
    t.update(nullptr);
    EXPECT_EQ(t.getRebuildCount(), 2u);
    const float* v = t.getMesh()->getVertexData();
    for (unsigned i = 0; i < t.getMesh()->getVertexCount() * 6; ++i) ASSERT_TRUE(std::isfinite(v[i])) << i;
}

TEST(ParametricTerrain, StaysUnderTheViewerWhenTheWorldMovesAfterwards) {
    kwTransformNode world;
    ParametricTerrain* t = new ParametricTerrain;
    world.addChild(t);
    t->setCurrentPos(kwVec3(1.0f, 1.0f, 5.0f));
    t->update(nullptr);
    EXPECT_EQ(t->getRebuildCount(), 1u);
    // The mouse drags the world 40 to the left: the viewer now stands above
    // the world's x = 41, and the next update builds around it.
    world.translate(-40.0f, 0.0f, 0.0f);
    t->update(nullptr);
    EXPECT_EQ(t->getCenterPos().x, 40.0f);
    EXPECT_EQ(t->getCenterPos().y, 0.0f);
    EXPECT_EQ(t->getRebuildCount(), 2u);
    // A quarter turn of the world about its own origin, which stands at
    // scene x = -40: the viewer, 41 units from it along scene x, now stands
    // above the world's (x, z) = (-1, 41).
    world.translate(40.0f, 0.0f, 0.0f);
    world.rotate(90.0f, 0.0f, 1.0f, 0.0f);
    world.translate(-40.0f, 0.0f, 0.0f);
    t->update(nullptr);
    t->update(nullptr);
    EXPECT_EQ(t->getRebuildCount(), 3u) << "once per new tile";
    EXPECT_EQ(t->getCenterPos().x, 0.0f);
    EXPECT_EQ(t->getCenterPos().y, 40.0f);
}

}  // namespace

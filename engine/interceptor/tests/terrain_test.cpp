// The terrain stand-ins: levels of detail that cover the view at any scale
// and meet without gaps, rebuilt only when their layout changes, at most
// once per update, following the viewer through the transforms above it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <corvane/kwTransformNode.h>
#include <interceptor/interceptor.h>

namespace {

TEST(ParametricTerrain, BuildsALitGridAroundTheOrigin) {
    ParametricTerrain t;
    EXPECT_EQ(t.getRebuildCount(), 1u);
    EXPECT_EQ(t.getLevelCount(), 1);
    const PrimitiveIndexed* mesh = t.getMesh();
    ASSERT_EQ(t.children.count, 1u);
    EXPECT_EQ(t.children.data[0], mesh);
    ASSERT_EQ(mesh->getVertexFormat(), kwVertexFormat::N3V3);
    // 15 x 15 tiles of 8 units, 4 cells a tile: 61 x 61 vertices, 2 units apart.
    const unsigned n = 61;
    EXPECT_EQ(mesh->getVertexCount(), n * n);
    EXPECT_EQ(mesh->getIndexCount(), 60u * 60u * 6u);
    const float* v = mesh->getVertexData();
    EXPECT_FLOAT_EQ(v[3], -60.0f);
    EXPECT_FLOAT_EQ(v[5], -60.0f);
    EXPECT_FLOAT_EQ(v[6 + 3], -58.0f);
    EXPECT_FLOAT_EQ(v[(n * n - 1) * 6 + 3], 60.0f);
    for (unsigned i = 0; i < n * n; ++i) {
        const float* r = v + i * 6;
        EXPECT_GT(r[1], 0.5f) << "normals point up";
        EXPECT_NEAR(r[0] * r[0] + r[1] * r[1] + r[2] * r[2], 1.0f, 1e-5);
        EXPECT_LT(r[4], float(Interceptor::minHeight)) << "below the lowest flying height";
        EXPECT_FLOAT_EQ(r[4], ParametricTerrain::heightAt(r[3], r[5]));
    }
    for (unsigned i = 0; i < mesh->getIndexCount(); ++i) ASSERT_LT(mesh->getIndexData()[i], n * n);
}

TEST(ParametricTerrain, HeightsAreTheHillsAndRipples) {
    // -1.5 + 0.7 sin(0.31 x) cos(0.27 z) + 0.4 sin(0.83 x + 0.61 z), by hand.
    EXPECT_FLOAT_EQ(ParametricTerrain::heightAt(0.0f, 0.0f), -1.5f);
    EXPECT_NEAR(ParametricTerrain::heightAt(5.0f, 0.0f), -1.5 + 0.7 * 0.99978376 + 0.4 * -0.84598370, 1e-5);
    EXPECT_NEAR(ParametricTerrain::heightAt(0.0f, 4.0f), -1.5 + 0.4 * 0.64543500, 1e-5);
}

TEST(ParametricTerrain, RebuildsOnlyWhenTheViewerCrossesIntoAnotherBlock) {
    ParametricTerrain t;
    const unsigned version = t.getMesh()->getArrayVersion();
    // Level 0 is laid out around the 24-unit tile of the level above: moving
    // within it changes the 8-unit tile under the viewer but not the grid.
    t.setCurrentPos(kwVec3(11.0f, -3.0f, 10.0f));  // (x, z, height)
    t.update(nullptr);
    EXPECT_EQ(t.getCenterPos().x, 8.0f);
    EXPECT_EQ(t.getRebuildCount(), 1u);
    // Several crossings before one update cost a single rebuild.
    t.setCurrentPos(kwVec3(13.0f, 0.0f, 1.0f));
    t.setCurrentPos(kwVec3(25.0f, -9.0f, 1.0f));
    t.setCurrentPos(kwVec3(37.0f, -13.0f, 1.0f));
    t.update(nullptr);
    EXPECT_EQ(t.getRebuildCount(), 2u);
    EXPECT_EQ(t.getMesh()->getArrayVersion(), version + 1) << "the renderer is told to upload again";
    EXPECT_EQ(t.getCenterPos().x, 40.0f);
    EXPECT_EQ(t.getCenterPos().y, -16.0f);
    EXPECT_EQ(t.getCurrentPos().x, 37.0f);
    EXPECT_EQ(t.getCurrentPos().y, -13.0f);
    EXPECT_EQ(t.getCurrentPos().z, 1.0f);
    // The grid is centred on the 24-unit tile under the viewer: (48, -24).
    const float* centre = t.getMesh()->getVertexData() + (30 * 61 + 30) * 6;
    EXPECT_FLOAT_EQ(centre[3], 48.0f);
    EXPECT_FLOAT_EQ(centre[5], -24.0f);
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

// The vertex record at plane point (x, z) of a level's grid, if it holds it.
const float* vertexAt(const PrimitiveIndexed* mesh, float x, float z) {
    const float* v = mesh->getVertexData();
    for (unsigned i = 0; i < mesh->getVertexCount(); ++i)
        if (v[i * 6 + 3] == x && v[i * 6 + 5] == z) return v + i * 6;
    return nullptr;
}

TEST(ParametricTerrain, APlaceLooksTheSameFromWhereverItWasBuilt) {
    ParametricTerrain near, far;
    far.setCurrentPos(kwVec3(17.0f, -9.0f, 5.0f));
    far.update(nullptr);
    ASSERT_EQ(far.getLevelCount(), 1);
    // near's grid spans -60 to 60 both ways; far's is centred on (24, 0).
    int shared = 0;
    for (float x = -36.0f; x <= 60.0f; x += 2.0f)
        for (float z = -60.0f; z <= 60.0f; z += 2.0f) {
            const float* a = vertexAt(near.getMesh(), x, z);
            const float* b = vertexAt(far.getMesh(), x, z);
            ASSERT_TRUE(a && b) << x << ", " << z;
            for (int k = 0; k < 6; ++k) ASSERT_EQ(a[k], b[k]) << x << ", " << z << " field " << k;
            ++shared;
        }
    EXPECT_EQ(shared, 49 * 61);
}

// A world node scaled by `scale` about its origin, holding a terrain whose
// viewer stands `height` world units above the world's origin.
struct ShrunkWorld {
    explicit ShrunkWorld(float scale, float height = 30.0f) {
        terrain = new ParametricTerrain;
        world.addChild(terrain);
        world.scale(scale, scale, scale);
        terrain->setCurrentPos(kwVec3(0.0f, 0.0f, height * scale));
        terrain->update(nullptr);
    }
    kwTransformNode world;
    ParametricTerrain* terrain;
};

// Triangles of every drawn level, in the terrain's plane (x, z) with heights.
struct Triangle {
    double x[3], y[3], z[3];
};
std::vector<Triangle> drawnTriangles(const ParametricTerrain& t) {
    std::vector<Triangle> out;
    for (int level = 0; level < t.getLevelCount(); ++level) {
        const PrimitiveIndexed* mesh = t.getLevelMesh(level);
        const float* v = mesh->getVertexData();
        const unsigned short* idx = mesh->getIndexData();
        for (unsigned i = 0; i + 2 < mesh->getIndexCount(); i += 3) {
            Triangle tri;
            for (int k = 0; k < 3; ++k) {
                const float* r = v + idx[i + k] * 6;
                tri.x[k] = r[3];
                tri.y[k] = r[4];
                tri.z[k] = r[5];
            }
            out.push_back(tri);
        }
    }
    return out;
}

// Barycentric weights of plane point (x, z) in the triangle's plane projection.
bool weights(const Triangle& t, double x, double z, double w[3], double slack = 0.0) {
    const double d = (t.z[1] - t.z[2]) * (t.x[0] - t.x[2]) + (t.x[2] - t.x[1]) * (t.z[0] - t.z[2]);
    if (d == 0.0) return false;
    w[0] = ((t.z[1] - t.z[2]) * (x - t.x[2]) + (t.x[2] - t.x[1]) * (z - t.z[2])) / d;
    w[1] = ((t.z[2] - t.z[0]) * (x - t.x[2]) + (t.x[0] - t.x[2]) * (z - t.z[2])) / d;
    w[2] = 1.0 - w[0] - w[1];
    return w[0] >= -slack && w[1] >= -slack && w[2] >= -slack;
}

// The levels' counts follow the view: from the ceiling, a camera 20 scene
// units above the viewer sees (20 + 30 s) / s + 2.6 world units down to the
// lowest ground, and 0.8165 times that sideways at the picture's corners,
// with a margin of 2%.
// Level 0 reaches 48 units, level L >= 1 24 * 3^L.
TEST(ParametricTerrain, KeepsAsManyLevelsAsTheShrunkViewNeeds) {
    EXPECT_EQ(ShrunkWorld(1.0f).terrain->getLevelCount(), 1);      // 43.8 units, margin included
    EXPECT_EQ(ShrunkWorld(0.05f).terrain->getLevelCount(), 4);     // 360: 216 < 360 < 648
    EXPECT_EQ(ShrunkWorld(0.0025f).terrain->getLevelCount(), 7);   // 6690: 5832 < 6690 < 17496
    EXPECT_EQ(ShrunkWorld(6.25e-6f).terrain->getLevelCount(), 12); // 2.6e6: 1.4e6 < 2.6e6 < 4.3e6
    const ShrunkWorld small(6.25e-6f);
    EXPECT_NEAR(small.terrain->getViewReach(), (20.0 / 6.25e-6 + 30.0 + 2.6) * 0.81650 * 1.02, 2e3);
}

TEST(ParametricTerrain, LevelsFitTogetherWithoutGapsOrOverlaps) {
    for (float scale : {1.0f, 0.05f, 0.0025f}) {
        const ShrunkWorld w(scale);
        const std::vector<Triangle> triangles = drawnTriangles(*w.terrain);
        const double r = w.terrain->getViewReach();
        // Points across the view, none on a lattice line.
        for (int j = 0; j <= 30; ++j)
            for (int i = 0; i <= 30; ++i) {
                const double x = (i / 15.0 - 1.0) * r + 0.01234 * r / 30, z = (j / 15.0 - 1.0) * r + 0.04321 * r / 30;
                int covering = 0;
                double wts[3];
                for (const Triangle& t : triangles)
                    if (weights(t, x, z, wts)) ++covering;
                ASSERT_EQ(covering, 1) << "scale " << scale << " at (" << x << ", " << z << ")";
            }
    }
}

TEST(ParametricTerrain, AFinerLevelsEdgeLiesOnTheCoarserLevelsSurface) {
    const ShrunkWorld w(0.05f);
    ASSERT_EQ(w.terrain->getLevelCount(), 4);
    for (int level = 0; level + 1 < w.terrain->getLevelCount(); ++level) {
        const PrimitiveIndexed* fine = w.terrain->getLevelMesh(level);
        const PrimitiveIndexed* coarse = w.terrain->getLevelMesh(level + 1);
        const unsigned n = unsigned(std::lround(std::sqrt(double(fine->getVertexCount()))));
        // The coarser level's triangles alone.
        std::vector<Triangle> around;
        const float* cv = coarse->getVertexData();
        for (unsigned i = 0; i + 2 < coarse->getIndexCount(); i += 3) {
            Triangle t;
            for (int k = 0; k < 3; ++k) {
                const float* rec = cv + coarse->getIndexData()[i + k] * 6;
                t.x[k] = rec[3], t.y[k] = rec[4], t.z[k] = rec[5];
            }
            around.push_back(t);
        }
        int checked = 0;
        const float* v = fine->getVertexData();
        for (unsigned j = 0; j < n; ++j)
            for (unsigned i = 0; i < n; ++i) {
                if (i != 0 && j != 0 && i != n - 1 && j != n - 1) continue;
                const float* rec = v + (j * n + i) * 6;
                bool found = false;
                double wts[3];
                for (const Triangle& t : around)
                    if (weights(t, rec[3], rec[5], wts, 1e-9)) {
                        const double y = wts[0] * t.y[0] + wts[1] * t.y[1] + wts[2] * t.y[2];
                        ASSERT_NEAR(rec[4], y, 1e-5) << "level " << level << " edge vertex (" << rec[3] << ", "
                                                    << rec[5] << ")";
                        found = true;
                    }
                ASSERT_TRUE(found) << "level " << level << " edge vertex outside the coarser level";
                ++checked;
            }
        EXPECT_EQ(checked, int(4 * (n - 1)));
    }
}

TEST(ParametricTerrain, FarLevelsAreASmoothPlainAtTheMeanHeight) {
    const ShrunkWorld w(0.0025f);
    for (int level = 2; level < w.terrain->getLevelCount(); ++level) {
        const PrimitiveIndexed* mesh = w.terrain->getLevelMesh(level);
        const float* v = mesh->getVertexData();
        for (unsigned i = 0; i < mesh->getVertexCount(); ++i) {
            ASSERT_EQ(v[i * 6 + 1], 1.0f) << "level " << level;
            ASSERT_EQ(v[i * 6 + 4], -1.5f) << "level " << level;
        }
    }
}

TEST(ParametricTerrain, DropsTheLevelsTheViewNoLongerNeeds) {
    ShrunkWorld w(0.05f);
    ASSERT_EQ(w.terrain->getLevelCount(), 4);
    w.world.reset();
    w.terrain->update(nullptr);
    EXPECT_EQ(w.terrain->getLevelCount(), 1);
    EXPECT_EQ(w.terrain->getLevelMesh(1)->getIndexCount(), 0u) << "not drawn";
    EXPECT_EQ(w.terrain->children.count, 4u) << "kept for later";
    // Level 0 is no longer inside another: its edge has all its detail again.
    const PrimitiveIndexed* mesh = w.terrain->getMesh();
    const float* v = mesh->getVertexData();
    for (unsigned i = 0; i < 61; ++i) EXPECT_FLOAT_EQ(v[i * 6 + 4], ParametricTerrain::heightAt(v[i * 6 + 3], v[i * 6 + 5]));
}

TEST(ParametricTerrain, AWorldOnItsSideShowsTheHorizonWithAllLevels) {
    kwTransformNode world;
    ParametricTerrain* t = new ParametricTerrain;
    world.addChild(t);
    world.rotate(90.0f, 1.0f, 0.0f, 0.0f);
    t->setCurrentPos(kwVec3(0.0f, 0.0f, 1.0f));
    t->update(nullptr);
    EXPECT_EQ(t->getLevelCount(), int{ParametricTerrain::maxLevels});  // a value, not the DLL's data
    std::size_t indices = 0;
    for (int level = 0; level < t->getLevelCount(); ++level) {
        const PrimitiveIndexed* mesh = t->getLevelMesh(level);
        indices += mesh->getIndexCount();
        const float* v = mesh->getVertexData();
        for (unsigned i = 0; i < mesh->getVertexCount() * 6; ++i) ASSERT_TRUE(std::isfinite(v[i])) << level;
    }
    // The bound: 60 x 60 cells of level 0; 36 x 36 cells less a 20 x 20
    // hole for level 1 and a 12 x 12 hole above.
    EXPECT_EQ(indices, 6u * (3600 + (1296 - 400) + 18 * (1296 - 144)));
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
    EXPECT_EQ(t->getRebuildCount(), 3u) << "once per new layout";
    EXPECT_EQ(t->getCenterPos().x, 0.0f);
    EXPECT_EQ(t->getCenterPos().y, 40.0f);
}

}  // namespace

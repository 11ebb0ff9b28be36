// The terrain stand-ins: levels of detail that cover the view at any scale
// and meet without gaps, laid out anew only when their layout changes, at
// most once per update, and re-morphed from stored heights when the camera
// moves, following the viewer through the transforms above it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <utility>
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
    int exact = 0;
    for (unsigned i = 0; i < n * n; ++i) {
        const float* r = v + i * 6;
        EXPECT_GT(r[1], 0.5f) << "normals point up";
        EXPECT_NEAR(r[0] * r[0] + r[1] * r[1] + r[2] * r[2], 1.0f, 1e-5);
        EXPECT_LT(r[4], float(Interceptor::minHeight)) << "below the lowest flying height";
        // The camera stands 20 above the origin, 21.5 above the mean height:
        // cells of 2 span more than a twelfth of the distance up to 24 from
        // it, within 10 of the origin, and have every detail there.
        if (std::hypot(r[3], r[5]) <= 10.0f) {
            EXPECT_FLOAT_EQ(r[4], ParametricTerrain::heightAt(r[3], r[5]));
            ++exact;
        }
    }
    EXPECT_EQ(exact, 81) << "lattice points within 10 of the origin";
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
    EXPECT_GT(t.getMesh()->getArrayVersion(), version) << "the renderer is told to upload again";
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

// The camera 20 above the origin, 21.5 above the mean height. At (44, 0),
// 48.97 from it, a cell of 2 spans less than a 24th: the vertex lies on
// level 1's triangle, a third of the way from its vertex (42, 0) to (48, 0);
// level 1 (cells of 6) shows the hills, -1.5 + 0.7 sin(0.31 x) cos(0.27 z),
// but not the ripples. At (30, 0), 37.0 away (a 18.5th), it is 0.70 of the
// way from its own height to level 1's surface.
TEST(ParametricTerrain, HeightsBlendIntoTheCoarserLevelWithDistance) {
    ParametricTerrain t;
    auto hills = [](double x) { return -1.5 + 0.7 * std::sin(0.31 * x); };
    const float* far = vertexAt(t.getMesh(), 44.0f, 0.0f);
    ASSERT_TRUE(far);
    EXPECT_NEAR(far[4], hills(42) + (hills(48) - hills(42)) / 3.0, 1e-5);
    const float* mid = vertexAt(t.getMesh(), 30.0f, 0.0f);
    ASSERT_TRUE(mid);
    const double blend = (1.0 / 12 - 2.0 / std::hypot(30.0, 21.5)) / (1.0 / 12 - 1.0 / 24);
    EXPECT_NEAR(blend, 0.70, 0.01);
    EXPECT_NEAR(mid[4], ParametricTerrain::heightAt(30.0f, 0.0f) + blend * (hills(30) - ParametricTerrain::heightAt(30.0f, 0.0f)),
                1e-5);
    const float midHeight = mid[4];
    // The camera moves within the block: heights are recomputed, the grid stays.
    const unsigned version = t.getMesh()->getArrayVersion();
    t.setCurrentPos(kwVec3(1.0f, 0.0f, 0.0f));
    t.update(nullptr);
    EXPECT_EQ(t.getRebuildCount(), 1u);
    EXPECT_EQ(t.getMorphCount(), 1u);
    EXPECT_EQ(t.getMesh()->getArrayVersion(), version + 1);
    EXPECT_NE(vertexAt(t.getMesh(), 30.0f, 0.0f)[4], midHeight) << "nearer now, less blended";
    // An update with the camera where it was changes nothing.
    t.update(nullptr);
    EXPECT_EQ(t.getMorphCount(), 1u);
    EXPECT_EQ(t.getMesh()->getArrayVersion(), version + 1);
}

TEST(ParametricTerrain, APlaceLooksTheSameFromWhereverItWasBuilt) {
    ParametricTerrain near, far;
    far.setCurrentPos(kwVec3(13.0f, 0.0f, 0.0f));
    far.update(nullptr);
    ASSERT_EQ(far.getLevelCount(), 1);
    // near's grid spans -60 to 60 both ways; far's is centred on (24, 0).
    // Both lie on one lattice; near either camera (cells of 2 more than a
    // twelfth of the distance) the records are the same, bit for bit.
    int shared = 0, same = 0;
    for (float x = -36.0f; x <= 60.0f; x += 2.0f)
        for (float z = -60.0f; z <= 60.0f; z += 2.0f) {
            const float* a = vertexAt(near.getMesh(), x, z);
            const float* b = vertexAt(far.getMesh(), x, z);
            ASSERT_TRUE(a && b) << x << ", " << z;
            ++shared;
            if (std::hypot(x, z) > 10.0f || std::hypot(x - 13.0f, z) > 10.0f) continue;
            for (int k = 0; k < 6; ++k) ASSERT_EQ(a[k], b[k]) << x << ", " << z << " field " << k;
            ++same;
        }
    EXPECT_EQ(shared, 49 * 61);
    EXPECT_GT(same, 10);
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

// The finest level follows the camera's height: from the ceiling, a camera
// 20 scene units above the viewer stands (20 + 30 s) / s world units above
// the origin, 1.5 more above the mean height. The finest level drawn is two
// below the first whose cell, 2 * 3^L, exceeds a 24th of that; level L's
// block reaches 48 * 3^L, and as many are drawn as reach the 0.8165 * 1.02
// of the height (plus 2.6 to the lowest ground) that a square window sees.
TEST(ParametricTerrain, ChoosesTheFinestLevelByItsSizeOnScreen) {
    struct Case {
        float scale;
        int finest, count;
    };
    for (const Case c : {Case{1.0f, 0, 1},       // 51.5 / 24 = 2.1 < 18; reach 43.8 < 48
                         Case{0.05f, 0, 3},      // 431.5 / 24 = 17.98 < 18; 144 < 360.5 < 432
                         Case{0.0025f, 3, 3},    // 334.6 < 2 * 3^5; 3888 < 6693 < 11664
                         Case{6.25e-6f, 9, 2}})  // 133335 < 2 * 3^11; 944784 < 2.67e6 < 2.83e6
    {
        const ShrunkWorld w(c.scale);
        EXPECT_EQ(w.terrain->getFinestLevel(), c.finest) << "scale " << c.scale;
        EXPECT_EQ(w.terrain->getLevelCount(), c.count) << "scale " << c.scale;
    }
    const ShrunkWorld small(6.25e-6f);
    EXPECT_NEAR(small.terrain->getViewReach(), (20.0 / 6.25e-6 + 30.0 + 2.6) * 0.81650 * 1.02, 2e3);
}

// A window twice as wide as high sees sqrt(5) tan 30 = 1.291 of the camera's
// height to its corners, against 0.8165 for a square one.
TEST(ParametricTerrain, CoversTheViewOfTheWindowsShape) {
    const ShrunkWorld square(1.0f);
    ASSERT_EQ(square.terrain->getViewAspect(), 1.0);
    kwTransformNode world;
    ParametricTerrain* t = new ParametricTerrain;
    world.addChild(t);
    t->setViewAspect(2.0);
    t->setViewAspect(-1.0);  // ignored
    t->setViewAspect(std::nan(""));
    EXPECT_EQ(t->getViewAspect(), 2.0);
    t->setCurrentPos(kwVec3(0.0f, 0.0f, 30.0f));
    t->update(nullptr);
    EXPECT_NEAR(t->getViewReach() / square.terrain->getViewReach(), 1.2910 / 0.8165, 1e-3);
    // Level 0 reaches 48, past the square's 43.8 but short of the wide window's 69.3.
    EXPECT_NEAR(t->getViewReach(), 52.6 * 1.2910 * 1.02, 0.1);
    EXPECT_EQ(square.terrain->getLevelCount(), 1);
    EXPECT_EQ(t->getLevelCount(), 2);
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
                if (std::hypot(x, z) > r) continue;  // beyond what the window shows: not drawn
                int covering = 0;
                double wts[3];
                for (const Triangle& t : triangles)
                    if (weights(t, x, z, wts)) ++covering;
                ASSERT_EQ(covering, 1) << "scale " << scale << " at (" << x << ", " << z << ")";
            }
    }
}

// A world tilted 60 degrees about x, so that the view reaches far and
// several levels are drawn.
struct TiltedWorld {
    explicit TiltedWorld(float scale) {
        terrain = new ParametricTerrain;
        world.addChild(terrain);
        world.scale(scale, scale, scale);
        world.rotate(60.0f, 1.0f, 0.0f, 0.0f);
        terrain->setCurrentPos(kwVec3(0.0f, 0.0f, 30.0f * scale));
        terrain->update(nullptr);
    }
    kwTransformNode world;
    ParametricTerrain* terrain;
};

// The triangle edges of a mesh that lie on the outline of the square from
// (x0, z0) to (x1, z1), each as its two end records' six floats.
using Record = std::vector<float>;
std::set<std::pair<Record, Record>> edgesOn(const PrimitiveIndexed* mesh, float x0, float z0, float x1, float z1) {
    std::set<std::pair<Record, Record>> out;
    const float* v = mesh->getVertexData();
    const unsigned short* idx = mesh->getIndexData();
    auto onOutline = [&](const float* r) {
        const bool inX = r[3] >= x0 && r[3] <= x1, inZ = r[5] >= z0 && r[5] <= z1;
        return ((r[3] == x0 || r[3] == x1) && inZ) || ((r[5] == z0 || r[5] == z1) && inX);
    };
    for (unsigned i = 0; i + 2 < mesh->getIndexCount(); i += 3)
        for (int k = 0; k < 3; ++k) {
            const float* p = v + idx[i + k] * 6;
            const float* q = v + idx[i + (k + 1) % 3] * 6;
            if (!onOutline(p) || !onOutline(q) || !(p[3] == q[3] || p[5] == q[5])) continue;
            Record a(p, p + 6), b(q, q + 6);
            if (b < a) std::swap(a, b);
            out.insert({a, b});
        }
    return out;
}

// Where a finer level meets a coarser one, the finer level's outline is
// made of exactly the coarser level's edges along its hole, with the same
// vertex records bit for bit: no vertex of one lies on an edge of the other.
TEST(ParametricTerrain, LevelsShareTheirBorderEdgesBitForBit) {
    for (float scale : {1.0f, 0.05f, 1e-12f}) {
        const TiltedWorld w(scale);
        ASSERT_GE(w.terrain->getLevelCount(), 3) << "scale " << scale;
        for (int level = 0; level + 1 < w.terrain->getLevelCount(); ++level) {
            const PrimitiveIndexed* fine = w.terrain->getLevelMesh(level);
            float x0 = 3e38f, z0 = 3e38f, x1 = -3e38f, z1 = -3e38f;
            const float* v = fine->getVertexData();
            for (unsigned i = 0; i < fine->getVertexCount(); ++i) {
                x0 = std::min(x0, v[i * 6 + 3]), x1 = std::max(x1, v[i * 6 + 3]);
                z0 = std::min(z0, v[i * 6 + 5]), z1 = std::max(z1, v[i * 6 + 5]);
            }
            const auto inner = edgesOn(fine, x0, z0, x1, z1);
            const auto outer = edgesOn(w.terrain->getLevelMesh(level + 1), x0, z0, x1, z1);
            // 60 cells of the finer level a side: 20 of the coarser.
            EXPECT_EQ(outer.size(), 80u) << "scale " << scale << " level " << level;
            EXPECT_TRUE(inner == outer) << "scale " << scale << " level " << level << ": " << inner.size()
                                        << " edges inside, " << outer.size() << " outside";
        }
    }
}

TEST(ParametricTerrain, FarLevelsAreASmoothPlainAtTheMeanHeight) {
    // Lattice levels 2 and up (cells of 18 and more): too coarse for hills.
    const TiltedWorld w(0.0025f);
    ASSERT_GE(w.terrain->getFinestLevel(), 2);
    ASSERT_GE(w.terrain->getLevelCount(), 2);
    for (int level = 0; level < w.terrain->getLevelCount(); ++level) {
        const PrimitiveIndexed* mesh = w.terrain->getLevelMesh(level);
        const float* v = mesh->getVertexData();
        for (unsigned i = 0; i < mesh->getVertexCount(); ++i) {
            ASSERT_EQ(v[i * 6 + 1], 1.0f) << "level " << level;
            ASSERT_EQ(v[i * 6 + 4], -1.5f) << "level " << level;
        }
    }
}

TEST(ParametricTerrain, DropsTheLevelsTheViewNoLongerNeeds) {
    TiltedWorld w(1.0f);
    const int tilted = w.terrain->getLevelCount();
    ASSERT_GE(tilted, 3);
    w.world.reset();
    w.terrain->update(nullptr);
    EXPECT_EQ(w.terrain->getLevelCount(), 1);
    EXPECT_EQ(w.terrain->getLevelMesh(1)->getIndexCount(), 0u) << "not drawn";
    EXPECT_EQ(w.terrain->children.count, unsigned(tilted)) << "kept for later";
    // The finest level is no longer inside another: its edge is not folded
    // (the vertex after its first corner is its own, 2 units on).
    const float* v = w.terrain->getMesh()->getVertexData();
    EXPECT_EQ(v[6 + 3], v[3] + 2.0f);
    EXPECT_GT(w.terrain->getMesh()->getIndexCount(), 0u);
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
    // The bound: 60 x 60 cells a level, less a 20 x 20 hole in all but the
    // finest; along the outline of all but the coarsest, each coarse edge
    // (three cells) flattens two triangles to nothing.
    EXPECT_EQ(indices, 3u * ((7200 - 160) + 18 * (6400 - 160) + 6400));
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

// A flight of small steps (the camera moves every update, a tile change now
// and then) reuses each level's records; where it ends, every level must be
// exactly what a terrain built there afresh has, vertices and triangles, at
// the world's own scale, tilted so that several levels show, and shrunk far.
TEST(ParametricTerrain, AFlightEndsWhereAFreshBuildWould) {
    auto same = [](const ParametricTerrain& a, const ParametricTerrain& b, const char* where) {
        ASSERT_EQ(a.getLevelCount(), b.getLevelCount()) << where;
        for (int level = 0; level < a.getLevelCount(); ++level) {
            const PrimitiveIndexed* p = a.getLevelMesh(level);
            const PrimitiveIndexed* q = b.getLevelMesh(level);
            ASSERT_EQ(p->getVertexCount(), q->getVertexCount()) << where;
            ASSERT_EQ(p->getIndexCount(), q->getIndexCount()) << where << ", level " << level;
            EXPECT_EQ(std::memcmp(p->getVertexData(), q->getVertexData(), p->getVertexCount() * 6 * sizeof(float)), 0)
                << where << ", level " << level;
            EXPECT_EQ(std::memcmp(p->getIndexData(), q->getIndexData(), p->getIndexCount() * sizeof(unsigned short)), 0)
                << where << ", level " << level;
        }
    };
    struct Case {
        const char* where;
        float scale, tilt, stepX, stepZ;
    };
    for (const Case c : {Case{"own scale", 1.0f, 0.0f, 0.93f, 0.31f}, Case{"tilted", 0.3f, 60.0f, 0.15f, -0.41f},
                         Case{"shrunk", 1.0e-20f, 0.0f, 0.11f, 0.05f}}) {
        kwTransformNode flownWorld, freshWorld;
        ParametricTerrain* flown = new ParametricTerrain;
        ParametricTerrain* fresh = new ParametricTerrain;
        flownWorld.addChild(flown);
        freshWorld.addChild(fresh);
        for (kwTransformNode* w : {&flownWorld, &freshWorld}) {
            w->scale(c.scale, c.scale, c.scale);
            w->rotate(c.tilt, 1.0f, 0.0f, 0.0f);
        }
        const std::uint32_t rebuilds = flown->getRebuildCount();
        float x = 0.0f, z = 0.0f;
        for (int i = 0; i < 60; ++i) {
            x += c.stepX, z += c.stepZ;
            flown->setCurrentPos(kwVec3(x, z, 30.0f * c.scale));
            flown->update(nullptr);
        }
        EXPECT_GT(flown->getRebuildCount(), rebuilds + 1) << c.where << ": the flight crosses tiles";
        EXPECT_GT(flown->getMorphCount(), 20u) << c.where << ": most steps only morph";
        fresh->setCurrentPos(kwVec3(x, z, 30.0f * c.scale));
        fresh->update(nullptr);
        same(*flown, *fresh, c.where);
    }
}

// A level whose records come out the same is not handed to the renderer
// again. A window a little wider, the camera where it was: the view reaches
// further, so the coarsest level draws more of its cells, but the finest,
// all of whose cells were in view, is unchanged.
TEST(ParametricTerrain, AnUnchangedLevelIsNotUploadedAgain) {
    ShrunkWorld w(0.01f);
    const int levels = w.terrain->getLevelCount();
    ASSERT_GE(levels, 2);
    const PrimitiveIndexed* finest = w.terrain->getLevelMesh(0);
    const PrimitiveIndexed* coarsest = w.terrain->getLevelMesh(levels - 1);
    const unsigned finestVersion = finest->getArrayVersion(), coarsestVersion = coarsest->getArrayVersion();
    const unsigned finestIndices = finest->getIndexCount(), coarsestIndices = coarsest->getIndexCount();
    w.terrain->setViewAspect(1.1);
    w.terrain->update(nullptr);
    ASSERT_EQ(w.terrain->getLevelCount(), levels);
    EXPECT_GT(coarsest->getIndexCount(), coarsestIndices);
    EXPECT_GT(coarsest->getArrayVersion(), coarsestVersion);
    EXPECT_EQ(finest->getIndexCount(), finestIndices);
    EXPECT_EQ(finest->getArrayVersion(), finestVersion) << "uploaded again unchanged";
}

// Before the finest level goes, its vertices slide onto the next level's,
// so that going changes nothing. ShrunkWorld's camera stands 30 + 20 / scale
// + 1.5 above the mean plane; the finest level is 1 (cells of 6, the next
// level's 18) while the height is between 648 and 1296. Its vertices start
// to slide when a cell is a 108th of the height and are there at a 192nd:
// at a height of 600 they are at their own lattice points, at 900 (a 150th)
// 0.64 of the way, and at 1200 the level is the next one's records.
TEST(ParametricTerrain, TheFinestLevelSlidesOntoTheNextBeforeItGoes) {
    auto scaleFor = [](double height) { return float(20.0 / (height - 31.5)); };
    // Where the vertices inside the block lie along x, modulo the next level's step of 18.
    auto offsets = [](const PrimitiveIndexed* mesh) {
        const float* v = mesh->getVertexData();
        float x0 = 1e30f, x1 = -1e30f;
        for (unsigned i = 0; i < mesh->getVertexCount(); ++i) x0 = std::min(x0, v[i * 6 + 3]), x1 = std::max(x1, v[i * 6 + 3]);
        std::set<long> out;  // hundredths
        for (unsigned i = 0; i < mesh->getVertexCount(); ++i) {
            const float x = v[i * 6 + 3];
            if (x == x0 || x == x1) continue;
            double r = std::fmod(double(x), 18.0);
            if (r < 0) r += 18.0;
            out.insert(std::lround(r * 100.0) % 1800);
        }
        return out;
    };
    {
        const ShrunkWorld w(scaleFor(600.0));
        ASSERT_EQ(w.terrain->getFinestLevel(), 1);
        EXPECT_EQ(offsets(w.terrain->getLevelMesh(0)), (std::set<long>{0, 600, 1200}));
    }
    {
        const ShrunkWorld w(scaleFor(900.0));
        ASSERT_EQ(w.terrain->getFinestLevel(), 1);
        const std::set<long> got = offsets(w.terrain->getLevelMesh(0));
        ASSERT_EQ(got.size(), 3u);
        auto it = got.begin();
        EXPECT_EQ(*it++, 0);
        EXPECT_NEAR(*it++, 216, 2) << "6 - 0.64 * 6";
        EXPECT_NEAR(*it++, 1584, 2) << "12 + 0.64 * 6";
    }
    {
        const ShrunkWorld w(scaleFor(1200.0));
        ASSERT_EQ(w.terrain->getFinestLevel(), 1);
        ASSERT_GE(w.terrain->getLevelCount(), 2);
        const PrimitiveIndexed* fine = w.terrain->getLevelMesh(0);
        const PrimitiveIndexed* next = w.terrain->getLevelMesh(1);
        std::set<Record> coarse;
        for (unsigned i = 0; i < next->getVertexCount(); ++i)
            coarse.insert(Record(next->getVertexData() + i * 6, next->getVertexData() + i * 6 + 6));
        for (unsigned i = 0; i < fine->getVertexCount(); ++i)
            ASSERT_TRUE(coarse.count(Record(fine->getVertexData() + i * 6, fine->getVertexData() + i * 6 + 6)))
                << "vertex " << i << " is not one of the next level's";
    }
}

}  // namespace

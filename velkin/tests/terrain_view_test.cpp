// velkin's terrain fills the view however far the mouse shrinks the world:
// the real WindowApp on the scripted window, the aircraft at the ceiling,
// both buttons dragged from the middle of the window to above it (each such
// drag shrinks the world to 0.05, the smallest scale one mouse event gives),
// then Shift tapped so the camera and the terrain follow. The camera's rays,
// in scene coordinates, must each meet a terrain triangle taken into scene
// coordinates through the world's matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <corvane/kwCamera.h>

#include "ScriptedApp.h"

namespace {

struct Vec {
    double x, y, z;
};
Vec operator-(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(const Vec& a, const Vec& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

struct Triangle {
    Vec p[3];
};

// Whether the ray from `from` along `dir` meets the triangle in front of it
// (Moller and Trumbore).
bool meets(const Vec& from, const Vec& dir, const Triangle& t) {
    const Vec e1 = t.p[1] - t.p[0], e2 = t.p[2] - t.p[0];
    const Vec h = cross(dir, e2);
    const double det = dot(e1, h);
    if (det == 0.0) return false;
    const Vec s = from - t.p[0];
    const double u = dot(s, h) / det;
    if (u < 0.0 || u > 1.0) return false;
    const Vec q = cross(s, e1);
    const double v = dot(dir, q) / det;
    if (v < 0.0 || u + v > 1.0) return false;
    return dot(e2, q) / det > 0.0;
}

// The drawn terrain's triangles in scene coordinates: the world's matrix
// (column-major) applied to each vertex; the terrain has no transform of its own.
std::vector<Triangle> terrainInScene(const WindowApp& app) {
    const float* m = app.world->matrix;
    auto toScene = [m](const float* r) {
        const double x = r[3], y = r[4], z = r[5];
        return Vec{m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                   m[2] * x + m[6] * y + m[10] * z + m[14]};
    };
    std::vector<Triangle> out;
    for (int level = 0; level < app.terrain->getLevelCount(); ++level) {
        const PrimitiveIndexed* mesh = app.terrain->getLevelMesh(level);
        const float* v = mesh->getVertexData();
        const unsigned short* idx = mesh->getIndexData();
        for (unsigned i = 0; i + 2 < mesh->getIndexCount(); i += 3)
            out.push_back({{toScene(v + idx[i] * 6), toScene(v + idx[i + 1] * 6), toScene(v + idx[i + 2] * 6)}});
    }
    return out;
}

// Runs velkin in a window of width x height pixels with the aircraft at the
// ceiling and `drags` both-button drags from the middle of the window to
// 300 pixels above it, then a tap of Shift. Returns the share of the
// camera's rays, on a 21 x 21 grid across the picture, that meet the terrain.
double coverageAfterShrinking(int drags, float expectedScale, int width = 500, int height = 500, float x = 0.0f) {
    ScriptedApp app([drags](kwWindowScript& s) {
        int r = 0;
        s.mouse(r++, 250, 250);
        for (int i = 0; i < drags; ++i) {
            s.mouse(r++, 250, -300, true, false, true);
            s.buttons(r, false, false, false);
            s.mouse(r++, 250, 250);
        }
        s.press(r, vkShift);
        s.closeAfter(r + 3);
    });
    app->aircraft->translate(x, Interceptor::maxHeight - 1.0f, 0.0f);  // from 1 to the ceiling
    app->window->setSize(width, height);
    app->run();
    EXPECT_NEAR(app->world->matrix[0], expectedScale, expectedScale * 1e-5) << "the world's scale";

    const kwCamera* camera = app->scene->getCamera();
    const kwVec3& eye = camera->getPosition();
    const kwVec3& target = camera->getTarget();
    EXPECT_FLOAT_EQ(eye.x, target.x);
    EXPECT_FLOAT_EQ(eye.z, target.z);
    EXPECT_GT(eye.y, target.y) << "looking straight down";
    // Looking down -y with -z up the picture: right is +x.
    const double slope = std::tan(camera->getFieldOfView() * 0.5 * 3.14159265358979 / 180.0);
    const double aspect = double(width) / height;
    const std::vector<Triangle> triangles = terrainInScene(*app.app);
    int rays = 0, met = 0;
    for (int j = 0; j <= 20; ++j)
        for (int i = 0; i <= 20; ++i) {
            // A hair off the symmetric grid, so that no ray runs exactly
            // along a triangle's edge (where the test's arithmetic, not the
            // terrain, could miss both triangles).
            const double u = (i / 10.0 - 1.0) * 0.9997 + 3.7e-5, v = (j / 10.0 - 1.0) * 0.9997 - 2.9e-5;
            const Vec dir{u * slope * aspect, -1.0, -v * slope};
            ++rays;
            for (const Triangle& t : triangles)
                if (meets(Vec{eye.x, eye.y, eye.z}, dir, t)) {
                    ++met;
                    break;
                }
        }
    return double(met) / rays;
}

TEST(TerrainView, FillsTheViewFromTheCeiling) { EXPECT_EQ(coverageAfterShrinking(0, 1.0f), 1.0); }

TEST(TerrainView, FillsTheViewWithTheWorldShrunkTo0_05) { EXPECT_EQ(coverageAfterShrinking(1, 0.05f), 1.0); }

TEST(TerrainView, FillsTheViewWithTheWorldShrunkTo0_05ToTheFourth) {
    EXPECT_EQ(coverageAfterShrinking(4, 6.25e-6f), 1.0);
}

// Windows resized to 16:9, 2:1 and 1:2 (the vertical field of view stays 60
// degrees, so wide windows see further to the sides), with the aircraft at
// the start and 11 units to the side of it.
TEST(TerrainView, FillsWindowsOfAnyShapeFromTheCeiling) {
    for (float x : {0.0f, 11.0f}) {
        EXPECT_EQ(coverageAfterShrinking(0, 1.0f, 889, 500, x), 1.0) << x;
        EXPECT_EQ(coverageAfterShrinking(0, 1.0f, 1000, 500, x), 1.0) << x;
        EXPECT_EQ(coverageAfterShrinking(0, 1.0f, 500, 1000, x), 1.0) << x;
        EXPECT_EQ(coverageAfterShrinking(1, 0.05f, 1000, 500, x), 1.0) << x;
    }
}

}  // namespace

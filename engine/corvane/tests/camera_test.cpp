// The camera's view and projection: a camera looking straight down still has
// a usable view, the target lands on the view axis, and the projection fits
// the target's aspect ratio.
#include <corvane/kwCamera.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Point {
    float x, y, z, w;
};

Point apply(const float m[16], float x, float y, float z) {
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14], m[3] * x + m[7] * y + m[11] * z + m[15]};
}

}  // namespace

TEST(Camera, KeepsWhatItIsGiven) {
    kwCamera camera;
    camera.setPos(1, 21, 3);
    camera.lookAt(1, 1, 3);
    camera.setClips(0.5f, 100000.0f);
    EXPECT_FLOAT_EQ(camera.getPosition().y, 21.0f);
    EXPECT_FLOAT_EQ(camera.getTarget().y, 1.0f);
    EXPECT_FLOAT_EQ(camera.getNear(), 0.5f);
    EXPECT_FLOAT_EQ(camera.getFar(), 100000.0f);
}

TEST(Camera, LookingStraightDownPutsMinusZAtTheTop) {
    kwCamera camera;
    camera.setPos(0, 21, 0);
    camera.lookAt(0, 1, 0);
    float view[16];
    camera.getViewMatrix(view);
    for (float v : view) ASSERT_TRUE(std::isfinite(v));
    const Point target = apply(view, 0, 1, 0);
    EXPECT_NEAR(target.x, 0.0f, 1e-5);
    EXPECT_NEAR(target.y, 0.0f, 1e-5);
    EXPECT_NEAR(target.z, -20.0f, 1e-4);
    const Point ahead = apply(view, 0, 1, -5);  // world -z: up on the screen
    EXPECT_NEAR(ahead.y, 5.0f, 1e-4);
    const Point right = apply(view, 5, 1, 0);  // world +x: right on the screen
    EXPECT_NEAR(right.x, 5.0f, 1e-4);
}

TEST(Camera, ObliqueViewKeepsWorldUp) {
    kwCamera camera;
    camera.setPos(0, 10, 10);
    camera.lookAt(0, 0, 0);
    float view[16];
    camera.getViewMatrix(view);
    const Point origin = apply(view, 0, 0, 0);
    EXPECT_NEAR(origin.x, 0.0f, 1e-5);
    EXPECT_NEAR(origin.y, 0.0f, 1e-5);
    EXPECT_NEAR(origin.z, -std::sqrt(200.0f), 1e-4);
    const Point above = apply(view, 0, 1, 0);
    EXPECT_GT(above.y, 0.0f);
    // A camera whose target is its position still gets a finite view.
    camera.lookAt(0, 10, 10);
    camera.getViewMatrix(view);
    for (float v : view) EXPECT_TRUE(std::isfinite(v));
}

TEST(Camera, ProjectionFitsTheAspectRatio) {
    kwCamera camera;
    camera.setClips(1.0f, 100.0f);
    float square[16], wide[16];
    camera.getProjectionMatrix(500, 500, square);
    camera.getProjectionMatrix(1000, 500, wide);
    EXPECT_FLOAT_EQ(square[0], square[5]);
    EXPECT_FLOAT_EQ(wide[0] * 2.0f, wide[5]);
    EXPECT_NEAR(square[5], 1.0f / std::tan(30.0 * 3.14159265358979 / 180.0), 1e-5);
    // The near plane maps to depth -1 and the far plane to +1.
    const Point nearPoint = apply(square, 0, 0, -1);
    const Point farPoint = apply(square, 0, 0, -100);
    EXPECT_NEAR(nearPoint.z / nearPoint.w, -1.0f, 1e-5);
    EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-4);
    // A zero-sized target counts as square; unusable clips are replaced.
    float degenerate[16];
    camera.setClips(0.0f, -5.0f);
    camera.getProjectionMatrix(0, 0, degenerate);
    for (float v : degenerate) EXPECT_TRUE(std::isfinite(v));
    EXPECT_FLOAT_EQ(degenerate[0], degenerate[5]);
}

#include <ornatex/primitives/kwCircle.h>
#include <ornatex/primitives/kwTexCircle.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "PrimitiveTestSupport.h"

using primtest::records;

namespace {

// Rim point i as the circles compute it: the angle i × 0.2617994 in single
// precision, centre + r × cos/sin in double precision rounded to single.
float rimX(int i, float r, float cx) {
    return static_cast<float>(cx + static_cast<double>(r) * std::cos(static_cast<double>(i * 0.2617994f)));
}
float rimY(int i, float r, float cy) {
    return static_cast<float>(cy + static_cast<double>(r) * std::sin(static_cast<double>(i * 0.2617994f)));
}

void expectYellow(const kwNode& node) {
    const kwVec4 c = node.getColor();
    EXPECT_EQ(c.x, 1.0f);
    EXPECT_EQ(c.y, 1.0f);
    EXPECT_EQ(c.z, 0.0f);
    EXPECT_EQ(c.w, 0.9f);
}

}  // namespace

TEST(Circle, OutlineIsALineLoopOf24RimPointsCounterClockwise) {
    std::unique_ptr<kwCircle> circle(new kwCircle(2.0f, 1.0f, -3.0f, 7.0f, false));
    EXPECT_EQ(circle->getVertexFormat(), kwVertexFormat::V2);
    EXPECT_EQ(circle->drawMode, 2);
    EXPECT_EQ(circle->getIndexData(), nullptr);
    expectYellow(*circle);
    const auto rim = records<vertexV2>(*circle);
    ASSERT_EQ(rim.size(), 24u);
    EXPECT_EQ(rim[0].x, 3.0f);
    EXPECT_EQ(rim[0].y, -3.0f);
    EXPECT_NEAR(rim[6].x, 1.0f, 1e-6);
    EXPECT_NEAR(rim[6].y, -1.0f, 1e-6);
    EXPECT_NEAR(rim[12].x, -1.0f, 1e-6);
    EXPECT_NEAR(rim[12].y, -3.0f, 1e-6);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(rim[i].x, rimX(i, 2.0f, 1.0f)) << i;
        EXPECT_EQ(rim[i].y, rimY(i, 2.0f, -3.0f)) << i;
        // Each step turns left around the centre: counter-clockwise from +z.
        const vertexV2& a = rim[i];
        const vertexV2& b = rim[(i + 1) % 24];
        EXPECT_GT((a.x - 1.0) * (b.y + 3.0) - (a.y + 3.0) * (b.x - 1.0), 0.0) << i;
    }
    for (int i = 1; i < 24; ++i) EXPECT_FALSE(rim[i].x == rim[0].x && rim[i].y == rim[0].y) << i;
}

TEST(Circle, FilledIsATriangleFanFacingPlusZOnTheSameRim) {
    std::unique_ptr<kwCircle> outline(new kwCircle(0.5f, -2.0f, 4.0f, 0.0f, false));
    std::unique_ptr<kwCircle> disc(new kwCircle(0.5f, -2.0f, 4.0f, 0.0f, true));
    EXPECT_EQ(disc->getVertexFormat(), kwVertexFormat::N3V3);
    EXPECT_EQ(disc->drawMode, 6);
    expectYellow(*disc);
    const auto rim = records<vertexV2>(*outline);
    const auto fan = records<vertexN3V3>(*disc);
    ASSERT_EQ(fan.size(), 24u);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(fan[i].nx, 0.0f);
        EXPECT_EQ(fan[i].ny, 0.0f);
        EXPECT_EQ(fan[i].nz, 1.0f);
        EXPECT_EQ(fan[i].x, rim[i].x);
        EXPECT_EQ(fan[i].y, rim[i].y);
        EXPECT_EQ(fan[i].z, 0.0f);
    }
}

TEST(Circle, FourthArgumentHasNoEffect) {
    for (bool filled : {false, true}) {
        std::unique_ptr<kwCircle> a(new kwCircle(3.0f, 1.0f, 2.0f, 0.0f, filled));
        std::unique_ptr<kwCircle> b(new kwCircle(3.0f, 1.0f, 2.0f, -55.5f, filled));
        ASSERT_EQ(a->getVertexCount(), b->getVertexCount());
        const std::size_t bytes = a->getVertexCount() * sizeof(float) * kwVertexFloats(a->getVertexFormat());
        EXPECT_EQ(std::memcmp(a->getVertexData(), b->getVertexData(), bytes), 0) << filled;
    }
}

TEST(TexCircle, TextureCoordinatesArePositionOverRadius) {
    std::unique_ptr<kwTexCircle> disc(new kwTexCircle(2.0f, 0.0f, 0.0f, 9.0f));
    EXPECT_EQ(disc->getVertexFormat(), kwVertexFormat::T2V3);
    EXPECT_EQ(disc->drawMode, 6);
    const kwVec4 c = disc->getColor();  // the base's colour, untouched
    EXPECT_EQ(c.x, 1.0f);
    EXPECT_EQ(c.y, 1.0f);
    EXPECT_EQ(c.z, 1.0f);
    EXPECT_EQ(c.w, 1.0f);
    const auto rim = records<vertexT2V3>(*disc);
    ASSERT_EQ(rim.size(), 24u);
    EXPECT_EQ(rim[0].s, 1.0f);
    EXPECT_EQ(rim[0].t, 0.0f);
    EXPECT_EQ(rim[0].x, 2.0f);
    EXPECT_EQ(rim[0].y, 0.0f);
    EXPECT_EQ(rim[0].z, 0.0f);
    EXPECT_NEAR(rim[6].s, 0.0f, 1e-6);
    EXPECT_NEAR(rim[6].t, 1.0f, 1e-6);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(rim[i].x, rimX(i, 2.0f, 0.0f));
        EXPECT_EQ(rim[i].s, rim[i].x * 0.5f);
        EXPECT_EQ(rim[i].t, rim[i].y * 0.5f);
    }
}

TEST(TexCircle, OffCentreDiscShiftsTextureByCentreOverRadius) {
    std::unique_ptr<kwTexCircle> disc(new kwTexCircle(2.0f, 2.0f, 0.0f, 0.0f));
    const auto rim = records<vertexT2V3>(*disc);
    EXPECT_EQ(rim[0].x, 4.0f);
    EXPECT_EQ(rim[0].s, 2.0f);
    EXPECT_EQ(rim[0].t, 0.0f);
    EXPECT_NEAR(rim[12].s, 0.0f, 1e-6);
}

TEST(TexCircle, ZeroRadiusGivesFiniteTextureCoordinates) {
    std::unique_ptr<kwTexCircle> disc(new kwTexCircle(0.0f, 3.0f, -1.0f, 0.0f));
    for (const vertexT2V3& r : records<vertexT2V3>(*disc)) {
        EXPECT_EQ(r.s, 0.0f);
        EXPECT_EQ(r.t, 0.0f);
        EXPECT_EQ(r.x, 3.0f);
        EXPECT_EQ(r.y, -1.0f);
    }
}

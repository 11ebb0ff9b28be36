#include <ornatex/primitives/kwCircle.h>
#include <ornatex/primitives/kwTexCircle.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "PrimitiveTestSupport.h"

using primtest::records;

namespace {

// The rim of kwCircle(2, 1, -3), worked out independently in double
// precision from the angles i × 0.2617994 (single precision) and rounded to
// single: point 0 at (3, -3), point 6 at (1, -1), point 12 at (-1, -3).
const std::vector<vertexV2> rim213 = {
    {3.0f, -3.0f}, {2.93185163f, -2.48236179f}, {2.7320509f, -2.0f}, {2.41421342f, -1.58578646f},
    {2.0f, -1.2679491f}, {1.51763809f, -1.06814837f}, {0.99999994f, -1.0f}, {0.482361704f, -1.06814837f},
    {-1.00947126e-07f, -1.26794922f}, {-0.414213568f, -1.58578646f}, {-0.732050776f, -1.99999988f}, {-0.931851745f, -2.48236227f},
    {-1.0f, -3.00000024f}, {-0.931851625f, -3.51763821f}, {-0.732050598f, -4.00000048f}, {-0.41421333f, -4.41421366f},
    {2.01894267e-07f, -4.7320509f}, {0.482362032f, -4.93185186f}, {1.0f, -5.0f}, {1.51763797f, -4.93185186f},
    {1.99999988f, -4.7320509f}, {2.41421413f, -4.41421318f}, {2.73205113f, -3.99999952f}, {2.93185186f, -3.51763773f},
};

// The rim of a circle of radius 2 about the origin, worked out the same way.
const std::vector<vertexV2> rim200 = {
    {2.0f, 0.0f}, {1.93185163f, 0.517638087f}, {1.73205078f, 1.0f}, {1.41421354f, 1.41421354f},
    {0.99999994f, 1.7320509f}, {0.517638147f, 1.93185163f}, {-8.74227766e-08f, 2.0f}, {-0.517638326f, 1.93185163f},
    {-1.00000012f, 1.73205078f}, {-1.41421354f, 1.41421354f}, {-1.73205078f, 1.00000012f}, {-1.93185174f, 0.517637849f},
    {-2.0f, -1.74845553e-07f}, {-1.93185163f, -0.517638147f}, {-1.73205054f, -1.00000036f}, {-1.4142133f, -1.41421378f},
    {-0.999999821f, -1.7320509f}, {-0.517637968f, -1.93185174f}, {2.38497613e-08f, -2.0f}, {0.517638028f, -1.93185163f},
    {0.999999821f, -1.7320509f}, {1.41421402f, -1.41421306f}, {1.73205113f, -0.999999523f}, {1.93185174f, -0.51763767f},
};

const kwVec4 yellow(1.0f, 1.0f, 0.0f, 0.9f);

}  // namespace

TEST(Circle, OutlineIsALineLoopOf24RimPointsCounterClockwise) {
    std::unique_ptr<kwCircle> circle(new kwCircle(2.0f, 1.0f, -3.0f, 7.0f, false));
    EXPECT_EQ(circle->getVertexFormat(), kwVertexFormat::V2);
    EXPECT_EQ(circle->drawMode, kwDrawLineLoop);
    EXPECT_EQ(circle->getIndexData(), nullptr);
    EXPECT_EQ(circle->getColor(), yellow);
    const std::vector<vertexV2> rim = records<vertexV2>(*circle);
    EXPECT_EQ(rim, rim213);
    // Each step turns left around the centre: counter-clockwise from +z.
    for (int i = 0; i < 24; ++i) {
        const vertexV2 &a = rim[i], &b = rim[(i + 1) % 24];
        EXPECT_GT((a.x - 1.0) * (b.y + 3.0) - (a.y + 3.0) * (b.x - 1.0), 0.0) << i;
    }
}

TEST(Circle, FilledIsATriangleFanFacingPlusZOnTheSameRim) {
    std::unique_ptr<kwCircle> disc(new kwCircle(2.0f, 1.0f, -3.0f, 0.0f, true));
    EXPECT_EQ(disc->getVertexFormat(), kwVertexFormat::N3V3);
    EXPECT_EQ(disc->drawMode, kwDrawTriangleFan);
    EXPECT_EQ(disc->getColor(), yellow);
    std::vector<vertexN3V3> expected;
    for (const vertexV2& p : rim213) expected.push_back({0.0f, 0.0f, 1.0f, p.x, p.y, 0.0f});
    EXPECT_EQ(records<vertexN3V3>(*disc), expected);
}

TEST(Circle, FourthArgumentHasNoEffect) {
    for (bool filled : {false, true}) {
        std::unique_ptr<kwCircle> a(new kwCircle(3.0f, 1.0f, 2.0f, 0.0f, filled));
        std::unique_ptr<kwCircle> b(new kwCircle(3.0f, 1.0f, 2.0f, -55.5f, filled));
        if (filled)
            EXPECT_EQ(records<vertexN3V3>(*a), records<vertexN3V3>(*b));
        else
            EXPECT_EQ(records<vertexV2>(*a), records<vertexV2>(*b));
    }
}

TEST(TexCircle, TextureCoordinatesArePositionOverRadius) {
    std::unique_ptr<kwTexCircle> disc(new kwTexCircle(2.0f, 0.0f, 0.0f, 9.0f));
    EXPECT_EQ(disc->getVertexFormat(), kwVertexFormat::T2V3);
    EXPECT_EQ(disc->drawMode, kwDrawTriangleFan);
    EXPECT_EQ(disc->getColor(), kwVec4(1.0f, 1.0f, 1.0f, 1.0f));  // the base's colour, untouched
    // Halving is exact: s = x / 2 and t = y / 2 with no rounding.
    std::vector<vertexT2V3> expected;
    for (const vertexV2& p : rim200) expected.push_back({p.x / 2, p.y / 2, p.x, p.y, 0.0f});
    const std::vector<vertexT2V3> rim = records<vertexT2V3>(*disc);
    EXPECT_EQ(rim, expected);
    EXPECT_EQ(rim[0], (vertexT2V3{1.0f, 0.0f, 2.0f, 0.0f, 0.0f}));
    EXPECT_NEAR(rim[6].s, 0.0f, 1e-6);
    EXPECT_NEAR(rim[6].t, 1.0f, 1e-6);
}

TEST(TexCircle, OffCentreDiscShiftsTextureByCentreOverRadius) {
    std::unique_ptr<kwTexCircle> disc(new kwTexCircle(2.0f, 2.0f, 0.0f, 0.0f));
    const std::vector<vertexT2V3> rim = records<vertexT2V3>(*disc);
    EXPECT_EQ(rim[0], (vertexT2V3{2.0f, 0.0f, 4.0f, 0.0f, 0.0f}));
    EXPECT_NEAR(rim[12].s, 0.0f, 1e-6);
}

TEST(TexCircle, OnlyAZeroRadiusIsGuarded) {
    // r = 0: the scale 1 / r has no meaning and is taken as 0.
    std::unique_ptr<kwTexCircle> point(new kwTexCircle(0.0f, 3.0f, -1.0f, 0.0f));
    for (const vertexT2V3& r : records<vertexT2V3>(*point)) {
        EXPECT_EQ(r.s, 0.0f);
        EXPECT_EQ(r.t, 0.0f);
        EXPECT_EQ(r.x, 3.0f);
        EXPECT_EQ(r.y, -1.0f);
    }
    // A radius whose reciprocal overflows single precision follows the
    // formula: point 0 lies at x = r > 0, so s = r × inf = +inf, and
    // t = 0 × inf is not a number.
    std::unique_ptr<kwTexCircle> tiny(new kwTexCircle(1e-40f, 0.0f, 0.0f, 0.0f));
    const vertexT2V3 first = records<vertexT2V3>(*tiny)[0];
    EXPECT_EQ(first.s, std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(first.t));
}

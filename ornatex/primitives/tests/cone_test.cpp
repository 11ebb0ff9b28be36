#include <ornatex/primitives/kwCone.h>
#include <ornatex/primitives/kwCylinder.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "PrimitiveTestSupport.h"

using namespace primtest;

namespace {

// Sine and cosine of the sector angles s × 0.17453294 (single precision),
// worked out independently in double precision and rounded to single.
const float sectorTrig[36][2] = {
    {0.0f, 1.0f}, {0.173648193f, 0.98480773f}, {0.342020154f, 0.939692616f}, {0.5f, 0.866025388f},
    {0.642787635f, 0.766044438f}, {0.766044497f, 0.642787576f}, {0.866025448f, 0.49999997f}, {0.939692676f, 0.342020035f},
    {0.984807789f, 0.173648104f}, {1.0f, -4.37113883e-08f}, {0.98480773f, -0.173648298f}, {0.939692616f, -0.342020243f},
    {0.866025388f, -0.50000006f}, {0.766044438f, -0.642787635f}, {0.642787457f, -0.766044617f}, {0.499999821f, -0.866025507f},
    {0.342020005f, -0.939692676f}, {0.173648059f, -0.984807789f}, {-8.74227766e-08f, -1.0f}, {-0.173648462f, -0.98480773f},
    {-0.342020392f, -0.939692557f}, {-0.500000179f, -0.866025269f}, {-0.642787755f, -0.766044319f}, {-0.766044557f, -0.642787516f},
    {-0.866025448f, -0.499999911f}, {-0.939692676f, -0.342020065f}, {-0.984807789f, -0.173648134f}, {-1.0f, 4.88762055e-07f},
    {-0.98480767f, 0.173648626f}, {-0.939692497f, 0.342020541f}, {-0.866025209f, 0.500000358f}, {-0.766044199f, 0.642787874f},
    {-0.642787397f, 0.766044617f}, {-0.499999762f, 0.866025567f}, {-0.342019916f, 0.939692676f}, {-0.17364797f, 0.984807789f},
};

// The indices of the strip between sectors 0 and 1: rings 0-1, 1-2, 2-3.
// Every further strip is the same shifted by four vertices a sector.
const std::vector<unsigned short> firstStrip = {0, 1, 4, 4, 1, 5, 1, 2, 5, 5, 2, 6, 2, 3, 6, 6, 3, 7};

std::vector<unsigned short> expectedConeIndices() {
    std::vector<unsigned short> all;
    for (unsigned short s = 0; s < 35; ++s)
        for (unsigned short i : firstStrip) all.push_back(static_cast<unsigned short>(i + 4 * s));
    return all;
}

}  // namespace

TEST(Cone, WholeArraysOfAConeWithExactRings) {
    // kwCone(3, 0, 3): rings at x = -1.5, -0.5, 0.5, 1.5 with radii 3, 2, 1, 0,
    // and the normal's x component (3 - 0) / 3 = 1.
    std::unique_ptr<kwCone> cone(new kwCone(3.0f, 0.0f, 3.0f));
    EXPECT_EQ(cone->getVertexFormat(), kwVertexFormat::N3V3);
    EXPECT_EQ(cone->drawMode, 4);
    const float ringX[4] = {-1.5f, -0.5f, 0.5f, 1.5f}, ringRadius[4] = {3.0f, 2.0f, 1.0f, 0.0f};
    std::vector<vertexN3V3> expected;
    for (const auto& sc : sectorTrig)
        for (int h = 0; h < 4; ++h)
            expected.push_back({1.0f, sc[0], sc[1], ringX[h], sc[0] * ringRadius[h], sc[1] * ringRadius[h]});
    EXPECT_EQ(records<vertexN3V3>(*cone), expected);
    EXPECT_EQ(indices(*cone), expectedConeIndices());
}

TEST(Cone, ExactRecordsOfASlantedCone) {
    std::unique_ptr<kwCone> cone(new kwCone(2.0f, 1.0f, 4.0f));
    const std::vector<vertexN3V3> v = records<vertexN3V3>(*cone);
    ASSERT_EQ(v.size(), 144u);
    EXPECT_EQ(v[0], (vertexN3V3{0.25f, 0.0f, 1.0f, -2.0f, 0.0f, 2.0f}));
    EXPECT_EQ(v[3], (vertexN3V3{0.25f, 0.0f, 1.0f, 2.0f, 0.0f, 1.0f}));
    // Sector 1, ring 0: 10 degrees toward +y at radius 2.
    EXPECT_EQ(v[4], (vertexN3V3{0.25f, 0.173648193f, 0.98480773f, -2.0f, 0.347296387f, 1.96961546f}));
    EXPECT_NEAR(v[4].y, 2.0 * std::sin(M_PI / 18), 1e-6);
    // Ring 1 of a cone from radius 1 to 2: radius 1 + 1/3, rounded once.
    std::unique_ptr<kwCone> widening(new kwCone(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(records<vertexN3V3>(*widening)[1], (vertexN3V3{-0.333333343f, 0.0f, 1.0f, -0.5f, 0.0f, 1.33333337f}));
    EXPECT_EQ(indices(*cone), expectedConeIndices());
}

TEST(Cone, OpenWedgeBetweenLastAndFirstSector) {
    std::unique_ptr<kwCone> cone(new kwCone(1.0f, 3.0f, 2.0f));
    const std::vector<unsigned short> idx = indices(*cone);
    ASSERT_EQ(idx.size(), 630u);
    for (std::size_t t = 0; t < idx.size(); t += 3) {
        bool sector0 = false, sector35 = false;
        for (int k = 0; k < 3; ++k) {
            sector0 |= idx[t + k] < 4;
            sector35 |= idx[t + k] >= 140;
        }
        EXPECT_FALSE(sector0 && sector35) << "triangle " << t / 3;
    }
    EXPECT_EQ(*std::max_element(idx.begin(), idx.end()), 143);
}

TEST(Cone, TrianglesWindCounterClockwiseFromOutside) {
    for (const float b : {1.0f, 2.0f, 5.0f}) {
        std::unique_ptr<kwCone> cone(new kwCone(2.0f, b, 4.0f));
        const std::vector<vertexN3V3> v = records<vertexN3V3>(*cone);
        const std::vector<unsigned short> idx = indices(*cone);
        for (std::size_t t = 0; t < idx.size(); t += 3) {
            const V3 face = faceNormal(v, idx, t);
            // Away from the axis, and along the vertices' own normals.
            const V3 a = position(v[idx[t]]), p = position(v[idx[t + 1]]), c = position(v[idx[t + 2]]);
            EXPECT_GT(dot(face, V3{0.0, a.y + p.y + c.y, a.z + p.z + c.z}), 0.0) << "triangle " << t / 3;
            EXPECT_GT(dot(face, normal(v[idx[t]])), 0.0) << "triangle " << t / 3;
        }
    }
}

TEST(Cone, NormalsAreLongerThanOneUnlessRadiiAreEqual) {
    std::unique_ptr<kwCone> cone(new kwCone(2.0f, 1.0f, 4.0f));
    for (const vertexN3V3& r : records<vertexN3V3>(*cone)) {
        EXPECT_EQ(r.nx, 0.25f);
        EXPECT_NEAR(length(normal(r)), std::sqrt(1.0625), 1e-6);
    }
}

TEST(Cylinder, SameArraysAsConeWithEqualRadiiAndUnitNormals) {
    std::unique_ptr<kwCone> cylinder(new kwCylinder(1.5f, 3.0f));
    std::unique_ptr<kwCone> cone(new kwCone(1.5f, 1.5f, 3.0f));
    EXPECT_EQ(cylinder->drawMode, 4);
    EXPECT_EQ(records<vertexN3V3>(*cylinder), records<vertexN3V3>(*cone));
    EXPECT_EQ(indices(*cylinder), expectedConeIndices());
    for (const vertexN3V3& r : records<vertexN3V3>(*cylinder)) {
        EXPECT_EQ(r.nx, 0.0f);
        EXPECT_NEAR(length(normal(r)), 1.0, 1e-6);
        EXPECT_NEAR(std::hypot(r.y, r.z), 1.5, 1e-6);
    }
}

TEST(Cone, OnlyAZeroLengthIsGuarded) {
    // L = 0: (a - b) / L has no meaning and is taken as 0.
    for (const float b : {1.0f, 2.0f}) {
        std::unique_ptr<kwCone> flat(new kwCone(2.0f, b, 0.0f));
        for (const vertexN3V3& r : records<vertexN3V3>(*flat)) {
            EXPECT_EQ(r.nx, 0.0f);
            EXPECT_EQ(r.x, 0.0f);
        }
    }
    // A quotient too large for single precision follows the formula:
    // (1e20 - 2e20) / 3e-20 is -3.3e39, so the normals point along -x.
    std::unique_ptr<kwCone> steep(new kwCone(1e20f, 2e20f, 3e-20f));
    EXPECT_EQ(records<vertexN3V3>(*steep)[0].nx, -std::numeric_limits<float>::infinity());
}

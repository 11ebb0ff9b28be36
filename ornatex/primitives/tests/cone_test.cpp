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

// The first strip (sectors 0 and 1: rings 0-1, 1-2, 2-3) and the last
// (sectors 34 and 35); each strip between is the one before it moved on by
// the four vertices of a sector.
void expectConeIndices(const std::vector<unsigned short>& idx) {
    ASSERT_EQ(idx.size(), 630u);
    EXPECT_EQ(std::vector<unsigned short>(idx.begin(), idx.begin() + 18),
              (std::vector<unsigned short>{0, 1, 4, 4, 1, 5, 1, 2, 5, 5, 2, 6, 2, 3, 6, 6, 3, 7}));
    EXPECT_EQ(std::vector<unsigned short>(idx.end() - 18, idx.end()),
              (std::vector<unsigned short>{136, 137, 140, 140, 137, 141, 137, 138, 141, 141, 138, 142, 138, 139, 142,
                                           142, 139, 143}));
    for (std::size_t k = 18; k < idx.size(); ++k) ASSERT_EQ(idx[k], idx[k - 18] + 4) << "index " << k;
}

}  // namespace

TEST(Cone, SlicesOfAConeWithExactRings) {
    // kwCone(3, 0, 3): rings at x = -1.5, -0.5, 0.5, 1.5 with radii 3, 2, 1, 0,
    // and the normal's x component (3 - 0) / 3 = 1. Sectors 0, 1, 2 and 35
    // (0, 10, 20 and 350 degrees), worked out independently.
    std::unique_ptr<kwCone> cone(new kwCone(3.0f, 0.0f, 3.0f));
    EXPECT_EQ(cone->getVertexFormat(), kwVertexFormat::N3V3);
    EXPECT_EQ(cone->drawMode, kwDrawTriangles);
    const std::vector<vertexN3V3> v = records<vertexN3V3>(*cone);
    ASSERT_EQ(v.size(), 144u);
    expectRecordsNear(v, 0, {
        {1, 0, 1, -1.5f, 0, 3}, {1, 0, 1, -0.5f, 0, 2},
        {1, 0, 1, 0.5f, 0, 1}, {1, 0, 1, 1.5f, 0, 0},
        {1, 0.173648f, 0.984808f, -1.5f, 0.520945f, 2.95442f}, {1, 0.173648f, 0.984808f, -0.5f, 0.347296f, 1.96962f},
        {1, 0.173648f, 0.984808f, 0.5f, 0.173648f, 0.984808f}, {1, 0.173648f, 0.984808f, 1.5f, 0, 0},
        {1, 0.34202f, 0.939693f, -1.5f, 1.02606f, 2.81908f}, {1, 0.34202f, 0.939693f, -0.5f, 0.68404f, 1.87939f},
        {1, 0.34202f, 0.939693f, 0.5f, 0.34202f, 0.939693f}, {1, 0.34202f, 0.939693f, 1.5f, 0, 0},
    });
    expectRecordsNear(v, 140, {
        {1, -0.173648f, 0.984808f, -1.5f, -0.520944f, 2.95442f},
        {1, -0.173648f, 0.984808f, -0.5f, -0.347296f, 1.96962f},
        {1, -0.173648f, 0.984808f, 0.5f, -0.173648f, 0.984808f}, {1, -0.173648f, 0.984808f, 1.5f, 0, 0},
    });
    // Every vertex on its ring, at its sector's angle from +z toward +y.
    const double ringX[4] = {-1.5, -0.5, 0.5, 1.5}, ringRadius[4] = {3, 2, 1, 0};
    for (std::size_t i = 0; i < v.size(); ++i) {
        const std::size_t s = i / 4, h = i % 4;
        EXPECT_EQ(v[i].x, ringX[h]) << i;
        EXPECT_NEAR(std::hypot(v[i].y, v[i].z), ringRadius[h], 1e-6) << i;
        EXPECT_NEAR(std::atan2(v[i].ny, v[i].nz), (s < 18 ? s : s - 36.0) * M_PI / 18, 1e-6) << i;
    }
    expectConeIndices(indices(*cone));
}

TEST(Cone, ExactRecordsOfASlantedCone) {
    std::unique_ptr<kwCone> cone(new kwCone(2.0f, 1.0f, 4.0f));
    const std::vector<vertexN3V3> v = records<vertexN3V3>(*cone);
    ASSERT_EQ(v.size(), 144u);
    EXPECT_EQ(v[0], (vertexN3V3{0.25f, 0.0f, 1.0f, -2.0f, 0.0f, 2.0f}));
    EXPECT_EQ(v[3], (vertexN3V3{0.25f, 0.0f, 1.0f, 2.0f, 0.0f, 1.0f}));
    // Sector 1, ring 0: 10 degrees toward +y at radius 2.
    EXPECT_EQ(v[4], (vertexN3V3{0.25f, 0.173648193f, 0.98480773f, -2.0f, 0.347296387f, 1.96961546f}));
    // Rings 1 and 2 of sector 1: radii 5/3 and 4/3.
    expectRecordsNear(v, 5, {
        {0.25f, 0.173648f, 0.984808f, -0.666667f, 0.289414f, 1.64135f},
        {0.25f, 0.173648f, 0.984808f, 0.666667f, 0.231531f, 1.31308f},
    });
    // Ring 1 of a cone from radius 1 to 2: radius 1 + 1/3, rounded once.
    std::unique_ptr<kwCone> widening(new kwCone(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(records<vertexN3V3>(*widening)[1], (vertexN3V3{-0.333333343f, 0.0f, 1.0f, -0.5f, 0.0f, 1.33333337f}));
    expectConeIndices(indices(*cone));
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
    EXPECT_EQ(cylinder->drawMode, kwDrawTriangles);
    EXPECT_EQ(records<vertexN3V3>(*cylinder), records<vertexN3V3>(*cone));
    expectConeIndices(indices(*cylinder));
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

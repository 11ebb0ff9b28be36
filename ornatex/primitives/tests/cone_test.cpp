#include <ornatex/primitives/kwCone.h>
#include <ornatex/primitives/kwCylinder.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "PrimitiveTestSupport.h"

using namespace primtest;

TEST(Cone, ExactFirstRecordsAndIndices) {
    std::unique_ptr<kwCone> cone(new kwCone(2.0f, 1.0f, 4.0f));
    EXPECT_EQ(cone->getVertexFormat(), kwVertexFormat::N3V3);
    EXPECT_EQ(cone->drawMode, 4);
    const auto v = records<vertexN3V3>(*cone);
    const auto idx = indices(*cone);
    ASSERT_EQ(v.size(), 144u);
    ASSERT_EQ(idx.size(), 630u);

    EXPECT_EQ(v[0].nx, 0.25f);
    EXPECT_EQ(v[0].ny, 0.0f);
    EXPECT_EQ(v[0].nz, 1.0f);
    EXPECT_EQ(v[0].x, -2.0f);
    EXPECT_EQ(v[0].y, 0.0f);
    EXPECT_EQ(v[0].z, 2.0f);
    EXPECT_EQ(v[3].x, 2.0f);
    EXPECT_EQ(v[3].y, 0.0f);
    EXPECT_EQ(v[3].z, 1.0f);
    // Sector 1, ring 0: 10 degrees toward +y.
    const float sn = static_cast<float>(std::sin(static_cast<double>(0.17453294f)));
    const float cs = static_cast<float>(std::cos(static_cast<double>(0.17453294f)));
    EXPECT_EQ(v[4].x, -2.0f);
    EXPECT_EQ(v[4].y, 2.0f * sn);
    EXPECT_EQ(v[4].z, 2.0f * cs);
    EXPECT_NEAR(v[4].y, 2.0 * std::sin(M_PI / 18), 1e-6);
    EXPECT_EQ(v[4].ny, sn);
    EXPECT_EQ(v[4].nz, cs);
    // Ring 1 of a cone from radius 1 to 2: radius 1 + 1/3 rounded once.
    std::unique_ptr<kwCone> widening(new kwCone(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(records<vertexN3V3>(*widening)[1].z, static_cast<float>(1.0 + 1.0 / 3.0));
    EXPECT_EQ(records<vertexN3V3>(*widening)[1].x, -0.5f);

    const std::vector<unsigned short> first(idx.begin(), idx.begin() + 6), last(idx.end() - 6, idx.end());
    EXPECT_EQ(first, (std::vector<unsigned short>{0, 1, 4, 4, 1, 5}));
    EXPECT_EQ(last, (std::vector<unsigned short>{138, 139, 142, 142, 139, 143}));
}

TEST(Cone, OpenWedgeBetweenLastAndFirstSector) {
    std::unique_ptr<kwCone> cone(new kwCone(1.0f, 3.0f, 2.0f));
    const auto idx = indices(*cone);
    unsigned short largest = 0;
    for (std::size_t t = 0; t < idx.size(); t += 3) {
        bool sector0 = false, sector35 = false;
        for (int k = 0; k < 3; ++k) {
            largest = std::max(largest, idx[t + k]);
            sector0 |= idx[t + k] < 4;
            sector35 |= idx[t + k] >= 140;
        }
        EXPECT_FALSE(sector0 && sector35) << "triangle " << t / 3;
    }
    EXPECT_EQ(largest, 143);
}

TEST(Cone, TrianglesWindCounterClockwiseFromOutside) {
    for (const float b : {1.0f, 2.0f, 5.0f}) {
        std::unique_ptr<kwCone> cone(new kwCone(2.0f, b, 4.0f));
        const auto v = records<vertexN3V3>(*cone);
        const auto idx = indices(*cone);
        for (std::size_t t = 0; t < idx.size(); t += 3) {
            const V3 a = position(v[idx[t]]), p = position(v[idx[t + 1]]), c = position(v[idx[t + 2]]);
            const V3 face = cross(sub(p, a), sub(c, a));
            // Away from the axis, and along the vertices' own normals.
            const V3 outward{0.0, a.y + p.y + c.y, a.z + p.z + c.z};
            EXPECT_GT(dot(face, outward), 0.0) << "triangle " << t / 3;
            EXPECT_GT(dot(face, normal(v[idx[t]])), 0.0) << "triangle " << t / 3;
        }
    }
}

TEST(Cone, NormalsAreLongerThanOneUnlessRadiiAreEqual) {
    std::unique_ptr<kwCone> cone(new kwCone(2.0f, 1.0f, 4.0f));
    for (const vertexN3V3& r : records<vertexN3V3>(*cone)) {
        EXPECT_EQ(r.nx, 0.25f);
        EXPECT_NEAR(length(normal(r)), std::sqrt(1.0625), 1e-6);
        EXPECT_GT(length(normal(r)), 1.0);
    }
}

TEST(Cylinder, SameArraysAsConeWithEqualRadiiAndUnitNormals) {
    std::unique_ptr<kwCone> cylinder(new kwCylinder(1.5f, 3.0f));
    std::unique_ptr<kwCone> cone(new kwCone(1.5f, 1.5f, 3.0f));
    ASSERT_EQ(cylinder->getVertexCount(), 144u);
    ASSERT_EQ(cylinder->getIndexCount(), 630u);
    EXPECT_EQ(cylinder->drawMode, 4);
    EXPECT_EQ(std::memcmp(cylinder->getVertexData(), cone->getVertexData(), 144 * sizeof(vertexN3V3)), 0);
    EXPECT_EQ(indices(*cylinder), indices(*cone));
    for (const vertexN3V3& r : records<vertexN3V3>(*cylinder)) {
        EXPECT_EQ(r.nx, 0.0f);
        EXPECT_NEAR(length(normal(r)), 1.0, 1e-6);
        EXPECT_NEAR(std::hypot(r.y, r.z), 1.5, 1e-6);
    }
}

TEST(Cone, ZeroLengthGivesFiniteNormals) {
    for (const float b : {1.0f, 2.0f}) {
        std::unique_ptr<kwCone> flat(new kwCone(2.0f, b, 0.0f));
        for (const vertexN3V3& r : records<vertexN3V3>(*flat)) {
            EXPECT_EQ(r.nx, 0.0f);
            EXPECT_EQ(r.x, 0.0f);
            EXPECT_TRUE(std::isfinite(r.ny) && std::isfinite(r.nz) && std::isfinite(r.y) && std::isfinite(r.z));
        }
    }
}

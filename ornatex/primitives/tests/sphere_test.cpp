#include <ornatex/primitives/kwSphere.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "PrimitiveTestSupport.h"

using namespace primtest;

TEST(Sphere, UnitNormalsAndPositionsScaledByRadius) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(3.0f));
    EXPECT_EQ(sphere->getVertexFormat(), kwVertexFormat::N3V3);
    EXPECT_EQ(sphere->drawMode, 4);
    EXPECT_EQ(sphere->getIndexData(), nullptr);
    EXPECT_EQ(sphere->radius, 3.0f);
    const auto v = records<vertexN3V3>(*sphere);
    ASSERT_EQ(v.size(), 1536u);
    EXPECT_EQ(v[0].nx, 0.0f);
    EXPECT_EQ(v[0].ny, 0.0f);
    EXPECT_EQ(v[0].nz, 1.0f);
    EXPECT_EQ(v[0].z, 3.0f);
    for (const vertexN3V3& r : v) {
        EXPECT_NEAR(length(normal(r)), 1.0, 1e-6);
        EXPECT_EQ(r.x, r.nx * 3.0f);
        EXPECT_EQ(r.y, r.ny * 3.0f);
        EXPECT_EQ(r.z, r.nz * 3.0f);
    }
}

TEST(Sphere, EachLeafIsFollowedByItsMirrorImage) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(1.5f));
    const auto v = records<vertexN3V3>(*sphere);
    for (std::size_t g = 0; g < v.size(); g += 6) {
        for (int k = 0; k < 3; ++k) EXPECT_GE(v[g + k].ny, 0.0f) << g;
        const int source[3] = {1, 0, 2};
        for (int k = 0; k < 3; ++k) {
            const vertexN3V3& m = v[g + 3 + k];
            const vertexN3V3& s = v[g + source[k]];
            EXPECT_EQ(m.nx, s.nx);
            EXPECT_EQ(m.ny, -s.ny);
            EXPECT_EQ(m.nz, s.nz);
            EXPECT_EQ(m.x, s.x);
            EXPECT_EQ(m.y, -s.y);
            EXPECT_EQ(m.z, s.z);
        }
    }
}

TEST(Sphere, FacesInOrderWoundOutwardCoveringTheSphere) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(1.0f));
    const auto v = records<vertexN3V3>(*sphere);
    // Faces 1 to 4 each fill 384 records, in the quadrants +x+z, +x-z, -x-z, -x+z.
    const int signX[4] = {1, 1, -1, -1}, signZ[4] = {1, -1, -1, 1};
    double area = 0.0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const int face = static_cast<int>(i / 384);
        EXPECT_GE(v[i].nx * signX[face], 0.0f) << i;
        EXPECT_GE(v[i].nz * signZ[face], 0.0f) << i;
    }
    for (std::size_t t = 0; t < v.size(); t += 3) {
        const V3 a = position(v[t]), b = position(v[t + 1]), c = position(v[t + 2]);
        const V3 face = cross(sub(b, a), sub(c, a));
        const V3 centroid{a.x + b.x + c.x, a.y + b.y + c.y, a.z + b.z + c.z};
        EXPECT_GT(dot(face, centroid), 0.0) << "triangle " << t / 3;
        area += length(face) / 2;
    }
    // 512 flat triangles inscribed in the unit sphere: a little under 4π.
    EXPECT_GT(area, 0.97 * 4 * M_PI);
    EXPECT_LT(area, 4 * M_PI);
}

TEST(Sphere, SetRadiusRebuildsWithSameNormalsWithoutMarkingTheNode) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(1.25f));
    const auto before = records<vertexN3V3>(*sphere);
    sphere->update(nullptr);
    ASSERT_EQ(sphere->boundaryDirty, 0);
    const unsigned version = sphere->getArrayVersion();
    sphere->setRadius(2.5f);
    EXPECT_EQ(sphere->radius, 2.5f);
    EXPECT_EQ(sphere->getArrayVersion(), version + 1);
    EXPECT_EQ(sphere->boundaryDirty, 0);
    const auto after = records<vertexN3V3>(*sphere);
    ASSERT_EQ(after.size(), 1536u);
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].nx, before[i].nx);
        EXPECT_EQ(after[i].ny, before[i].ny);
        EXPECT_EQ(after[i].nz, before[i].nz);
        EXPECT_EQ(after[i].x, 2.0f * before[i].x);
        EXPECT_EQ(after[i].y, 2.0f * before[i].y);
        EXPECT_EQ(after[i].z, 2.0f * before[i].z);
    }
}

TEST(Sphere, ZeroRadiusCollapsesPositionsButKeepsUnitNormals) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(0.0f));
    for (const vertexN3V3& r : records<vertexN3V3>(*sphere)) {
        EXPECT_EQ(std::fabs(r.x) + std::fabs(r.y) + std::fabs(r.z), 0.0f);
        EXPECT_NEAR(length(normal(r)), 1.0, 1e-6);
    }
}

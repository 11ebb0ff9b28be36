#include <ornatex/primitives/kwSphere.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "PrimitiveTestSupport.h"

using namespace primtest;

TEST(Sphere, FirstLeafAndItsMirrorImageExactly) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(2.0f));
    const std::vector<vertexN3V3> v = records<vertexN3V3>(*sphere);
    ASSERT_EQ(v.size(), 1536u);
    // The corner (0, 0, 1) of face 1 and the points 1/8 of the way along its
    // edges toward (1, 0, 0) and (0, 1, 0), pushed onto the sphere three
    // times (worked out independently in single precision). The mirror image
    // swaps the first two corners; its y components are -0 on the y = 0 plane.
    const std::vector<vertexN3V3> firstLeaf = {
        {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 2.0f},
        {0.195090309f, 0.0f, 0.980785251f, 0.390180618f, 0.0f, 1.9615705f},
        {0.0f, 0.195090309f, 0.980785251f, 0.0f, 0.390180618f, 1.9615705f},
        {0.195090309f, -0.0f, 0.980785251f, 0.390180618f, -0.0f, 1.9615705f},
        {0.0f, -0.0f, 1.0f, 0.0f, -0.0f, 2.0f},
        {0.0f, -0.195090309f, 0.980785251f, 0.0f, -0.390180618f, 1.9615705f},
    };
    EXPECT_EQ(std::vector<vertexN3V3>(v.begin(), v.begin() + 6), firstLeaf);
    // The second leaf (the middle triangle of the first corner's corner),
    // the first leaf of face 2 (its corner at (1, 0, 0)) and the last leaf
    // of face 4 (its corner at (0, 1, 0)), worked out independently.
    expectRecordsNear(v, 6, {
        {0, 0.19509f, 0.980785f, 0, 0.390181f, 1.96157f}, {0.19509f, 0, 0.980785f, 0.390181f, 0, 1.96157f},
        {0.198757f, 0.198757f, 0.959683f, 0.397514f, 0.397514f, 1.91937f},
        {0.19509f, 0, 0.980785f, 0.390181f, 0, 1.96157f},
        {0, -0.19509f, 0.980785f, 0, -0.390181f, 1.96157f},
        {0.198757f, -0.198757f, 0.959683f, 0.397514f, -0.397514f, 1.91937f},
    });
    expectRecordsNear(v, 384, {
        {1, 0, 0, 2, 0, 0}, {0.980785f, 0, -0.19509f, 1.96157f, 0, -0.390181f},
        {0.980785f, 0.19509f, 0, 1.96157f, 0.390181f, 0}, {0.980785f, 0, -0.19509f, 1.96157f, 0, -0.390181f},
        {1, 0, 0, 2, 0, 0}, {0.980785f, -0.19509f, 0, 1.96157f, -0.390181f, 0},
    });
    expectRecordsNear(v, 1530, {
        {-0.19509f, 0.980785f, 0, -0.390181f, 1.96157f, 0}, {0, 0.980785f, 0.19509f, 0, 1.96157f, 0.390181f},
        {0, 1, 0, 0, 2, 0}, {0, -0.980785f, 0.19509f, 0, -1.96157f, 0.390181f},
        {-0.19509f, -0.980785f, 0, -0.390181f, -1.96157f, 0}, {0, -1, 0, 0, -2, 0},
    });
}

TEST(Sphere, UnitNormalsAndPositionsScaledByRadius) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(4.0f));
    EXPECT_EQ(sphere->getVertexFormat(), kwVertexFormat::N3V3);
    EXPECT_EQ(sphere->drawMode, kwDrawTriangles);
    EXPECT_EQ(sphere->getIndexData(), nullptr);
    EXPECT_EQ(sphere->radius, 4.0f);
    const std::vector<vertexN3V3> v = records<vertexN3V3>(*sphere);
    ASSERT_EQ(v.size(), 1536u);
    EXPECT_EQ(v[0], (vertexN3V3{0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 4.0f}));
    // A power of two scales without rounding: every position is exactly four
    // times its normal.
    for (const vertexN3V3& r : v) {
        EXPECT_NEAR(length(normal(r)), 1.0, 1e-6);
        EXPECT_EQ(r, (vertexN3V3{r.nx, r.ny, r.nz, 4 * r.nx, 4 * r.ny, 4 * r.nz}));
    }
}

TEST(Sphere, EachLeafIsFollowedByItsMirrorImage) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(1.5f));
    const std::vector<vertexN3V3> v = records<vertexN3V3>(*sphere);
    const int source[3] = {1, 0, 2};
    for (std::size_t g = 0; g < v.size(); g += 6) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(v[g + k].ny, 0.0f) << g;
            const vertexN3V3& s = v[g + source[k]];
            EXPECT_EQ(v[g + 3 + k], (vertexN3V3{s.nx, -s.ny, s.nz, s.x, -s.y, s.z})) << g + 3 + k;
        }
    }
}

TEST(Sphere, FacesInOrderWoundOutwardCoveringTheSphere) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(1.0f));
    const std::vector<vertexN3V3> v = records<vertexN3V3>(*sphere);
    // Faces 1 to 4 each fill 384 records, in the quadrants +x+z, +x-z, -x-z, -x+z.
    const int signX[4] = {1, 1, -1, -1}, signZ[4] = {1, -1, -1, 1};
    for (std::size_t i = 0; i < v.size(); ++i) {
        const int face = static_cast<int>(i / 384);
        EXPECT_GE(v[i].nx * signX[face], 0.0f) << i;
        EXPECT_GE(v[i].nz * signZ[face], 0.0f) << i;
    }
    std::vector<unsigned short> inOrder;
    for (unsigned i = 0; i < v.size(); ++i) inOrder.push_back(static_cast<unsigned short>(i));
    double area = 0.0;
    for (std::size_t t = 0; t < v.size(); t += 3) {
        const V3 face = faceNormal(v, inOrder, t);
        const V3 centroid{v[t].x + v[t + 1].x + v[t + 2].x, v[t].y + v[t + 1].y + v[t + 2].y,
                          v[t].z + v[t + 1].z + v[t + 2].z};
        EXPECT_GT(dot(face, centroid), 0.0) << "triangle " << t / 3;
        area += length(face) / 2;
    }
    // 512 flat triangles inscribed in the unit sphere: a little under 4π.
    EXPECT_GT(area, 0.97 * 4 * M_PI);
    EXPECT_LT(area, 4 * M_PI);
}

TEST(Sphere, SetRadiusRebuildsWithSameNormalsWithoutMarkingTheNode) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(1.25f));
    const std::vector<vertexN3V3> before = records<vertexN3V3>(*sphere);
    sphere->update(nullptr);
    ASSERT_EQ(sphere->boundaryDirty, 0);
    const unsigned version = sphere->getArrayVersion();
    sphere->setRadius(2.5f);
    EXPECT_EQ(sphere->radius, 2.5f);
    EXPECT_EQ(sphere->getArrayVersion(), version + 1);
    EXPECT_EQ(sphere->boundaryDirty, 0);
    std::vector<vertexN3V3> doubled;
    for (const vertexN3V3& r : before) doubled.push_back({r.nx, r.ny, r.nz, 2 * r.x, 2 * r.y, 2 * r.z});
    EXPECT_EQ(records<vertexN3V3>(*sphere), doubled);
}

TEST(Sphere, ZeroRadiusCollapsesPositionsButKeepsUnitNormals) {
    std::unique_ptr<kwSphere> sphere(new kwSphere(0.0f));
    for (const vertexN3V3& r : records<vertexN3V3>(*sphere)) {
        EXPECT_EQ(std::fabs(r.x) + std::fabs(r.y) + std::fabs(r.z), 0.0f);
        EXPECT_NEAR(length(normal(r)), 1.0, 1e-6);
    }
}

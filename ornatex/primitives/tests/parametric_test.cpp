#include <ornatex/primitives/kwParametric.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "PrimitiveTestSupport.h"

using namespace primtest;

namespace {

// A child whose update calls are counted: Primitive::update passes the
// update down to the children, so the count says whether it ran.
class CountingNode : public kwNode {
public:
    explicit CountingNode(int* counter) : updates(counter) {}
    void update(kwContext*) override { ++*updates; }
    int* updates;
};

// The parametric node under a parent, with a counting child; the parent
// owns both.
struct Scene {
    Scene() : parent(new kwNode), surface(new kwParametric) { attach(); }
    explicit Scene(kwParametric* s) : parent(new kwNode), surface(s) { attach(); }
    void attach() {
        parent->addChild(surface);
        surface->addChild(new CountingNode(&childUpdates));
    }
    int childUpdates = 0;
    std::unique_ptr<kwNode> parent;
    kwParametric* surface;
};

// Runs update and returns what it printed.
std::string updateCapturing(kwParametric& surface) {
    testing::internal::CaptureStdout();
    surface.update(nullptr);
    return testing::internal::GetCapturedStdout();
}

int lineCount(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

void expectEmptyGrid(const kwParametric& surface) {
    EXPECT_EQ(surface.getVertexCount(), 0u);
    EXPECT_EQ(surface.getIndexCount(), 0u);
    EXPECT_EQ(surface.drawMode, 3);
}

struct Call {
    char operation;
    float u, v;
    bool operator==(const Call& o) const { return operation == o.operation && u == o.u && v == o.v; }
};

// A surface that records every call of the three operations.
class RecordingSurface : public kwParametric {
public:
    kwVec3 getVertex(float u, float v) override {
        calls.push_back({'V', u, v});
        return kwVec3(u, u * v, -v);
    }
    kwVec3 getNormal(float u, float v) override {
        calls.push_back({'N', u, v});
        return kwVec3(1.0f, 2.0f, 3.0f);
    }
    kwVec2 getTexCoord(float u, float v) override {
        calls.push_back({'T', u, v});
        return kwVec2(v, u);
    }
    std::vector<Call> calls;
};

// A surface that is the base sheet, reached through overrides, so that the
// grid is built by calls through the virtual table.
class ForwardingSurface : public kwParametric {
public:
    kwVec3 getVertex(float u, float v) override { return kwParametric::getVertex(u, v); }
    kwVec3 getNormal(float u, float v) override { return kwParametric::getNormal(u, v); }
    kwVec2 getTexCoord(float u, float v) override { return kwParametric::getTexCoord(u, v); }
};

}  // namespace

TEST(Parametric, DefaultGridExactly) {
    std::unique_ptr<kwParametric> surface(new kwParametric);
    EXPECT_EQ(surface->stepU, 0.1f);
    EXPECT_EQ(surface->stepV, 0.1f);
    EXPECT_EQ(surface->startU, 0.0f);
    EXPECT_EQ(surface->startV, 0.0f);
    EXPECT_EQ(surface->stopU, 12.6f);
    EXPECT_EQ(surface->stopV, 12.6f);
    EXPECT_EQ(surface->boundaryDirty, 1);
    EXPECT_EQ(surface->getVertexCount(), 0u);  // nothing built before the first update

    EXPECT_EQ(updateCapturing(*surface), "");
    EXPECT_EQ(surface->getVertexFormat(), kwVertexFormat::T2N3V3);
    EXPECT_EQ(surface->drawMode, 4);
    EXPECT_EQ(surface->boundaryDirty, 0);
    const auto v = records<vertexT2N3V3>(*surface);
    const auto idx = indices(*surface);
    ASSERT_EQ(v.size(), 16129u);
    ASSERT_EQ(idx.size(), 95256u);
    const vertexT2N3V3 v0{0, 0, 0, 1, 0, 0, 0, 0}, v126{1, 0, 0, 1, 0, 12.6f, 0, 0};
    EXPECT_EQ(std::memcmp(&v[0], &v0, sizeof v0), 0);
    EXPECT_EQ(std::memcmp(&v[126], &v126, sizeof v126), 0);
    EXPECT_EQ(v[127].x, 0.0f);
    EXPECT_EQ(v[127].y, 0.0f);
    EXPECT_EQ(v[127].z, 0.1f);
    EXPECT_EQ(v[16128].x, 12.6f);
    EXPECT_EQ(v[16128].z, 12.6f);
    EXPECT_EQ(v[16128].s, 1.0f);
    EXPECT_EQ(v[16128].t, 1.0f);
    EXPECT_EQ(std::vector<unsigned short>(idx.begin(), idx.begin() + 6),
              (std::vector<unsigned short>{0, 127, 1, 1, 127, 128}));
    EXPECT_EQ(std::vector<unsigned short>(idx.end() - 6, idx.end()),
              (std::vector<unsigned short>{16000, 16127, 16001, 16001, 16127, 16128}));
    // Every triangle of the sheet faces +y, the side its normal faces.
    for (std::size_t t = 0; t < idx.size(); t += 3) {
        const V3 a = position(v[idx[t]]), b = position(v[idx[t + 1]]), c = position(v[idx[t + 2]]);
        ASSERT_GT(cross(sub(b, a), sub(c, a)).y, 0.0) << "triangle " << t / 3;
    }
}

TEST(Parametric, SettersAreLazyAndManyLeadToOneRebuild) {
    Scene scene;
    kwParametric& surface = *scene.surface;
    surface.update(nullptr);
    EXPECT_EQ(scene.childUpdates, 1);
    const unsigned version = surface.getArrayVersion();

    // Clean: nothing at all happens, Primitive::update included.
    surface.update(nullptr);
    EXPECT_EQ(scene.childUpdates, 1);
    EXPECT_EQ(surface.getArrayVersion(), version);

    scene.parent->boundaryDirty = 0;
    surface.setStep(0.5f, 0.25f);
    EXPECT_EQ(surface.boundaryDirty, 1);
    EXPECT_EQ(scene.parent->boundaryDirty, 1);  // the parent was told
    scene.parent->boundaryDirty = 0;
    surface.setStart(1.0f, 2.0f);
    EXPECT_EQ(scene.parent->boundaryDirty, 1);
    scene.parent->boundaryDirty = 0;
    surface.setStop(3.0f, 3.0f);
    EXPECT_EQ(scene.parent->boundaryDirty, 1);
    EXPECT_EQ(surface.stepU, 0.5f);
    EXPECT_EQ(surface.stepV, 0.25f);
    EXPECT_EQ(surface.startU, 1.0f);
    EXPECT_EQ(surface.startV, 2.0f);
    EXPECT_EQ(surface.stopU, 3.0f);
    EXPECT_EQ(surface.stopV, 3.0f);
    EXPECT_EQ(surface.getArrayVersion(), version);  // nothing built yet
    EXPECT_EQ(surface.getVertexCount(), 16129u);

    surface.update(nullptr);
    EXPECT_EQ(surface.getArrayVersion(), version + 1);
    EXPECT_EQ(scene.childUpdates, 2);
    EXPECT_EQ(surface.boundaryDirty, 0);
    EXPECT_EQ(surface.getVertexCount(), 5u * 5u);  // 4 by 4 cells
    EXPECT_EQ(surface.getIndexCount(), 6u * 16u);
    // The bounding sphere covers the new grid, from (1, 0, 2) to (3, 0, 3).
    EXPECT_FLOAT_EQ(surface.center.x, 2.0f);
    EXPECT_FLOAT_EQ(surface.center.z, 2.5f);
}

TEST(Parametric, StartIsNotSubtractedFromTextureCoordinates) {
    std::unique_ptr<kwParametric> surface(new kwParametric);
    surface->setStart(1.0f, 1.0f);
    surface->update(nullptr);
    EXPECT_EQ(surface->getVertexCount(), 13689u);
    EXPECT_EQ(surface->getIndexCount(), 80736u);
    const auto v = records<vertexT2N3V3>(*surface);
    const float expected = static_cast<float>(1.0 / (static_cast<double>(12.6f) - 1.0));
    EXPECT_NEAR(expected, 1 / 11.6, 1e-7);
    EXPECT_EQ(v[0].s, expected);
    EXPECT_EQ(v[0].t, expected);
    EXPECT_EQ(v[0].x, 1.0f);
    EXPECT_EQ(v[0].z, 1.0f);
}

TEST(Parametric, ZeroWidthRangeGivesOneColumnAndFiniteTextureCoordinates) {
    std::unique_ptr<kwParametric> surface(new kwParametric);
    surface->setStart(5.0f, 0.0f);
    surface->setStop(5.0f, 12.6f);
    surface->update(nullptr);
    EXPECT_EQ(surface->getVertexCount(), 127u);
    EXPECT_EQ(surface->getIndexCount(), 0u);
    EXPECT_EQ(surface->drawMode, 4);
    for (const vertexT2N3V3& r : records<vertexT2N3V3>(*surface)) {
        EXPECT_EQ(r.s, 0.0f);
        EXPECT_EQ(r.x, 5.0f);
        EXPECT_TRUE(std::isfinite(r.t));
    }
    const kwVec2 t = surface->getTexCoord(3.0f, 6.3f);
    EXPECT_EQ(t.x, 0.0f);
    EXPECT_EQ(t.y, 0.5f);
}

TEST(Parametric, DerivedSurfaceIsCalledInVertexOrderThroughTheVirtualTable) {
    std::unique_ptr<RecordingSurface> surface(new RecordingSurface);
    surface->setStop(0.3f, 0.2f);  // 3 by 2 cells
    surface->update(nullptr);
    ASSERT_EQ(surface->getVertexCount(), 12u);
    std::vector<Call> expected;
    for (int j = 0; j <= 2; ++j)
        for (int i = 0; i <= 3; ++i) {
            const float u = static_cast<float>(i * static_cast<double>(0.1f));
            const float v = static_cast<float>(j * static_cast<double>(0.1f));
            expected.push_back({'V', u, v});
            expected.push_back({'N', u, v});
            expected.push_back({'T', u, v});
        }
    EXPECT_EQ(surface->calls, expected);
    const auto v = records<vertexT2N3V3>(*surface);
    const vertexT2N3V3& last = v[11];  // u = 0.3, v = 0.2
    EXPECT_EQ(last.s, expected[33].v);
    EXPECT_EQ(last.t, expected[33].u);
    EXPECT_EQ(last.nx, 1.0f);
    EXPECT_EQ(last.ny, 2.0f);
    EXPECT_EQ(last.nz, 3.0f);
    EXPECT_EQ(last.x, expected[33].u);
    EXPECT_EQ(last.y, expected[33].u * expected[33].v);
    EXPECT_EQ(last.z, -expected[33].v);
}

TEST(Parametric, BaseSheetEqualsTheSameSheetBuiltThroughOverrides) {
    struct Range {
        float stepU, stepV, startU, startV, stopU, stopV;
    };
    const Range ranges[] = {
        {0.1f, 0.1f, 0.0f, 0.0f, 12.6f, 12.6f},
        {0.1f, 0.1f, 1.0f, 1.0f, 12.6f, 12.6f},
        {0.37f, 0.05f, -3.3f, 2.25f, 4.1f, 3.0f},
        {1.0f, 0.3f, 7.0f, -1.0f, 7.0f, 1.0f},
    };
    for (const Range& r : ranges) {
        std::unique_ptr<kwParametric> base(new kwParametric);
        std::unique_ptr<kwParametric> forwarded(new ForwardingSurface);
        for (kwParametric* s : {base.get(), forwarded.get()}) {
            s->setStep(r.stepU, r.stepV);
            s->setStart(r.startU, r.startV);
            s->setStop(r.stopU, r.stopV);
            s->update(nullptr);
        }
        ASSERT_EQ(base->getVertexCount(), forwarded->getVertexCount());
        ASSERT_GT(base->getVertexCount(), 0u);
        EXPECT_EQ(std::memcmp(base->getVertexData(), forwarded->getVertexData(),
                              base->getVertexCount() * sizeof(vertexT2N3V3)),
                  0)
            << "start " << r.startU << ", " << r.startV;
        EXPECT_EQ(indices(*base), indices(*forwarded));
    }
}

TEST(Parametric, UndefinedParametersGiveAnEmptyGridAndOneLine) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        float stepU, stepV, startU, startV, stopU, stopV;
    };
    const Case cases[] = {
        {"zero step", 0.0f, 0.1f, 0, 0, 12.6f, 12.6f},
        {"negative step", 0.1f, -0.1f, 0, 0, 12.6f, 12.6f},
        {"NaN step", nan, 0.1f, 0, 0, 12.6f, 12.6f},
        {"infinite step", 0.1f, inf, 0, 0, 12.6f, 12.6f},
        {"infinite start", 0.1f, 0.1f, -inf, 0, 12.6f, 12.6f},
        {"NaN stop", 0.1f, 0.1f, 0, 0, 12.6f, nan},
        {"stop three steps below start", 0.1f, 0.1f, 0, 0, -0.3f, 12.6f},
        {"both stops far below", 0.1f, 0.1f, 0, 0, -5.0f, -5.0f},
    };
    for (const Case& c : cases) {
        Scene scene;
        kwParametric& surface = *scene.surface;
        surface.update(nullptr);  // a real grid first, which the empty one replaces
        surface.setStep(c.stepU, c.stepV);
        surface.setStart(c.startU, c.startV);
        surface.setStop(c.stopU, c.stopV);
        const std::string printed = updateCapturing(surface);
        EXPECT_EQ(lineCount(printed), 1) << c.what << ": " << printed;
        EXPECT_EQ(printed.rfind("kwParametric: ", 0), 0u) << c.what;
        expectEmptyGrid(surface);
        EXPECT_EQ(scene.childUpdates, 2) << c.what;  // handed over like any rebuild
        EXPECT_EQ(updateCapturing(surface), "") << c.what;  // once, not at every update
    }
}

TEST(Parametric, StopLessThanTwoStepsBelowStartIsTheQuietEmptyGrid) {
    const float stops[][2] = {{-0.15f, -0.15f}, {-0.15f, 0.0f}, {-0.15f, 12.6f}, {12.6f, -0.19f}};
    for (const auto& stop : stops) {
        std::unique_ptr<kwParametric> surface(new kwParametric);
        surface->setStop(stop[0], stop[1]);
        EXPECT_EQ(updateCapturing(*surface), "");
        expectEmptyGrid(*surface);
    }
}

TEST(Parametric, GridsBeyond65536VerticesWrapTheirIndicesAndSaySo) {
    std::unique_ptr<kwParametric> surface(new kwParametric);
    surface->setStop(30.0f, 30.0f);  // 300 by 300 cells
    const std::string printed = updateCapturing(*surface);
    EXPECT_EQ(lineCount(printed), 1);
    EXPECT_NE(printed.find("90601"), std::string::npos) << printed;
    ASSERT_EQ(surface->getVertexCount(), 90601u);
    const auto idx = indices(*surface);
    ASSERT_EQ(idx.size(), 6u * 300 * 300);
    // Row 217 starts at record 65317; the row above it at 65618, stored as 82.
    const std::size_t cell = 6u * 217 * 300;
    EXPECT_EQ(idx[cell], 65317);
    EXPECT_EQ(idx[cell + 1], 65618 - 65536);
    EXPECT_EQ(idx[cell + 2], 65318);
    EXPECT_EQ(idx[cell + 5], 65619 - 65536);
}

TEST(Parametric, SizeBeyond32BitsThrowsAndLeavesEverythingAsItWas) {
    Scene scene;
    kwParametric& surface = *scene.surface;
    surface.update(nullptr);
    const unsigned version = surface.getArrayVersion();
    surface.setStep(1e-30f, 1e-30f);
    EXPECT_THROW(surface.update(nullptr), std::bad_alloc);
    EXPECT_EQ(surface.getArrayVersion(), version);
    EXPECT_EQ(surface.getVertexCount(), 16129u);
    EXPECT_EQ(surface.boundaryDirty, 1);
    EXPECT_EQ(scene.childUpdates, 1);  // Primitive::update did not run
    surface.setStep(0.001f, 0.001f);  // 12600 × 12600 cells: 5 GB of records
    EXPECT_THROW(surface.update(nullptr), std::bad_alloc);
}

#if defined(__GNUC__) && !defined(_WIN32)
// Derived surfaces compiled against this header rely on the three
// operations following getColor, in this order, in the virtual table. In the
// Itanium C++ ABI a pointer to a virtual member holds 1 + its byte offset in
// the virtual table.
template <typename Member>
std::ptrdiff_t slotOffset(Member member) {
    struct {
        std::ptrdiff_t pointer, adjustment;
    } representation;
    static_assert(sizeof member == sizeof representation, "Itanium member pointer");
    std::memcpy(&representation, &member, sizeof member);
    return representation.pointer - 1;
}

TEST(Parametric, SurfaceOperationsFollowGetColorInSlotOrder) {
    const std::ptrdiff_t color = slotOffset(&kwParametric::getColor);
    const std::ptrdiff_t slot = sizeof(void*);
    EXPECT_EQ(slotOffset(&kwParametric::getVertex), color + slot);
    EXPECT_EQ(slotOffset(&kwParametric::getNormal), color + 2 * slot);
    EXPECT_EQ(slotOffset(&kwParametric::getTexCoord), color + 3 * slot);
    EXPECT_EQ(slotOffset(&kwParametric::update), slotOffset(&kwNode::update));
}
#endif

namespace {
// A bumpy surface, so that the bounding sphere is not the sheet's.
class WavySurface : public kwParametric {
public:
    kwVec3 getVertex(float u, float v) override {
        return kwVec3(u * 1.5f - 2.0f, std::sin(u) * std::cos(v * 2.0f) * 3.0f, v * 0.75f + 1.0f);
    }
};
}  // namespace

TEST(Parametric, RebuildRecomputesTheBoundingSphereOfTheNewGrid) {
    std::unique_ptr<kwParametric> surface(new WavySurface);
    surface->setStep(0.05f, 0.07f);
    surface->update(nullptr);
    const auto v = records<vertexT2N3V3>(*surface);
    ASSERT_EQ(v.size(), 253u * 181u);
    float lo[3] = {v[0].x, v[0].y, v[0].z}, hi[3] = {lo[0], lo[1], lo[2]};
    for (const vertexT2N3V3& r : v) {
        const float p[3] = {r.x, r.y, r.z};
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    }
    EXPECT_EQ(surface->center.x, (lo[0] + hi[0]) * 0.5f);
    EXPECT_EQ(surface->center.y, (lo[1] + hi[1]) * 0.5f);
    EXPECT_EQ(surface->center.z, (lo[2] + hi[2]) * 0.5f);
    double r2 = 0.0;
    for (const vertexT2N3V3& r : v) {
        const double dx = r.x - surface->center.x, dy = r.y - surface->center.y, dz = r.z - surface->center.z;
        r2 = std::max(r2, dx * dx + dy * dy + dz * dz);
    }
    EXPECT_EQ(surface->radius, static_cast<float>(std::sqrt(r2)));
}

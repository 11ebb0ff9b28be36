#include <ornatex/primitives/GridPlan.h>
#include <ornatex/primitives/kwParametric.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "PrimitiveTestSupport.h"

using namespace primtest;

namespace {

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
    EXPECT_EQ(surface.drawMode, kwDrawLineStrip);
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
    EXPECT_EQ(surface->drawMode, kwDrawTriangles);
    EXPECT_EQ(surface->boundaryDirty, 0);
    const std::vector<vertexT2N3V3> v = records<vertexT2N3V3>(*surface);
    const std::vector<unsigned short> idx = indices(*surface);
    ASSERT_EQ(v.size(), 16129u);
    ASSERT_EQ(idx.size(), 95256u);
    // 126 × 0.1f comes to 12.6000004 before rounding to single: 12.6f.
    EXPECT_EQ(v[0], (vertexT2N3V3{0, 0, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(v[126], (vertexT2N3V3{1, 0, 0, 1, 0, 12.6f, 0, 0}));
    EXPECT_EQ(v[127], (vertexT2N3V3{0, 0.00793650746f, 0, 1, 0, 0, 0, 0.1f}));
    EXPECT_EQ(v[16128], (vertexT2N3V3{1, 1, 0, 1, 0, 12.6f, 0, 12.6f}));
    EXPECT_EQ(std::vector<unsigned short>(idx.begin(), idx.begin() + 6),
              (std::vector<unsigned short>{0, 127, 1, 1, 127, 128}));
    EXPECT_EQ(std::vector<unsigned short>(idx.end() - 6, idx.end()),
              (std::vector<unsigned short>{16000, 16127, 16001, 16001, 16127, 16128}));
    // Every triangle of the sheet faces +y, the side its normal faces.
    for (std::size_t t = 0; t < idx.size(); t += 3) ASSERT_GT(faceNormal(v, idx, t).y, 0.0) << "triangle " << t / 3;
}

// 2 by 1 cells: u = 0, 0.1, 0.2 and v = 0, 0.1, whichever sign the zero
// start has (0 × step + -0 is +0). The texture coordinates u / 0.2 and
// v / 0.1 are exact.
const std::vector<vertexT2N3V3> tinySheet = {
    {0.0f, 0.0f, 0, 1, 0, 0.0f, 0, 0.0f}, {0.5f, 0.0f, 0, 1, 0, 0.1f, 0, 0.0f}, {1.0f, 0.0f, 0, 1, 0, 0.2f, 0, 0.0f},
    {0.0f, 1.0f, 0, 1, 0, 0.0f, 0, 0.1f}, {0.5f, 1.0f, 0, 1, 0, 0.1f, 0, 0.1f}, {1.0f, 1.0f, 0, 1, 0, 0.2f, 0, 0.1f},
};
const std::vector<unsigned short> tinySheetIndices = {0, 3, 1, 1, 3, 4, 1, 4, 2, 2, 4, 5};

TEST(Parametric, TinySheetWholeArraysThroughTheBaseAndThroughOverrides) {
    for (const float zero : {0.0f, -0.0f}) {
        const GridRange range{0.1f, 0.1f, zero, zero, 0.2f, 0.1f};
        const std::unique_ptr<kwParametric> built[] = {builtGrid(range), builtGrid<ForwardingSurface>(range)};
        for (const std::unique_ptr<kwParametric>& surface : built) {
            EXPECT_EQ(records<vertexT2N3V3>(*surface), tinySheet) << "start " << zero;
            EXPECT_EQ(indices(*surface), tinySheetIndices);
            EXPECT_EQ(surface->drawMode, kwDrawTriangles);
        }
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
    const std::unique_ptr<kwParametric> surface = builtGrid({0.1f, 0.1f, 1.0f, 1.0f, 12.6f, 12.6f});
    EXPECT_EQ(surface->getVertexCount(), 13689u);
    EXPECT_EQ(surface->getIndexCount(), 80736u);
    // 1 / 11.6 would be 0.0862068966; the range is 12.6f - 1, not 11.6.
    EXPECT_EQ(records<vertexT2N3V3>(*surface)[0], (vertexT2N3V3{0.0862068906f, 0.0862068906f, 0, 1, 0, 1, 0, 1}));
}

TEST(Parametric, ZeroWidthRangeGivesOneColumnAndFiniteTextureCoordinates) {
    const std::unique_ptr<kwParametric> surface = builtGrid({0.1f, 0.1f, 5.0f, 0.0f, 5.0f, 12.6f});
    EXPECT_EQ(surface->getVertexCount(), 127u);
    EXPECT_EQ(surface->getIndexCount(), 0u);
    EXPECT_EQ(surface->drawMode, kwDrawTriangles);
    for (const vertexT2N3V3& r : records<vertexT2N3V3>(*surface)) {
        EXPECT_EQ(r.s, 0.0f);
        EXPECT_EQ(r.x, 5.0f);
        EXPECT_TRUE(std::isfinite(r.t));
    }
    EXPECT_EQ(surface->getTexCoord(3.0f, 6.3f), kwVec2(0.0f, 0.5f));
}

TEST(Parametric, TextureCoordinatesGuardOnlyAZeroWidthRange) {
    std::unique_ptr<kwParametric> surface(new kwParametric);
    surface->setStop(1e-30f, 1.0f);
    // 1e30 / 1e-30 overflows single precision and NaN / 1 stays NaN.
    const kwVec2 t = surface->getTexCoord(1e30f, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(t.x, std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(t.y));
}

TEST(Parametric, DerivedSurfaceIsCalledInVertexOrderThroughTheVirtualTable) {
    const std::unique_ptr<RecordingSurface> surface = builtGrid<RecordingSurface>({0.1f, 0.1f, 0, 0, 0.3f, 0.2f});
    ASSERT_EQ(surface->getVertexCount(), 12u);  // 3 by 2 cells
    // i × 0.1f rounds to 0.1f, 0.2f and 0.3f.
    std::vector<Call> expected;
    for (const float v : {0.0f, 0.1f, 0.2f})
        for (const float u : {0.0f, 0.1f, 0.2f, 0.3f})
            for (const char operation : {'V', 'N', 'T'}) expected.push_back({operation, u, v});
    EXPECT_EQ(surface->calls, expected);
    EXPECT_EQ(records<vertexT2N3V3>(*surface)[11], (vertexT2N3V3{0.2f, 0.3f, 1, 2, 3, 0.3f, 0.3f * 0.2f, -0.2f}));
}

// A surface that, while the grid is built, moves its own stop once.
class SelfChangingSurface : public kwParametric {
public:
    kwVec3 getVertex(float u, float v) override {
        if (!changed) setStop(0.1f, 0.1f);
        changed = true;
        return kwParametric::getVertex(u, v);
    }
    bool changed = false;
};

// A child that, in the update its parent surface passes down, moves the
// surface's stop once.
class StopMovingChild : public kwNode {
public:
    explicit StopMovingChild(kwParametric* s) : surface(s) {}
    void update(kwContext*) override {
        if (!moved) surface->setStop(0.1f, 0.1f);
        moved = true;
    }
    kwParametric* surface;
    bool moved = false;
};

TEST(Parametric, SetterCalledDuringTheRebuildOrByAChildChangesTheNextGrid) {
    for (const bool byChild : {false, true}) {
        SCOPED_TRACE(byChild ? "by a child" : "by the surface");
        Scene scene(byChild ? new kwParametric : new SelfChangingSurface);
        kwParametric& surface = *scene.surface;
        if (byChild) surface.addChild(new StopMovingChild(&surface));
        surface.setStop(0.2f, 0.1f);
        surface.update(nullptr);
        EXPECT_EQ(surface.getVertexCount(), 6u);  // this grid: the values it started with
        EXPECT_EQ(surface.boundaryDirty, 1);
        EXPECT_EQ(scene.parent->boundaryDirty, 1);
        surface.update(nullptr);
        EXPECT_EQ(surface.getVertexCount(), 4u);  // the next: 1 by 1 cells
        EXPECT_EQ(surface.boundaryDirty, 0);
        EXPECT_EQ(scene.childUpdates, 2);
    }
}

// A surface that notes the flag at every vertex and can start one update of
// its own from inside the rebuild.
class FlagWatchingSurface : public kwParametric {
public:
    kwVec3 getVertex(float u, float v) override {
        flags.push_back(boundaryDirty);
        if (nest) {
            nest = false;
            update(nullptr);
        }
        return kwParametric::getVertex(u, v);
    }
    std::vector<int> flags;
    bool nest = false;
};

TEST(Parametric, FlagStaysSetWhileTheSurfaceIsAsked) {
    const std::unique_ptr<FlagWatchingSurface> surface = builtGrid<FlagWatchingSurface>({0.1f, 0.1f, 0, 0, 0.1f, 0.1f});
    EXPECT_EQ(surface->flags, (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(surface->boundaryDirty, 0);
    // An update started from inside the rebuild builds as well: the nested
    // grid's four vertices, then the rest of the outer one's.
    surface->flags.clear();
    surface->nest = true;
    const unsigned version = surface->getArrayVersion();
    surface->setStop(0.1f, 0.2f);
    surface->update(nullptr);
    EXPECT_EQ(surface->getArrayVersion(), version + 2);
    EXPECT_EQ(surface->flags.size(), 12u);
    EXPECT_EQ(std::vector<int>(surface->flags.begin(), surface->flags.begin() + 7), std::vector<int>(7, 1));
    EXPECT_EQ(surface->getVertexCount(), 6u);
    EXPECT_EQ(surface->boundaryDirty, 0);
}

class ThrowingSurface : public kwParametric {
public:
    kwVec3 getVertex(float, float) override { throw std::runtime_error("no vertex here"); }
};

TEST(Parametric, SurfaceThatThrowsLeavesTheFlagAndTheArraysAsTheyWere) {
    std::unique_ptr<kwParametric> surface(new ThrowingSurface);
    EXPECT_THROW(surface->update(nullptr), std::runtime_error);
    EXPECT_EQ(surface->boundaryDirty, 1);
    EXPECT_EQ(surface->getArrayVersion(), 0u);
}

TEST(Parametric, BaseSheetEqualsTheSameSheetBuiltThroughOverrides) {
    const GridRange ranges[] = {
        {0.1f, 0.1f, 0.0f, 0.0f, 12.6f, 12.6f},
        {0.1f, 0.1f, 1.0f, 1.0f, 12.6f, 12.6f},
        {0.37f, 0.05f, -3.3f, 2.25f, 4.1f, 3.0f},
        {1.0f, 0.3f, 7.0f, -1.0f, 7.0f, 1.0f},
        {0.25f, 0.5f, -0.0f, -0.0f, 3.0f, 2.0f},
    };
    for (const GridRange& r : ranges) {
        const std::unique_ptr<kwParametric> base = builtGrid(r), forwarded = builtGrid<ForwardingSurface>(r);
        ASSERT_GT(base->getVertexCount(), 0u);
        EXPECT_EQ(records<vertexT2N3V3>(*base), records<vertexT2N3V3>(*forwarded))
            << "start " << r.startU << ", " << r.startV;
        EXPECT_EQ(indices(*base), indices(*forwarded));
    }
}

TEST(Parametric, UndefinedParametersGiveAnEmptyGridAndOneLine) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const struct {
        GridRange range;
        ornatex::GridProblem problem;
        const char* line;
    } cases[] = {
        {{0.0f, 0.1f, 0, 0, 12.6f, 12.6f}, ornatex::GridProblem::stepNotPositive,
         "the step (0, 0.1) is not a positive finite number"},
        {{0.1f, -0.1f, 0, 0, 12.6f, 12.6f}, ornatex::GridProblem::stepNotPositive,
         "the step (0.1, -0.1) is not a positive finite number"},
        {{nan, 0.1f, 0, 0, 12.6f, 12.6f}, ornatex::GridProblem::stepNotPositive,
         "the step (nan, 0.1) is not a positive finite number"},
        {{0.1f, inf, 0, 0, 12.6f, 12.6f}, ornatex::GridProblem::stepNotPositive,
         "the step (0.1, inf) is not a positive finite number"},
        {{0.1f, 0.1f, -inf, 0, 12.6f, 12.6f}, ornatex::GridProblem::rangeNotFinite,
         "the range (-inf, 0) to (12.6, 12.6) is not finite"},
        {{0.1f, 0.1f, 0, 0, 12.6f, nan}, ornatex::GridProblem::rangeNotFinite,
         "the range (0, 0) to (12.6, nan) is not finite"},
        {{0.1f, 0.1f, 0, 0, -0.3f, 12.6f}, ornatex::GridProblem::stopFarBelowStart,
         "a stop lies two steps or more below its start (-3 by 126 cells)"},
        {{0.1f, 0.1f, 0, 0, -5.0f, -5.0f}, ornatex::GridProblem::stopFarBelowStart,
         "a stop lies two steps or more below its start (-50 by -50 cells)"},
    };
    for (const auto& c : cases) {
        const GridRange& r = c.range;
        const ornatex::GridPlan plan = ornatex::planGrid(r.stepU, r.stepV, r.startU, r.startV, r.stopU, r.stopV);
        EXPECT_EQ(plan.problem, c.problem) << c.line;
        EXPECT_EQ(plan.reason, c.line);
        EXPECT_FALSE(plan.hasVertices()) << c.line;
        Scene scene;
        kwParametric& surface = *scene.surface;
        surface.update(nullptr);  // a real grid first, which the empty one replaces
        surface.setStep(r.stepU, r.stepV);
        surface.setStart(r.startU, r.startV);
        surface.setStop(r.stopU, r.stopV);
        const std::string printed = updateCapturing(surface);
        EXPECT_EQ(printed, std::string("kwParametric: ") + c.line + "; the grid is empty\n");
        const char* what = c.line;
        expectEmptyGrid(surface);
        EXPECT_EQ(scene.childUpdates, 2) << what;  // handed over like any rebuild
        EXPECT_EQ(updateCapturing(surface), "") << what;  // once, not at every update
    }
}

TEST(Parametric, StopLessThanTwoStepsBelowStartIsTheQuietEmptyGrid) {
    // The other direction may hold any number of cells, even -50.
    const float stops[][2] = {{-0.15f, -0.15f}, {-0.15f, 0.0f}, {-0.15f, 12.6f}, {12.6f, -0.19f}, {-0.15f, -5.0f}};
    for (const auto& stop : stops) {
        const ornatex::GridPlan plan = ornatex::planGrid(0.1f, 0.1f, 0, 0, stop[0], stop[1]);
        EXPECT_EQ(plan.problem, ornatex::GridProblem::none);
        EXPECT_EQ(plan.vertexCount(), 0.0);
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

TEST(Parametric, PlanGivesTheSizesTheGridIsBuiltWith) {
    const GridRange ranges[] = {
        {0.1f, 0.1f, 0, 0, 12.6f, 12.6f},     // 126 by 126 cells
        {0.1f, 0.1f, 1, 1, 12.6f, 12.6f},     // 116 by 116
        {0.1f, 0.1f, 5, 0, 5, 12.6f},         // 0 by 126: one column
        {0.37f, 0.05f, -3.3f, 2.25f, 4.1f, 3.0f},
    };
    const double cells[][2] = {{126, 126}, {116, 116}, {0, 126}, {20, 15}};
    for (int k = 0; k < 4; ++k) {
        const GridRange& r = ranges[k];
        const ornatex::GridPlan plan = ornatex::planGrid(r.stepU, r.stepV, r.startU, r.startV, r.stopU, r.stopV);
        EXPECT_EQ(plan.cellsU, cells[k][0]);
        EXPECT_EQ(plan.cellsV, cells[k][1]);
        EXPECT_EQ(plan.reason, "");
        const std::unique_ptr<kwParametric> surface = builtGrid(r);
        EXPECT_EQ(plan.vertexCount(), surface->getVertexCount());
        EXPECT_EQ(plan.indexCount(), surface->getIndexCount());
    }
    // Counts far beyond memory are told exactly: 12.6 / 1e-30 is 1.26e31.
    EXPECT_EQ(ornatex::planGrid(1e-30f, 1, 0, 0, 12.6f, 1).cellsU, static_cast<double>(1.26000003e31f));
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

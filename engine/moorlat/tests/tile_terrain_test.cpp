#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <moorlat/moorlat.h>

namespace {

struct CountingTerrain : TileTerrain {
    using TileTerrain::TileTerrain;
    int changes = 0;
    void tileChanged() override { ++changes; }
};

TEST(TileTerrain, StoresPositionExactlyAndRecentresOnlyOnAnotherTile) {
    CountingTerrain t(8.0f);
    EXPECT_EQ(t.getPositionUpdateCount(), 0u);
    t.setCurrentPos(kwVec3(1.0f, 3.0f, 2.0f));
    EXPECT_EQ(t.getCurrentPos().x, 1.0f);
    EXPECT_EQ(t.getCurrentPos().y, 3.0f);
    EXPECT_EQ(t.getCurrentPos().z, 2.0f);
    EXPECT_EQ(t.changes, 0) << "(1, 3) lies on the origin's tile";
    t.setCurrentPos(kwVec3(3.9f, -3.9f, 50.0f));
    EXPECT_EQ(t.changes, 0);
    t.setCurrentPos(kwVec3(4.1f, 0.0f, 0.0f));
    EXPECT_EQ(t.changes, 1);
    EXPECT_EQ(t.getCenterPos().x, 8.0f);
    EXPECT_EQ(t.getCenterPos().y, 0.0f);
    t.setCurrentPos(kwVec3(-20.0f, -12.5f, 0.0f));
    EXPECT_EQ(t.changes, 2);
    EXPECT_EQ(t.getCenterPos().x, -16.0f);
    EXPECT_EQ(t.getCenterPos().y, -16.0f);
    EXPECT_EQ(t.getPositionUpdateCount(), 4u);
    EXPECT_EQ(t.getTileChangeCount(), 3u);
}

TEST(TileTerrain, CentreAndCurrentPositionAreAdjacentMembers) {
    TileTerrain t;
    EXPECT_EQ(reinterpret_cast<const char*>(&t.getCurrentPos()) - reinterpret_cast<const char*>(&t.getCenterPos()),
              static_cast<std::ptrdiff_t>(sizeof(kwVec3)));
}

TEST(TileTerrain, NonFinitePositionsAreStoredButKeepTheTile) {
    CountingTerrain t;
    t.setCurrentPos(kwVec3(std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 0));
    EXPECT_EQ(t.changes, 0);
    EXPECT_TRUE(std::isnan(t.getCurrentPos().x));
    EXPECT_EQ(t.getCenterPos().x, 0.0f);
}

TEST(TileTerrain, RefusesANonPositiveTileSize) {
    testing::internal::CaptureStderr();
    TileTerrain t(-1.0f);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("tile size"), std::string::npos);
    EXPECT_EQ(t.getTileSize(), 8.0f);
}

}  // namespace

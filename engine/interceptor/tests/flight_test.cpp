// The aircraft and its missiles: motion per second of elapsed time, limits,
// positions in scene coordinates, and missiles handed over exactly once.
#include <gtest/gtest.h>

#include <cmath>

#include <corvane/kwTransformNode.h>
#include <interceptor/interceptor.h>

namespace {

kwVec3 position(const Interceptor& a) {
    kwVec3 p;
    a.getPosition(p);
    return p;
}

kwVec3 translation(const kwTransform& t) { return kwVec3(t.matrix[12], t.matrix[13], t.matrix[14]); }

void fly(Interceptor& a, double seconds, int steps) {
    for (int i = 0; i < steps; ++i) a.advance(seconds / steps);
}

TEST(Interceptor, RecordsTheSpeedsItIsGiven) {
    Interceptor a;
    a.setSpeed(18.5f);
    a.setHPRSpeed(250.0f, -300.0f, 0.0f);
    EXPECT_EQ(a.getSpeed(), 18.5f);
    EXPECT_EQ(a.getHPRSpeed().x, 250.0f);
    EXPECT_EQ(a.getHPRSpeed().y, -300.0f);
    EXPECT_EQ(a.getHPRSpeed().z, 0.0f);
    EXPECT_EQ(a.getSetSpeedCount(), 1u);
    EXPECT_EQ(a.getSetHPRSpeedCount(), 1u);
}

TEST(Interceptor, FliesForwardByElapsedTimeNotByFrames) {
    Interceptor coarse, fine;
    for (Interceptor* a : {&coarse, &fine}) {
        a->translate(0, 1, 0);
        a->setSpeed(18.5f);
        a->setHPRSpeed(0, 0, 0);
    }
    fly(coarse, 1.0, 10);
    fly(fine, 1.0, 1000);
    // 18.5 half-units a second along -z, the nose's direction.
    EXPECT_NEAR(position(coarse).z, -9.25f, 1e-4);
    EXPECT_NEAR(position(fine).z, -9.25f, 1e-3);
    EXPECT_NEAR(position(coarse).x, 0.0f, 1e-5);
    EXPECT_NEAR(position(coarse).y, 1.0f, 1e-5);
}

TEST(Interceptor, StandsStillWithoutSpeedsAndLeavesItsMatrixAlone) {
    Interceptor a;
    a.translate(2, 1, 3);
    a.transformDirty = 0;
    a.setSpeed(0);
    a.setHPRSpeed(0, 0, 0);
    a.advance(0.5);
    EXPECT_EQ(a.transformDirty, 0);
    EXPECT_EQ(translation(a).x, 2.0f);
    EXPECT_EQ(translation(a).z, 3.0f);
}

TEST(Interceptor, TurnsLeftForPositiveHeadingAndBanksIntoTheTurn) {
    Interceptor a;
    a.translate(0, 1, 0);
    a.setHPRSpeed(250.0f, 0, 0);
    fly(a, 1.0, 100);
    EXPECT_NEAR(a.getAttitude().x, 62.5f, 1e-2);
    EXPECT_NEAR(a.getAttitude().z, Interceptor::maxBank, 0.1);
    a.setHPRSpeed(0, 0, 0);
    a.setSpeed(18.5f);
    fly(a, 1.0, 100);
    // Heading 62.5 degrees to the left of -z: the aircraft moved toward -x.
    EXPECT_LT(position(a).x, -7.0f);
    EXPECT_NEAR(a.getAttitude().z, 0.0f, 0.05) << "levels out once the turn ends";
}

TEST(Interceptor, PitchAndHeightStayWithinLimits) {
    Interceptor a;
    a.translate(0, 1, 0);
    a.setSpeed(28.0f);
    a.setHPRSpeed(0, 300.0f, 0);
    fly(a, 20.0, 400);
    EXPECT_NEAR(a.getAttitude().y, Interceptor::maxPitch, 1e-3);
    EXPECT_LE(position(a).y, float(Interceptor::maxHeight));
    a.setHPRSpeed(0, -300.0f, 0);
    fly(a, 20.0, 400);
    EXPECT_NEAR(a.getAttitude().y, -Interceptor::maxPitch, 1e-3);
    EXPECT_GE(position(a).y, float(Interceptor::minHeight));
}

TEST(Interceptor, IgnoresNonFiniteInput) {
    Interceptor a;
    a.setSpeed(std::nanf(""));
    a.setHPRSpeed(INFINITY, 0, 0);
    a.advance(1.0);
    a.setSpeed(18.5f);
    a.advance(std::nan(""));
    a.advance(-1.0);
    EXPECT_EQ(translation(a).z, 0.0f);
    EXPECT_EQ(a.getHPRSpeed().x, 0.0f);
}

TEST(Interceptor, PositionIsInSceneCoordinates) {
    kwTransformNode world;
    Interceptor* a = new Interceptor;
    world.addChild(a);
    a->translate(0, 1, 0);
    world.scale(2, 2, 2);
    world.translate(5, 0, 0);
    const kwVec3 p = position(*a);
    EXPECT_FLOAT_EQ(p.x, 5.0f);
    EXPECT_FLOAT_EQ(p.y, 2.0f);
    EXPECT_FLOAT_EQ(p.z, 0.0f);
}

TEST(Interceptor, HandsEachLaunchedMissileOverOnce) {
    Interceptor a;
    EXPECT_EQ(a.getFiredMissile().count, 0u);
    a.missileFire(0);
    kw::vector<Missile*> first = a.getFiredMissile();
    ASSERT_EQ(first.count, 1u);
    EXPECT_EQ(a.getFiredMissile().count, 0u) << "handed over already";
    a.missileFire(0);
    a.missileFire(0);
    kw::vector<Missile*> second = a.getFiredMissile();
    ASSERT_EQ(second.count, 2u);
    EXPECT_NE(second.data[0], second.data[1]);
    EXPECT_NE(second.data[0], first.data[0]);
    EXPECT_EQ(a.getMissilesLaunched(), 3u);
    for (Missile* m : {first.data[0], second.data[0], second.data[1]}) delete m;
}

TEST(Interceptor, FiresWhileTheStockLasts) {
    Interceptor a;
    a.setMissileStock(2);
    for (int i = 0; i < 3; ++i) a.missileFire(0);
    kw::vector<Missile*> fired = a.getFiredMissile();
    EXPECT_EQ(fired.count, 2u);
    EXPECT_EQ(a.getMissileStock(), 0);
    for (std::uint32_t i = 0; i < fired.count; ++i) delete fired.data[i];
}

TEST(Interceptor, UnknownLauncherFiresNothing) {
    Interceptor a;
    testing::internal::CaptureStderr();
    a.missileFire(3);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no launcher 3"), std::string::npos);
    EXPECT_EQ(a.getFiredMissile().count, 0u);
}

TEST(Interceptor, UnclaimedMissilesGoWithTheAircraft) {
    // Nothing to assert beyond a clean exit: the sanitizers report a leak or
    // a double release of the shared mesh.
    Interceptor* a = new Interceptor;
    a->missileFire(0);
    a->missileFire(0);
    delete a;
}

TEST(Missile, LeavesTheNoseAlongTheHeadingAndEndsAfterItsLifetime) {
    kwTransformNode world;
    Interceptor* a = new Interceptor;
    world.addChild(a);
    a->translate(0, 1, 0);
    a->setHPRSpeed(250.0f, 0, 0);
    fly(*a, 1.44, 144);  // heading 90: the nose points toward -x
    a->setHPRSpeed(0, 0, 0);
    fly(*a, 1.0, 10);    // bank eases back to level
    ASSERT_NEAR(a->getAttitude().x, 90.0f, 1e-2);
    const kwVec3 start = translation(*a);
    a->missileFire(0);
    kw::vector<Missile*> fired = a->getFiredMissile();
    ASSERT_EQ(fired.count, 1u);
    Missile* m = fired.data[0];
    world.addChild(m);
    EXPECT_NEAR(translation(*m).x, start.x - Interceptor::noseOffset, 1e-4);
    EXPECT_NEAR(translation(*m).z, start.z, 1e-4);
    EXPECT_EQ(m->children.count, 1u);
    EXPECT_EQ(m->getVisible(), 1);
    EXPECT_EQ(m->state.get(), nullptr) << "a missile takes its material from above";

    m->advance(1.0);
    EXPECT_NEAR(translation(*m).x, start.x - Interceptor::noseOffset - Interceptor::missileSpeed, 1e-3);
    EXPECT_FALSE(m->hasEnded());
    m->advance(Interceptor::missileLifetime);  // overshoots: flies only to the end of its life
    EXPECT_TRUE(m->hasEnded());
    EXPECT_NEAR(translation(*m).x, start.x - Interceptor::noseOffset - Interceptor::missileSpeed * Interceptor::missileLifetime,
                1e-3);
    EXPECT_EQ(m->getVisible(), 0);
    EXPECT_EQ(m->children.count, 0u) << "an ended missile lets go of its mesh";
    EXPECT_EQ(m->parents.count, 1u) << "and stays in the scene";
    const kwVec3 end = translation(*m);
    m->advance(1.0);
    m->update(nullptr);
    EXPECT_EQ(translation(*m).x, end.x);
}

TEST(Missile, SharedMeshOutlivesEndedMissilesAndTheAircraft) {
    kwTransformNode world;
    Interceptor* a = new Interceptor;
    world.addChild(a);
    for (int i = 0; i < 3; ++i) a->missileFire(0);
    kw::vector<Missile*> fired = a->getFiredMissile();
    for (std::uint32_t i = 0; i < fired.count; ++i) world.addChild(fired.data[i]);
    kwNode* mesh = fired.data[0]->children.data[0];
    EXPECT_EQ(fired.data[1]->children.data[0], mesh);
    fired.data[0]->advance(10.0);
    world.removeChild(a);
    delete a;
    ASSERT_EQ(fired.data[2]->children.count, 1u);
    const auto* drawn = dynamic_cast<const PrimitiveIndexed*>(fired.data[2]->children.data[0]);
    ASSERT_NE(drawn, nullptr);
    EXPECT_GT(drawn->getIndexCount(), 0u);
    // world's destructor deletes the missiles; the last one takes the mesh.
}

TEST(Missile, WithoutAUsableLifetimeEndsAtOnce) {
    for (float lifetime : {0.0f, -1.0f, std::nanf("")}) {
        Missile m(kwTransform(), nullptr, 5.0f, lifetime);
        m.advance(0.01);
        EXPECT_TRUE(m.hasEnded()) << lifetime;
        EXPECT_EQ(m.matrix[14], 0.0f);
    }
}

TEST(Missile, InheritsTheAircraftsSpeed) {
    Interceptor a;
    a.setSpeed(28.0f);
    a.missileFire(0);
    kw::vector<Missile*> fired = a.getFiredMissile();
    ASSERT_EQ(fired.count, 1u);
    EXPECT_FLOAT_EQ(fired.data[0]->getSpeed(), 28.0f * Interceptor::speedUnit + Interceptor::missileSpeed);
    delete fired.data[0];
}

TEST(Interceptor, MeshIsLitAndClosedOnTheFuselage) {
    Interceptor a;
    ASSERT_EQ(a.children.count, 1u);
    const auto* mesh = dynamic_cast<const PrimitiveIndexed*>(a.children.data[0]);
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->getVertexFormat(), kwVertexFormat::N3V3);
    EXPECT_EQ(mesh->drawMode, kwDrawTriangles);
    const float* v = mesh->getVertexData();
    for (unsigned i = 0; i < mesh->getVertexCount(); ++i) {
        const float* n = v + i * 6;
        EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f, 1e-5) << "vertex " << i;
    }
    // The nose is the foremost point, where the missiles start.
    float front = 0;
    for (unsigned i = 0; i < mesh->getVertexCount(); ++i) front = std::fmin(front, v[i * 6 + 5]);
    EXPECT_FLOAT_EQ(front, -Interceptor::noseOffset);
}

}  // namespace

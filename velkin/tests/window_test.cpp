// Win3D: key flags, and what the mouse's move, turn and scale-roll do to
// where the target puts points.
#include <gtest/gtest.h>

#include <cmath>

#include <corvane/kwVec3.h>
#include <corvane/kwWindowScript.h>
#include <win32/win32.h>
#include <velkin/Win3D.h>

#include "ScriptedApp.h"

namespace {

kwVec3 apply(const kwTransform& t, float x, float y, float z) {
    const float* m = t.matrix;
    return kwVec3(m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                  m[2] * x + m[6] * y + m[10] * z + m[14]);
}

void expectPoint(const kwVec3& p, float x, float y, float z) {
    EXPECT_NEAR(p.x, x, 1e-5);
    EXPECT_NEAR(p.y, y, 1e-5);
    EXPECT_NEAR(p.z, z, 1e-5);
}

struct WindowTest : testing::Test {
    // The window's destructor may throw the engine's text; a test's may not.
    ~WindowTest() noexcept override {}
    kwWindowScript script;
    ScriptScope scope{script};
    Win3D window{nullptr};
    kwTransform target;

    unsigned char* flags() { return &window.keyUp; }
    void expectMatrix(const kwTransform& expected) {
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(target.matrix[i], expected.matrix[i], 1e-6) << "element " << i;
    }
    void buttons(bool left, bool right) {
        window.buttonDown[0] = left;
        window.buttonDown[2] = right;
    }
};

TEST_F(WindowTest, StartsAsDocumented) {
    EXPECT_EQ(window.width, 500);
    EXPECT_EQ(window.height, 500);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(flags()[i], 0) << "flag " << i;
    EXPECT_EQ(window.target, nullptr);
    EXPECT_EQ(window.scaleFactor, 1.0f);
    EXPECT_EQ(window.mouseX, 0.0f);
    EXPECT_EQ(window.roll, 0.0f);
}

TEST_F(WindowTest, EachFlightKeySetsItsOwnFlagFromItsLatestEvent) {
    // Flags in declaration order and the key each follows.
    const unsigned keys[8] = {vkUp, vkRight, vkLeft, vkDown, vkR, vkShift, vkSpace, vkControl};
    for (int k = 0; k < 8; ++k) {
        window.WndProc(window.getHandle(), WM_KEYDOWN, keys[k], 0);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(flags()[i], i == k ? 1 : 0) << "key " << keys[k] << " flag " << i;
        window.WndProc(window.getHandle(), WM_KEYDOWN, keys[k], 0);  // auto-repeat
        EXPECT_EQ(flags()[k], 1);
        window.WndProc(window.getHandle(), WM_KEYUP, keys[k], 0);
        EXPECT_EQ(flags()[k], 0);
    }
}

TEST_F(WindowTest, OtherKeysChangeNothing) {
    window.target = &target;
    target.translate(1, 2, 3);
    const kwTransform before = target;
    window.keyEvent(vkShift, true);
    for (unsigned key : {0u, 13u, 27u, 65u, 80u, 83u, 112u, 255u, 0x10000u + vkUp}) {
        window.keyEvent(key, true);
        window.keyEvent(key, false);
    }
    for (int i = 0; i < 8; ++i) EXPECT_EQ(flags()[i], i == 5 ? 1 : 0) << "flag " << i;
    expectMatrix(before);
}

TEST_F(WindowTest, RightButtonMovesFromThePreviousPosition) {
    window.target = &target;
    buttons(false, true);
    // The first event measures from (0, 0).
    window.mouseMove(50, 100, 0);
    EXPECT_FLOAT_EQ(window.moveX, 0.1f);
    EXPECT_FLOAT_EQ(window.moveY, -0.2f);
    // Right and up: positive x and y.
    window.mouseMove(100, 50, 0);
    EXPECT_FLOAT_EQ(window.moveX, 0.1f);
    EXPECT_FLOAT_EQ(window.moveY, 0.1f);
    EXPECT_NEAR(target.matrix[12], 0.2f, 1e-6);
    EXPECT_NEAR(target.matrix[13], -0.1f, 1e-6);
    EXPECT_EQ(target.matrix[14], 0.0f);
    EXPECT_FLOAT_EQ(window.mouseX, 0.2f);
    EXPECT_FLOAT_EQ(window.mouseY, 0.1f);
}

TEST_F(WindowTest, NoButtonOnlyRecordsThePosition) {
    window.target = &target;
    window.mouseMove(250, 125, 0);
    expectMatrix(kwTransform());
    EXPECT_FLOAT_EQ(window.mouseX, 0.5f);
    EXPECT_FLOAT_EQ(window.mouseY, 0.25f);
    // A drag that starts later measures from the last position seen.
    buttons(false, true);
    window.mouseMove(300, 125, 0);
    EXPECT_FLOAT_EQ(window.moveX, 0.1f);
    EXPECT_FLOAT_EQ(window.moveY, 0.0f);
}

TEST_F(WindowTest, LeftButtonTurnsAboutTheTargetsOwnOrigin) {
    window.target = &target;
    target.rotate(20, 1, 0, 0);
    target.translate(2, 3, 4);
    window.mouseMove(0, 0, 0);
    buttons(true, false);
    // Across 90% of the width: 90 about y; the origin stays where it was.
    window.mouseMove(450, 0, 0);
    EXPECT_FLOAT_EQ(window.angleY, 90.0f);
    EXPECT_EQ(window.angleX, 0.0f);
    expectPoint(apply(target, 0, 0, 0), 2, 3, 4);
    // The target's own z axis was tilted 20 about x; a quarter turn about
    // the parent's y carries its horizontal part from +z to +x.
    const kwVec3 z = apply(target, 0, 0, 1);
    EXPECT_NEAR(z.x - 2, std::cos(20 * 3.14159265 / 180), 1e-5);
    EXPECT_NEAR(z.y - 3, -std::sin(20 * 3.14159265 / 180), 1e-5);
    EXPECT_NEAR(z.z - 4, 0, 1e-5);
    // Down the whole height: 100 about x, and still about the own origin.
    window.mouseMove(450, 500, 0);
    EXPECT_FLOAT_EQ(window.angleX, 100.0f);
    EXPECT_NEAR(window.angleY, 0.0f, 1e-5);
    expectPoint(apply(target, 0, 0, 0), 2, 3, 4);
}

TEST_F(WindowTest, AMoveAfterATurnGoesTheWayTheCursorWent) {
    window.target = &target;
    target.translate(1, 0, 0);
    window.mouseMove(0, 250, 0);
    buttons(true, false);
    window.mouseMove(450, 250, 0);  // a quarter turn about y
    buttons(false, true);
    window.mouseMove(500, 250, 0);  // right by a tenth of the width
    expectPoint(apply(target, 0, 0, 0), 1.1f, 0, 0);
    window.mouseMove(500, 200, 0);  // up by a tenth of the height
    expectPoint(apply(target, 0, 0, 0), 1.1f, 0.1f, 0);
}

TEST_F(WindowTest, BothButtonsScaleAndRollAboutTheOwnOriginButNeverMoveOrTurn) {
    window.target = &target;
    target.translate(1, 2, 0);
    window.mouseMove(100, 100, 0);
    buttons(true, true);
    window.mouseMove(100, 150, 0);  // down by a tenth of the height
    EXPECT_FLOAT_EQ(window.scaleFactor, 1.1f);
    EXPECT_NEAR(window.roll, 0.0f, 1e-5);
    EXPECT_EQ(window.angleX, 0.0f);
    EXPECT_EQ(window.moveX, 0.0f);
    expectPoint(apply(target, 0, 0, 0), 1, 2, 0);
    expectPoint(apply(target, 1, 0, 0), 2.1f, 2, 0);

    window.mouseMove(150, 100, 0);  // up by a tenth, right by a tenth
    EXPECT_FLOAT_EQ(window.scaleFactor, 0.9f);
    EXPECT_FLOAT_EQ(window.roll, 10.0f);
    expectPoint(apply(target, 0, 0, 0), 1, 2, 0);
    // The x axis: 1.1 x 0.9 long, rolled 10 degrees toward +y.
    const double length = 1.1 * 0.9, angle = 10 * 3.14159265 / 180;
    expectPoint(apply(target, 1, 0, 0), float(1 + length * std::cos(angle)), float(2 + length * std::sin(angle)), 0);
    expectPoint(apply(target, 0, 0, 1), 1, 2, float(length));

    // Within the window one event's factor lies between 0 and 2.
    window.mouseMove(150, 0, 0);
    EXPECT_GT(window.scaleFactor, 0.0f);
    window.mouseMove(150, 499, 0);
    EXPECT_LT(window.scaleFactor, 2.0f);
}

TEST_F(WindowTest, ACursorFarAboveTheWindowScalesByTheSmallPositiveMinimum) {
    window.target = &target;
    window.mouseMove(100, 450, 0);
    buttons(true, true);
    window.mouseMove(100, -100, 0);  // asks for (-0.2 - 0.9) + 1 = -0.1
    EXPECT_EQ(window.scaleFactor, Win3D::minScaleFactor);
    EXPECT_GT(Win3D::minScaleFactor, 0.0f);
    // Still a proper, unmirrored scale: the z axis keeps its direction.
    expectPoint(apply(target, 0, 0, 1), 0, 0, Win3D::minScaleFactor);
    window.mouseMove(100, -600, 0);  // asks for exactly 0
    EXPECT_EQ(window.scaleFactor, Win3D::minScaleFactor);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(target.matrix[i]));
    expectPoint(apply(target, 0, 0, 1), 0, 0, Win3D::minScaleFactor * Win3D::minScaleFactor);
}

TEST_F(WindowTest, MouseMessagesSetTheButtonsBeforeTheHandlerRuns) {
    window.target = &target;
    window.WndProc(window.getHandle(), WM_MOUSEMOVE, 2 /* right */, LPARAM(50) | (LPARAM(0) << 16));
    EXPECT_EQ(window.buttonDown[2], 1);
    EXPECT_NEAR(target.matrix[12], 0.1f, 1e-6);
}

TEST_F(WindowTest, QUndoesTheMousesWorkOnPressAndOnRelease) {
    window.target = &target;
    buttons(true, true);
    window.mouseMove(100, 200, 0);
    buttons(true, false);
    window.mouseMove(200, 300, 0);
    ASSERT_NE(window.scaleFactor, 1.0f);
    window.keyEvent(vkQ, true);
    EXPECT_EQ(window.angleX, 0.0f);
    EXPECT_EQ(window.angleY, 0.0f);
    EXPECT_EQ(window.roll, 0.0f);
    EXPECT_EQ(window.scaleFactor, 1.0f);
    expectMatrix(kwTransform());
    target.translate(5, 0, 0);
    window.keyEvent(vkQ, false);
    expectMatrix(kwTransform());
    for (int i = 0; i < 8; ++i) EXPECT_EQ(flags()[i], 0);
}

TEST_F(WindowTest, QAndTheMouseWithoutATargetAreSafe) {
    buttons(true, true);
    window.mouseMove(100, 100, 0);
    window.keyEvent(vkQ, true);
    EXPECT_FLOAT_EQ(window.mouseX, 0.2f);
    EXPECT_EQ(window.scaleFactor, 1.0f);
}

TEST_F(WindowTest, AWindowWithNoAreaIgnoresTheMouse) {
    window.target = &target;
    buttons(false, true);
    window.width = 0;
    window.mouseMove(10, 10, 0);
    expectMatrix(kwTransform());
    EXPECT_EQ(window.mouseX, 0.0f);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(target.matrix[i]));
}

TEST_F(WindowTest, KeysArriveThroughTheScriptedRefresh) {
    kwWindowScript keys;
    keys.key(0, vkUp, true).key(0, vkShift, true).key(1, vkUp, false).closeAfter(3);
    kwEventWindow::useScript(&keys);
    Win3D w(nullptr);
    w.refresh();
    EXPECT_EQ(w.keyUp, 1);
    EXPECT_EQ(w.keyShift, 1);
    w.refresh();
    EXPECT_EQ(w.keyUp, 0);
    EXPECT_EQ(w.keyShift, 1);
    w.refresh();
    EXPECT_EQ(w.isOpen, 0);
    kwEventWindow::useScript(&script);
}

}  // namespace

namespace {

// The target's scale: the length of its first column.
double scaleOf(const kwTransform& t) {
    return std::sqrt(double(t.matrix[0]) * t.matrix[0] + double(t.matrix[1]) * t.matrix[1] +
                     double(t.matrix[2]) * t.matrix[2]);
}

// Twenty maximal shrinking drags (0.05 each) stop at about 3.8e-24, and
// growing drags stop at 1000; a roll on the way does not change that; Q
// restores the target's own scale.
TEST_F(WindowTest, TheMousesScaleStaysWithinItsBounds) {
    window.target = &target;
    for (int i = 0; i < 20; ++i) {
        buttons(false, false);
        window.mouseMove(250, 250, 0);
        buttons(true, true);
        window.mouseMove(300, -300, 0);
    }
    EXPECT_NEAR(scaleOf(target) / 3.8e-24, 1.0, 1e-5);
    EXPECT_NEAR(window.scaleFactor, 1.0f, 1e-5) << "the last drag had no room left";
    window.keyEvent(vkQ, true);
    for (int i = 0; i < 20; ++i) {
        buttons(false, false);
        window.mouseMove(250, 0, 0);
        buttons(true, true);
        window.mouseMove(250, 4000, 0);  // far below the window: 9 times
    }
    EXPECT_NEAR(scaleOf(target), 1000.0, 1e-2);
    window.keyEvent(vkQ, true);
    EXPECT_EQ(scaleOf(target), 1.0);
}

}  // namespace

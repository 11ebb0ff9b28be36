// Win3D: key flags, and the mouse's move, turn and scale-roll arithmetic
// checked against the target's matrix.
#include <gtest/gtest.h>

#include <cmath>

#include <corvane/kwWindowScript.h>
#include <win32/win32.h>
#include <velkin/Win3D.h>

#include "ScriptedApp.h"

namespace {

struct WindowTest : testing::Test {
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
    target.translate(2, 3, 4);
    window.mouseMove(0, 0, 0);
    buttons(true, false);
    // Across the whole width: 100 about y.
    window.mouseMove(500, 0, 0);
    EXPECT_FLOAT_EQ(window.angleY, 100.0f);
    EXPECT_FLOAT_EQ(window.angleX, 0.0f);
    kwTransform expected;
    expected.translate(2, 3, 4);
    expected.translate(-2, -3, -4);
    expected.rotate(0, 1, 0, 0);
    expected.rotate(100, 0, 1, 0);
    expected.translate(2, 3, 4);
    expectMatrix(expected);
    // Down the whole height: 100 about x, read from the matrix as it is now.
    const float tx = target.matrix[12], ty = target.matrix[13], tz = target.matrix[14];
    window.mouseMove(500, 500, 0);
    EXPECT_FLOAT_EQ(window.angleX, 100.0f);
    EXPECT_FLOAT_EQ(window.angleY, 0.0f);
    expected.translate(-tx, -ty, -tz);
    expected.rotate(100, 1, 0, 0);
    expected.rotate(0, 0, 1, 0);
    expected.translate(tx, ty, tz);
    expectMatrix(expected);
}

TEST_F(WindowTest, BothButtonsScaleAndRollButNeverMoveOrTurn) {
    window.target = &target;
    target.translate(1, 0, 0);
    window.mouseMove(100, 100, 0);
    buttons(true, true);
    window.mouseMove(100, 150, 0);  // down by a tenth of the height
    EXPECT_FLOAT_EQ(window.scaleFactor, 1.1f);
    EXPECT_NEAR(window.roll, 0.0f, 1e-5);
    EXPECT_EQ(window.angleX, 0.0f);
    EXPECT_EQ(window.moveX, 0.0f);
    kwTransform expected;
    expected.translate(1, 0, 0);
    expected.translate(-1, 0, 0);
    expected.scale(window.scaleFactor, window.scaleFactor, window.scaleFactor);
    expected.rotate(window.roll, 0, 0, 1);
    expected.translate(1, 0, 0);
    expectMatrix(expected);

    const float tx = target.matrix[12], ty = target.matrix[13], tz = target.matrix[14];
    window.mouseMove(150, 100, 0);  // up by a tenth, right by a tenth
    EXPECT_FLOAT_EQ(window.scaleFactor, 0.9f);
    EXPECT_FLOAT_EQ(window.roll, 10.0f);
    expected.translate(-tx, -ty, -tz);
    expected.scale(window.scaleFactor, window.scaleFactor, window.scaleFactor);
    expected.rotate(window.roll, 0, 0, 1);
    expected.translate(tx, ty, tz);
    expectMatrix(expected);
    // Within the window one event's factor lies between 0 and 2.
    window.mouseMove(150, 0, 0);
    EXPECT_GT(window.scaleFactor, 0.0f);
    window.mouseMove(150, 499, 0);
    EXPECT_LT(window.scaleFactor, 2.0f);
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

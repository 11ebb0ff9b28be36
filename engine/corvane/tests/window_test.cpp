// Scripted windows: input reaches the handlers as window messages on the
// refresh the script names, buttons are current when mouseMove runs, the
// window closes after the scripted number of refreshes, and a scene renders
// (update only) into it.
#include <corvane/corvane.h>
#include <win32/win32.h>

#include "LoadedLibraries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every handler call as text, tagged with the refresh it came in.
struct RecordingWindow : kwEventWindow {
    RecordingWindow() : kwEventWindow(400, 200, this) {}

    void keyEvent(unsigned key, bool down) override {
        log.push_back(tag() + "key " + std::to_string(key) + (down ? " down" : " up"));
    }
    void mouseMove(int x, int y, int flags) override {
        log.push_back(tag() + "move " + std::to_string(x) + "," + std::to_string(y) + " buttons " +
                      std::to_string(buttonDown[0]) + std::to_string(buttonDown[1]) +
                      std::to_string(buttonDown[2]) + " flags " + std::to_string(flags));
    }
    LRESULT WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(message);
        return kwEventWindow::WndProc(hwnd, message, wParam, lParam);
    }
    std::string tag() const { return std::to_string(getRefreshCount()) + ": "; }

    std::vector<std::string> log;
    std::vector<UINT> messages;
};

// Runs refreshes while the window is open, at most `limit`.
int runUntilClosed(kwEventWindow& window, int limit = 1000) {
    int frames = 0;
    while (window.isOpen && frames < limit) {
        window.refresh();
        ++frames;
    }
    return frames;
}

class ScriptedWindow : public ::testing::Test {
protected:
    void TearDown() override { kwEventWindow::useScript(nullptr); }
    kwWindowScript script;
};

}  // namespace

TEST_F(ScriptedWindow, KeysArriveAsVirtualKeyMessagesOnTheirRefresh) {
    script.key(0, VK_UP, true).key(2, VK_UP, false).key(2, 'Q', true).press(3, VK_SPACE).closeAfter(5);
    kwEventWindow::useScript(&script);
    RecordingWindow window;
    EXPECT_TRUE(window.isScripted());
    EXPECT_EQ(window.width, 400);
    EXPECT_EQ(window.height, 200);
    EXPECT_EQ(window.owner, &window);
    EXPECT_EQ(runUntilClosed(window), 5);
    const std::vector<std::string> expected = {"0: key 38 down", "2: key 38 up", "2: key 81 down", "3: key 32 down",
                                               "4: key 32 up"};
    EXPECT_EQ(window.log, expected);
    EXPECT_EQ(window.messages.front(), UINT(WM_KEYDOWN));
    EXPECT_EQ(window.messages[1], UINT(WM_KEYUP));
    EXPECT_EQ(window.messages.back(), UINT(WM_CLOSE));
}

TEST_F(ScriptedWindow, ButtonsAreCurrentWhenMouseMoveRuns) {
    script.mouse(0, 10, 20)
        .mouse(1, 30, 40, true, false, false)
        .mouse(1, 35, 45, false, true, true)
        .buttons(2, true, false, true)  // buttons change, no motion
        .mouse(3, -5, -20)
        .closeAfter(4);
    kwEventWindow::useScript(&script);
    RecordingWindow window;
    runUntilClosed(window);
    const std::vector<std::string> expected = {"0: move 10,20 buttons 000 flags 0",
                                               "1: move 30,40 buttons 100 flags 1",
                                               "1: move 35,45 buttons 011 flags 18",
                                               "3: move -5,-20 buttons 000 flags 0"};
    EXPECT_EQ(window.log, expected);
    // Refresh 2 sent a left-button press and a middle-button release.
    std::vector<UINT> buttonMessages;
    for (UINT m : window.messages)
        if (m != WM_MOUSEMOVE && m != WM_CLOSE) buttonMessages.push_back(m);
    EXPECT_EQ(buttonMessages, (std::vector<UINT>{WM_LBUTTONDOWN, WM_MBUTTONUP}));
}

TEST_F(ScriptedWindow, ButtonMessagesUpdateButtonDown) {
    script.buttons(0, false, false, true).closeAfter(1);
    kwEventWindow::useScript(&script);
    RecordingWindow window;
    window.refresh();
    EXPECT_EQ(window.buttonDown[0], 0);
    EXPECT_EQ(window.buttonDown[2], 1);
    window.WndProc(window.getHandle(), WM_RBUTTONUP, 0, 0);
    EXPECT_EQ(window.buttonDown[2], 0);
    EXPECT_TRUE(window.log.empty());  // no motion, no mouseMove
}

TEST_F(ScriptedWindow, ClosesAfterTheScriptedRefreshes) {
    script.closeAfter(3);
    kwEventWindow::useScript(&script);
    RecordingWindow window;
    EXPECT_EQ(window.isOpen, 1);
    window.refresh();
    window.refresh();
    EXPECT_EQ(window.isOpen, 1);
    window.refresh();
    EXPECT_EQ(window.isOpen, 0);
    EXPECT_EQ(window.getRefreshCount(), 3u);
}

TEST_F(ScriptedWindow, CloseAfterZeroIsClosedFromTheStart) {
    script.key(0, 'A', true).closeAfter(0);
    kwEventWindow::useScript(&script);
    RecordingWindow window;
    EXPECT_EQ(window.isOpen, 0);
    EXPECT_EQ(runUntilClosed(window), 0);
}

TEST_F(ScriptedWindow, WithoutCloseAfterClosesAfterTheLastEvent) {
    script.key(6, 'A', true);
    kwEventWindow::useScript(&script);
    RecordingWindow window;
    EXPECT_EQ(runUntilClosed(window), 7);
    EXPECT_EQ(window.log, std::vector<std::string>{"6: key 65 down"});

    kwWindowScript empty;
    kwEventWindow::useScript(&empty);
    RecordingWindow second;
    EXPECT_EQ(runUntilClosed(second), 1);
}

TEST_F(ScriptedWindow, EachWindowReplaysTheScriptFromItsFirstRefresh) {
    script.key(1, 'R', true).closeAfter(2);
    kwEventWindow::useScript(&script);
    RecordingWindow first;
    runUntilClosed(first);
    RecordingWindow second;
    runUntilClosed(second);
    EXPECT_EQ(first.log, second.log);
    EXPECT_EQ(first.log, std::vector<std::string>{"1: key 82 down"});
}

TEST(WindowScript, ADestroyedScriptStopsBeingUsed) {
    {
        kwWindowScript script;
        kwEventWindow::useScript(&script);
        EXPECT_EQ(kwEventWindow::getScript(), &script);
    }
    EXPECT_EQ(kwEventWindow::getScript(), nullptr);
}

TEST(WindowMessages, WndProcDecodesMessagesLikeWindows) {
    kwWindowScript script;
    kwEventWindow::useScript(&script);
    RecordingWindow window;
    kwEventWindow::useScript(nullptr);
    const LPARAM at = LPARAM((7 & 0xFFFF) | ((9 & 0xFFFF) << 16));
    window.WndProc(window.getHandle(), WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, at);
    window.WndProc(window.getHandle(), WM_SYSKEYDOWN, VK_MENU, 0);
    window.WndProc(window.getHandle(), 0x1234, 1, 2);  // unknown: ignored
    window.WndProc(window.getHandle(), WM_SIZE, 0, LPARAM(640 | (480 << 16)));
    const std::vector<std::string> expected = {"0: move 7,9 buttons 101 flags 3", "0: key 18 down"};
    EXPECT_EQ(window.log, expected);
    EXPECT_EQ(window.width, 640);
    EXPECT_EQ(window.height, 480);
    EXPECT_EQ(window.isOpen, 1);
    window.WndProc(window.getHandle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(window.isOpen, 0);
}

namespace {

// Counts the traversals that reach it.
struct CountingNode : kwTransformNode {
    void update(kwContext* context) override {
        ++updates;
        translate(1, 0, 0);  // moves every frame, as a flying node would
        kwTransformNode::update(context);
    }
    void traverse(kwContext* context) override {
        ++draws;
        kwTransformNode::traverse(context);
    }
    int updates = 0;
    int draws = 0;
};

}  // namespace

TEST_F(ScriptedWindow, SceneRenderRunsTheUpdateButDrawsNothing) {
    script.closeAfter(4);
    kwEventWindow::useScript(&script);
    RecordingWindow window;
    kwScene* scene = new kwScene(false);
    CountingNode* node = new CountingNode;
    scene->addChild(node);
    int frames = 0;
    while (window.isOpen) {
        scene->render(&window);
        window.refresh();
        ++frames;
    }
    EXPECT_EQ(frames, 4);
    EXPECT_EQ(node->updates, 4);
    EXPECT_EQ(node->draws, 0);
    EXPECT_FLOAT_EQ(node->matrix[12], 4.0f);
    EXPECT_EQ(scene->getFrameCount(), 4u);
    EXPECT_FALSE(window.current());
    std::vector<unsigned char> pixels{1, 2, 3};
    EXPECT_FALSE(window.readPixels(pixels));
    EXPECT_TRUE(pixels.empty());
    scene->render(nullptr);  // no target: nothing happens
    delete scene;
}

#if defined(__linux__)
// Textures, primitives, scenes and scripted windows are all a program gets
// without the window system: SDL and GL stay unloaded until a real window.
TEST_F(ScriptedWindow, NothingButARealWindowLoadsTheWindowSystem) {
    kwTexture texture;
    unsigned char pixels[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    texture.loadImage(2, 2, texRGB, pixels);
    auto* circle = new PrimitiveInterleaved;
    circle->addCoordArray(new vertexV2[3]{{0, 0}, {1, 0}, {0, 1}}, 3);
    script.closeAfter(2);
    kwEventWindow::useScript(&script);
    {
        RecordingWindow window;
        kwScene scene(false);
        scene.addChild(circle);
        while (window.isOpen) {
            scene.render(&window);
            window.refresh();
        }
    }
    EXPECT_TRUE(libraryLoaded("libcorvane.so"));  // the search does find what is loaded
    EXPECT_FALSE(libraryLoaded("corvane-sdl"));
    EXPECT_FALSE(libraryLoaded("libSDL2"));
    EXPECT_FALSE(libraryLoaded("libGL"));
    EXPECT_FALSE(libraryLoaded("libOpenGL"));
    EXPECT_FALSE(libraryLoaded("libEGL"));
}
#endif

// The SDL window's input path, driven with SDL events pushed into its queue
// (offscreen driver, no display): SDL keys become Windows virtual-key codes,
// repeats stay key-downs, mouse state reaches buttonDown before mouseMove,
// and a window close or a quit clears isOpen.
#include <corvane/corvane.h>
#include <win32/win32.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

struct InputWindow : kwEventWindow {
    InputWindow() : kwEventWindow(300, 300, nullptr) {}
    void keyEvent(unsigned key, bool down) override { keys.emplace_back(key, down); }
    void mouseMove(int x, int y, int) override {
        moves.push_back({x, y, buttonDown[0], buttonDown[1], buttonDown[2]});
    }
    std::vector<std::pair<unsigned, bool>> keys;
    std::vector<std::vector<int>> moves;
};

void pushKey(SDL_Keycode key, bool down, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = key;
    SDL_PushEvent(&e);
}

class SdlInput : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        kwEventWindow::useScript(nullptr);
        window = new InputWindow;
        window->refresh();  // drain what the window system queued at start
        window->keys.clear();
        window->moves.clear();
    }
    void TearDown() override { delete window; }
    InputWindow* window = nullptr;
};

}  // namespace

TEST_F(SdlInput, KeysBecomeVirtualKeyCodes) {
    const std::vector<std::pair<SDL_Keycode, unsigned>> table = {
        {SDLK_LEFT, 37},   {SDLK_UP, 38},     {SDLK_RIGHT, 39},  {SDLK_DOWN, 40},   {SDLK_LSHIFT, 16},
        {SDLK_RSHIFT, 16}, {SDLK_LCTRL, 17},  {SDLK_RCTRL, 17},  {SDLK_SPACE, 32},  {SDLK_a, 65},
        {SDLK_q, 81},      {SDLK_r, 82},      {SDLK_z, 90},      {SDLK_0, 48},      {SDLK_9, 57},
        {SDLK_F1, 112},    {SDLK_F12, 123},   {SDLK_RETURN, 13}, {SDLK_ESCAPE, 27}, {SDLK_LALT, 18}};
    for (const auto& entry : table) pushKey(entry.first, true);
    pushKey(SDLK_KP_5, true);  // not reported
    window->refresh();
    ASSERT_EQ(window->keys.size(), table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(window->keys[i].first, table[i].second) << "SDL key " << table[i].first;
        EXPECT_TRUE(window->keys[i].second);
    }
}

TEST_F(SdlInput, RepeatsStayKeyDownsAndReleasesAreKeyUps) {
    pushKey(SDLK_UP, true);
    pushKey(SDLK_UP, true, true);
    pushKey(SDLK_UP, true, true);
    pushKey(SDLK_UP, false);
    window->refresh();
    const std::vector<std::pair<unsigned, bool>> expected = {{38, true}, {38, true}, {38, true}, {38, false}};
    EXPECT_EQ(window->keys, expected);
}

TEST_F(SdlInput, ButtonsAreCurrentWhenTheMouseMoves) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.state = SDL_PRESSED;
    SDL_PushEvent(&e);
    window->refresh();
    EXPECT_EQ(window->buttonDown[2], 1);
    EXPECT_TRUE(window->moves.empty());

    e = SDL_Event{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 120;
    e.motion.y = 45;
    e.motion.state = SDL_BUTTON_LMASK | SDL_BUTTON_MMASK;
    SDL_PushEvent(&e);
    window->refresh();
    ASSERT_EQ(window->moves.size(), 1u);
    EXPECT_EQ(window->moves[0], (std::vector<int>{120, 45, 1, 1, 0}));

    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = SDL_RELEASED;
    SDL_PushEvent(&e);
    window->refresh();
    EXPECT_EQ(window->buttonDown[0], 0);
    EXPECT_EQ(window->buttonDown[1], 1);
}

TEST_F(SdlInput, ClosingTheWindowOrQuittingClearsIsOpen) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    EXPECT_EQ(window->isOpen, 1);
    window->refresh();
    EXPECT_EQ(window->isOpen, 0);

    InputWindow second;
    EXPECT_EQ(second.isOpen, 1);
    e = SDL_Event{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    second.refresh();
    EXPECT_EQ(second.isOpen, 0);
}

TEST(SdlWindow, AWindowThatCannotOpenThrowsText) {
    // A video driver that does not exist (the user's SDL_VIDEODRIVER wins
    // over the window's own choice), and no other window keeping SDL's video
    // running: creation fails and the failure is thrown as char*.
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    kwEventWindow::useScript(nullptr);
    bool thrown = false;
    try {
        kwEventWindow window(100, 100, nullptr);
    } catch (char* message) {
        thrown = true;
        EXPECT_NE(std::string(message).find("SDL video"), std::string::npos) << message;
    }
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_TRUE(thrown);
    // Without a display the offscreen driver works again in the same process.
    kwEventWindow window(100, 100, nullptr);
    EXPECT_EQ(window.isOpen, 1);
    EXPECT_TRUE(window.current());
}

TEST(SdlWindow, ANamedDisplayThatCannotBeOpenedIsAnErrorNotAnOffscreenRun) {
    // DISPLAY names a server that does not exist: SDL would quietly fall back
    // to its offscreen driver and the program would run with no window.
    setenv("DISPLAY", ":4093", 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    kwEventWindow::useScript(nullptr);
    std::string message;
    try {
        kwEventWindow window(100, 100, nullptr);
    } catch (char* text) {
        message = text;
    }
    unsetenv("DISPLAY");
    EXPECT_NE(message.find("cannot open the display named by DISPLAY"), std::string::npos) << message;
    kwEventWindow window(100, 100, nullptr);
    EXPECT_EQ(window.isOpen, 1);
}

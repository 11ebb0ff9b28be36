// The frame loop and the program's entry: frames run while the window is
// open, two statistics lines per 1000 frames, text exceptions reported.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include <velkin/VelkinMain.h>

#include "ScriptedApp.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(start, text.size()) << "every line ends in a line break";
    return out;
}

// Checks one report: the two lines byte for byte as printf writes them, the
// frame count 1000, and the second line computed from the first.
void expectReport(const std::string& total, const std::string& rate) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(total, m, std::regex("Total time and frames:\t([0-9]+\\.[0-9]{6})\t1000")))
        << total;
    const double elapsed = std::atof(m[1].str().c_str());
    ASSERT_TRUE(std::regex_match(rate, m, std::regex("Time and frame rate:\t([0-9]+\\.[0-9]{6})\t([0-9]+\\.[0-9]{6})")))
        << rate;
    EXPECT_NEAR(std::atof(m[1].str().c_str()), elapsed / 1000.0, 1e-6);
    // The rate is 1000 / elapsed before elapsed was rounded to six decimals.
    const double rateTimesElapsed = std::atof(m[2].str().c_str()) * elapsed;
    EXPECT_NEAR(rateTimesElapsed, 1000.0, 1000.0 * (0.6e-6 / elapsed + 1e-6));
}

TEST(FrameLoop, AClosedWindowRunsNoFrameAndPrintsNothing) {
    ScriptedApp app([](kwWindowScript& s) { s.closeAfter(0); });
    ASSERT_EQ(app->window->isOpen, 0);
    EXPECT_EQ(app.run(), "");
    EXPECT_EQ(app->scene->getFrameCount(), 0u);
    EXPECT_EQ(app->window->getRefreshCount(), 0u);
    EXPECT_EQ(app->frameCount, 0);
}

TEST(FrameLoop, EachPassUpdatesRendersAndRefreshes) {
    ScriptedApp app([](kwWindowScript& s) { s.closeAfter(7); });
    app.run();
    EXPECT_EQ(app->frameCount, 7);
    EXPECT_EQ(app->scene->getFrameCount(), 7u);
    EXPECT_EQ(app->window->getRefreshCount(), 7u);
    EXPECT_EQ(app->aircraft->getSetSpeedCount(), 7u) << "the controls run every frame";
}

TEST(FrameLoop, NineHundredNinetyNineFramesPrintNothing) {
    ScriptedApp app([](kwWindowScript& s) { s.closeAfter(999); });
    EXPECT_EQ(app.run(), "");
    EXPECT_EQ(app->frameCount, 999);
}

TEST(FrameLoop, EveryThousandFramesPrintExactlyTwoLines) {
    ScriptedApp app([](kwWindowScript& s) { s.closeAfter(2500); });  // closed mid-period: no partial report
    const std::vector<std::string> out = lines(app.run());
    ASSERT_EQ(out.size(), 4u);
    expectReport(out[0], out[1]);
    expectReport(out[2], out[3]);
    EXPECT_EQ(app->frameCount, 500);
}

TEST(FrameLoop, OneThousandFramesGiveOneReportAndRestartThePeriod) {
    ScriptedApp app([](kwWindowScript& s) { s.closeAfter(1000); });
    const long long before = app->timer.startCount;
    const std::vector<std::string> out = lines(app.run());
    ASSERT_EQ(out.size(), 2u);
    expectReport(out[0], out[1]);
    EXPECT_EQ(app->frameCount, 0);
    EXPECT_GT(app->timer.stopCount, before);
    EXPECT_GE(app->timer.startCount, app->timer.stopCount);
    EXPECT_GT(app->timer.elapsed, 0.0);
}

TEST(Entry, RunsUntilTheWindowClosesAndReturnsZero) {
    kwWindowScript script;
    script.closeAfter(1000);
    ScriptScope scope(script);
    testing::internal::CaptureStdout();
    EXPECT_EQ(velkinMain(), 0);
    const std::vector<std::string> out = lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(out.size(), 2u);
    expectReport(out[0], out[1]);
    EXPECT_EQ(application, nullptr) << "destroyed after run";
}

TEST(Entry, ReportsTheEnginesTextExceptionAndReturnsZero) {
#if defined(_WIN32)
    GTEST_SKIP() << "a native Win32 window cannot be made to fail from the environment";
#else
    // A real window with a video driver that does not exist: the engine
    // throws its char* text from the window's construction.
    kwEventWindow::useScript(nullptr);
    const char* old = std::getenv("SDL_VIDEODRIVER");
    const std::string saved = old ? old : "";
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStdout();
    const int status = velkinMain();
    const std::string out = testing::internal::GetCapturedStdout();
    if (old)
        setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_VIDEODRIVER");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::regex_match(out, std::regex("Exception: cannot start SDL video: [^\n]+\n"))) << out;
#endif
}

// Engine nodes that report a fatal error as the engine does: char* text.
char updateText[] = "update failed";
char destroyText[] = "teardown failed";

struct FailsToUpdate : kwNode {
    void update(kwContext*) override { throw updateText; }
};

struct FailsToGo : kwNode {
    ~FailsToGo() noexcept(false) override { throw destroyText; }
};

TEST(Entry, TextFromTheFrameLoopIsReportedAndTheApplicationIsNotDestroyed) {
    kwWindowScript script;
    script.closeAfter(5);
    ScriptScope scope(script);
    static WindowApp* created;
    created = nullptr;
    testing::internal::CaptureStdout();
    const int status = velkinMain([] {
        created = new WindowApp();
        created->world->addChild(new FailsToUpdate);
        return created;
    });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Exception: update failed\n");
    EXPECT_EQ(status, 0);
    ASSERT_EQ(application, created) << "left as it was";
    EXPECT_EQ(created->window->isOpen, 1) << "its window is still there";
    EXPECT_EQ(created->world->children.count, 3u);
    WindowApp::destroy(created);
    application = nullptr;
}

TEST(Entry, TextThrownWhileDestroyingReachesTheHandler) {
    kwWindowScript script;
    script.closeAfter(2);
    ScriptScope scope(script);
    testing::internal::CaptureStdout();
    const int status = velkinMain([] {
        WindowApp* app = new WindowApp();
        // First under the scene, so it goes last, after the world.
        app->scene->removeChild(app->world);
        app->scene->addChild(new FailsToGo);
        app->scene->addChild(app->world);
        return app;
    });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Exception: teardown failed\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(application, nullptr);
    // The sanitizers' leak check shows the window went too.
}

// A class derived from WindowApp whose run the entry point must reach
// through the virtual slot. Its run clears the program-wide pointer, so the
// entry point leaves the object to the test, which destroys it as what it is.
struct OwnRun final : WindowApp {
    int runs = 0;
    void run() override {
        ++runs;
        application = nullptr;
    }
};

TEST(Entry, CallsRunThroughTheVirtualSlot) {
    kwWindowScript script;
    script.closeAfter(3);
    ScriptScope scope(script);
    static OwnRun* made;
    made = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_EQ(velkinMain([]() -> WindowApp* { return made = new OwnRun(); }), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->runs, 1);
    EXPECT_EQ(made->frameCount, 0) << "the base's frame loop did not run";
    EXPECT_EQ(made->window->isOpen, 1);
    delete made;
}

TEST(Entry, ReportsConstTextExceptionsToo) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(velkinMain([]() -> WindowApp* { throw static_cast<const char*>("no aircraft"); }), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Exception: no aircraft\n");

    EXPECT_EQ(application, nullptr);
}

}  // namespace

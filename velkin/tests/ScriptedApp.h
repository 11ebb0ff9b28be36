// Test support: velkin's WindowApp built on a scripted window, which needs
// neither a display nor OpenGL, and standard output captured around a run.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include <corvane/kwWindowScript.h>
#include <velkin/WindowApp.h>

// Virtual-key codes velkin reads.
enum : unsigned {
    vkShift = 16,
    vkControl = 17,
    vkSpace = 32,
    vkLeft = 37,
    vkUp = 38,
    vkRight = 39,
    vkDown = 40,
    vkQ = 81,
    vkR = 82,
};

// Uses `script` for every window built while it lives.
class ScriptScope {
public:
    explicit ScriptScope(kwWindowScript& script) { kwEventWindow::useScript(&script); }
    ~ScriptScope() { kwEventWindow::useScript(nullptr); }
};

// A WindowApp on a scripted window. `fill` queues the script's events
// before the window is built; without it the window closes after one refresh
// (tests that call the frame's steps directly never refresh).
struct ScriptedApp {
    explicit ScriptedApp(const std::function<void(kwWindowScript&)>& fill = {}) {
        if (fill) fill(script);
        kwEventWindow::useScript(&script);
        app.reset(new WindowApp());
    }
    ~ScriptedApp() {
        app.reset();
        kwEventWindow::useScript(nullptr);
    }

    WindowApp* operator->() const { return app.get(); }

    // Runs the frame loop and returns what it printed.
    std::string run() {
        testing::internal::CaptureStdout();
        app->run();
        return testing::internal::GetCapturedStdout();
    }

    kwWindowScript script;
    std::unique_ptr<WindowApp> app;
};

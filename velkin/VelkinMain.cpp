#include <velkin/VelkinMain.h>

#include <cstdio>

#include <velkin/WindowApp.h>

WindowApp* application = nullptr;

namespace {

WindowApp* createWindowApp() { return new WindowApp(); }

// An exception that leaves run behind an application still releases it, so
// the window closes and the scene is freed before the program ends.
void releaseApplication() {
    WindowApp* app = application;
    application = nullptr;
    delete app;
}

}  // namespace

int velkinMain(WindowApp* (*create)()) {
    try {
        WindowApp* app = (create ? create : createWindowApp)();
        application = app;
        app->run();
        if (application) releaseApplication();
    } catch (char* text) {
        // The engine throws its fatal errors as char*; text thrown as
        // const char* is reported the same way.
        std::printf("Exception: %s\n", text ? text : "(null)");
        releaseApplication();
    } catch (const char* text) {
        std::printf("Exception: %s\n", text ? text : "(null)");
        releaseApplication();
    }
    std::fflush(stdout);
    return 0;
}

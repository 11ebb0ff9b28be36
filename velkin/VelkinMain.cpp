#include <velkin/VelkinMain.h>

#include <cstdio>

#include <velkin/WindowApp.h>

WindowApp* application = nullptr;

namespace {

WindowApp* createWindowApp() { return new WindowApp(); }

}  // namespace

// On the text-exception path the application is reported, not destroyed:
// what threw may have left it half torn down. A constructor that throws
// releases the object's memory by itself.
int velkinMain(WindowApp* (*create)()) {
    try {
        WindowApp* app = (create ? create : createWindowApp)();
        application = app;
        app->run();  // through the virtual slot: a derived class's run runs
        if (application) {
            // Cleared first, so a destructor that throws leaves no dangling pointer.
            WindowApp* done = application;
            application = nullptr;
            WindowApp::destroy(done);
        }
    } catch (char* text) {
        // The engine throws its fatal errors as char*; text thrown as
        // const char* is reported the same way.
        std::printf("Exception: %s\n", text ? text : "(null)");
    } catch (const char* text) {
        std::printf("Exception: %s\n", text ? text : "(null)");
    }
    std::fflush(stdout);
    return 0;
}

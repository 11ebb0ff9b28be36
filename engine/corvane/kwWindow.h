// A window on the screen with an OpenGL 2.1 context (SDL2), or, when a test
// has chosen a script (kwEventWindow::useScript), a scripted stand-in that
// needs neither display nor OpenGL.
//
// Where neither DISPLAY nor WAYLAND_DISPLAY is set, the window uses SDL's
// offscreen video driver, which renders through EGL with the same code.
// Creation failures are thrown as char* text.
//
// SIGINT and SIGTERM close the window (SDL turns them into a quit). A signal
// the process inherited as ignored stays ignored: a background job of a
// non-interactive shell ignores SIGINT, so scripts stop it with SIGTERM.
#pragma once

#include <vector>

#include <corvane/corvaneExport.h>
#include <corvane/kwRenderTarget.h>

class kwWindowBackend;
class kwWindowScript;

class CORVANE_API kwWindow : public kwRenderTarget {
public:
    // Opens a window of width x height pixels titled `title` (null: the
    // program's name).
    kwWindow(int width, int height, const char* title = nullptr);
    ~kwWindow() override;

    void clear() override;
    void bind() override;
    void setSize(int width, int height) override;
    bool current() override;
    // Moves and resizes the window: top-left corner at (x, y).
    virtual void setPos(int x, int y, int width, int height);

    // True for the scripted stand-in (no display, nothing drawn).
    bool isScripted() const;

    // Reads the frame drawn since the last refresh (before it is presented)
    // as width x height RGB pixels, top row first. False, with `rgb` empty,
    // for a scripted window.
    bool readPixels(std::vector<unsigned char>& rgb);

    // Nonzero while the window is open; cleared when it is closed (by the
    // user, by SIGINT/SIGTERM, or by the script).
    unsigned char isOpen;

protected:
    kwWindowBackend* backend;
};

// Engine-internal: what a window needs from the system behind it. The SDL
// backend (Linux) and the Win32 backend (Windows) open a real window with an
// OpenGL context; the scripted backend replays a kwWindowScript. They report
// input as kwWindowEvent records, which kwEventWindow turns into window
// messages; the Win32 backend hands over the window's own messages as they
// came (kwWindowEvent::Message).
//
// On Linux the SDL backend and the OpenGL renderer live in a module of their
// own, loaded at the first real window (kwWindowSystemModule.cpp): a program
// that only loads textures or builds primitives never loads SDL or GL. The
// interface is therefore all virtual or inline: the module needs nothing of
// corvane's internals to implement it.
#pragma once

#include <win32/win32.h>

class kwContext;
class kwWindowScript;

struct kwWindowEvent {
    enum Type { None, Key, MouseMove, Button, Close, Resize, Message } type = None;
    unsigned vk = 0;       // Key: virtual-key code
    bool down = false;     // Key, Button
    bool repeat = false;   // Key: an auto-repeated key-down
    int x = 0, y = 0;      // MouseMove: position; Resize: new size
    int button = 0;        // Button: 0 left, 1 middle, 2 right
    unsigned char buttons[3] = {0, 0, 0};  // MouseMove: held buttons
    UINT message = 0;      // Message: a window message, delivered as is
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

class kwWindowBackend {
public:
    virtual ~kwWindowBackend() = default;

    // The rendering context of this backend (never null).
    virtual kwContext* context() = 0;
    virtual bool canDraw() const = 0;
    virtual bool makeCurrent() = 0;
    // Presents the frame; starts a refresh, whose events poll() then returns.
    virtual void present() = 0;
    // Takes the next pending event; false when there is none.
    virtual bool poll(kwWindowEvent& event) = 0;
    virtual void resize(int width, int height) = 0;
    virtual void move(int x, int y) = 0;
    virtual void* handle() = 0;
    // True when the window should start closed.
    virtual bool closedAtStart() const { return false; }
    // The window's drawing calls, made only while makeCurrent() answers
    // true, so a backend that never draws keeps these defaults.
    virtual void viewport(int /*x*/, int /*y*/, int /*width*/, int /*height*/) {}
    virtual void clear(const float /*color*/[4]) {}
    // Reads the back buffer as RGB, top row first.
    virtual void readPixels(int /*width*/, int /*height*/, unsigned char* /*rgb*/) {}

    // Creates the backend for a new window: scripted when a script is given.
    static kwWindowBackend* create(int width, int height, const char* title, const kwWindowScript* script);
};

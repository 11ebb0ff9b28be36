// The SDL2 window backend: a window with an OpenGL 2.1 compatibility context.
// Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) it asks for
// SDL's offscreen video driver, which renders through EGL with the same code.
// With a display named, only the windowing drivers are tried: a display that
// cannot be opened is an error, not an invisible offscreen run.
// SDL turns SIGINT and SIGTERM into a quit event, which closes the window.
//
// Built, with the OpenGL renderer, into a module of its own that corvane
// loads at the first real window (kwWindowSystemModule.cpp); its one entry
// point is kwCreateSDLWindowBackend.
#include <corvane/kwWindowBackend.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <win32/win32.h>

#include <corvane/kwGLRenderer.h>
#include <corvane/kwWindowSystemModule.h>

namespace {

// Engine fatal errors are thrown as text; the buffer outlives the throw.
[[noreturn]] void fail(const char* what) {
    static char message[512];
    std::snprintf(message, sizeof message, "%s: %s", what, SDL_GetError());
    throw static_cast<char*>(message);
}

// The program's name, as the window's default title.
const char* programName() {
#ifdef __GLIBC__
    return program_invocation_short_name;
#else
    return "corvane";
#endif
}

bool haveDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Windows virtual-key code of an SDL key, or 0 for keys not reported.
unsigned virtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + unsigned(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + unsigned(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + unsigned(key - SDLK_F1);
    switch (key) {
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT: return VK_MENU;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_RETURN: return VK_RETURN;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_TAB: return VK_TAB;
        case SDLK_BACKSPACE: return VK_BACK;
        default: return 0;
    }
}

int buttonIndex(Uint8 sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT: return 0;
        case SDL_BUTTON_MIDDLE: return 1;
        case SDL_BUTTON_RIGHT: return 2;
        default: return -1;
    }
}

class SDLBackend : public kwWindowBackend {
public:
    SDLBackend(int width, int height, const char* title) {
        // Decided afresh for each window: a display may have come or gone
        // since the last one (the choice holds while any window is open).
        // SDL_VIDEODRIVER in the environment, if set, still overrides this.
        const bool displayNamed = haveDisplay();
        SDL_SetHint(SDL_HINT_VIDEODRIVER, displayNamed ? "x11,wayland" : "offscreen");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            fail(displayNamed ? "cannot open the display named by DISPLAY or WAYLAND_DISPLAY "
                                "(unset both to draw offscreen)"
                              : "cannot start SDL video");
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        window = SDL_CreateWindow(title ? title : programName(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                  height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
        if (!window) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            fail("cannot create window");
        }
        gl = SDL_GL_CreateContext(window);
        if (!gl) {
            // Some visuals offer only a 16-bit depth buffer.
            SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
            gl = SDL_GL_CreateContext(window);
        }
        if (!gl) {
            SDL_DestroyWindow(window);
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            fail("cannot create OpenGL context");
        }
        SDL_GL_MakeCurrent(window, gl);
        SDL_GL_SetSwapInterval(0);  // no vsync; some servers refuse, which is fine
        const char* driver = SDL_GetCurrentVideoDriver();
        offscreen = driver && std::strcmp(driver, "offscreen") == 0;
        renderer = new kwGLRenderer();
    }

    ~SDLBackend() override {
        SDL_GL_MakeCurrent(window, gl);
        delete renderer;
        SDL_GL_DeleteContext(gl);
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    kwContext* context() override { return renderer; }
    bool canDraw() const override { return true; }

    bool makeCurrent() override {
        if (SDL_GL_GetCurrentContext() != gl) SDL_GL_MakeCurrent(window, gl);
        return true;
    }

    void present() override {
        SDL_GL_SwapWindow(window);
        // The offscreen driver's swap does not wait for the frame; without
        // this, Mesa's software rasteriser keeps queuing frames and the
        // process grows by tens of kilobytes a frame.
        if (offscreen) glFinish();
    }

    bool poll(kwWindowEvent& out) override {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
            out = kwWindowEvent();
            switch (e.type) {
                case SDL_QUIT:
                    out.type = kwWindowEvent::Close;
                    return true;
                case SDL_WINDOWEVENT:
                    if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                        out.type = kwWindowEvent::Close;
                        return true;
                    }
                    if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                        out.type = kwWindowEvent::Resize;
                        out.x = e.window.data1;
                        out.y = e.window.data2;
                        return true;
                    }
                    break;
                case SDL_KEYDOWN:
                case SDL_KEYUP:
                    out.vk = virtualKey(e.key.keysym.sym);
                    if (!out.vk) break;
                    out.type = kwWindowEvent::Key;
                    out.down = e.type == SDL_KEYDOWN;
                    out.repeat = e.key.repeat != 0;
                    return true;
                case SDL_MOUSEMOTION:
                    out.type = kwWindowEvent::MouseMove;
                    out.x = e.motion.x;
                    out.y = e.motion.y;
                    out.buttons[0] = (e.motion.state & SDL_BUTTON_LMASK) != 0;
                    out.buttons[1] = (e.motion.state & SDL_BUTTON_MMASK) != 0;
                    out.buttons[2] = (e.motion.state & SDL_BUTTON_RMASK) != 0;
                    return true;
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP:
                    out.button = buttonIndex(e.button.button);
                    if (out.button < 0) break;
                    out.type = kwWindowEvent::Button;
                    out.down = e.type == SDL_MOUSEBUTTONDOWN;
                    out.x = e.button.x;
                    out.y = e.button.y;
                    return true;
                default:
                    break;
            }
        }
        return false;
    }

    void viewport(int x, int y, int width, int height) override { kwGLViewport(x, y, width, height); }
    void clear(const float color[4]) override { kwGLClear(color); }
    void readPixels(int width, int height, unsigned char* rgb) override { kwGLReadPixels(width, height, rgb); }

    void resize(int width, int height) override { SDL_SetWindowSize(window, width, height); }
    void move(int x, int y) override { SDL_SetWindowPosition(window, x, y); }
    void* handle() override { return window; }

private:
    SDL_Window* window = nullptr;
    SDL_GLContext gl = nullptr;
    bool offscreen = false;  // SDL's offscreen video driver (no display)
    kwGLRenderer* renderer = nullptr;
};

}  // namespace

extern "C" KW_WINDOW_MODULE_API kwWindowBackend* kwCreateSDLWindowBackend(int width, int height, const char* title) {
    return new SDLBackend(width, height, title);
}

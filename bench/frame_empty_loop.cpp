// The reference for velkin's frame rate: the emptiest frame loop a program
// can run on the same stack (SDL2 window, OpenGL 2.1 context, no vsync):
// clear, swap, poll events. It opens a window of velkin's size and reports
// in velkin's format every 1000 frames, so the two rates compare directly.
//
// With --fill it also draws one flat full-window quad each frame: the least a
// frame that covers every pixel can cost (velkin's terrain covers them all).
//
// Usage: frame_empty_loop [seconds] [--fill]   (default 5 s; closing ends it early)
#include <SDL.h>
#include <SDL_opengl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    const bool fill = argc > 2 && std::strcmp(argv[2], "--fill") == 0;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!(display && *display) && !(wayland && *wayland)) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "frame_empty_loop: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_Window* window = SDL_CreateWindow(fill ? "frame_fill_loop" : "frame_empty_loop", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 500,
                                          500, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::fprintf(stderr, "frame_empty_loop: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetSwapInterval(0);  // some servers refuse; then it just stays as it is
    std::fprintf(stderr, "OpenGL renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    glClearColor(0, 0, 0, 1);

    using clock = std::chrono::steady_clock;
    const clock::time_point begin = clock::now();
    clock::time_point periodStart = begin;
    long frames = 0, total = 0;
    bool open = true;
    while (open) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (fill) {
            glColor3f(0.1f, 0.1f, 0.8f);
            glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
        }
        SDL_GL_SwapWindow(window);
        SDL_Event e;
        while (SDL_PollEvent(&e))
            if (e.type == SDL_QUIT) open = false;
        if (++frames == 1000) {
            const clock::time_point now = clock::now();
            const double elapsed = std::chrono::duration<double>(now - periodStart).count();
            std::printf("Total time and frames:\t%f\t%ld\n", elapsed, frames);
            std::printf("Time and frame rate:\t%lf\t%f\n", elapsed / frames, frames / elapsed);
            std::fflush(stdout);
            total += frames;
            frames = 0;
            periodStart = now;
            if (std::chrono::duration<double>(now - begin).count() >= seconds) open = false;
        }
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return total > 0 ? 0 : 1;
}

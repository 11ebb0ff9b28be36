// Soak driver: runs velkin's real WindowApp for a number of frames in a real
// (or offscreen) window, pressing Space every `fireEvery` frames through the
// window's key handler while the frame number is below `fireUntil`, and
// holding Shift (and Left half the time) so the aircraft flies, turns and
// the terrain follows. Reports the frame rate of the first 1000 and of the
// last 2000 frames, the missiles fired and the peak resident memory.
//
//   velkin_soak [frames=20000] [fireEvery=50] [fireUntil=frames] [fly=1]
//
// With fly=0 the aircraft stays at the start and the picture is the same in
// every run, which isolates the cost of the missiles.
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <velkin/WindowApp.h>

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const long frames = argc > 1 ? std::atol(argv[1]) : 20000;
    const long fireEvery = argc > 2 ? std::atol(argv[2]) : 50;
    const long fireUntil = argc > 3 ? std::atol(argv[3]) : frames;
    const bool fly = argc > 4 ? std::atol(argv[4]) != 0 : true;
    if (frames <= 0 || fireEvery < 0) {
        std::fprintf(stderr, "usage: velkin_soak [frames > 0] [fireEvery >= 0, 0 = never] [fireUntil] [fly 0|1]\n");
        return 2;
    }
    try {
        WindowApp* app = new WindowApp();
        app->window->keyEvent(16, fly);  // Shift: fly, camera and terrain follow
        long fired = 0;
        const long tail = frames > 2000 ? frames - 2000 : 0;
        double start = now(), firstRate = 0.0, tailStart = start;
        long frame = 0;
        for (; frame < frames && app->window->isOpen; ++frame) {
            // Circle: left for 2000 frames, straight for 2000.
            app->window->keyEvent(37, fly && (frame / 2000) % 2 == 0);
            if (fireEvery && frame < fireUntil && frame % fireEvery == 0) {
                app->window->keyEvent(32, true);
                ++fired;
            }
            app->updateFrame();
            app->scene->render(app->window);
            app->window->refresh();
            if (frame + 1 == 1000) firstRate = 1000.0 / (now() - start);
            if (frame + 1 == tail) tailStart = now();
        }
        const double tailRate = double(frame - tail) / (now() - tailStart);
        std::fprintf(stderr,
                     "soak: %ld frames, %ld missiles fired, world children %u, fps first 1000 %.1f, last 2000 %.1f, "
                     "peak RSS %ld kB\n",
                     frame, fired, unsigned(app->world->children.count), firstRate, tailRate, peakKilobytes());
        // Every missile handed over hangs under the world, after the aircraft and the terrain.
        const bool complete = app->world->children.count == std::uint32_t(fired + 2);
        WindowApp::destroy(app);
        if (!complete) {
            std::fprintf(stderr, "soak: the world does not hold every fired missile\n");
            return 1;
        }
    } catch (char* text) {
        std::printf("Exception: %s\n", text);
        return 1;
    }
    return 0;
}

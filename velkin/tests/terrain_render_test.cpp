// velkin's terrain as a user sees it: the real WindowApp rendered offscreen
// (SDL's offscreen driver, EGL on Mesa) and its pixels read back. Black is
// the clear colour, so any black pixel is a place the terrain does not cover:
// a pinhole where two levels meet, or the terrain's end. Also checked: the
// edge of the finest level does not show as a step in brightness, and a slow
// zoom changes no pixel sharply from one frame to the next. (Other window
// shapes are checked by rays in terrain_view_test: the offscreen driver
// keeps the surface the window was opened with.)
//
// With VELKIN_TERRAIN_PICTURES naming a folder, the seam and boundary views
// are written there as binary PPM files (convert them with ImageMagick).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <corvane/kwCamera.h>
#include <velkin/WindowApp.h>

namespace {

constexpr unsigned vkShift = 16;

// Frames to fly: fewer under a sanitizer or an emulator, which set the factor.
int frames(int native) {
    const char* factor = std::getenv("ORNATEX_TEST_TIME_FACTOR");
    const int f = factor ? std::max(1, std::atoi(factor)) : 1;
    return std::max(10, native / f);
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;  // top row first
    int brightness(int x, int y) const {
        const unsigned char* p = &rgb[(std::size_t(y) * width + x) * 3];
        return p[0] + p[1] + p[2];
    }
    bool black(int x, int y) const { return brightness(x, y) == 0; }
    // Black pixels with lit pixels on both sides, across or up and down.
    int pinholes() const {
        int count = 0;
        for (int y = 1; y + 1 < height; ++y)
            for (int x = 1; x + 1 < width; ++x)
                if (black(x, y) && ((!black(x - 1, y) && !black(x + 1, y)) || (!black(x, y - 1) && !black(x, y + 1))))
                    ++count;
        return count;
    }
    double blackShare() const {
        int count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) count += black(x, y);
        return double(count) / (double(width) * height);
    }
    // The first pinhole, if any.
    bool firstPinhole(int& px, int& py) const {
        for (int y = 1; y + 1 < height; ++y)
            for (int x = 1; x + 1 < width; ++x)
                if (black(x, y) && ((!black(x - 1, y) && !black(x + 1, y)) || (!black(x, y - 1) && !black(x, y + 1)))) {
                    px = x, py = y;
                    return true;
                }
        return false;
    }
    // The square of side 2 * half around (cx, cy), each pixel `factor` times as large.
    Picture magnified(int cx, int cy, int half, int factor) const {
        Picture out;
        out.width = out.height = 2 * half * factor;
        out.rgb.resize(std::size_t(out.width) * out.height * 3);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                const int sx = std::min(width - 1, std::max(0, cx - half + x / factor));
                const int sy = std::min(height - 1, std::max(0, cy - half + y / factor));
                std::copy_n(&rgb[(std::size_t(sy) * width + sx) * 3], 3, &out.rgb[(std::size_t(y) * out.width + x) * 3]);
            }
        return out;
    }
    void save(const std::string& name) const {
        const char* folder = std::getenv("VELKIN_TERRAIN_PICTURES");
        if (!folder || !*folder) return;
        const std::string path = std::string(folder) + "/" + name + ".ppm";
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fprintf(f, "P6\n%d %d\n255\n", width, height);
            std::fwrite(rgb.data(), 1, rgb.size(), f);
            std::fclose(f);
        }
    }
};

// velkin in an offscreen window of the given size, driven through its
// window's own handlers as the window system would.
class Flight {
public:
    Flight() {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        app = new WindowApp();
    }
    ~Flight() { WindowApp::destroy(app); }
    Flight(const Flight&) = delete;
    Flight& operator=(const Flight&) = delete;

    // One frame as velkin's loop runs it, read back before it is presented.
    const Picture& frame() {
        app->updateFrame();
        app->scene->render(app->window);
        picture.width = app->window->width;
        picture.height = app->window->height;
        EXPECT_TRUE(app->window->readPixels(picture.rgb));
        app->window->refresh();
        return picture;
    }
    // The aircraft up to the ceiling, the camera and the terrain after it.
    void toCeiling() {
        app->aircraft->translate(0.0f, Interceptor::maxHeight - 1.0f, 0.0f);
        tapShift();
    }
    void tapShift() {
        app->window->keyEvent(vkShift, true);
        frame();
        app->window->keyEvent(vkShift, false);
    }
    // A drag from (x0, y0) to (x1, y1) with the left (turn), right (move)
    // or both buttons (scale and roll).
    void drag(int x0, int y0, int x1, int y1, bool left, bool right) {
        Win3D* w = app->window;
        w->buttonDown[0] = w->buttonDown[2] = 0;
        w->mouseMove(x0, y0, 0);
        w->buttonDown[0] = left;
        w->buttonDown[2] = right;
        w->mouseMove(x1, y1, 0);
        w->buttonDown[0] = w->buttonDown[2] = 0;
    }
    // Shrinks the world about its origin by `factor` (0.05 to 1) with one both-button drag.
    void shrink(double factor) {
        const int h = app->window->height;
        drag(250, h / 2, 250, h / 2 - int(std::lround((1.0 - factor) * h)), true, true);
    }
    // Turns the world about the vertical (a turn in its plane) or tilts it
    // about the picture's horizontal, with the left button.
    void turn(int degrees) { drag(100, 250, 100 + degrees * app->window->width / 100, 250, true, false); }
    void tilt(int degrees) { drag(250, 100, 250, 100 + degrees * app->window->height / 100, true, false); }
    // The aircraft moved out of the picture without the camera following,
    // so that only the terrain shows.
    void aircraftAway() { app->aircraft->translate(1.0e4f, 0.0f, 0.0f); }

    WindowApp* app;
    Picture picture;
};

struct EdgePoint;
std::vector<EdgePoint> levelEdges(const WindowApp& app, int perSide);

// Saves the frame and, 8 times as large, the 50 x 50 pixels around its
// first pinhole or, where it has none, around a level's edge.
void saveSeam(const Flight& f);

TEST(TerrainRender, NoPinholesWhereLevelsMeetWhileFlying) {
    struct Setting {
        int turn, tilt;
        double shrink;
    };
    int worst = 0, holed = 0, total = 0;
    const int each = frames(120);
    for (const Setting s : {Setting{0, 20, 0.24}, Setting{30, 35, 0.05}, Setting{-65, 10, 0.4}}) {
        Flight f;
        f.toCeiling();
        f.turn(s.turn);
        f.tilt(s.tilt);
        f.shrink(s.shrink);
        f.app->window->keyEvent(vkShift, true);
        int worstHere = -1;
        for (int i = 0; i < each; ++i) {
            const int holes = f.frame().pinholes();
            if (holes > worstHere) {
                worstHere = holes;
                if (s.turn == 30) saveSeam(f);
            }
            holed += holes > 0;
            worst = std::max(worst, holes);
            ++total;
        }
    }
    EXPECT_EQ(holed, 0) << "frames with pinholes, of " << total << "; at most " << worst << " in one frame";
}

// The edges of the levels that have a coarser level around them, on
// screen, as points with the edge's outward normal: each block's outline at
// the mean height, through the world's matrix and the camera. Points off the
// picture or near its border are left out.
struct EdgePoint {
    double x, y, nx, ny;
};
std::vector<EdgePoint> levelEdges(const WindowApp& app, int perSide) {
    float view[16], projection[16];
    const kwCamera* camera = app.scene->getCamera();
    camera->getViewMatrix(view);
    const int w = app.window->width, h = app.window->height;
    camera->getProjectionMatrix(w, h, projection);
    const float* m = app.world->matrix;
    auto apply = [](const float* mat, const double in[4], double out[4]) {
        for (int r = 0; r < 4; ++r)
            out[r] = mat[r] * in[0] + mat[4 + r] * in[1] + mat[8 + r] * in[2] + mat[12 + r] * in[3];
    };
    auto toScreen = [&](double x, double z, double& sx, double& sy) {
        const double p[4] = {x, -1.5, z, 1.0};
        double s[4], e[4], c[4];
        apply(m, p, s);
        apply(view, s, e);
        apply(projection, e, c);
        if (!(c[3] > 0.0)) return false;
        sx = (c[0] / c[3] + 1.0) * 0.5 * w;
        sy = (1.0 - c[1] / c[3]) * 0.5 * h;
        return true;
    };
    std::vector<EdgePoint> out;
    for (int level = 0; level + 1 < app.terrain->getLevelCount(); ++level) {
        const PrimitiveIndexed* mesh = app.terrain->getLevelMesh(level);
        const float* v = mesh->getVertexData();
        double x0 = 1e300, x1 = -1e300, z0 = 1e300, z1 = -1e300;
        for (unsigned i = 0; i < mesh->getVertexCount(); ++i) {
            x0 = std::min(x0, double(v[i * 6 + 3])), x1 = std::max(x1, double(v[i * 6 + 3]));
            z0 = std::min(z0, double(v[i * 6 + 5])), z1 = std::max(z1, double(v[i * 6 + 5]));
        }
        const double corners[5][2] = {{x0, z0}, {x1, z0}, {x1, z1}, {x0, z1}, {x0, z0}};
        const double midX = (x0 + x1) / 2, midZ = (z0 + z1) / 2;
        for (int side = 0; side < 4; ++side)
            for (int k = 1; k < perSide; ++k) {
                const double t = double(k) / perSide;
                const double x = corners[side][0] + t * (corners[side + 1][0] - corners[side][0]);
                const double z = corners[side][1] + t * (corners[side + 1][1] - corners[side][1]);
                // The outward normal on screen: toward a point a little outside the block.
                double sx, sy, ox, oy;
                if (!toScreen(x, z, sx, sy) || !toScreen(x + (x - midX) * 0.01, z + (z - midZ) * 0.01, ox, oy)) continue;
                const double len = std::hypot(ox - sx, oy - sy);
                if (!(len > 0.0)) continue;
                if (sx >= 20 && sy >= 20 && sx < w - 20 && sy < h - 20)
                    out.push_back({sx, sy, (ox - sx) / len, (oy - sy) / len});
            }
    }
    return out;
}

void saveSeam(const Flight& f) {
    if (!std::getenv("VELKIN_TERRAIN_PICTURES")) return;
    const Picture& p = f.picture;
    p.save("seam");
    int x = p.width / 2, y = p.height / 2;
    if (!p.firstPinhole(x, y)) {
        const std::vector<EdgePoint> edge = levelEdges(*f.app, 200);
        if (!edge.empty()) x = int(edge[edge.size() / 2].x), y = int(edge[edge.size() / 2].y);
    }
    p.magnified(x, y, 25, 8).save("seam-magnified");
}

// Mean brightness difference of pixels `gap` apart across the line through
// each point along its normal, centred `offset` pixels out from it.
double meanStep(const Picture& p, const std::vector<EdgePoint>& points, double offset, double gap) {
    double sum = 0;
    for (const EdgePoint& e : points) {
        const double cx = e.x + offset * e.nx, cy = e.y + offset * e.ny;
        const int xa = int(cx - gap / 2 * e.nx), ya = int(cy - gap / 2 * e.ny);
        const int xb = int(cx + gap / 2 * e.nx), yb = int(cy + gap / 2 * e.ny);
        sum += std::abs(p.brightness(xa, ya) - p.brightness(xb, yb));
    }
    return points.empty() ? 0.0 : sum / points.size();
}

// At the ceiling with the world shrunk to 0.24, looking straight down and
// with the world tilted so that the levels beyond the finest show.
TEST(TerrainRender, LevelEdgesShowNoStep) {
    std::size_t seen = 0;
    for (int tilt : {0, 55}) {
        Flight f;
        f.toCeiling();
        f.aircraftAway();
        f.shrink(0.24);
        f.tilt(tilt);
        const Picture& p = f.frame();
        p.save("boundary-tilt" + std::to_string(tilt));
        const std::vector<EdgePoint> edge = levelEdges(*f.app, 200);
        seen += edge.size();
        if (edge.empty()) continue;
        // Across the edge, against the same measure a few pixels inside and outside it.
        const double across = meanStep(p, edge, 0.0, 2.0);
        const double inside = meanStep(p, edge, -6.0, 2.0), outside = meanStep(p, edge, 6.0, 2.0);
        EXPECT_LE(across, std::max(inside, outside) + 1.0)
            << "tilt " << tilt << ": inside " << inside << ", outside " << outside;
        // Nor does the detail stop there: the contrast between neighbours
        // is about the same on both sides.
        EXPECT_LE(std::abs(inside - outside), 0.5 * std::max(inside, outside) + 1.0)
            << "tilt " << tilt << ": inside " << inside << ", outside " << outside;
    }
    EXPECT_GT(seen, 100u) << "level edges in the pictures";
}

// Pixels whose brightness changed by more than 90 of 765 since `before`;
// `worst` keeps the largest change seen.
int sharpChanges(const std::vector<unsigned char>& before, const Picture& p, int& worst) {
    int sharp = 0;
    for (std::size_t k = 0; k < p.rgb.size(); k += 3) {
        const int change = std::abs(p.rgb[k] + p.rgb[k + 1] + p.rgb[k + 2] - before[k] - before[k + 1] - before[k + 2]);
        worst = std::max(worst, change);
        sharp += change > 90;
    }
    return sharp;
}

TEST(TerrainRender, ASlowZoomChangesNoPixelSharply) {
    Flight f;
    f.toCeiling();
    f.aircraftAway();
    std::vector<unsigned char> before = f.frame().rgb;
    int sharp = 0, worst = 0;
    const int count = frames(360);
    for (int i = 0; i < count; ++i) {
        f.drag(250, 250, 250, 248, true, true);  // two pixels up: 0.996, to 0.24 in 360 frames
        const Picture& p = f.frame();
        sharp += sharpChanges(before, p, worst);
        before = p.rgb;
    }
    EXPECT_EQ(sharp, 0) << "pixel changes above 90 of 765 between frames; the largest " << worst;
}

// Shrinking the world drops the finest level once its cells are small on
// screen, and the next level, lit at its own vertices, takes over there:
// a slow zoom across two such drops changes no pixel sharply either (the
// spot light's highlight, a few pixels across, shows any jump).
TEST(TerrainRender, AZoomAcrossALevelDropChangesNoPixelSharply) {
    Flight f;
    f.toCeiling();
    f.aircraftAway();
    f.shrink(0.07);
    std::vector<unsigned char> before = f.frame().rgb;
    const int finestBefore = f.app->terrain->getFinestLevel();
    int sharp = 0, worst = 0;
    // 0.996 a frame: from 0.07 to 0.07 / 9 in 550 frames, at most.
    const int count = frames(550);
    for (int i = 0; i < count && f.app->terrain->getFinestLevel() < finestBefore + 2; ++i) {
        f.drag(250, 250, 250, 248, true, true);
        const Picture& p = f.frame();
        sharp += sharpChanges(before, p, worst);
        before = p.rgb;
    }
    if (count == 550) {
        EXPECT_EQ(f.app->terrain->getFinestLevel(), finestBefore + 2) << "levels dropped";
    }
    EXPECT_EQ(sharp, 0) << "pixel changes above 90 of 765 between frames; the largest " << worst;
}

TEST(TerrainRender, TwelveMaximalShrinkDragsLeaveNoBlack) {
    Flight f;
    f.toCeiling();
    for (int i = 0; i < 12; ++i) {
        f.drag(250, 250, 250, -300, true, true);
        f.tapShift();
        EXPECT_EQ(f.frame().blackShare(), 0.0) << "after " << i + 1 << " drags";
    }
}

}  // namespace

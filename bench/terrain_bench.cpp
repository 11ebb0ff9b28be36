// The terrain's cost, under a world node as in velkin, with the viewer at
// the ceiling, as the world starts and shrunk as far as the mouse allows
// (the deepest scale):
// - a tile change: the viewer jumps so that every drawn level is laid out
//   anew (and rebuilt with its heights), the worst a frame can pay;
// - an update while flying: the camera moves a little, so every level's
//   heights are morphed anew, what each frame pays in flight;
// - a whole frame in flight, drawn offscreen through OpenGL and finished
//   (update, draw, present), with the levels and triangles it draws;
// beside a memcpy of the vertex bytes the deepest tile change writes,
// measured in the same run. The goals: a tile change below 2 ms, and a frame
// at the deepest scale at most 1.5 times an unshrunk one.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <corvane/kwCamera.h>
#include <corvane/kwEventWindow.h>
#include <corvane/kwScene.h>
#include <corvane/kwTransformNode.h>
#include <interceptor/ParametricTerrain.h>

namespace {

constexpr float ceiling = 30.0f;
constexpr float deepest = 3.8e-24f;  // velkin's smallest world scale

// A terrain under a world scaled by `scale`, with the viewer at the ceiling.
struct World {
    explicit World(float scale, kwNode* root = nullptr) : scale(scale) {
        world = new kwTransformNode;
        if (root) root->addChild(world);
        owned.reset(root ? nullptr : world);
        terrain = new ParametricTerrain;
        world->addChild(terrain);
        world->scale(scale, scale, scale);
        move(0.0f);
    }
    // The viewer to scene x (and the ceiling), then one update.
    void move(float x) {
        terrain->setCurrentPos(kwVec3(x, 0.0f, ceiling * scale));
        terrain->update(nullptr);
    }
    float scale;
    kwTransformNode* world;
    std::unique_ptr<kwTransformNode> owned;
    ParametricTerrain* terrain;
};

std::int64_t vertexBytes(const ParametricTerrain& t) {
    std::int64_t bytes = 0;
    for (int level = 0; level < t.getLevelCount(); ++level)
        bytes += std::int64_t(t.getLevelMesh(level)->getVertexCount()) * std::int64_t(sizeof(vertexN3V3));
    return bytes;
}

// Alternates the viewer between scene x = 0 and `jump` scene units, past
// the middle of the coarsest drawn level's tile: every level is laid out anew.
void tileChanges(benchmark::State& state, float scale, float jump) {
    World w(scale);
    const int levels = w.terrain->getLevelCount();
    const std::uint32_t before = w.terrain->getLevelRebuildCount();
    bool out = false;
    for (auto _ : state) {
        out = !out;
        w.move(out ? jump : 0.0f);
    }
    if (w.terrain->getLevelRebuildCount() - before != std::uint32_t(state.iterations() * levels))
        state.SkipWithError("not every level laid out anew at every step");
    state.counters["levels"] = levels;
    state.SetBytesProcessed(state.iterations() * vertexBytes(*w.terrain));
}
void BM_TerrainTileChange(benchmark::State& state) { tileChanges(state, 1.0f, 24.0f); }
BENCHMARK(BM_TerrainTileChange)->Unit(benchmark::kMicrosecond);
void BM_TerrainTileChangeDeepest(benchmark::State& state) { tileChanges(state, deepest, 400.0f); }
BENCHMARK(BM_TerrainTileChangeDeepest)->Unit(benchmark::kMicrosecond);

// Within a few units of the start, where no layout changes but the camera moves.
void flying(benchmark::State& state, float scale) {
    World w(scale);
    const std::uint32_t before = w.terrain->getRebuildCount();
    float x = 0.0f;
    for (auto _ : state) {
        x = x > 3.0f * scale ? -3.0f * scale : x + 0.01f * scale;
        w.move(x);
    }
    if (w.terrain->getRebuildCount() != before) state.SkipWithError("laid out anew without a tile change");
    state.counters["levels"] = w.terrain->getLevelCount();
}
void BM_TerrainUpdateFlying(benchmark::State& state) { flying(state, 1.0f); }
BENCHMARK(BM_TerrainUpdateFlying)->Unit(benchmark::kMicrosecond);
void BM_TerrainUpdateFlyingDeepest(benchmark::State& state) { flying(state, deepest); }
BENCHMARK(BM_TerrainUpdateFlyingDeepest)->Unit(benchmark::kMicrosecond);

// A frame in flight, drawn offscreen: the scene, the world and the terrain
// lit as velkin lights them, the camera 20 units above the viewer.
void frames(benchmark::State& state, float scale) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    kwEventWindow window(500, 500, nullptr);
    kwScene* scene = new kwScene(false);
    World w(scale, scene);
    scene->getCamera()->setClips(0.5f, 100000.0f);
    float x = 0.0f;
    for (auto _ : state) {
        x = x > 3.0f * scale ? -3.0f * scale : x + 0.01f * scale;
        const float h = ceiling * scale;
        scene->getCamera()->setPos(x, h + 20.0f, 0.0f);
        scene->getCamera()->lookAt(x, h, 0.0f);
        w.terrain->setCurrentPos(kwVec3(x, 0.0f, h));
        scene->render(&window);
        window.refresh();  // presents; the offscreen driver finishes the frame first
    }
    int draws = 0;
    unsigned triangles = 0;
    for (int level = 0; level < w.terrain->getLevelCount(); ++level) {
        const unsigned indices = w.terrain->getLevelMesh(level)->getIndexCount();
        draws += indices > 0;
        triangles += indices / 3;
    }
    state.counters["draws"] = draws;
    state.counters["triangles"] = triangles;
    delete scene;
}
void BM_TerrainFrame(benchmark::State& state) { frames(state, 1.0f); }
BENCHMARK(BM_TerrainFrame)->Unit(benchmark::kMillisecond);
void BM_TerrainFrameDeepest(benchmark::State& state) { frames(state, deepest); }
BENCHMARK(BM_TerrainFrameDeepest)->Unit(benchmark::kMillisecond);

void BM_MemcpyTerrainVertices(benchmark::State& state) {
    const std::size_t bytes = std::size_t(vertexBytes(*World(deepest).terrain));
    std::vector<unsigned char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes));
}
BENCHMARK(BM_MemcpyTerrainVertices)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

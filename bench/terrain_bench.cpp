// The terrain's cost, under a world node as in velkin, with the viewer at
// the ceiling: a tile change with the world as it starts (the viewer
// crosses into another block of level 0, which is rebuilt) and with the
// world shrunk to 0.05^4 (the viewer jumps so that all twelve levels the
// view needs are rebuilt at once: the worst case); and an update that finds
// nothing to rebuild (what every other frame pays), at both scales. Beside
// them a memcpy of the vertex bytes the worst case writes, measured in the
// same run. The goal for a tile change is below 2 ms.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <corvane/kwTransformNode.h>
#include <interceptor/ParametricTerrain.h>

namespace {

constexpr float ceiling = 30.0f;
constexpr float shrunk = 0.05f * 0.05f * 0.05f * 0.05f;

// A terrain under a world scaled by `scale`, with the viewer at the ceiling.
struct World {
    explicit World(float scale) : scale(scale) {
        terrain = new ParametricTerrain;
        world.addChild(terrain);
        world.scale(scale, scale, scale);
        move(0.0f);
    }
    // The viewer to scene x (and the ceiling), then one update.
    void move(float x) {
        terrain->setCurrentPos(kwVec3(x, 0.0f, ceiling * scale));
        terrain->update(nullptr);
    }
    float scale;
    kwTransformNode world;
    ParametricTerrain* terrain;
};

std::int64_t vertexBytes(const ParametricTerrain& t) {
    std::int64_t bytes = 0;
    for (int level = 0; level < t.getLevelCount(); ++level)
        bytes += std::int64_t(t.getLevelMesh(level)->getVertexCount()) * std::int64_t(sizeof(vertexN3V3));
    return bytes;
}

// Alternates the viewer between scene x = 0 and `jump`; every step must
// rebuild `levels` levels.
void tileChanges(benchmark::State& state, float scale, float jump, int levels) {
    World w(scale);
    if (w.terrain->getLevelCount() != levels) state.SkipWithError("unexpected level count");
    const std::uint32_t before = w.terrain->getLevelRebuildCount();
    bool out = false;
    for (auto _ : state) {
        out = !out;
        w.move(out ? jump : 0.0f);
    }
    if (w.terrain->getLevelRebuildCount() - before != std::uint32_t(state.iterations() * levels))
        state.SkipWithError("not every level rebuilt at every step");
    state.counters["levels"] = levels;
    state.SetBytesProcessed(state.iterations() * vertexBytes(*w.terrain));
}

// 24 units: into the next 24-unit tile, around which level 0 is laid out.
void BM_TerrainTileChange(benchmark::State& state) { tileChanges(state, 1.0f, 24.0f, 1); }
BENCHMARK(BM_TerrainTileChange)->Unit(benchmark::kMicrosecond);

// 16 scene units are 2.56e6 world units, past the middle of the coarsest
// level's tile: every level's layout changes.
void BM_TerrainTileChangeShrunk(benchmark::State& state) { tileChanges(state, shrunk, 16.0f, 12); }
BENCHMARK(BM_TerrainTileChangeShrunk)->Unit(benchmark::kMicrosecond);

void sameTile(benchmark::State& state, float scale) {
    World w(scale);
    const std::uint32_t before = w.terrain->getRebuildCount();
    float x = 0.0f;
    for (auto _ : state) {
        // Within a few units of the start, where nothing is rebuilt.
        x = x > 3.0f * scale ? -3.0f * scale : x + 0.01f * scale;
        w.move(x);
    }
    if (w.terrain->getRebuildCount() != before) state.SkipWithError("rebuilt without a layout change");
}
void BM_TerrainUpdateSameTile(benchmark::State& state) { sameTile(state, 1.0f); }
BENCHMARK(BM_TerrainUpdateSameTile)->Unit(benchmark::kMicrosecond);
void BM_TerrainUpdateSameTileShrunk(benchmark::State& state) { sameTile(state, shrunk); }
BENCHMARK(BM_TerrainUpdateSameTileShrunk)->Unit(benchmark::kMicrosecond);

void BM_MemcpyTerrainVertices(benchmark::State& state) {
    const std::size_t bytes = std::size_t(vertexBytes(*World(shrunk).terrain));
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

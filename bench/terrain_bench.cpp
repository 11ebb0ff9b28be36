// The terrain's cost: a tile change (the viewer crosses into the next tile
// and the update rebuilds the whole block of tiles around it) and an update
// on the same tile (what every other frame pays), beside a memcpy of the
// vertex bytes one rebuild writes, measured in the same run. The goal for a
// tile change is below 2 ms.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <corvane/kwTransformNode.h>
#include <interceptor/ParametricTerrain.h>

namespace {

constexpr std::size_t vertexBytes =
    std::size_t(ParametricTerrain::gridSize) * ParametricTerrain::gridSize * sizeof(vertexN3V3);

void BM_TerrainTileChange(benchmark::State& state) {
    // Under a world node, as in velkin: the position goes through its transform.
    kwTransformNode world;
    auto* terrain = new ParametricTerrain;
    world.addChild(terrain);
    float x = 0.0f;
    for (auto _ : state) {
        x += ParametricTerrain::terrainTileSize;
        terrain->setCurrentPos(kwVec3(x, 3.0f, 30.0f));
        terrain->update(nullptr);
    }
    if (terrain->getRebuildCount() != state.iterations() + 1) state.SkipWithError("not one rebuild per tile change");
    state.SetBytesProcessed(state.iterations() * std::int64_t(vertexBytes));
}
BENCHMARK(BM_TerrainTileChange)->Unit(benchmark::kMicrosecond);

void BM_TerrainUpdateSameTile(benchmark::State& state) {
    kwTransformNode world;
    auto* terrain = new ParametricTerrain;
    world.addChild(terrain);
    float x = 0.0f;
    for (auto _ : state) {
        x = x > 3.0f ? -3.0f : x + 0.01f;
        terrain->setCurrentPos(kwVec3(x, 1.0f, 30.0f));
        terrain->update(nullptr);
    }
    if (terrain->getRebuildCount() != 1) state.SkipWithError("rebuilt without a tile change");
}
BENCHMARK(BM_TerrainUpdateSameTile)->Unit(benchmark::kMicrosecond);

void BM_MemcpyTerrainVertices(benchmark::State& state) {
    std::vector<unsigned char> from(vertexBytes, 1), to(vertexBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), vertexBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(vertexBytes));
}
BENCHMARK(BM_MemcpyTerrainVertices)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// Mesh primitives: the cost of building each shape's arrays, each beside a
// memcpy of the bytes the shape hands over (vertex records plus indices),
// measured in the same run. Construction is timed with the matching
// destruction, which frees the arrays, since a shape cannot be built again
// in place. The parametric rebuild is timed as setStep (which marks the node)
// followed by update, which rebuilds the grid, hands it over, frees the old
// arrays and recomputes the bounding sphere.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <ornatex/ornatex.h>

namespace {

std::size_t arrayBytes(const Primitive& p) {
    return std::size_t(p.getVertexCount()) * sizeof(float) * kwVertexFloats(p.getVertexFormat()) +
           std::size_t(p.getIndexCount()) * sizeof(unsigned short);
}

// A surface that overrides the three operations trivially: every vertex
// costs three calls through the virtual table.
class TrivialSurface : public kwParametric {
public:
    kwVec3 getVertex(float u, float v) override { return kwVec3(u, 0.0f, v); }
    kwVec3 getNormal(float, float) override { return kwVec3(0.0f, 1.0f, 0.0f); }
    kwVec2 getTexCoord(float u, float v) override { return kwVec2(u, v); }
};

void memcpyOf(benchmark::State& state, std::size_t bytes) {
    std::vector<unsigned char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

template <typename Make>
void construct(benchmark::State& state, Make make) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        Primitive* p = make();
        benchmark::DoNotOptimize(p->getVertexData());
        bytes = arrayBytes(*p);
        delete p;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

template <typename Surface>
void rebuild(benchmark::State& state) {
    std::unique_ptr<kwParametric> surface(new Surface);
    surface->update(nullptr);
    for (auto _ : state) {
        surface->setStep(0.1f, 0.1f);
        surface->update(nullptr);
        benchmark::DoNotOptimize(surface->getVertexData());
        benchmark::DoNotOptimize(surface->getIndexData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * arrayBytes(*surface)));
}

// Registers a shape's benchmark and, right after it, the memcpy of the bytes
// one instance hands over.
void registerPair(const std::string& name, std::size_t bytes, std::function<void(benchmark::State&)> run) {
    benchmark::RegisterBenchmark(name.c_str(), run);
    benchmark::RegisterBenchmark(("memcpy/" + name + "/" + std::to_string(bytes) + "B").c_str(),
                                 [bytes](benchmark::State& s) { memcpyOf(s, bytes); });
}

template <typename Make>
void registerShape(const std::string& name, Make make) {
    std::unique_ptr<Primitive> sample(make());
    registerPair(name, arrayBytes(*sample), [make](benchmark::State& s) { construct(s, make); });
}

}  // namespace

int main(int argc, char** argv) {
    registerShape("circle_outline", [] { return new kwCircle(1.0f, 0.0f, 0.0f, 0.0f, false); });
    registerShape("circle_filled", [] { return new kwCircle(1.0f, 0.0f, 0.0f, 0.0f, true); });
    registerShape("texcircle", [] { return new kwTexCircle(1.0f, 0.0f, 0.0f, 0.0f); });
    registerShape("cone", [] { return new kwCone(2.0f, 1.0f, 4.0f); });
    registerShape("cylinder", [] { return new kwCylinder(1.0f, 4.0f); });
    registerShape("sphere", [] { return new kwSphere(1.0f); });

    std::unique_ptr<kwParametric> grid(new kwParametric);
    grid->update(nullptr);
    registerPair("parametric_rebuild_base", arrayBytes(*grid), rebuild<kwParametric>);
    registerPair("parametric_rebuild_trivial_overrides", arrayBytes(*grid), rebuild<TrivialSurface>);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

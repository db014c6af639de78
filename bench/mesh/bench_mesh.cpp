// Load-time mesh work: building a large sphere and computing its normals.
#include <benchmark/benchmark.h>

#include "mesh/mesh_generator.h"

namespace lumen {
namespace {

// rings x segments; the show's spheres are far smaller, these show the rate.
void sphereArgs(benchmark::internal::Benchmark* b) { b->Args({64, 64})->Args({256, 256})->Args({256, 1024}); }

void setRate(benchmark::State& state, const Mesh& mesh) {
    state.counters["vertices"] = double(mesh.vertexCount);
    state.counters["faces"] = double(mesh.faceCount);
    state.counters["vertices/s"] =
        benchmark::Counter(double(mesh.vertexCount), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BuildSphere(benchmark::State& state) {
    Mesh last;
    for (auto _ : state) {
        Mesh mesh;
        buildSphere(mesh, int32_t(state.range(0)), int32_t(state.range(1)));
        benchmark::DoNotOptimize(mesh.vertices.data());
        last = std::move(mesh);
    }
    setRate(state, last);
}
BENCHMARK(BM_BuildSphere)->Apply(sphereArgs)->Unit(benchmark::kMillisecond);

void BM_ComputeNormals(benchmark::State& state) {
    Mesh mesh;
    buildSphere(mesh, int32_t(state.range(0)), int32_t(state.range(1)));
    for (auto _ : state) {
        computeNormals(mesh, false);
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    setRate(state, mesh);
}
BENCHMARK(BM_ComputeNormals)->Apply(sphereArgs)->Unit(benchmark::kMillisecond);

// The generator call as the loader makes it: build, then normals.
void BM_GenerateSphere(benchmark::State& state) {
    MeshGeneratorInput input;
    input.type = kTypeSphere;
    input.params[0] = int32_t(state.range(0));
    input.params[1] = int32_t(state.range(1));
    Mesh last;
    for (auto _ : state) {
        Mesh mesh;
        generateMesh(mesh, input);
        benchmark::DoNotOptimize(mesh.vertices.data());
        last = std::move(mesh);
    }
    setRate(state, last);
}
BENCHMARK(BM_GenerateSphere)->Apply(sphereArgs)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumen

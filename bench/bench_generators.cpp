// Speed of the primitive-built block generators with catalogue defaults, each
// into a fresh group array as the geometry dispatch hands it over (painting
// included, since every generator paints its groups), plus the largest truss
// the catalogue ranges allow.
#include <benchmark/benchmark.h>

#include <vector>

#include "generators/adaptor_tank.hpp"
#include "generators/panel_truss.hpp"

namespace quilbet {
namespace {

template <class Gen>
void run(benchmark::State& state, Gen gen) {
    Context ctx;
    std::vector<typmshgrp> g(block_group_capacity);
    int64_t triangles = 0;
    for (auto _ : state) {
        const int32_t n = gen(ctx, g.data());
        triangles = 0;
        for (int32_t k = 0; k < n; ++k) triangles += int64_t(g[size_t(k)].ind.size() / 3);
        benchmark::DoNotOptimize(g.data());
    }
    state.counters["triangles"] = double(triangles);
}

void BM_SolarPanelA(benchmark::State& state) {
    panel_spec s{8, 0, 5, 5, 1, 2, 0.1, 0};
    run(state, [&](Context& ctx, typmshgrp* g) { return gen_solar_panel(ctx, g, 200, Vec3{}, s, Vec3{}); });
}
BENCHMARK(BM_SolarPanelA)->Unit(benchmark::kMicrosecond);

truss_spec truss(int32_t count, int32_t variant, bool all) {
    truss_spec s;
    s.count = count;
    s.variant = variant;
    s.bar = 0.1;
    s.rail = 0.2;
    s.dims = Vec3{4, 3, 8};
    s.cross_a = 1;
    s.cross_b = s.cross_c = all ? 1 : 0;
    return s;
}

void BM_TrussA(benchmark::State& state) {
    const truss_spec s = truss(7, 0, false);
    run(state, [&](Context& ctx, typmshgrp* g) { return gen_truss(ctx, g, 200, Vec3{}, s, Vec3{}); });
}
BENCHMARK(BM_TrussA)->Unit(benchmark::kMicrosecond);

void BM_TrussB28AllBracing(benchmark::State& state) {
    const truss_spec s = truss(28, 1, true);
    run(state, [&](Context& ctx, typmshgrp* g) { return gen_truss(ctx, g, 200, Vec3{}, s, Vec3{}); });
}
BENCHMARK(BM_TrussB28AllBracing)->Unit(benchmark::kMicrosecond);

void BM_AdaptorA(benchmark::State& state) {
    adaptor_spec s;
    s.variant = 1;
    s.bar = 0.1;
    s.rail = 0.2;
    s.len = 4;
    s.w0 = 8;
    s.h0 = 3;
    s.w1 = 4;
    s.h1 = 3;
    run(state, [&](Context& ctx, typmshgrp* g) { return gen_adaptor(ctx, g, 200, Vec3{}, s, Vec3{}); });
}
BENCHMARK(BM_AdaptorA)->Unit(benchmark::kMicrosecond);

void BM_TankA(benchmark::State& state) {
    run(state, [&](Context& ctx, typmshgrp* g) { return gen_tank(ctx, g, 200, Vec3{}, 2, 10, 0, Vec3{}); });
}
BENCHMARK(BM_TankA)->Unit(benchmark::kMicrosecond);

void BM_TankB(benchmark::State& state) {
    run(state, [&](Context& ctx, typmshgrp* g) { return gen_tank(ctx, g, 200, Vec3{}, 2, 10, 1, Vec3{}); });
}
BENCHMARK(BM_TankB)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quilbet

BENCHMARK_MAIN();

// Primitive builders and the vertex transforms of the group library.
#include <benchmark/benchmark.h>

#include "mesh/primitives.hpp"

namespace {

using namespace quilbet;

void BM_box_add(benchmark::State& state) {
    typmshgrp g;
    g.pnt.resize(100000);
    g.ind.resize(100000);
    for (auto _ : state) {
        int32_t nv = 0, nind = 0;
        for (int i = 0; i < 100; ++i) box_add(g, nv, nind, false, Vec3{0.1, 0.2, 0.3}, Vec3{1, 2, 3}, 1, 2, 3);
        benchmark::DoNotOptimize(g.pnt.data());
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_box_add);

void BM_domed_prism_16x4(benchmark::State& state) {
    typmshgrp g;
    g.pnt.resize(100000);
    g.ind.resize(100000);
    for (auto _ : state) {
        int32_t nv = 0, nind = 0;
        for (int i = 0; i < 100; ++i) domed_prism_add(g, nv, nind, Vec3{0, 1.5, 0}, Vec3{}, 1, 4, 1, 4, 2);
        benchmark::DoNotOptimize(g.pnt.data());
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_domed_prism_16x4);

void BM_pnt_place_10k(benchmark::State& state) {
    aopntyp v(10000);
    for (size_t i = 0; i < v.size(); ++i) v[i].pos = Vec3f{float(i), 1, 2};
    const Quat q = quat_normalize(Quat{0.1, 0.2, 0.3, 0.9});
    for (auto _ : state) {
        pnt_place(v.data(), int32_t(v.size()), Vec3{1, 2, 3}, q);
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(v.size()));
}
BENCHMARK(BM_pnt_place_10k);

void BM_pnt_rotate_translate_10k(benchmark::State& state) {
    aopntyp v(10000);
    for (size_t i = 0; i < v.size(); ++i) v[i].pos = Vec3f{float(i), 1, 2};
    for (auto _ : state) {
        pnt_rotate_translate(v.data(), int32_t(v.size()), Vec3{1, 2, 3}, Vec3{0.1, 0.2, 0.3});
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(v.size()));
}
BENCHMARK(BM_pnt_rotate_translate_10k);

}  // namespace
BENCHMARK_MAIN();

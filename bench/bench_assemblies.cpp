// Speed of the assembly generators: the largest power wing and every habitat
// with the catalogue's default parameters, each on a freshly prepared block
// mesh of 200 groups as the geometry dispatch hands it over.
#include <benchmark/benchmark.h>

#include "generators/habitat.hpp"
#include "generators/habitat_lattice.hpp"
#include "generators/wings.hpp"
#include "metamold/grid.hpp"
#include "metamold/merge.hpp"
#include "metamold/polygonise.hpp"

namespace quilbet {
namespace {

// "Power_wing_C": panel type 0, 7 blocks of 8 m, section 4 x 3, no rotation or shear.
void BM_PowerWingC(benchmark::State& state) {
    Context ctx;
    typmsh m;
    int32_t groups = 0;
    for (auto _ : state) {
        msh_prepare(m);
        groups = gen_power_wing(ctx, m, 0, 2, 0, 7, 8, 4, 3, 0, 0, Vec3{}, Vec3{});
        benchmark::DoNotOptimize(m.grp.data());
    }
    int64_t triangles = 0;
    for (int32_t g = 0; g < groups; ++g) triangles += int64_t(m.grp[size_t(g)].ind.size() / 3);
    state.counters["groups"] = groups;
    state.counters["triangles"] = double(triangles);
}
BENCHMARK(BM_PowerWingC)->Unit(benchmark::kMillisecond);

// Catalogue defaults of "Hab_A", "Hab_B", "Hab_Node_A", "Hab_C", "DG_Hab_Port".
hab_spec default_habitat(int32_t variant) {
    hab_spec s;
    s.variant = variant;
    s.width = 6.0;
    s.length = variant == 2 ? 6.0 : 8.0;
    s.windows = (variant == 0 || variant == 1 || variant == 3) ? 1 : 0;
    s.rounded = (variant == 0 || variant == 1) ? 1 : 0;
    return s;
}

// Triangle counts of one default hull: before merging and as written.
void hull_counts(int32_t variant, benchmark::State& state) {
    hab_spec spec = default_habitat(variant);
    typmsh m;
    msh_prepare(m);
    mbs_grid grid;
    grid.resolution = hab_resolution;
    grid.group_count = 3;
    grid.pass_count = 6;
    mbs_build_grid(grid);
    hab_fill_lattice(grid, spec);
    mbs_polygonise(m, 0, grid);
    state.counters["raw_triangles"] = grid.raw_triangle_count;
    state.counters["triangles"] = grid.triangle_count;
}

// Second argument 1: the context allows a second thread (as for stations
// after start-up); 0: one thread (as during start-up).
void BM_Habitat(benchmark::State& state) {
    const int32_t variant = int32_t(state.range(0));
    Context ctx;
    ctx.threads = state.range(1) != 0;
    typmsh m;
    for (auto _ : state) {
        msh_prepare(m);
        hab_spec spec = default_habitat(variant);
        benchmark::DoNotOptimize(gen_habitat(ctx, m, 0, Vec3{}, Vec3{}, spec));
    }
    hull_counts(variant, state);
}
BENCHMARK(BM_Habitat)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// The hull without textures or hatches: grid, fill, polygonisation and merging.
// Second argument 1: the molder may use a second thread.
void BM_HabitatHullOnly(benchmark::State& state) {
    const hab_spec spec = default_habitat(int32_t(state.range(0)));
    const bool threads = state.range(1) != 0;
    typmsh m;
    msh_prepare(m);
    for (auto _ : state) {
        mbs_grid grid;
        grid.resolution = hab_resolution;
        grid.group_count = 3;
        grid.pass_count = 6;
        mbs_build_grid(grid);
        hab_fill_lattice(grid, spec);
        mbs_polygonise(m, 0, grid, threads);
        benchmark::DoNotOptimize(m.grp[0].pnt.data());
    }
}
BENCHMARK(BM_HabitatHullOnly)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

// The five default habitats built one after another on one thread (hull,
// textures, hatches): the build that the merge shortcuts below are weighed
// against.
void BM_DefaultHabitats(benchmark::State& state) {
    Context ctx;
    ctx.threads = false;
    typmsh m;
    for (auto _ : state) {
        for (int32_t variant = 0; variant <= 4; ++variant) {
            msh_prepare(m);
            hab_spec spec = default_habitat(variant);
            benchmark::DoNotOptimize(gen_habitat(ctx, m, 0, Vec3{}, Vec3{}, spec));
        }
    }
}
BENCHMARK(BM_DefaultHabitats)->Unit(benchmark::kMillisecond);

// The five default hulls on one thread with every merge shortcut (argument
// 0), with one shortcut switched off (1 to 4, in the order of
// mbs_merge_forms), or with none (5). The time a shortcut saves is its row's
// time less row 0.
void BM_DefaultHullsMergeShortcutOff(benchmark::State& state) {
    static bool mbs_merge_forms::*const shortcuts[] = {&mbs_merge_forms::lattice_points, &mbs_merge_forms::plane_keys,
                                                       &mbs_merge_forms::edge_lists, &mbs_merge_forms::cone_test};
    static const char* const names[] = {"all shortcuts", "lattice_points off", "plane_keys off", "edge_lists off",
                                        "cone_test off", "no shortcut"};
    const int64_t off = state.range(0);
    mbs_merge_forms forms;
    for (int64_t k = 1; k <= 4; ++k) {
        if (off == k || off == 5) forms.*shortcuts[k - 1] = false;
    }
    state.SetLabel(names[off]);
    typmsh m;
    msh_prepare(m);
    for (auto _ : state) {
        for (int32_t variant = 0; variant <= 4; ++variant) {
            mbs_grid grid;
            grid.resolution = hab_resolution;
            grid.group_count = 3;
            grid.pass_count = 6;
            mbs_build_grid(grid);
            hab_fill_lattice(grid, default_habitat(variant));
            mbs_polygonise(m, 0, grid, false, forms);
            benchmark::DoNotOptimize(m.grp[0].pnt.data());
        }
    }
}
BENCHMARK(BM_DefaultHullsMergeShortcutOff)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The lattice fill alone, on a grid built once.
void BM_HabitatLatticeFill(benchmark::State& state) {
    const hab_spec spec = default_habitat(int32_t(state.range(0)));
    mbs_grid grid;
    grid.resolution = hab_resolution;
    grid.group_count = 3;
    grid.pass_count = 6;
    mbs_build_grid(grid);
    for (auto _ : state) {
        hab_fill_lattice(grid, spec);
        benchmark::DoNotOptimize(grid.points.data());
    }
}
BENCHMARK(BM_HabitatLatticeFill)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quilbet

BENCHMARK_MAIN();

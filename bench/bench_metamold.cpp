// Molder speed on a Hab_A-like hull: a 16-sided tube of outer radius 29 and
// inner radius 27 lattice units, length +-27, in the 61^3 lattice with three
// groups and six coarsening passes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "mesh/mesh.hpp"
#include "metamold/grid.hpp"
#include "metamold/polygonise.hpp"

namespace {

using namespace quilbet;

constexpr int32_t n = 61, c = 30;

// Regular 16-gon of radius r about the lattice centre, sides facing the axes.
std::vector<double> polygon(double r, bool ys) {
    std::vector<double> v;
    for (int k = 0; k <= 16; ++k) {
        const long double t = (180.0L / 16 + k * 360.0L / 16) * 3.141592653589793238L / 180;
        const float tf = float(t);
        v.push_back(ys ? c + r * std::cos(tf) : c + r * std::sin(tf));
    }
    return v;
}

void fill_tube(mbs_grid& g) {
    static const std::vector<double> ox = polygon(29, false), oy = polygon(29, true);
    static const std::vector<double> ix = polygon(27, false), iy = polygon(27, true);
    for (int32_t x = 0; x < n; ++x) {
        for (int32_t y = 0; y < n; ++y) {
            const bool outer = point_in_polygon(16, ox.data(), oy.data(), x, y);
            const bool inner = point_in_polygon(16, ix.data(), iy.data(), x, y);
            mbs_point* col = &g.point(x, y, 0);
            for (int32_t z = 0; z < n; ++z) {
                const int32_t dz = z - c;
                if (outer && std::abs(dz) <= 27) col[z].value = 1.0f;
                if (std::abs(x - c) <= 11 && std::abs(y - c) <= 11 && std::abs(dz) <= 28) {
                    col[z].value = 1.0f;
                    col[z].group = 0;
                }
                if (std::abs(x - c) <= 9 && std::abs(y - c) <= 9) {
                    col[z].value = 0.0f;
                    col[z].group = 1;
                }
                if (inner && std::abs(dz) <= 26) {
                    col[z].value = 0.0f;
                    col[z].group = 2;
                }
            }
        }
    }
}

void BM_TubeBuildAndPolygonise(benchmark::State& state) {
    int32_t raw = 0, tris = 0;
    for (auto _ : state) {
        mbs_grid g;
        g.resolution = n;
        g.group_count = 3;
        g.pass_count = 6;
        g.round_sides = 1;
        mbs_build_grid(g);
        fill_tube(g);
        typmsh m;
        m.grp.resize(3);
        mbs_polygonise(m, 0, g);
        raw = g.raw_triangle_count;
        tris = g.triangle_count;
        benchmark::DoNotOptimize(m.grp[0].pnt.data());
    }
    state.counters["raw_triangles"] = raw;
    state.counters["triangles"] = tris;
}

void BM_BuildGridOnly(benchmark::State& state) {
    for (auto _ : state) {
        mbs_grid g;
        g.resolution = n;
        g.group_count = 3;
        mbs_build_grid(g);
        fill_tube(g);
        benchmark::DoNotOptimize(g.points.data());
    }
}

void BM_TubeNoMerging(benchmark::State& state) {
    for (auto _ : state) {
        mbs_grid g;
        g.resolution = n;
        g.group_count = 3;
        g.pass_count = 0;
        mbs_build_grid(g);
        fill_tube(g);
        typmsh m;
        m.grp.resize(3);
        mbs_polygonise(m, 0, g);
        benchmark::DoNotOptimize(m.grp[0].pnt.data());
    }
}

BENCHMARK(BM_BuildGridOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TubeNoMerging)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TubeBuildAndPolygonise)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

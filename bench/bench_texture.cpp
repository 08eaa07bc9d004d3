// Texture painting speed: one noise3 evaluation against Ken Perlin's "improved
// noise" (SIGGRAPH 2002: quintic fade, 12 edge gradients picked by hash bits,
// doubled 256-entry permutation) written scalar in single precision as the
// yardstick, measured in the same run; and the painters at their real sizes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "texture/noise.hpp"
#include "texture/noise_lanes.hpp"
#include "texture/painters.hpp"

namespace {

using namespace quilbet;

// Improved noise, scalar float. Any permutation costs the same, so a shuffled
// one stands in for the published table.
class ImprovedNoise {
public:
    ImprovedNoise() {
        uint8_t perm[256];
        for (int i = 0; i < 256; ++i) perm[i] = static_cast<uint8_t>(i);
        uint32_t s = 2002;
        for (int i = 255; i > 0; --i) {
            s = s * 1664525u + 1013904223u;
            const int j = static_cast<int>((s >> 8) % static_cast<uint32_t>(i + 1));
            const uint8_t t = perm[i];
            perm[i] = perm[j];
            perm[j] = t;
        }
        for (int i = 0; i < 512; ++i) p_[i] = perm[i & 255];
    }

    float noise(float x, float y, float z) const {
        const float fx = floor_f(x), fy = floor_f(y), fz = floor_f(z);
        const int X = static_cast<int>(fx) & 255, Y = static_cast<int>(fy) & 255, Z = static_cast<int>(fz) & 255;
        x -= fx;
        y -= fy;
        z -= fz;
        const float u = fade(x), v = fade(y), w = fade(z);
        const int A = p_[X] + Y, AA = p_[A] + Z, AB = p_[A + 1] + Z;
        const int B = p_[X + 1] + Y, BA = p_[B] + Z, BB = p_[B + 1] + Z;
        return lerp(w,
                    lerp(v, lerp(u, grad(p_[AA], x, y, z), grad(p_[BA], x - 1, y, z)),
                         lerp(u, grad(p_[AB], x, y - 1, z), grad(p_[BB], x - 1, y - 1, z))),
                    lerp(v, lerp(u, grad(p_[AA + 1], x, y, z - 1), grad(p_[BA + 1], x - 1, y, z - 1)),
                         lerp(u, grad(p_[AB + 1], x, y - 1, z - 1), grad(p_[BB + 1], x - 1, y - 1, z - 1))));
    }

private:
    // floor by truncation (what C ports of the reference use instead of a libm call).
    static float floor_f(float v) {
        const float t = static_cast<float>(static_cast<int>(v));
        return v < t ? t - 1.0f : t;
    }
    static float fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }
    static float lerp(float t, float a, float b) { return a + t * (b - a); }
    static float grad(int hash, float x, float y, float z) {
        const int h = hash & 15;
        const float u = h < 8 ? x : y;
        const float v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
        return ((h & 1) == 0 ? u : -u) + ((h & 2) == 0 ? v : -v);
    }

    int p_[512];
};

// The same 4096 points for both noises: texture-like coordinates over many cells.
const std::vector<Vec3f>& sample_points() {
    static const std::vector<Vec3f> points = [] {
        std::vector<Vec3f> pts;
        Random r;
        for (int i = 0; i < 4096; ++i) {
            pts.push_back(Vec3f{static_cast<float>(r.random_fraction() * 64.0L),
                                static_cast<float>(r.random_fraction() * 64.0L - 32.0L),
                                static_cast<float>(r.random_fraction() * 8.0L + 100.0L)});
        }
        return pts;
    }();
    return points;
}

void BM_noise3(benchmark::State& state) {
    NoiseTables nt;
    Random rng;
    noise_seed(nt, rng, 34576);
    const std::vector<Vec3f>& pts = sample_points();
    for (auto _ : state) {
        float acc = 0;
        for (const Vec3f& p : pts) acc += noise3(nt, p.x, p.y, p.z);
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pts.size()));
}
BENCHMARK(BM_noise3);

void BM_improved_noise_reference(benchmark::State& state) {
    const ImprovedNoise in;
    const std::vector<Vec3f>& pts = sample_points();
    for (auto _ : state) {
        float acc = 0;
        for (const Vec3f& p : pts) acc += in.noise(p.x, p.y, p.z);
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pts.size()));
}
BENCHMARK(BM_improved_noise_reference);

void BM_noise_sum_6_octaves(benchmark::State& state) {
    NoiseTables nt;
    Random rng;
    noise_seed(nt, rng, 34576);
    const std::vector<Vec3f>& pts = sample_points();
    for (auto _ : state) {
        double acc = 0;
        for (const Vec3f& p : pts) acc += noise_sum(nt, Vec3{p.x, p.y, p.z}, 6, Vec3{1, 1, 1}, 32.0);
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pts.size()));
}
BENCHMARK(BM_noise_sum_6_octaves);

// Row-wise octave sums over a 256 x 256 pixel grid, 6 octaves, wavelength 16,
// as the marble styles sample them: range(0) = 0 unit scale at (x, y, 100),
// 1 a per-pixel scale near 1 (the warped sum); range(1) = 0 the widest lanes
// the processor runs, 1 four lanes forced.
void BM_noise_lanes_grid(benchmark::State& state) {
    NoiseTables nt;
    Random rng;
    noise_seed(nt, rng, 34576);
    const bool warped = state.range(0) != 0;
    const NoiseLanePath path = state.range(1) != 0 ? NoiseLanePath::four_lanes : NoiseLanePath::automatic;
    std::vector<Vec3> scales;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const double w = 1.0 + 0.25 * std::sin(x * 0.05 + y * 0.03);
            scales.push_back(Vec3{w, 2.0 - w, 0.5 * w + 0.5});
        }
    }
    std::vector<Vec3> p(256);
    std::vector<double> out(256);
    for (auto _ : state) {
        const NoiseLaneTables tables(nt);
        NoiseLanes lanes(tables, 6, 16.0, path);
        double acc = 0;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) p[static_cast<std::size_t>(x)] = Vec3{double(x), double(y), 100.0};
            lanes.sum(256, p.data(), warped ? &scales[static_cast<std::size_t>(y) * 256] : nullptr, out.data());
            acc += out[0] + out[255];
        }
        benchmark::DoNotOptimize(acc);
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_noise_lanes_grid)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1})->Unit(benchmark::kMillisecond);

void BM_noise_seed(benchmark::State& state) {
    NoiseTables nt;
    Random rng;
    int32_t seed = 0;
    for (auto _ : state) {
        noise_seed(nt, rng, ++seed);
        benchmark::DoNotOptimize(nt.noise_grad);
    }
}
BENCHMARK(BM_noise_seed)->Unit(benchmark::kMicrosecond);

void BM_nearest_i32(benchmark::State& state) {
    long double v = 0.37L;
    for (auto _ : state) {
        v += 1.0L;
        benchmark::DoNotOptimize(nearest_i32(v));
    }
}
BENCHMARK(BM_nearest_i32);

void BM_tex_style(benchmark::State& state) {
    const auto style = static_cast<int32_t>(state.range(0));
    const auto size = static_cast<int32_t>(state.range(1));
    Context ctx;
    typmshgrp g;
    for (auto _ : state) {
        tex_style(ctx, g, TexStyle{style}, size);
        benchmark::DoNotOptimize(g.texpix.get());
    }
}
// Style 3 at 256 and every style at 128, as habitats and tanks paint them.
BENCHMARK(BM_tex_style)
    ->Args({3, 256})
    ->Args({0, 128})
    ->Args({1, 128})
    ->Args({2, 128})
    ->Args({3, 128})
    ->Args({4, 128})
    ->Args({5, 128})
    ->Args({6, 128})
    ->Args({7, 128})
    ->Args({8, 128})
    ->Unit(benchmark::kMillisecond);

void BM_tex_noise(benchmark::State& state) {
    Context ctx;
    typmshgrp g;
    for (auto _ : state) {
        tex_noise(ctx, g);
        benchmark::DoNotOptimize(g.texpix.get());
    }
}
BENCHMARK(BM_tex_noise)->Unit(benchmark::kMicrosecond);

void BM_tex_ridges(benchmark::State& state) {
    Context ctx;
    typmshgrp g;
    for (auto _ : state) {
        tex_ridges(ctx, g, RidgeKind{0});
        benchmark::DoNotOptimize(g.texpix.get());
    }
}
BENCHMARK(BM_tex_ridges)->Unit(benchmark::kMicrosecond);

void BM_tex_stripes(benchmark::State& state) {
    Context ctx;
    typmshgrp g;
    for (auto _ : state) {
        tex_stripes(ctx, g);
        benchmark::DoNotOptimize(g.texpix.get());
    }
}
BENCHMARK(BM_tex_stripes)->Unit(benchmark::kMicrosecond);

void BM_tex_cells(benchmark::State& state) {
    Context ctx;
    typmshgrp g;
    for (auto _ : state) {
        tex_cells(ctx, g, 2);
        benchmark::DoNotOptimize(g.texpix.get());
    }
}
BENCHMARK(BM_tex_cells)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

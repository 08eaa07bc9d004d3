// The four small painters: noisy grey, solar cells, ridged hull finish and
// stripes. Each paints row by row (y outer, x inner) into a block that it
// allocates once and hands to the group; channel sums wrap modulo 256.
#include "texture/painters.hpp"

#include <cmath>
#include <vector>

#include "texture/noise_lanes.hpp"
#include "texture/paint_support.hpp"

namespace quilbet {

namespace {

// Octaves of the small finishes: nearest(log2(tex_size) / 2), 3 for 64.
int32_t small_octaves() { return nearest_i32(log2(static_cast<long double>(tex_size)) / 2.0L); }

// Paints a t x t block row by row: the octave sums of row y at the points
// (k x / t, k y / t, z), then shade(x, sum) gives each pixel's word.
template <typename Shade>
void paint_rows(NoiseLanes& noise, uint32_t* pix, int32_t t, double k, double z, Shade shade) {
    std::vector<Vec3> p(static_cast<std::size_t>(t));
    std::vector<double> v(static_cast<std::size_t>(t));
    for (int32_t y = 0; y < t; ++y) {
        for (int32_t x = 0; x < t; ++x) p[static_cast<std::size_t>(x)] = Vec3{k * x / t, k * y / t, z};
        noise.sum(t, p.data(), nullptr, v.data());
        for (int32_t x = 0; x < t; ++x) pix[y * t + x] = shade(x, v[static_cast<std::size_t>(x)]);
    }
}

struct CellScheme {
    int32_t columns;
    int32_t jitter;
    int32_t centre[3];
    int32_t frame[3];
};

// Panel types 0, 1, 2; every other type uses the fourth entry.
const CellScheme cell_schemes[4] = {
    {6, 50, {25, 25, 230}, {123, 121, 212}},
    {6, 20, {190, 140, 90}, {250, 214, 102}},
    {8, 50, {25, 25, 195}, {123, 121, 182}},
    {8, 50, {25, 25, 95}, {123, 121, 182}},
};

}  // namespace

void tex_noise_seed(Context& ctx) { paint::seed_noise_from_draw(ctx, 348576.0L); }

void tex_noise(Context& ctx, typmshgrp& g) {
    tex_noise_seed(ctx);
    const int32_t octaves = small_octaves();
    const int32_t t = tex_size;
    uint32_t* pix = paint::attach_pixel_block(g, t);
    const NoiseLaneTables tables(ctx.noise);
    NoiseLanes noise(tables, octaves, 1.0);
    paint_rows(noise, pix, t, 8.0, 100.0,
        [](int32_t, double sum) {
            const float v = static_cast<float>(sum);
            const int32_t h = paint::nearest_exact(50.0 * static_cast<double>(v));
            return paint::opaque(138 + h, 138 + h, 148 + h);
        });
}

void tex_ridges(Context& ctx, typmshgrp& g, RidgeKind kind) {
    paint::seed_noise_from_draw(ctx, 1356832.0L);
    // Kind 1 is the yellowish finish; kind 0 and any unknown kind use the grey
    // base, unknown kinds with the faint amplitude 10.
    int32_t base[3] = {198, 198, 198};
    int32_t amplitude = 10;
    if (kind == RidgeKind::grey) {
        amplitude = 25;
    } else if (kind == RidgeKind::yellowish) {
        base[0] = 178;
        base[1] = 178;
        base[2] = 148;
        amplitude = 30;
    }
    const int32_t octaves = small_octaves();
    const int32_t t = tex_size;
    uint32_t* pix = paint::attach_pixel_block(g, t);
    const NoiseLaneTables tables(ctx.noise);
    NoiseLanes noise(tables, octaves, 1.0);
    paint_rows(noise, pix, t, 8.0, 1900.0,
        [&](int32_t, double sum) {
            // The folded sum, 1 - 2 |clamp(sum, -1, 1)|, as noise_fold.
            if (sum < -1.0) sum = -1.0;
            if (sum > 1.0) sum = 1.0;
            float v = static_cast<float>(1.0 - 2.0 * std::fabs(sum));
            if (v > 0.9L) v = 2.0f;
            const int32_t h = paint::nearest_exact(amplitude * static_cast<double>(v));
            return paint::opaque(base[0] + h, base[1] + h, base[2] + h);
        });
}

void tex_stripes(Context& ctx, typmshgrp& g) {
    paint::seed_noise_from_draw(ctx, 2456324562.0L);
    const int32_t octaves = small_octaves();
    const int32_t t = tex_size;
    const int32_t stripe_pitch = t / 4;
    uint32_t* pix = paint::attach_pixel_block(g, t);
    const NoiseLaneTables tables(ctx.noise);
    NoiseLanes noise(tables, octaves, 1.0);
    paint_rows(noise, pix, t, 4.0, 100.0,
        [&](int32_t x, double sum) {
            float v = static_cast<float>(sum);
            if (x % stripe_pitch == 0) v = static_cast<float>(v - 20.0L);
            const int32_t h = paint::nearest_exact(40.0 * static_cast<double>(v));
            return paint::opaque(125 + h, 145 + h, 125 + h);
        });
}

void tex_cells(Context& ctx, typmshgrp& g, int32_t panel_type) {
    const CellScheme& cs = cell_schemes[(panel_type >= 0 && panel_type <= 2) ? panel_type : 3];
    const int32_t s = 2 * tex_size;
    const int32_t margin = 2;
    const int32_t inner = s - margin;
    const int32_t rows = 6;
    uint32_t* pix = paint::attach_pixel_block(g, s);

    const uint32_t frame = paint::opaque(cs.frame[0], cs.frame[1], cs.frame[2]);
    for (int32_t i = 0; i < s * s; ++i) pix[i] = frame;

    const int32_t cw = inner / cs.columns;
    const int32_t rh = inner / rows;
    const int32_t half = cs.jitter / 2;
    for (int32_t r = 0; r < rows; ++r) {
        const int32_t y0 = rh * r + margin;
        const int32_t height = rh - margin + (r == rows - 1 ? inner % rows : 0);
        for (int32_t k = 0; k < cs.columns; ++k) {
            const int32_t x0 = cw * k + margin;
            const int32_t width = cw - margin + (k == cs.columns - 1 ? inner % cs.columns : 0);
            const int32_t d1 = ctx.random.random_int(cs.jitter);
            const int32_t d2 = ctx.random.random_int(cs.jitter);
            const int32_t d3 = ctx.random.random_int(cs.jitter);
            // Each jitter is kept as a byte, and the sum wraps modulo 256.
            const uint8_t jr = static_cast<uint8_t>(d3 - half);
            const uint8_t jg = static_cast<uint8_t>(d2 - half);
            const uint8_t jb = static_cast<uint8_t>(d1 - half);
            const uint32_t colour = paint::opaque(cs.centre[0] + jr, cs.centre[1] + jg, cs.centre[2] + jb);
            for (int32_t y = y0; y < y0 + height; ++y) {
                for (int32_t x = x0; x < x0 + width; ++x) pix[y * s + x] = colour;
            }
        }
    }
}

}  // namespace quilbet

// The numbered texture styles used by habitats and tanks: streaked browns,
// a domain-warped marble (an octave sum whose per-axis scale is driven by three
// slower sums), grid lines at periods 64 .. 2, panel seams and rivet dots.
// Every quantity is a 6-octave noise sum; pixels are painted row by row.
#include "texture/painters.hpp"

#include "texture/noise_lanes.hpp"
#include "texture/paint_support.hpp"

namespace quilbet {

namespace {

constexpr int32_t style_octaves = 6;
constexpr double plain_wavelength = 32.0;

// Grid weight: sum over m = 0..5 of flag(P_m) / 2^m, P_m = 64 / 2^m. At most 1.96875.
template <typename Flag>
double grid_weight(Flag flag) {
    double w = 0.0;
    double share = 1.0;
    for (int32_t period = 64; period >= 2; period /= 2) {
        if (flag(period)) w += share;
        share /= 2.0;
    }
    return w;
}

// ch + nearest(w (target - ch)); the caller wraps the result modulo 256. The
// weight has at most 6 significant bits, so the product is exact in double.
int32_t toward(int32_t ch, int32_t target, double w) {
    return ch + paint::nearest_exact(w * (target - ch));
}

constexpr int lanes = NoiseLanes::lanes;

// The octave sums a style samples, each over four neighbouring pixels of a
// row at once; one sampler per sum so that every sampler walks its own
// sequence of neighbouring points.
struct StyleNoise {
    StyleNoise(const NoiseTables& nt, double warp_wavelength)
        : nb(nt, style_octaves, plain_wavelength),
          nb2(nt, style_octaves, plain_wavelength),
          streak(nt, style_octaves, plain_wavelength),
          warp_a(nt, style_octaves, warp_wavelength),
          warp_b(nt, style_octaves, warp_wavelength),
          warp_c(nt, style_octaves, warp_wavelength),
          warp_g(nt, style_octaves, warp_wavelength) {}

    // nb: the slow brown noise at (x, y, 100).
    void base(const int32_t x[lanes], int32_t y, double out[lanes]) {
        Vec3 p[lanes];
        for (int j = 0; j < lanes; ++j) p[j] = Vec3{double(x[j]), double(y), 100.0};
        nb.sum(p, out);
    }

    // q: the marbled value, (g/2 + 1/2)^2 of a sum whose scale follows three slower sums.
    void marble(const int32_t x[lanes], int32_t y, float q[lanes]) {
        Vec3 pa[lanes], pb[lanes], pc[lanes];
        for (int j = 0; j < lanes; ++j) {
            pa[j] = Vec3{double(x[j]), double(y), 100.0};
            pb[j] = Vec3{100.0, double(x[j]), double(y)};
            pc[j] = Vec3{double(x[j]), 100.0, double(y)};
        }
        double a[lanes], b[lanes], c[lanes], g[lanes];
        warp_a.sum(pa, a);
        warp_b.sum(pb, b);
        warp_c.sum(pc, c);
        Vec3 warp[lanes];
        for (int j = 0; j < lanes; ++j) warp[j] = Vec3{a[j] / 2.0 + 1.0, b[j] / 2.0 + 1.0, c[j] / 2.0 + 1.0};
        warp_g.sum(pa, warp, g);
        for (int j = 0; j < lanes; ++j) {
            const long double half = static_cast<long double>(g[j]) / 2.0L + 0.5L;
            q[j] = static_cast<float>(half * half);
        }
    }

    // Styles 0, 1, 2: brown with streaks; `wavy` moves the streak sample by 5 nb.
    void streaked(const int32_t x[lanes], int32_t y, bool wavy, double streak_y_scale, uint32_t out[lanes]) {
        double n[lanes];
        base(x, y, n);
        Vec3 p[lanes], scale[lanes];
        for (int j = 0; j < lanes; ++j) {
            p[j] = Vec3{double(x[j]), double(y), 100.0};
            if (wavy) {
                p[j].x = static_cast<double>(x[j] + 5.0L * n[j]);
                p[j].y = static_cast<double>(y + 5.0L * n[j]);
            }
            scale[j] = Vec3{0.5, streak_y_scale, 1.0};
        }
        double s[lanes];
        streak.sum(p, scale, s);
        for (int j = 0; j < lanes; ++j) {
            const int32_t k = paint::nearest_ext(10.0L * n[j]);
            const float s1 = static_cast<float>(s[j] / 2.0L + 0.5L);
            const int32_t rg = paint::nearest_exact(60.0 * static_cast<double>(s1));
            const int32_t bl = paint::nearest_exact(20.0 * static_cast<double>(s1));
            out[j] = paint::opaque(140 + k + rg, 60 + k + rg, 20 + k + bl);
        }
    }

    NoiseLanes nb, nb2, streak, warp_a, warp_b, warp_c, warp_g;
};

// Styles 6 and 8: light plating moved toward (160, 155, 135) by the seam weight.
uint32_t plating(float q, double w) {
    const uint8_t r = static_cast<uint8_t>(200 - paint::nearest_exact(30.0 * static_cast<double>(q)));
    const uint8_t g = static_cast<uint8_t>(200 - paint::nearest_exact(20.0 * static_cast<double>(q)));
    const uint8_t b = static_cast<uint8_t>(180 - paint::nearest_exact(30.0 * static_cast<double>(q)));
    return paint::opaque(toward(r, 160, w), toward(g, 155, w), toward(b, 135, w));
}

}  // namespace

void tex_style(Context& ctx, typmshgrp& g, int32_t style, int32_t size) {
    paint::seed_noise_from_draw(ctx, 34576.0L);
    const int32_t n = size;
    uint32_t* pix = paint::attach_pixel_block(g, n);
    if (pix == nullptr) return;
    const double warp_wavelength = static_cast<float>(static_cast<long double>(n) / 16.0L);
    StyleNoise noise(ctx.noise, warp_wavelength);

    // Four pixels of a row at a time; past the row's end the lanes repeat
    // its last pixel and are not stored.
    for (int32_t y = 0; y < n; ++y) {
        uint32_t* row = pix + static_cast<std::size_t>(y) * static_cast<std::size_t>(n);
        for (int32_t x0 = 0; x0 < n; x0 += lanes) {
            int32_t xs[lanes];
            for (int j = 0; j < lanes; ++j) xs[j] = x0 + j < n ? x0 + j : n - 1;
            uint32_t word[lanes];
            switch (style) {
                case 0:
                    noise.streaked(xs, y, false, 5.0, word);
                    break;
                case 1:
                    noise.streaked(xs, y, true, 5.0, word);
                    break;
                case 2:
                    noise.streaked(xs, y, true, 15.0, word);
                    break;
                case 3:
                case 99: {
                    float q[lanes];
                    noise.marble(xs, y, q);
                    for (int j = 0; j < lanes; ++j) {
                        const double qj = q[j];
                        word[j] = paint::opaque(170 + paint::nearest_exact(20.0 * qj), 120 + paint::nearest_exact(50.0 * qj),
                                                70 + paint::nearest_exact(70.0 * qj));
                    }
                    break;
                }
                case 4:
                    for (int j = 0; j < lanes; ++j) {
                        const int32_t x = xs[j];
                        const double w = grid_weight([&](int32_t p) { return x % p == 0 || y % p == 0; });
                        word[j] = paint::opaque(paint::nearest_exact(150.0 * w), 10 + paint::nearest_exact(190.0 * w),
                                                80 + paint::nearest_exact(160.0 * w));
                    }
                    break;
                case 5: {
                    double nb[lanes], nb2[lanes];
                    noise.base(xs, y, nb);
                    Vec3 p2[lanes];
                    for (int j = 0; j < lanes; ++j) p2[j] = Vec3{100.0, double(xs[j]), double(y)};
                    noise.nb2.sum(p2, nb2);
                    for (int j = 0; j < lanes; ++j) {
                        const float g1 = static_cast<float>(16.0L * nb[j]);
                        const float g2 = static_cast<float>(16.0L * nb2[j]);
                        const int32_t gx = paint::nearest_ext(static_cast<long double>(xs[j]) + g1);
                        const int32_t gy = paint::nearest_ext(static_cast<long double>(y) + g2);
                        const double w = grid_weight([&](int32_t p) { return gx % p == 0 || gy % p == 0; });
                        const int32_t rg = paint::nearest_exact(150.0 * w);
                        word[j] = paint::opaque(50 + rg, 50 + rg, 50 + paint::nearest_exact(190.0 * w));
                    }
                    break;
                }
                case 6: {
                    float q[lanes];
                    noise.marble(xs, y, q);
                    for (int j = 0; j < lanes; ++j) {
                        const int32_t x = xs[j];
                        const double w = grid_weight([&](int32_t p) { return x % p < 2 || y % p < 2; });
                        word[j] = plating(q[j], w);
                    }
                    break;
                }
                case 7: {
                    float q[lanes];
                    noise.marble(xs, y, q);
                    for (int j = 0; j < lanes; ++j) {
                        const int64_t i = static_cast<int64_t>(y) * n + xs[j];
                        const bool rivet = i % 674 == 0 || (i + 1) % 674 == 0 || (i + n) % 674 == 0 ||
                                           (i + n + 1) % 674 == 0;
                        if (rivet) {
                            word[j] = paint::opaque(50, 50, 50);
                        } else {
                            const int32_t grey = 180 + paint::nearest_exact(10.0 * static_cast<double>(q[j]));
                            word[j] = paint::opaque(grey, grey, grey);
                        }
                    }
                    break;
                }
                case 8: {
                    float q[lanes];
                    noise.marble(xs, y, q);
                    for (int j = 0; j < lanes; ++j) {
                        const int64_t xy = static_cast<int64_t>(xs[j]) * y;
                        const double w = grid_weight([&](int32_t p) { return xy % p < 6; });
                        word[j] = plating(q[j], w);
                    }
                    break;
                }
                default:
                    // No such style: a flat mid grey, so the block is never left unwritten.
                    for (uint32_t& w : word) w = paint::opaque(128, 128, 128);
                    break;
            }
            for (int j = 0; j < lanes && x0 + j < n; ++j) row[x0 + j] = word[j];
        }
    }
}

}  // namespace quilbet

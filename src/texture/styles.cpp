// The numbered texture styles used by habitats and tanks: streaked browns,
// a domain-warped marble (an octave sum whose per-axis scale is driven by three
// slower sums), grid lines at periods 64 .. 2, panel seams and rivet dots.
// Every quantity is a 6-octave noise sum, evaluated a whole row of pixels at a
// time by the four-lane sampler; channel terms that a double holds exactly
// round without the x87 unit.
#include "texture/painters.hpp"

#include <vector>

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

// The octave sums a style samples, each over a whole row of pixels at once;
// one sampler per sum so that every sampler walks its own sequence of
// neighbouring points. The row buffers are reused from row to row.
struct StyleNoise {
    StyleNoise(const NoiseTables& nt, double warp_wavelength, int32_t n)
        : tables(nt),
          nb(tables, style_octaves, plain_wavelength),
          nb2(tables, style_octaves, plain_wavelength),
          streak(tables, style_octaves, plain_wavelength),
          warp_a(tables, style_octaves, warp_wavelength),
          warp_b(tables, style_octaves, warp_wavelength),
          warp_c(tables, style_octaves, warp_wavelength),
          warp_g(tables, style_octaves, warp_wavelength),
          n_(n),
          pa(static_cast<std::size_t>(n)),
          pb(static_cast<std::size_t>(n)),
          pc(static_cast<std::size_t>(n)),
          scale(static_cast<std::size_t>(n)),
          va(static_cast<std::size_t>(n)),
          vb(static_cast<std::size_t>(n)),
          vc(static_cast<std::size_t>(n)),
          vg(static_cast<std::size_t>(n)) {}

    // The points (x, y, 100) of row y in pa.
    void row_points(int32_t y) {
        for (int32_t x = 0; x < n_; ++x) pa[static_cast<std::size_t>(x)] = Vec3{double(x), double(y), 100.0};
    }

    // nb of row y, the slow brown noise at (x, y, 100), into out.
    void base(int32_t y, double* out) {
        row_points(y);
        nb.sum(n_, pa.data(), nullptr, out);
    }

    // q of row y: the marbled value, (g/2 + 1/2)^2 of a sum whose scale follows three slower sums.
    void marble(int32_t y, float* q) {
        row_points(y);
        for (int32_t x = 0; x < n_; ++x) {
            pb[static_cast<std::size_t>(x)] = Vec3{100.0, double(x), double(y)};
            pc[static_cast<std::size_t>(x)] = Vec3{double(x), 100.0, double(y)};
        }
        warp_a.sum(n_, pa.data(), nullptr, va.data());
        warp_b.sum(n_, pb.data(), nullptr, vb.data());
        warp_c.sum(n_, pc.data(), nullptr, vc.data());
        for (std::size_t x = 0; x < scale.size(); ++x) {
            scale[x] = Vec3{va[x] / 2.0 + 1.0, vb[x] / 2.0 + 1.0, vc[x] / 2.0 + 1.0};
        }
        warp_g.sum(n_, pa.data(), scale.data(), vg.data());
        for (std::size_t x = 0; x < vg.size(); ++x) {
            const long double half = static_cast<long double>(vg[x]) / 2.0L + 0.5L;
            q[x] = static_cast<float>(half * half);
        }
    }

    // Styles 0, 1, 2 on row y: brown with streaks; `wavy` moves the streak sample by 5 nb.
    void streaked(int32_t y, bool wavy, double streak_y_scale, uint32_t* row) {
        base(y, va.data());
        for (int32_t x = 0; x < n_; ++x) {
            const std::size_t i = static_cast<std::size_t>(x);
            pb[i] = Vec3{double(x), double(y), 100.0};
            if (wavy) {
                pb[i].x = static_cast<double>(x + 5.0L * va[i]);
                pb[i].y = static_cast<double>(y + 5.0L * va[i]);
            }
            scale[i] = Vec3{0.5, streak_y_scale, 1.0};
        }
        streak.sum(n_, pb.data(), scale.data(), vb.data());
        for (std::size_t x = 0; x < vb.size(); ++x) {
            const int32_t k = paint::nearest_ext(10.0L * va[x]);
            const float s1 = static_cast<float>(vb[x] / 2.0L + 0.5L);
            const int32_t rg = paint::nearest_exact(60.0 * static_cast<double>(s1));
            const int32_t bl = paint::nearest_exact(20.0 * static_cast<double>(s1));
            row[x] = paint::opaque(140 + k + rg, 60 + k + rg, 20 + k + bl);
        }
    }

    NoiseLaneTables tables;
    NoiseLanes nb, nb2, streak, warp_a, warp_b, warp_c, warp_g;
    int32_t n_;                            // pixels per row
    std::vector<Vec3> pa, pb, pc, scale;   // row points and scales
    std::vector<double> va, vb, vc, vg;    // row sums
};

// Styles 6 and 8: light plating moved toward (160, 155, 135) by the seam weight.
uint32_t plating(float q, double w) {
    const uint8_t r = static_cast<uint8_t>(200 - paint::nearest_exact(30.0 * static_cast<double>(q)));
    const uint8_t g = static_cast<uint8_t>(200 - paint::nearest_exact(20.0 * static_cast<double>(q)));
    const uint8_t b = static_cast<uint8_t>(180 - paint::nearest_exact(30.0 * static_cast<double>(q)));
    return paint::opaque(toward(r, 160, w), toward(g, 155, w), toward(b, 135, w));
}

}  // namespace

void tex_style(Context& ctx, typmshgrp& g, TexStyle style, int32_t size) {
    paint::seed_noise_from_draw(ctx, 34576.0L);
    const int32_t n = size;
    uint32_t* pix = paint::attach_pixel_block(g, n);
    if (pix == nullptr) return;
    const double warp_wavelength = static_cast<float>(static_cast<long double>(n) / 16.0L);
    StyleNoise noise(ctx.noise, warp_wavelength, n);
    std::vector<float> q(static_cast<std::size_t>(n));
    std::vector<double> nb(static_cast<std::size_t>(n));
    std::vector<double> nb2(static_cast<std::size_t>(n));

    for (int32_t y = 0; y < n; ++y) {
        uint32_t* row = pix + static_cast<std::size_t>(y) * static_cast<std::size_t>(n);
        switch (style) {
            case TexStyle::streaks:
                noise.streaked(y, false, 5.0, row);
                break;
            case TexStyle::wavy_streaks:
                noise.streaked(y, true, 5.0, row);
                break;
            case TexStyle::fine_wavy_streaks:
                noise.streaked(y, true, 15.0, row);
                break;
            case TexStyle::tan_marble:
            case TexStyle::tan_marble_too:
                noise.marble(y, q.data());
                for (int32_t x = 0; x < n; ++x) {
                    const double qx = q[static_cast<std::size_t>(x)];
                    row[x] = paint::opaque(170 + paint::nearest_exact(20.0 * qx), 120 + paint::nearest_exact(50.0 * qx),
                                           70 + paint::nearest_exact(70.0 * qx));
                }
                break;
            case TexStyle::blue_grid:
                for (int32_t x = 0; x < n; ++x) {
                    const double w = grid_weight([&](int32_t p) { return x % p == 0 || y % p == 0; });
                    row[x] = paint::opaque(paint::nearest_exact(150.0 * w), 10 + paint::nearest_exact(190.0 * w),
                                           80 + paint::nearest_exact(160.0 * w));
                }
                break;
            case TexStyle::warped_grid:
                noise.base(y, nb.data());
                for (int32_t x = 0; x < n; ++x) {
                    noise.pb[static_cast<std::size_t>(x)] = Vec3{100.0, double(x), double(y)};
                }
                noise.nb2.sum(n, noise.pb.data(), nullptr, nb2.data());
                for (int32_t x = 0; x < n; ++x) {
                    const float g1 = static_cast<float>(16.0L * nb[static_cast<std::size_t>(x)]);
                    const float g2 = static_cast<float>(16.0L * nb2[static_cast<std::size_t>(x)]);
                    const int32_t gx = paint::nearest_ext(static_cast<long double>(x) + g1);
                    const int32_t gy = paint::nearest_ext(static_cast<long double>(y) + g2);
                    const double w = grid_weight([&](int32_t p) { return gx % p == 0 || gy % p == 0; });
                    const int32_t rg = paint::nearest_exact(150.0 * w);
                    row[x] = paint::opaque(50 + rg, 50 + rg, 50 + paint::nearest_exact(190.0 * w));
                }
                break;
            case TexStyle::light_plating:
                noise.marble(y, q.data());
                for (int32_t x = 0; x < n; ++x) {
                    const double w = grid_weight([&](int32_t p) { return x % p < 2 || y % p < 2; });
                    row[x] = plating(q[static_cast<std::size_t>(x)], w);
                }
                break;
            case TexStyle::riveted_plating:
                noise.marble(y, q.data());
                for (int32_t x = 0; x < n; ++x) {
                    const int64_t i = static_cast<int64_t>(y) * n + x;
                    const bool rivet =
                        i % 674 == 0 || (i + 1) % 674 == 0 || (i + n) % 674 == 0 || (i + n + 1) % 674 == 0;
                    if (rivet) {
                        row[x] = paint::opaque(50, 50, 50);
                    } else {
                        const double qx = q[static_cast<std::size_t>(x)];
                        const int32_t grey = 180 + paint::nearest_exact(10.0 * qx);
                        row[x] = paint::opaque(grey, grey, grey);
                    }
                }
                break;
            case TexStyle::hyperbolic_plating:
                noise.marble(y, q.data());
                for (int32_t x = 0; x < n; ++x) {
                    const int64_t xy = static_cast<int64_t>(x) * y;
                    const double w = grid_weight([&](int32_t p) { return xy % p < 6; });
                    row[x] = plating(q[static_cast<std::size_t>(x)], w);
                }
                break;
            default:
                // No such style: a flat mid grey, so the block is never left unwritten.
                for (int32_t x = 0; x < n; ++x) row[x] = paint::opaque(128, 128, 128);
                break;
        }
    }
}

}  // namespace quilbet

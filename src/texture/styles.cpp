// The numbered texture styles used by habitats and tanks: streaked browns,
// a domain-warped marble (an octave sum whose per-axis scale is driven by three
// slower sums), grid lines at periods 64 .. 2, panel seams and rivet dots.
// Every quantity is a 6-octave noise sum; pixels are painted row by row.
#include "texture/painters.hpp"

#include "texture/noise_sampler.hpp"
#include "texture/paint_support.hpp"

namespace quilbet {

namespace {

constexpr int32_t style_octaves = 6;
constexpr double plain_wavelength = 32.0;
const Vec3 unit_scale{1.0, 1.0, 1.0};

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

// ch + nearest(w (target - ch)); the caller wraps the result modulo 256.
int32_t toward(int32_t ch, int32_t target, double w) {
    return ch + nearest_i32(static_cast<long double>(w) * (target - ch));
}

// The octave sums a style samples, one sampler each so that every sampler
// walks its own sequence of neighbouring points.
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
    double base(int32_t x, int32_t y) { return nb.sum(Vec3{double(x), double(y), 100.0}, unit_scale); }

    // q: the marbled value, (g/2 + 1/2)^2 of a sum whose scale follows three slower sums.
    float marble(int32_t x, int32_t y) {
        const double a = warp_a.sum(Vec3{double(x), double(y), 100.0}, unit_scale);
        const double b = warp_b.sum(Vec3{100.0, double(x), double(y)}, unit_scale);
        const double c = warp_c.sum(Vec3{double(x), 100.0, double(y)}, unit_scale);
        const Vec3 warp{a / 2.0 + 1.0, b / 2.0 + 1.0, c / 2.0 + 1.0};
        const long double g = warp_g.sum(Vec3{double(x), double(y), 100.0}, warp);
        const long double half = g / 2.0L + 0.5L;
        return static_cast<float>(half * half);
    }

    // Styles 0, 1, 2: brown with streaks; `wavy` moves the streak sample by 5 nb.
    uint32_t streaked(int32_t x, int32_t y, bool wavy, double streak_y_scale) {
        const double n = base(x, y);
        const int32_t k = nearest_i32(10.0L * n);
        Vec3 p{double(x), double(y), 100.0};
        if (wavy) {
            p.x = static_cast<double>(x + 5.0L * n);
            p.y = static_cast<double>(y + 5.0L * n);
        }
        const long double s = streak.sum(p, Vec3{0.5, streak_y_scale, 1.0});
        const float s1 = static_cast<float>(s / 2.0L + 0.5L);
        const int32_t rg = nearest_i32(60.0L * s1);
        const int32_t bl = nearest_i32(20.0L * s1);
        return paint::opaque(140 + k + rg, 60 + k + rg, 20 + k + bl);
    }

    NoiseSampler nb, nb2, streak, warp_a, warp_b, warp_c, warp_g;
};

// Styles 6 and 8: light plating moved toward (160, 155, 135) by the seam weight.
uint32_t plating(float q, double w) {
    const uint8_t r = static_cast<uint8_t>(200 - nearest_i32(30.0L * q));
    const uint8_t g = static_cast<uint8_t>(200 - nearest_i32(20.0L * q));
    const uint8_t b = static_cast<uint8_t>(180 - nearest_i32(30.0L * q));
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

    for (int32_t y = 0; y < n; ++y) {
        uint32_t* row = pix + static_cast<std::size_t>(y) * static_cast<std::size_t>(n);
        for (int32_t x = 0; x < n; ++x) {
            uint32_t word;
            switch (style) {
                case 0:
                    word = noise.streaked(x, y, false, 5.0);
                    break;
                case 1:
                    word = noise.streaked(x, y, true, 5.0);
                    break;
                case 2:
                    word = noise.streaked(x, y, true, 15.0);
                    break;
                case 3:
                case 99: {
                    const float q = noise.marble(x, y);
                    word = paint::opaque(170 + nearest_i32(20.0L * q), 120 + nearest_i32(50.0L * q),
                                         70 + nearest_i32(70.0L * q));
                    break;
                }
                case 4: {
                    const double w = grid_weight([&](int32_t p) { return x % p == 0 || y % p == 0; });
                    word = paint::opaque(nearest_i32(150.0L * w), 10 + nearest_i32(190.0L * w),
                                         80 + nearest_i32(160.0L * w));
                    break;
                }
                case 5: {
                    const double nb = noise.base(x, y);
                    const double nb2 = noise.nb2.sum(Vec3{100.0, double(x), double(y)}, unit_scale);
                    const float g1 = static_cast<float>(16.0L * nb);
                    const float g2 = static_cast<float>(16.0L * nb2);
                    const int32_t gx = nearest_i32(static_cast<long double>(x) + g1);
                    const int32_t gy = nearest_i32(static_cast<long double>(y) + g2);
                    const double w = grid_weight([&](int32_t p) { return gx % p == 0 || gy % p == 0; });
                    const int32_t rg = nearest_i32(150.0L * w);
                    word = paint::opaque(50 + rg, 50 + rg, 50 + nearest_i32(190.0L * w));
                    break;
                }
                case 6: {
                    const float q = noise.marble(x, y);
                    const double w = grid_weight([&](int32_t p) { return x % p < 2 || y % p < 2; });
                    word = plating(q, w);
                    break;
                }
                case 7: {
                    const int64_t i = static_cast<int64_t>(y) * n + x;
                    const bool rivet = i % 674 == 0 || (i + 1) % 674 == 0 || (i + n) % 674 == 0 ||
                                       (i + n + 1) % 674 == 0;
                    if (rivet) {
                        word = paint::opaque(50, 50, 50);
                    } else {
                        const int32_t grey = 180 + nearest_i32(10.0L * noise.marble(x, y));
                        word = paint::opaque(grey, grey, grey);
                    }
                    break;
                }
                case 8: {
                    const float q = noise.marble(x, y);
                    const int64_t xy = static_cast<int64_t>(x) * y;
                    const double w = grid_weight([&](int32_t p) { return xy % p < 6; });
                    word = plating(q, w);
                    break;
                }
                default:
                    // No such style: a flat mid grey, so the block is never left unwritten.
                    word = paint::opaque(128, 128, 128);
                    break;
            }
            row[x] = word;
        }
    }
}

}  // namespace quilbet

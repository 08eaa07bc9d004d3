// The painters' fast paths against the plain definitions, bit for bit: the
// octave sum's sample points and two-sum accumulation, the four-lane SSE2
// row sums, and every painter against a plain painter built on noise_sum.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "lane_support.hpp"
#include "texture/noise_lanes.hpp"
#include "texture/noise_reference.hpp"
#include "texture/painters.hpp"

namespace quilbet {
namespace {

using testing_lanes::same_bits;
using testing_lanes::seeded;

// Awkward and ordinary coordinates: integers, fractions, negatives, zero,
// values beyond 2^23 and 2^31, values near the float limits.
double coordinate(Random& r, int kind) {
    const long double f = r.random_fraction();
    switch (kind % 8) {
        case 0: return std::floor(f * 512.0L) - 256.0;
        case 1: return static_cast<double>(f * 300.0L - 150.0L);
        case 2: return 0.0;
        case 3: return static_cast<double>((f - 0.5L) * 1e7L);
        case 4: return static_cast<double>((f - 0.5L) * 1e12L);
        case 5: return static_cast<double>(f * 1e-39L);
        case 6: return static_cast<double>(f * 3e38L);
        default: return static_cast<double>(f * 8.0L);
    }
}

TEST(FastPaths, SeedingMatchesTheExtendedSineAndCosine) {
    // 2000 seeds, half a million gradients: the double sine and cosine must
    // settle every one of them as the extended functions do.
    Random fast;
    Random plain;
    for (int32_t i = 0; i < 2000; ++i) {
        const int32_t seed = i * 7919 - 3000000;
        NoiseTables a;
        NoiseTables b;
        noise_seed(a, fast, seed);
        reference_noise_seed(b, plain, seed);
        ASSERT_EQ(std::memcmp(a.noise_perm, b.noise_perm, sizeof a.noise_perm), 0) << seed;
        ASSERT_EQ(std::memcmp(a.noise_grad, b.noise_grad, sizeof a.noise_grad), 0) << seed;
    }
}

TEST(FastPaths, NoiseSumMatchesThePlainDefinition) {
    const NoiseTables nt = seeded(31337);
    const double wavelengths[] = {1, 8, 16, 32, 3, 0.75, 0.125, 1e-3, 100.5, 6.4e4, 1e20};
    const Vec3 scales[] = {{1, 1, 1}, {0.5, 5, 1}, {0.5, 15, 1}, {1.25, 0.9, 1.4999}, {-2, 1e-30, 7e30}};
    Random r;
    int checked = 0;
    for (int i = 0; i < 6000; ++i) {
        const Vec3 p{coordinate(r, i % 3 == 0 ? i / 3 : 1), coordinate(r, i % 5 == 0 ? i / 5 : 7),
                     coordinate(r, i % 7 == 0 ? i / 7 : 0)};
        const double wl = wavelengths[i % std::size(wavelengths)];
        const Vec3 sc = scales[(i / 11) % std::size(scales)];
        const int32_t octaves = (i % 13 == 0) ? 33 : i % 8;
        const double got = noise_sum(nt, p, octaves, sc, wl);
        const double want = reference_noise_sum(nt, p, octaves, sc, wl);
        if (std::isnan(want)) {
            EXPECT_TRUE(std::isnan(got));
            continue;
        }
        ASSERT_TRUE(same_bits(got, want)) << i << ": " << p.x << " " << p.y << " " << p.z << " wl " << wl;
        ++checked;
    }
    EXPECT_GT(checked, 5000);

    // Points whose rounded sample would leave the normal float range in some
    // octave: subnormal and near-overflow products must take the general path.
    const double edges[] = {1e-39, 3.3e-39, 1.5e-45, 1.1754944e-38, 2.5e-38, 3e38, 1e30, 1.7e38, 0.3, -7.25};
    for (double a : edges) {
        for (double b : edges) {
            for (double wl : {0.125, 1.0, 32.0, 1e-3, 4096.0}) {
                for (int32_t octaves : {6, 33}) {
                    const Vec3 p{a, b, 0.5};
                    for (const Vec3& sc : {Vec3{1, 1, 1}, Vec3{3, 0.25, 1}}) {
                        const double want = reference_noise_sum(nt, p, octaves, sc, wl);
                        const double got = noise_sum(nt, p, octaves, sc, wl);
                        if (std::isnan(want)) {
                            EXPECT_TRUE(std::isnan(got));
                        } else {
                            ASSERT_TRUE(same_bits(got, want)) << a << " " << b << " wl " << wl << " oct " << octaves;
                        }
                    }
                }
            }
        }
    }
}

TEST(FastPaths, LongRowsMatchNoiseSumAndFold) {
    // Rows of 300 neighbouring pixels (the cell caches' case), with a warped
    // scale, at eighth-pixel steps, and with far jumps; the folded sum too.
    const NoiseTables nt = seeded(-4242);
    const NoiseLaneTables tables(nt);
    Random r;
    for (double wl : {32.0, 16.0, 8.0, 1.0, 5.0}) {
        for (int32_t octaves : {3, 6}) {
            NoiseLanes lanes(tables, octaves, wl);
            for (int y = -3; y < 40; y += 7) {
                std::vector<Vec3> p, warp, h, q;
                for (int x = 0; x < 300; ++x) {
                    p.push_back(Vec3{double(x), double(y), 100.0});
                    warp.push_back(Vec3{1.0 + double(x % 17) / 37.0, 0.75 + double(y) / 91.0, 1.5});
                    h.push_back(Vec3{x / 8.0, y / 8.0, 100.0});
                    q.push_back(Vec3{coordinate(r, x), coordinate(r, x + y), 1900.0});
                }
                std::vector<double> unit(300), warped(300), eighths(300), far(300);
                lanes.sum(300, p.data(), nullptr, unit.data());
                lanes.sum(300, p.data(), warp.data(), warped.data());
                lanes.sum(300, h.data(), nullptr, eighths.data());
                lanes.sum(300, q.data(), nullptr, far.data());
                for (size_t x = 0; x < 300; ++x) {
                    ASSERT_TRUE(same_bits(unit[x], noise_sum(nt, p[x], octaves, Vec3{1, 1, 1}, wl))) << x << "," << y;
                    ASSERT_TRUE(same_bits(warped[x], noise_sum(nt, p[x], octaves, warp[x], wl))) << x << "," << y;
                    ASSERT_TRUE(same_bits(eighths[x], noise_sum(nt, h[x], octaves, Vec3{1, 1, 1}, wl))) << x << "," << y;
                    const double want = noise_sum(nt, q[x], octaves, Vec3{1, 1, 1}, wl);
                    if (std::isnan(want)) {
                        EXPECT_TRUE(std::isnan(far[x]));
                    } else {
                        ASSERT_TRUE(same_bits(far[x], want)) << q[x].x << " " << q[x].y;
                    }
                }
            }
        }
    }
}

TEST(FastPaths, RowSumsMatchNoiseSumPointByPoint) {
    const NoiseTables nt = seeded(90210);
    Random r;
    const double wavelengths[] = {32, 16, 8, 1, 0.5, 5, 100.5, 1e-3};
    for (double wl : wavelengths) {
        for (int32_t octaves : {0, 1, 3, 6, 9, 33, -2}) {
            const NoiseLaneTables tables(nt);
            NoiseLanes lanes(tables, octaves, wl);
            for (int i = 0; i < 60; ++i) {
                // Row lengths that fill the four lanes, leave some empty, or are a single point.
                const int count = 1 + (i * 7) % 23;
                std::vector<Vec3> p(static_cast<size_t>(count));
                std::vector<Vec3> sc(static_cast<size_t>(count));
                for (int j = 0; j < count; ++j) {
                    Vec3& q = p[static_cast<size_t>(j)];
                    Vec3& s = sc[static_cast<size_t>(j)];
                    s = Vec3{1, 1, 1};
                    switch (i % 5) {
                        case 0:   // a row of neighbouring pixels: groups share the slow octaves' cells
                            q = Vec3{double(j), double(i / 5), 100.0};
                            break;
                        case 1:   // a row with a warped scale that differs per point
                            q = Vec3{double(j) - 150.0, 100.0, double(i % 37) - 18.0};
                            s = Vec3{1.0 + double((i + j) % 17) / 37.0, 0.5 + (j % 4) / 9.0, 1.5 - double(i % 7) / 13.0};
                            break;
                        case 2:   // an occasional far or awkward point among ordinary ones
                            q = j % 5 == i % 5 ? Vec3{coordinate(r, i + j), coordinate(r, i + 3), coordinate(r, 1)}
                                               : Vec3{coordinate(r, 1), coordinate(r, 7), 100.0};
                            break;
                        case 3:   // every point awkward, with awkward scales
                            q = Vec3{coordinate(r, i + j), coordinate(r, i + 2 * j), coordinate(r, 3 * j)};
                            s = Vec3{j % 2 ? 1.0 : -2.0, j % 4 == 3 ? 1e-30 : 0.75, j % 4 == 1 ? 7e30 : 1.0};
                            break;
                        default:   // half-pixel steps: lattice points at some octaves only
                            q = Vec3{(i * 4 + j) / 2.0, -(i / 3.0), 1900.0};
                            break;
                    }
                }
                std::vector<double> got(static_cast<size_t>(count));
                std::vector<double> got_unit(static_cast<size_t>(count));
                lanes.sum(count, p.data(), sc.data(), got.data());
                lanes.sum(count, p.data(), nullptr, got_unit.data());
                for (size_t j = 0; j < got.size(); ++j) {
                    const double want = noise_sum(nt, p[j], octaves, sc[j], wl);
                    const double want_unit = noise_sum(nt, p[j], octaves, Vec3{1, 1, 1}, wl);
                    if (std::isnan(want)) {
                        EXPECT_TRUE(std::isnan(got[j]));
                    } else {
                        ASSERT_TRUE(same_bits(got[j], want))
                            << "wl " << wl << " oct " << octaves << " case " << i << " point " << j << ": " << p[j].x
                            << " " << p[j].y << " " << p[j].z;
                    }
                    if (std::isnan(want_unit)) {
                        EXPECT_TRUE(std::isnan(got_unit[j]));
                    } else {
                        ASSERT_TRUE(same_bits(got_unit[j], want_unit)) << "unit, case " << i << " point " << j;
                    }
                }
            }
        }
    }
}

TEST(FastPaths, RowSumsWithWholeAxesInEveryLaneLayout) {
    // Every choice of axes on which all four lanes of a group sit on whole
    // numbers (their corners and products are skipped), with the four lanes in
    // one cell, in two cells of two lanes, in four cells, or with a whole
    // number in some lanes only.
    const NoiseTables nt = seeded(777);
    const double layouts[4][4] = {{0.1, 0.3, 0.55, 0.9}, {0.2, 0.7, 1.25, 1.5}, {0.3, 3.6, -6.2, 1.05}, {0.0, 0.5, 2.0, 0.75}};
    for (int zero_axes = 0; zero_axes < 8; ++zero_axes) {
        for (int layout = 0; layout < 4; ++layout) {
            for (double cell : {0.0, 17.0, -40.0, 255.0}) {
                std::vector<Vec3> p(8);
                for (int j = 0; j < 8; ++j) {
                    double c[3];
                    for (int a = 0; a < 3; ++a) {
                        const double whole = cell + a * 3 + j / 4;
                        c[a] = (zero_axes >> a & 1) ? whole : whole + layouts[layout][j % 4] + a * 0.0625;
                    }
                    p[static_cast<size_t>(j)] = Vec3{c[0], c[1], c[2]};
                }
                for (int32_t octaves : {1, 3}) {
                    const NoiseLaneTables tables(nt);
            NoiseLanes lanes(tables, octaves, 1.0);
                    std::vector<double> got(p.size());
                    lanes.sum(static_cast<int32_t>(p.size()), p.data(), nullptr, got.data());
                    for (size_t j = 0; j < p.size(); ++j) {
                        const double want = reference_noise_sum(nt, p[j], octaves, Vec3{1, 1, 1}, 1.0);
                        ASSERT_TRUE(same_bits(got[j], want)) << "zero axes " << zero_axes << " layout " << layout
                                                             << " cell " << cell << " point " << j;
                    }
                }
            }
        }
    }
}

TEST(FastPaths, RowSumsRoundScaledPointsLikeExtendedPrecision) {
    // Scales whose double product with a whole coordinate lands exactly on a
    // tie between two floats while the extended product lies just beside it:
    // rounding the double product to float would break the tie the wrong way
    // for about half of them.
    const NoiseTables nt = seeded(5150);
    std::vector<Vec3> p;
    std::vector<Vec3> sc;
    for (int coord = 3; coord < 400 && p.size() < 64; coord += 2) {
        for (int k = 0; k < 40 && p.size() < 64; ++k) {
            const double tie = 1.0 + 0x1p-24 + k * 0x1p-23;
            const double s = tie / coord;
            const bool double_tie = s * coord == tie;
            const bool extended_off = static_cast<long double>(s) * coord != static_cast<long double>(tie);
            if (double_tie && extended_off) {
                p.push_back(Vec3{double(coord), double(coord), 100.0});
                sc.push_back(Vec3{s, 1.0, 1.0});
            }
        }
    }
    ASSERT_GT(p.size(), 16u);
    for (double wl : {1.0, 32.0}) {
        const NoiseLaneTables tables(nt);
            NoiseLanes lanes(tables, 6, wl);
        std::vector<double> got(p.size());
        lanes.sum(static_cast<int32_t>(p.size()), p.data(), sc.data(), got.data());
        for (size_t j = 0; j < p.size(); ++j) {
            ASSERT_TRUE(same_bits(got[j], noise_sum(nt, p[j], 6, sc[j], wl))) << "scale " << sc[j].x << " at " << p[j].x;
        }
    }
}

// ---- plain painters: the documented recipes on top of noise_sum ----

int32_t nearest(long double v) { return nearest_i32(v); }

uint32_t word(int r, int g, int b) {
    return rgba_pack(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 255);
}

void seed_from_draw(Context& ctx, long double k) {
    const long double r = ctx.random.random_fraction();
    noise_seed(ctx.noise, ctx.random, nearest_low32(r * k));
}

const Vec3 one{1, 1, 1};

std::vector<uint32_t> plain_noise(Context& ctx) {
    seed_from_draw(ctx, 348576.0L);
    const int t = tex_size;
    std::vector<uint32_t> px;
    for (int y = 0; y < t; ++y) {
        for (int x = 0; x < t; ++x) {
            const float v = static_cast<float>(noise_sum(ctx.noise, Vec3{8.0 * x / t, 8.0 * y / t, 100}, 3, one, 1));
            const int h = nearest(50.0L * v);
            px.push_back(word(138 + h, 138 + h, 148 + h));
        }
    }
    return px;
}

std::vector<uint32_t> plain_ridges(Context& ctx, int kind) {
    const int base[3] = {kind == 1 ? 178 : 198, kind == 1 ? 178 : 198, kind == 1 ? 148 : 198};
    const int amplitude = kind == 0 ? 25 : (kind == 1 ? 30 : 10);
    seed_from_draw(ctx, 1356832.0L);
    const int t = tex_size;
    std::vector<uint32_t> px;
    for (int y = 0; y < t; ++y) {
        for (int x = 0; x < t; ++x) {
            float v = static_cast<float>(noise_fold(ctx.noise, Vec3{8.0 * x / t, 8.0 * y / t, 1900}, 3, one, 1));
            if (v > 0.9L) v = 2.0f;
            const int h = nearest(amplitude * static_cast<long double>(v));
            px.push_back(word(base[0] + h, base[1] + h, base[2] + h));
        }
    }
    return px;
}

std::vector<uint32_t> plain_stripes(Context& ctx) {
    seed_from_draw(ctx, 2456324562.0L);
    const int t = tex_size;
    std::vector<uint32_t> px;
    for (int y = 0; y < t; ++y) {
        for (int x = 0; x < t; ++x) {
            float v = static_cast<float>(noise_sum(ctx.noise, Vec3{4.0 * x / t, 4.0 * y / t, 100}, 3, one, 1));
            if (x % (t / 4) == 0) v = static_cast<float>(v - 20.0L);
            const int h = nearest(40.0L * v);
            px.push_back(word(125 + h, 145 + h, 125 + h));
        }
    }
    return px;
}

std::vector<uint32_t> plain_style(Context& ctx, int style, int n) {
    seed_from_draw(ctx, 34576.0L);
    const NoiseTables& nt = ctx.noise;
    const double wl = static_cast<float>(n / 16.0L);
    const auto nb_at = [&](int x, int y) { return noise_sum(nt, Vec3{double(x), double(y), 100}, 6, one, 32); };
    const auto q_at = [&](int x, int y) {
        const double a = noise_sum(nt, Vec3{double(x), double(y), 100}, 6, one, wl);
        const double b = noise_sum(nt, Vec3{100, double(x), double(y)}, 6, one, wl);
        const double c = noise_sum(nt, Vec3{double(x), 100, double(y)}, 6, one, wl);
        const long double g =
            noise_sum(nt, Vec3{double(x), double(y), 100}, 6, Vec3{a / 2 + 1, b / 2 + 1, c / 2 + 1}, wl);
        return static_cast<float>((g / 2 + 0.5L) * (g / 2 + 0.5L));
    };
    const auto weight = [](auto flag) {
        double w = 0;
        for (int m = 0; m < 6; ++m) w += flag(64 >> m) ? 1.0 / (1 << m) : 0.0;
        return w;
    };
    const auto toward = [](int ch, int t, double w) { return ch + nearest(w * static_cast<long double>(t - ch)); };
    std::vector<uint32_t> px;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            if (style <= 2) {
                const double nb = nb_at(x, y);
                const int k = nearest(10.0L * nb);
                Vec3 p{double(x), double(y), 100};
                if (style > 0) p = Vec3{double(x + 5.0L * nb), double(y + 5.0L * nb), 100};
                const long double s = noise_sum(nt, p, 6, Vec3{0.5, style == 2 ? 15.0 : 5.0, 1}, 32);
                const float s1 = static_cast<float>(s / 2 + 0.5L);
                px.push_back(word(140 + k + nearest(60.0L * s1), 60 + k + nearest(60.0L * s1), 20 + k + nearest(20.0L * s1)));
            } else if (style == 3 || style == 99) {
                const float q = q_at(x, y);
                px.push_back(word(170 + nearest(20.0L * q), 120 + nearest(50.0L * q), 70 + nearest(70.0L * q)));
            } else if (style == 4) {
                const double w = weight([&](int p) { return x % p == 0 || y % p == 0; });
                px.push_back(word(nearest(150.0L * w), 10 + nearest(190.0L * w), 80 + nearest(160.0L * w)));
            } else if (style == 5) {
                const float g1 = static_cast<float>(16.0L * nb_at(x, y));
                const float g2 = static_cast<float>(16.0L * noise_sum(nt, Vec3{100, double(x), double(y)}, 6, one, 32));
                const int gx = nearest(x + static_cast<long double>(g1)), gy = nearest(y + static_cast<long double>(g2));
                const double w = weight([&](int p) { return gx % p == 0 || gy % p == 0; });
                px.push_back(word(50 + nearest(150.0L * w), 50 + nearest(150.0L * w), 50 + nearest(190.0L * w)));
            } else if (style == 6 || style == 8) {
                const float q = q_at(x, y);
                const int r = uint8_t(200 - nearest(30.0L * q)), g = uint8_t(200 - nearest(20.0L * q)),
                          b = uint8_t(180 - nearest(30.0L * q));
                const double w = style == 6 ? weight([&](int p) { return x % p < 2 || y % p < 2; })
                                            : weight([&](int p) { return (x * y) % p < 6; });
                px.push_back(word(toward(r, 160, w), toward(g, 155, w), toward(b, 135, w)));
            } else if (style == 7) {
                const int i = y * n + x;
                if (i % 674 == 0 || (i + 1) % 674 == 0 || (i + n) % 674 == 0 || (i + n + 1) % 674 == 0) {
                    px.push_back(word(50, 50, 50));
                } else {
                    const int grey = 180 + nearest(10.0L * q_at(x, y));
                    px.push_back(word(grey, grey, grey));
                }
            } else {
                px.push_back(word(128, 128, 128));
            }
        }
    }
    return px;
}

void expect_block(const typmshgrp& g, const std::vector<uint32_t>& want, const char* what) {
    ASSERT_EQ(size_t(g.texw) * g.texh, want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(g.texpix[i], want[i]) << what << " pixel " << i % g.texw << "," << i / g.texw;
    }
}

TEST(FastPaths, SmallPaintersMatchThePlainRecipes) {
    for (uint32_t state : {0u, 77u, 4000000000u}) {
        Context a;
        Context b;
        a.random.set_state(state);
        b.random.set_state(state);
        typmshgrp g;
        tex_noise(a, g);
        expect_block(g, plain_noise(b), "noise");
        for (int kind : {0, 1, 5}) {
            tex_ridges(a, g, RidgeKind{kind});
            expect_block(g, plain_ridges(b, kind), "ridges");
        }
        tex_stripes(a, g);
        expect_block(g, plain_stripes(b), "stripes");
    }
}

TEST(FastPaths, StylesMatchThePlainRecipes) {
    // Sizes that are not a multiple of the four lanes leave part of the last
    // group of every row unused; size 1 is a single pixel.
    for (int style : {0, 1, 2, 3, 4, 5, 6, 7, 8, 99, 11}) {
        for (int size : {1, 3, 37, 48, 128}) {
            Context a;
            Context b;
            a.random.set_state(uint32_t(style * 1000 + size));
            b.random.set_state(uint32_t(style * 1000 + size));
            typmshgrp g;
            tex_style(a, g, TexStyle{style}, size);
            SCOPED_TRACE(testing::Message() << "style " << style << " size " << size);
            expect_block(g, plain_style(b, style, size), "style");
        }
    }
}

}  // namespace
}  // namespace quilbet

// Adaptor, port collar and tank generators: counts, rail and tank positions,
// the empty variants, and tanks shorter than their diameter (built with
// flattened domes instead of inside-out walls).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "generator_checks.hpp"
#include "generators/adaptor_tank.hpp"
#include "texture/painters.hpp"

namespace quilbet {
namespace {

using testing::bounds;
using testing::centroid;
using testing::closed_surfaces;
using testing::misoriented_triangles;
using testing::same_group;
using testing::state_after;

adaptor_spec adaptor_a(int32_t variant, double len) {
    adaptor_spec s;
    s.variant = variant;
    s.bar = 0.1;
    s.rail = 0.2;
    s.len = len;
    s.w0 = 8;
    s.h0 = 3;
    s.w1 = 4;
    s.h1 = 3;
    s.sw_a = s.sw_b = s.sw_c = 1;
    return s;
}

TEST(Adaptor, RailsRunCornerToCorner) {
    for (double len : {2.0, 4.0, 7.5}) {
        SCOPED_TRACE(len);
        Context ctx;
        std::vector<typmshgrp> g(1);
        ASSERT_EQ(gen_adaptor(ctx, g.data(), 1, Vec3{}, adaptor_a(0, len), Vec3{}), 1);
        EXPECT_EQ(g[0].pnt.size(), 96u);
        EXPECT_EQ(g[0].ind.size(), 144u);
        EXPECT_EQ(ctx.random.state(), state_after(0, 1));
        // Corner (-1/2, 1/2): centred at (-3, 1.5, L/2).
        const auto c = centroid(g[0], 0, 24);
        EXPECT_NEAR(c[0], -3.0, 1e-5);
        EXPECT_NEAR(c[1], 1.5, 1e-5);
        EXPECT_NEAR(c[2], len / 2, 1e-5);
        // Its end faces (the box's +z face is vertices 12..15, -z 16..19)
        // sit on the corners of the two sections: (-2, 1.5, L) and (-4, 1.5, 0).
        const auto front = centroid(g[0], 12, 4);
        const auto back = centroid(g[0], 16, 4);
        EXPECT_NEAR(front[0], -2.0, 1e-5);
        EXPECT_NEAR(front[1], 1.5, 1e-5);
        EXPECT_NEAR(front[2], len, 1e-5);
        EXPECT_NEAR(back[0], -4.0, 1e-5);
        EXPECT_NEAR(back[2], 0.0, 1e-5);
        // Corner (1/2, -1/2) mirrors it.
        const auto third = centroid(g[0], 48 + 12, 4);
        EXPECT_NEAR(third[0], 2.0, 1e-5);
        EXPECT_NEAR(third[1], -1.5, 1e-5);
    }
}

TEST(Adaptor, VariantsAndRefusal) {
    Context ctx;
    std::vector<typmshgrp> g(1);
    // Variants 1 and 2: rails, eight end-frame bars and the central tube.
    for (int32_t variant : {1, 2}) {
        ASSERT_EQ(gen_adaptor(ctx, g.data(), 200, Vec3{}, adaptor_a(variant, 4), Vec3{}), 1);
        EXPECT_EQ(g[0].pnt.size(), 12u * 24 + 36);
        EXPECT_EQ(g[0].ind.size(), 12u * 36 + 96);
    }
    // Adaptor_B's taper in both directions: still closed and outward.
    adaptor_spec b = adaptor_a(1, 4);
    b.h0 = 4;
    ASSERT_EQ(gen_adaptor(ctx, g.data(), 1, Vec3{}, b, Vec3{}), 1);
    EXPECT_EQ(misoriented_triangles(g[0]), 0);
    const uint32_t state = ctx.random.state();
    ASSERT_EQ(gen_adaptor(ctx, g.data(), 1, Vec3{}, adaptor_a(3, 4), Vec3{}), 1);
    EXPECT_TRUE(g[0].pnt.empty());
    EXPECT_EQ(g[0].texpix, nullptr);
    EXPECT_EQ(ctx.random.state(), state);
    g[0].ind = {1, 2, 3};
    EXPECT_EQ(gen_adaptor(ctx, g.data(), 0, Vec3{}, adaptor_a(1, 4), Vec3{}), -1);
    EXPECT_EQ(g[0].ind.size(), 3u);
    // A zero length with an untapered side does not produce undefined angles.
    adaptor_spec flat = adaptor_a(1, 0);
    flat.w1 = 8;
    ASSERT_EQ(gen_adaptor(ctx, g.data(), 1, Vec3{}, flat, Vec3{}), 1);
    for (const pnttyp& p : g[0].pnt) EXPECT_TRUE(std::isfinite(p.pos.x) && std::isfinite(p.pos.z));
}

TEST(PortCollar, CubeAndTube) {
    Context ctx;
    std::vector<typmshgrp> g(1);
    ASSERT_EQ(gen_port_collar(ctx, g.data(), 1, Vec3{}, 0, Vec3{}), 1);
    EXPECT_EQ(g[0].pnt.size(), 60u);
    EXPECT_EQ(g[0].ind.size(), 132u);
    EXPECT_EQ(ctx.random.state(), state_after(0, 1));
    const auto all = bounds(g[0]);
    EXPECT_NEAR(all.lo[2], 0.0, 1e-6);
    EXPECT_NEAR(all.hi[2], 2.5, 1e-6);
    EXPECT_NEAR(all.hi[0], 1.0, 1e-6);

    const uint32_t state = ctx.random.state();
    ASSERT_EQ(gen_port_collar(ctx, g.data(), 1, Vec3{}, 1, Vec3{}), 1);
    EXPECT_TRUE(g[0].pnt.empty());
    EXPECT_TRUE(g[0].ind.empty());
    EXPECT_EQ(g[0].texpix, nullptr);
    EXPECT_EQ(ctx.random.state(), state);
    EXPECT_EQ(gen_port_collar(ctx, g.data(), 0, Vec3{}, 0, Vec3{}), -1);
}

TEST(Tank, TankADefaults) {
    Context ctx;
    std::vector<typmshgrp> g(2);
    ASSERT_EQ(gen_tank(ctx, g.data(), 200, Vec3{}, 2.0, 10.0, 0, Vec3{}), 2);
    // Four capsules of 164 vertices and 768 indices.
    EXPECT_EQ(g[0].pnt.size(), 656u);
    EXPECT_EQ(g[0].ind.size(), 3072u);
    // Frame: spine, 8 strut prisms, per end 2 diagonals, 4 bars and a hub.
    EXPECT_EQ(g[1].pnt.size(), 11u * 68 + 12 * 24);
    EXPECT_EQ(g[1].ind.size(), 11u * 192 + 12 * 36);
    // Stripes for the tanks, noise for the frame.
    EXPECT_EQ(ctx.random.state(), state_after(0, 2));
    EXPECT_EQ(g[0].texw, tex_size);

    const auto all = bounds(g[0]);
    EXPECT_NEAR(all.lo[2], 0.125, 1e-5);
    EXPECT_NEAR(all.hi[2], 10.125, 1e-5);
    const double axes[4][2] = {{-2, 2}, {2, 2}, {2, -2}, {-2, -2}};
    for (int k = 0; k < 4; ++k) {
        const auto b = bounds(g[0], size_t(164 * k), 164);
        EXPECT_NEAR((b.lo[0] + b.hi[0]) / 2, axes[k][0], 1e-5);
        EXPECT_NEAR((b.lo[1] + b.hi[1]) / 2, axes[k][1], 1e-5);
        EXPECT_NEAR(b.hi[2] - b.lo[2], 10.0, 1e-5);
    }
    // The end frames sit at the tanks' ends (z = 0.125 and 10.125); their hubs
    // reach r/16 further, back to the block's origin.
    const auto fr = bounds(g[1]);
    EXPECT_NEAR(fr.lo[2], 0.0, 1e-5);
    EXPECT_NEAR(fr.hi[2], 10.25, 1e-5);
}

TEST(Tank, TankBAndEmptyVariant) {
    Context ctx;
    std::vector<typmshgrp> g(2);
    ASSERT_EQ(gen_tank(ctx, g.data(), 2, Vec3{}, 2.0, 10.0, 1, Vec3{}), 2);
    EXPECT_EQ(g[0].pnt.size(), 8u * 164);
    EXPECT_EQ(g[0].ind.size(), 8u * 768);
    EXPECT_EQ(g[1].pnt.size(), 11u * 68 + 12 * 24);
    EXPECT_EQ(g[0].texw, 128);  // style 6 at 128
    EXPECT_EQ(ctx.random.state(), state_after(0, 2));
    // The small tanks: radius 1, overall length len - 2r = 6, 3.5 m out on the axes.
    const double small_axes[4][2] = {{-3.5, 0}, {0, -3.5}, {3.5, 0}, {0, 3.5}};
    for (int k = 0; k < 4; ++k) {
        const auto b = bounds(g[0], size_t(164 * (4 + k)), 164);
        EXPECT_NEAR((b.lo[0] + b.hi[0]) / 2, small_axes[k][0], 1e-5);
        EXPECT_NEAR((b.lo[1] + b.hi[1]) / 2, small_axes[k][1], 1e-5);
        EXPECT_NEAR(b.hi[0] - b.lo[0], 2.0 * std::cos(3.14159265358979323846 / 16), 1e-5);
        EXPECT_NEAR(b.lo[2], 2.125, 1e-5);
        EXPECT_NEAR(b.hi[2], 8.125, 1e-5);
    }

    const uint32_t state = ctx.random.state();
    ASSERT_EQ(gen_tank(ctx, g.data(), 2, Vec3{}, 2.0, 10.0, 2, Vec3{}), 2);
    for (const typmshgrp& e : g) {
        EXPECT_TRUE(e.pnt.empty());
        EXPECT_TRUE(e.ind.empty());
        EXPECT_EQ(e.texpix, nullptr);
    }
    EXPECT_EQ(ctx.random.state(), state);
    g[0].ind = {0, 0, 0};
    EXPECT_EQ(gen_tank(ctx, g.data(), 1, Vec3{}, 2.0, 10.0, 0, Vec3{}), -2);
    EXPECT_EQ(g[0].ind.size(), 3u);
}

// A tank shorter than its diameter keeps its overall length with flattened
// domes; every capsule stays closed and wound outward.
TEST(Tank, ShorterThanDiameterStaysSound) {
    struct Case {
        double r, len;
        int32_t variant;
    };
    // len < 2r; 2r < len < 3r (only the small tanks clamp); len < 2r for both; len = 2r exactly.
    const Case cases[] = {{3, 5, 0}, {2, 5, 1}, {3, 5, 1}, {2.5, 5, 1}, {2, 4, 0}, {4, 5, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "r " << c.r << " len " << c.len << " variant " << c.variant);
        Context ctx;
        std::vector<typmshgrp> g(2);
        ASSERT_EQ(gen_tank(ctx, g.data(), 2, Vec3{}, c.r, c.len, c.variant, Vec3{}), 2);
        const double q = c.r / 16;
        const auto main = bounds(g[0], 0, 4 * 164);
        EXPECT_NEAR(main.lo[2], q, 1e-5);
        EXPECT_NEAR(main.hi[2], c.len + q, 1e-5);
        if (c.variant == 1) {
            const double overall = std::max(c.len - 2 * c.r, 0.0);
            const auto small = bounds(g[0], 4 * 164, 4 * 164);
            EXPECT_NEAR(small.hi[2] - small.lo[2], overall, 1e-5);
            EXPECT_NEAR((small.lo[2] + small.hi[2]) / 2, c.len / 2 + q, 1e-5);
        }
        for (const typmshgrp& grp : g) {
            EXPECT_EQ(misoriented_triangles(grp), 0);
            const auto surfaces = closed_surfaces(grp);
            EXPECT_TRUE(surfaces.all_closed);
            for (double v : surfaces.volumes) EXPECT_GE(v, -1e-6);
        }
    }
}

}  // namespace
}  // namespace quilbet

// Solar panel, truss and hatch frame generators: the documented block
// defaults (counts, row and rail positions, materials, random draws), the
// refusal on a too-small capacity, and the edge cases of each generator.
#include <gtest/gtest.h>

#include <cmath>

#include "generator_checks.hpp"
#include "generators/panel_truss.hpp"
#include "texture/painters.hpp"

namespace quilbet {
namespace {

using testing::bounds;
using testing::cell_draws;
using testing::centroid;
using testing::same_group;
using testing::state_after;

constexpr double pi = 3.14159265358979323846;

panel_spec panel_a() {
    panel_spec s;
    s.rows = 8;
    s.variant = 0;
    s.dim_a = 5;
    s.dim_b = 5;
    s.gap = 1;
    s.spine = 2;
    s.shear = 0.1;
    s.smalling = 0;
    return s;
}

panel_spec panel_variant(int32_t variant, int32_t rows) {
    // The dimensions the dispatch passes for Solar_Panel_A .. D.
    static const double dims[4][4] = {{5, 5, 1, 2}, {5, 2, 0, 2}, {8, 2, 0, 2}, {5, 8, 0, 2}};
    const double* d = dims[variant < 0 || variant > 3 ? 3 : variant];
    panel_spec s;
    s.rows = rows;
    s.variant = variant;
    s.dim_a = d[0];
    s.dim_b = d[1];
    s.gap = d[2];
    s.spine = d[3];
    return s;
}

truss_spec truss_a() {
    truss_spec s;
    s.count = 7;
    s.variant = 0;
    s.bar = 0.1;
    s.rail = 0.2;
    s.dims = Vec3{4, 3, 8};
    s.cross_a = 1;
    return s;
}

TEST(SolarPanel, PanelADefaultsRowsAndDraws) {
    Context ctx;
    std::vector<typmshgrp> g(2);
    ASSERT_EQ(gen_solar_panel(ctx, g.data(), 2, Vec3{}, panel_a(), Vec3{}), 2);

    // 8 rows of two two-sided quads.
    EXPECT_EQ(g[0].pnt.size(), 128u);
    EXPECT_EQ(g[0].ind.size(), 192u);
    // Frame: per row a box and an 8-sided prism, then the spine and the root flange.
    EXPECT_EQ(g[1].pnt.size(), 8u * (24 + 36) + 24 + 36);
    EXPECT_EQ(g[1].ind.size(), 8u * (36 + 96) + 36 + 96);

    // Rows 6 m apart, the first centred at z = 5, the last at z = 47; a turn
    // about z does not move a row along z.
    for (int i = 0; i < 8; ++i) {
        const auto c = centroid(g[0], size_t(16 * i), 16);
        EXPECT_NEAR(c[2], 5.0 + 6.0 * i, 1e-5) << "row " << i;
        const auto b = bounds(g[0], size_t(16 * i), 16);
        EXPECT_NEAR(b.hi[2] - b.lo[2], 5.0, 1e-5);
    }

    // Materials: panels white with a grey highlight, the frame plain white.
    EXPECT_EQ(g[0].diffuse, rgba_pack(255, 255, 255, 255));
    EXPECT_EQ(g[0].specular, rgba_pack(130, 130, 130, 255));
    EXPECT_EQ(g[0].specpow, 45.0f);
    EXPECT_EQ(g[1].diffuse, rgba_pack(255, 255, 255, 255));
    EXPECT_EQ(g[1].specular, 0u);
    EXPECT_EQ(g[1].specpow, 0.0f);
    EXPECT_EQ(g[0].texw, 2 * tex_size);
    EXPECT_EQ(g[1].texw, tex_size);

    // One draw per row, then the cell painter, then the noise painter's seed.
    EXPECT_EQ(ctx.random.state(), state_after(0, 8 + cell_draws(0) + 1));

    // Row 0 is turned by (2 r0 - 1)(pi/2) 0.1 with r0 = 12345 / 2^32: its
    // front-face normal (0, 1, 0) becomes (-sin, cos, 0).
    const double theta0 = (2.0 * (12345.0 / 4294967296.0) - 1.0) * (pi / 2) * 0.1;
    EXPECT_NEAR(g[0].pnt[0].nrm.x, -std::sin(theta0), 1e-6);
    EXPECT_NEAR(g[0].pnt[0].nrm.y, std::cos(theta0), 1e-6);
}

TEST(SolarPanel, SmallingShortensEachRowAndZeroShearStillDraws) {
    Context ctx;
    std::vector<typmshgrp> g(2);
    panel_spec s = panel_a();
    s.smalling = 1;
    s.shear = 0;
    ASSERT_EQ(gen_solar_panel(ctx, g.data(), 2, Vec3{}, s, Vec3{}), 2);
    EXPECT_EQ(ctx.random.state(), state_after(0, 8 + cell_draws(0) + 1));
    for (int i = 0; i < 8; ++i) {
        // The outer (+x) quad of row i: vertices 16 i .. 16 i + 7, unturned.
        const auto b = bounds(g[0], size_t(16 * i), 8);
        EXPECT_NEAR(b.hi[0] - b.lo[0], 10.0 - 0.625 * i, 1e-5) << "row " << i;
        EXPECT_NEAR(b.lo[0], 1.0, 1e-5);  // every row starts at the spine's edge
    }
    // Without shear no row is turned: every panel lies in the plane y = 0.
    for (const pnttyp& p : g[0].pnt) EXPECT_EQ(p.pos.y, 0.0f);
}

TEST(SolarPanel, TooSmallCapacityChangesNothing) {
    Context ctx;
    std::vector<typmshgrp> g(2);
    g[0].pnt.resize(3);
    g[0].ind = {0, 1, 2};
    g[0].diffuse = 7;
    g[0].texw = 5;
    const typmshgrp before = g[0];
    EXPECT_EQ(gen_solar_panel(ctx, g.data(), 1, Vec3{}, panel_a(), Vec3{}), -2);
    EXPECT_EQ(gen_solar_panel(ctx, g.data(), 0, Vec3{}, panel_a(), Vec3{}), -2);
    EXPECT_TRUE(same_group(g[0], before));
    EXPECT_EQ(ctx.random.state(), 0u);
}

TEST(SolarPanel, EveryVariantCountsAndDraws) {
    struct Case {
        int32_t variant, rows;
        size_t v0, i0, v1, i1;
    };
    const Case cases[] = {
        {1, 19, 19 * 16, 19 * 24, 2 * 24 + 2 * 36, 2 * 36 + 2 * 96},
        {2, 4, 4 * 16, 4 * 24, 36 + 8, 96 + 12},
        {3, 5, 5 * 16, 5 * 24, 36 + 8, 96 + 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        Context ctx;
        ctx.random.set_state(777);
        std::vector<typmshgrp> g(2);
        ASSERT_EQ(gen_solar_panel(ctx, g.data(), 200, Vec3{}, panel_variant(c.variant, c.rows), Vec3{}), 2);
        EXPECT_EQ(g[0].pnt.size(), c.v0);
        EXPECT_EQ(g[0].ind.size(), c.i0);
        EXPECT_EQ(g[1].pnt.size(), c.v1);
        EXPECT_EQ(g[1].ind.size(), c.i1);
        EXPECT_EQ(ctx.random.state(), state_after(777, c.rows + cell_draws(c.variant) + 1));
        // The block's root sits near the origin: the frame starts at or just before z = 0.
        const auto b = bounds(g[1]);
        EXPECT_NEAR(b.lo[2], -(c.variant == 1 ? 5.0 : (c.variant == 2 ? 8.0 : 5.0)) / 16, 1e-5);
    }
}

TEST(SolarPanel, VariantOutsideRangeBuildsAsVariantThree) {
    for (int32_t variant : {4, 7, -5}) {
        SCOPED_TRACE(variant);
        Context a, b;
        std::vector<typmshgrp> ga(2), gb(2);
        panel_spec s = panel_variant(3, 5);
        ASSERT_EQ(gen_solar_panel(a, ga.data(), 2, Vec3{}, s, Vec3{}), 2);
        s.variant = variant;
        ASSERT_EQ(gen_solar_panel(b, gb.data(), 2, Vec3{}, s, Vec3{}), 2);
        // Same geometry, and the cell painter paints other types as type 3.
        EXPECT_TRUE(same_group(ga[0], gb[0]));
        EXPECT_TRUE(same_group(ga[1], gb[1]));
        EXPECT_EQ(a.random.state(), b.random.state());
    }
}

TEST(SolarPanel, NoRowsLeavesSoundFrame) {
    Context ctx;
    std::vector<typmshgrp> g(2);
    panel_spec s = panel_a();
    s.rows = 0;
    s.smalling = 1;
    ASSERT_EQ(gen_solar_panel(ctx, g.data(), 2, Vec3{}, s, Vec3{}), 2);
    EXPECT_TRUE(g[0].pnt.empty());
    EXPECT_NE(g[0].texpix, nullptr);
    const auto surfaces = testing::closed_surfaces(g[1]);
    EXPECT_TRUE(surfaces.all_closed);
    for (double v : surfaces.volumes) EXPECT_GE(v, -1e-9);
}

TEST(Truss, TrussADefaults) {
    Context ctx;
    std::vector<typmshgrp> g(1);
    ASSERT_EQ(gen_truss(ctx, g.data(), 200, Vec3{}, truss_a(), Vec3{}), 1);
    // 4 rails and 8 frames of 2 diagonals and 4 bars: 52 boxes.
    EXPECT_EQ(g[0].pnt.size(), 52u * 24);
    EXPECT_EQ(g[0].ind.size(), 52u * 36);
    EXPECT_EQ(ctx.random.state(), state_after(0, 1));
    // The rails reach from z = -28.105 to 28.105, at the section's corners.
    for (int r = 0; r < 4; ++r) {
        const auto b = bounds(g[0], size_t(24 * r), 24);
        EXPECT_NEAR(b.lo[2], -28.105, 1e-5);
        EXPECT_NEAR(b.hi[2], 28.105, 1e-5);
    }
    const auto c0 = centroid(g[0], 0, 24);
    EXPECT_NEAR(c0[0], -2.0, 1e-6);
    EXPECT_NEAR(c0[1], 1.5, 1e-6);
    // Frames at z = -28, -20, ..., 28.
    for (int k = 0; k <= 7; ++k) {
        const auto c = centroid(g[0], size_t(24 * (4 + 6 * k)), 24 * 6);
        EXPECT_NEAR(c[2], -28.0 + 8.0 * k, 1e-5);
    }
    const auto all = bounds(g[0]);
    EXPECT_NEAR(all.hi[0], 2.1, 1e-6);
    EXPECT_NEAR(all.hi[1], 1.6, 1e-6);
}

TEST(Truss, BracingSwitchesAndVariants) {
    struct Case {
        int32_t variant;
        uint8_t a, b, c;
        size_t verts, inds;
    };
    const int boxes_frames = 8 * 4;  // 8 frames of 4 bars
    const Case cases[] = {
        // Rails, bars, 2 diagonals and a hub per frame, 4 diagonals per bay and face pair, 4 cross tubes per bay, central tube.
        {1, 1, 1, 1, (4 + boxes_frames + 16 + 28 + 28) * 24u + (8 + 28 + 1) * 36u,
         (4 + boxes_frames + 16 + 28 + 28) * 36u + (8 + 28 + 1) * 96u},
        // Test article layout: all covers on, two two-sided plates per bay and face pair.
        {2, 1, 1, 1, (4 + boxes_frames + 16 + 28 + 28) * 24u + 28 * 8u + 36, (4 + boxes_frames + 16 + 28 + 28) * 36u + 28 * 12u + 96},
        // Only the side faces.
        {0, 0, 1, 0, (4 + boxes_frames + 28) * 24u, (4 + boxes_frames + 28) * 36u},
        // Only the top and bottom faces.
        {0, 0, 0, 1, (4 + boxes_frames + 28) * 24u, (4 + boxes_frames + 28) * 36u},
        // Variant 2 with plates on top and bottom only.
        {2, 0, 0, 1, (4 + boxes_frames + 28) * 24u + 14 * 8u + 36, (4 + boxes_frames + 28) * 36u + 14 * 12u + 96},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "variant " << c.variant << " a" << int(c.a) << " b" << int(c.b) << " c" << int(c.c));
        Context ctx;
        std::vector<typmshgrp> g(1);
        truss_spec s = truss_a();
        s.variant = c.variant;
        s.cross_a = c.a;
        s.cross_b = c.b;
        s.cross_c = c.c;
        ASSERT_EQ(gen_truss(ctx, g.data(), 1, Vec3{}, s, Vec3{}), 1);
        EXPECT_EQ(g[0].pnt.size(), c.verts);
        EXPECT_EQ(g[0].ind.size(), c.inds);
    }
}

TEST(Truss, ZeroCountNegativeCountAndEmptyVariant) {
    for (int32_t variant : {0, 1, 2}) {
        SCOPED_TRACE(variant);
        Context ctx;
        std::vector<typmshgrp> g(1);
        truss_spec s = truss_a();
        s.variant = variant;
        s.count = 0;
        ASSERT_EQ(gen_truss(ctx, g.data(), 1, Vec3{}, s, Vec3{}), 1);
        // Four rails of length 2.1 bar, one frame at z = 0 (a hub for variant 1), a tube for 1 and 2.
        const size_t boxes = 4 + 6;
        const size_t prisms = (variant == 1 ? 1 : 0) + (variant >= 1 ? 1 : 0);
        EXPECT_EQ(g[0].pnt.size(), boxes * 24 + prisms * 36);
        const auto rail = bounds(g[0], 0, 24);
        EXPECT_NEAR(rail.hi[2] - rail.lo[2], 0.21, 1e-6);
        if (variant >= 1) {
            const auto tube = bounds(g[0], g[0].pnt.size() - 36, 36);
            EXPECT_NEAR(tube.hi[2] - tube.lo[2], 0.21, 1e-6);
        }
        // A negative count builds exactly like 0 instead of inside-out rails.
        Context ctx2;
        std::vector<typmshgrp> g2(1);
        s.count = -3;
        ASSERT_EQ(gen_truss(ctx2, g2.data(), 1, Vec3{}, s, Vec3{}), 1);
        EXPECT_TRUE(same_group(g[0], g2[0]));
    }
    Context ctx;
    std::vector<typmshgrp> g(1);
    g[0].pnt.resize(10);
    truss_spec s = truss_a();
    s.variant = 3;
    EXPECT_EQ(gen_truss(ctx, g.data(), 200, Vec3{}, s, Vec3{}), 1);
    EXPECT_TRUE(g[0].pnt.empty());
    EXPECT_TRUE(g[0].ind.empty());
    EXPECT_EQ(g[0].texpix, nullptr);
    EXPECT_EQ(ctx.random.state(), 0u);
    EXPECT_EQ(gen_truss(ctx, g.data(), 0, Vec3{}, truss_a(), Vec3{}), -1);
}

TEST(HatchFrame, PlateAndRim) {
    Context ctx;
    std::vector<typmshgrp> g(1);
    ASSERT_EQ(gen_hatch_frame(ctx, g.data(), 1, Vec3{}, Vec3{}, 3.0), 1);
    EXPECT_EQ(g[0].pnt.size(), 120u);
    EXPECT_EQ(g[0].ind.size(), 180u);
    EXPECT_EQ(ctx.random.state(), state_after(0, 1));
    const auto plate = bounds(g[0], 0, 24);
    EXPECT_NEAR(plate.lo[2], 0.0, 1e-7);
    EXPECT_NEAR(plate.hi[2], 0.1, 1e-7);
    EXPECT_NEAR(plate.hi[0], 1.5, 1e-7);
    const auto rim = bounds(g[0], 24, 96);
    EXPECT_NEAR(rim.lo[2], -0.1, 1e-7);
    EXPECT_NEAR(rim.hi[2], 0.0, 1e-7);
    EXPECT_EQ(gen_hatch_frame(ctx, g.data(), 0, Vec3{}, Vec3{}, 3.0), -1);
    EXPECT_EQ(g[0].pnt.size(), 120u);
}

}  // namespace
}  // namespace quilbet

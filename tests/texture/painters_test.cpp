// Texture painters: documented pixels, frame and cell layout, stripe columns,
// channel wrap-around, how many random numbers each painter draws, and that a
// texture depends only on the random state it starts from.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "texture/paint_support.hpp"
#include "texture/painters.hpp"

namespace quilbet {
namespace {

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba&) const = default;
};

Rgba at(const typmshgrp& g, int x, int y) {
    const uint32_t w = g.texpix[static_cast<size_t>(y) * g.texw + x];
    return {int(w & 255), int((w >> 8) & 255), int((w >> 16) & 255), int(w >> 24)};
}

bool same_pixels(const typmshgrp& a, const typmshgrp& b) {
    return a.texw == b.texw && a.texh == b.texh && a.texpix && b.texpix &&
           std::memcmp(a.texpix.get(), b.texpix.get(), sizeof(uint32_t) * a.texw * a.texh) == 0;
}

void expect_opaque_square(const typmshgrp& g, int size) {
    ASSERT_EQ(g.texw, size);
    ASSERT_EQ(g.texh, size);
    ASSERT_TRUE(g.texpix);
    for (int i = 0; i < size * size; ++i) ASSERT_EQ(g.texpix[i] >> 24, 255u) << i;
}

// Random state after `draws` numbers from state s.
uint32_t state_after(uint32_t s, int draws) {
    Random r;
    r.set_state(s);
    for (int i = 0; i < draws; ++i) r.random_fraction();
    return r.state();
}

using Painter = std::function<void(Context&, typmshgrp&)>;

const Painter all_painters[] = {
    [](Context& c, typmshgrp& g) { tex_noise(c, g); },
    [](Context& c, typmshgrp& g) { tex_ridges(c, g, RidgeKind{0}); },
    [](Context& c, typmshgrp& g) { tex_ridges(c, g, RidgeKind{1}); },
    [](Context& c, typmshgrp& g) { tex_stripes(c, g); },
    [](Context& c, typmshgrp& g) { tex_cells(c, g, 2); },
    [](Context& c, typmshgrp& g) { tex_style(c, g, TexStyle{0}, 32); },
    [](Context& c, typmshgrp& g) { tex_style(c, g, TexStyle{1}, 32); },
    [](Context& c, typmshgrp& g) { tex_style(c, g, TexStyle{2}, 32); },
    [](Context& c, typmshgrp& g) { tex_style(c, g, TexStyle{3}, 32); },
    [](Context& c, typmshgrp& g) { tex_style(c, g, TexStyle{5}, 32); },
    [](Context& c, typmshgrp& g) { tex_style(c, g, TexStyle{6}, 32); },
    [](Context& c, typmshgrp& g) { tex_style(c, g, TexStyle{8}, 32); },
};

TEST(TexStyle, GridStyleDocumentedPixels) {
    Context ctx;
    typmshgrp g;
    tex_style(ctx, g, TexStyle{4}, 128);
    expect_opaque_square(g, 128);
    // W = 1.96875 at (0, 0): (295 mod 256, (10 + 374) mod 256, (80 + 315) mod 256).
    EXPECT_EQ(at(g, 0, 0), (Rgba{39, 128, 139, 255}));
    EXPECT_EQ(at(g, 1, 1), (Rgba{0, 10, 80, 255}));
    // W = 0.03125 on the period-2 lines only: nearest(4.6875), 10 + nearest(5.9375), 80 + 5.
    EXPECT_EQ(at(g, 2, 1), (Rgba{5, 16, 85, 255}));
}

TEST(TexStyle, RivetDotsOnTheSlantedLattice) {
    Context ctx;
    typmshgrp g;
    tex_style(ctx, g, TexStyle{7}, 128);
    expect_opaque_square(g, 128);
    const Rgba dark{50, 50, 50, 255};
    for (auto [x, y] : {std::pair{33, 4}, {34, 4}, {33, 5}, {34, 5}, {0, 0}}) EXPECT_EQ(at(g, x, y), dark) << x << "," << y;
    // Everything else is grey plating, 180 give or take the marble.
    int dark_count = 0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const Rgba p = at(g, x, y);
            if (p == dark) {
                ++dark_count;
                continue;
            }
            ASSERT_TRUE(p.r == p.g && p.g == p.b) << x << "," << y;
            ASSERT_GE(p.r, 160);
            ASSERT_LE(p.r, 200);
        }
    }
    // 128 * 128 / 674 lattice points, each a 2 x 2 dot (clipped at the edges).
    EXPECT_GT(dark_count, 90);
    EXPECT_LT(dark_count, 100);
}

TEST(TexStyle, StyleNinetyNineIsStyleThreeAndUnknownStylesAreGrey) {
    Context a;
    Context b;
    typmshgrp g3;
    typmshgrp g99;
    tex_style(a, g3, TexStyle{3}, 64);
    tex_style(b, g99, TexStyle{99}, 64);
    EXPECT_TRUE(same_pixels(g3, g99));
    typmshgrp unknown;
    tex_style(a, unknown, TexStyle{42}, 16);
    expect_opaque_square(unknown, 16);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(unknown.texpix[i], 0xFF808080u);
    // A size below 1 leaves no texture rather than a block of no pixels.
    typmshgrp none = g3;
    tex_style(a, none, TexStyle{3}, 0);
    EXPECT_FALSE(none.texpix);
    EXPECT_EQ(none.texw, 0);
    EXPECT_TRUE(g3.texpix);   // the other group still holds its shared block
}

TEST(TexCells, FrameLinesAndFirstCell) {
    Context ctx;
    typmshgrp g;
    tex_cells(ctx, g, 0);
    expect_opaque_square(g, 128);
    const Rgba frame{123, 121, 212, 255};
    for (int i = 0; i < 128; ++i) {
        for (int line : {0, 1, 126, 127}) {
            EXPECT_EQ(at(g, i, line), frame) << i;
            EXPECT_EQ(at(g, line, i), frame) << i;
        }
        // Frame lines between the cells: columns 21, 22 and rows 21, 22.
        EXPECT_EQ(at(g, 21, i), frame);
        EXPECT_EQ(at(g, i, 22), frame);
    }
    // First cell: d1 = 0, d2 = nearest(0.82757 * 49) = 41, d3 = nearest(0.65240 * 49) = 32,
    // so (25 + 32 - 25, 25 + 41 - 25, 230 + 0 - 25).
    const Rgba first{32, 41, 205, 255};
    for (int y = 2; y <= 20; ++y) {
        for (int x = 2; x <= 20; ++x) ASSERT_EQ(at(g, x, y), first) << x << "," << y;
    }
}

TEST(TexCells, EightColumnsWithAWiderLastColumn) {
    Context ctx;
    typmshgrp g;
    tex_cells(ctx, g, 2);
    const Rgba frame{123, 121, 182, 255};
    for (int y : {2, 60, 125}) {
        // Columns 15 wide: the cell k spans 15 k + 2 .. 15 k + 14; the last one 107 .. 125.
        EXPECT_EQ(at(g, 15, y), frame);
        EXPECT_EQ(at(g, 16, y), frame);
        EXPECT_NE(at(g, 14, y), frame);
        for (int x = 107; x <= 125; ++x) EXPECT_EQ(at(g, x, y), at(g, 107, y)) << x;
        EXPECT_EQ(at(g, 106, y), frame);
        EXPECT_EQ(at(g, 126, y), frame);
    }
}

TEST(TexCells, UnknownPanelTypesPaintLikeTypeThree) {
    for (int32_t type : {7, -1, 4}) {
        Context a;
        Context b;
        a.random.set_state(555);
        b.random.set_state(555);
        typmshgrp g3;
        typmshgrp gx;
        tex_cells(a, g3, 3);
        tex_cells(b, gx, type);
        EXPECT_TRUE(same_pixels(g3, gx)) << type;
        EXPECT_EQ(at(g3, 0, 0), (Rgba{123, 121, 182, 255}));
    }
}

TEST(TexStripes, StripeColumnsAreDarkerThanTheirNeighbours) {
    Context ctx;
    typmshgrp g;
    tex_stripes(ctx, g);
    expect_opaque_square(g, tex_size);
    for (int y = 0; y < tex_size; ++y) {
        for (int x = 0; x < tex_size; x += tex_size / 4) {
            // 40 (v - 20) is 800 below 40 v: 800 mod 256 = 32 levels darker, give or take
            // the change of the noise from one column to the next.
            const int step = (at(g, x + 1, y).g - at(g, x, y).g + 256) % 256;
            EXPECT_GE(step, 24) << x << "," << y;
            EXPECT_LE(step, 40) << x << "," << y;
            EXPECT_EQ(at(g, x, y).r, at(g, x, y).b);
            EXPECT_EQ((at(g, x, y).g - at(g, x, y).r + 256) % 256, 20);
        }
    }
}

TEST(TexStripes, SeedKeepsTheLow32BitsOfALargeProduct) {
    // A draw above 0.875 makes r * 2456324562 exceed 2^31.
    Context ctx;
    while (static_cast<long double>(state_after(ctx.random.state(), 1)) / 4294967296.0L < 0.95L) {
        ctx.random.random_fraction();
    }
    const uint64_t next = state_after(ctx.random.state(), 1);
    // nearest(next / 2^32 * K) in integers: (next K + 2^31) / 2^32.
    const uint64_t rounded = (next * 2456324562ull + (1ull << 31)) >> 32;
    ASSERT_GT(rounded, 0x7FFFFFFFull);
    Context manual;
    noise_seed(manual.noise, manual.random, static_cast<int32_t>(static_cast<uint32_t>(rounded)));
    typmshgrp g;
    tex_stripes(ctx, g);
    EXPECT_EQ(std::memcmp(ctx.noise.noise_perm, manual.noise.noise_perm, 256), 0);
    EXPECT_EQ(std::memcmp(ctx.noise.noise_grad, manual.noise.noise_grad, sizeof manual.noise.noise_grad), 0);
}

TEST(TexNoise, GreyAroundTheBaseWithChannelsInStep) {
    Context ctx;
    typmshgrp g;
    tex_noise(ctx, g);
    expect_opaque_square(g, tex_size);
    int varied = 0;
    for (int y = 0; y < tex_size; ++y) {
        for (int x = 0; x < tex_size; ++x) {
            const Rgba p = at(g, x, y);
            EXPECT_EQ(p.r, p.g);
            EXPECT_EQ((p.b - p.r + 256) % 256, 10);
            varied += p.r != 138;
        }
    }
    EXPECT_GT(varied, tex_size * tex_size / 2);
}

TEST(TexRidges, KindsShareTheRidgesAndDifferInBaseAndAmplitude) {
    Context a;
    Context b;
    Context c;
    typmshgrp k0;
    typmshgrp k1;
    typmshgrp other;
    tex_ridges(a, k0, RidgeKind{0});
    tex_ridges(b, k1, RidgeKind{1});
    tex_ridges(c, other, RidgeKind{5});
    expect_opaque_square(other, tex_size);
    int ridges = 0;
    for (int y = 0; y < tex_size; ++y) {
        for (int x = 0; x < tex_size; ++x) {
            const Rgba p0 = at(k0, x, y), p1 = at(k1, x, y), p5 = at(other, x, y);
            // Ridge pixels (v > 0.9 becomes 2) are exactly twice the amplitude above the base.
            const bool ridge = p0.r == 198 + 50;
            ridges += ridge;
            EXPECT_EQ(ridge, p1.r == 178 + 60);
            EXPECT_EQ(ridge, p5.r == 198 + 20);
            EXPECT_EQ(p1.r - p1.b, 30);
            EXPECT_EQ(p5.r, p5.b);
        }
    }
    EXPECT_GT(ridges, 0);
}

TEST(Painters, ChannelSumsWrapInsteadOfClamping) {
    EXPECT_EQ(paint::opaque(260, 256 + 255, -1), rgba_pack(4, 255, 255, 255));
}

TEST(Painters, DrawCounts) {
    for (size_t i = 0; i < std::size(all_painters); ++i) {
        Context ctx;
        ctx.random.set_state(1234567);
        typmshgrp g;
        all_painters[i](ctx, g);
        const int draws = i == 4 ? 3 * 6 * 8 : 1;   // tex_cells: three per cell of 6 x 8
        EXPECT_EQ(ctx.random.state(), state_after(1234567, draws)) << i;
    }
    Context ctx;
    typmshgrp g;
    tex_cells(ctx, g, 1);
    EXPECT_EQ(ctx.random.state(), state_after(0, 3 * 6 * 6));
    tex_style(ctx, g, TexStyle{4}, 8);
    tex_style(ctx, g, TexStyle{7}, 8);
    tex_style(ctx, g, TexStyle{42}, 8);
    EXPECT_EQ(ctx.random.state(), state_after(0, 3 * 6 * 6 + 3));
}

TEST(Painters, SameRandomStateSameTextures) {
    // Two stations painted one after the other from the same state agree, and each
    // texture depends only on its seed draw: other painting in between, with the
    // state put back, changes nothing.
    Context a;
    Context b;
    for (size_t i = 0; i < std::size(all_painters); ++i) {
        typmshgrp ga;
        typmshgrp gb;
        typmshgrp detour;
        const uint32_t s = b.random.state();
        tex_style(b, detour, TexStyle{3}, 8);
        b.random.set_state(s);
        all_painters[i](a, ga);
        all_painters[i](b, gb);
        EXPECT_TRUE(same_pixels(ga, gb)) << i;
    }
}

TEST(Painters, NewBlockReplacesButDoesNotFreeASharedOne) {
    Context ctx;
    typmshgrp g;
    tex_noise(ctx, g);
    const PixelBlock first = g.texpix;
    tex_cells(ctx, g, 0);
    EXPECT_NE(g.texpix, first);
    EXPECT_EQ(g.texw, 2 * tex_size);
    EXPECT_EQ(first.use_count(), 1);   // still alive for whoever kept it
}

}  // namespace
}  // namespace quilbet

// Whole-output invariants of every primitive-built generator over many
// parameter sets: indices in range and whole triangles, unit normals, a painted
// texture on every group that is not deliberately empty, exact random draw
// counts, identical output from identical random state, closed primitives
// wound outward, and placement by (t, ang) equal to placing the origin-built
// group afterwards. Also groups that outgrow the working capacity.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "generator_checks.hpp"
#include "generators/adaptor_tank.hpp"
#include "generators/panel_truss.hpp"

namespace quilbet {
namespace {

using testing::cell_draws;
using testing::closed_surfaces;
using testing::expect_sound_group;
using testing::misoriented_triangles;
using testing::same_group;
using testing::state_after;

// One generator call with its expectations.
struct Call {
    std::string name;
    int32_t groups;                                        // result and number of groups written
    int draws;                                             // random numbers it must draw
    std::vector<bool> empty;                               // groups that are deliberately empty
    std::function<int32_t(Context&, typmshgrp*, Vec3, Vec3)> run;
};

void check_call(const Call& c, uint32_t state, Vec3 t, Vec3 ang) {
    SCOPED_TRACE(c.name);
    Context ctx;
    ctx.random.set_state(state);
    std::vector<typmshgrp> g(size_t(c.groups) + 1);
    ASSERT_EQ(c.run(ctx, g.data(), Vec3{}, Vec3{}), c.groups);
    EXPECT_EQ(ctx.random.state(), state_after(state, c.draws));
    EXPECT_TRUE(g.back().pnt.empty());  // nothing beyond its groups is touched

    for (int32_t k = 0; k < c.groups; ++k) {
        const typmshgrp& grp = g[size_t(k)];
        SCOPED_TRACE(k);
        if (c.empty[size_t(k)]) {
            EXPECT_TRUE(grp.pnt.empty());
            EXPECT_TRUE(grp.ind.empty());
            EXPECT_EQ(grp.texpix, nullptr);
            continue;
        }
        expect_sound_group(grp, c.name.c_str());
        EXPECT_FALSE(grp.ind.empty());
        EXPECT_EQ(misoriented_triangles(grp), 0);
        const auto surfaces = closed_surfaces(grp);
        EXPECT_TRUE(surfaces.all_closed);
        for (double v : surfaces.volumes) ASSERT_GE(v, -1e-3);
    }

    // Same state, same output, bit for bit.
    Context again;
    again.random.set_state(state);
    std::vector<typmshgrp> g2(size_t(c.groups) + 1);
    ASSERT_EQ(c.run(again, g2.data(), Vec3{}, Vec3{}), c.groups);
    for (int32_t k = 0; k < c.groups; ++k) EXPECT_TRUE(same_group(g[size_t(k)], g2[size_t(k)]));

    // Built in place = built at the origin, then turned and moved.
    Context placed;
    placed.random.set_state(state);
    std::vector<typmshgrp> g3(size_t(c.groups) + 1);
    ASSERT_EQ(c.run(placed, g3.data(), t, ang), c.groups);
    for (int32_t k = 0; k < c.groups; ++k) {
        typmshgrp& ref = g[size_t(k)];
        pnt_rotate_translate(ref.pnt.data(), int32_t(ref.pnt.size()), t, ang);
        ASSERT_EQ(ref.pnt.size(), g3[size_t(k)].pnt.size());
        for (size_t i = 0; i < ref.pnt.size(); ++i) {
            const pnttyp& a = ref.pnt[i];
            const pnttyp& b = g3[size_t(k)].pnt[i];
            ASSERT_TRUE(a.pos.x == b.pos.x && a.pos.y == b.pos.y && a.pos.z == b.pos.z) << i;
            ASSERT_TRUE(a.nrm.x == b.nrm.x && a.nrm.y == b.nrm.y && a.nrm.z == b.nrm.z) << i;
        }
        EXPECT_EQ(ref.ind, g3[size_t(k)].ind);
    }
}

class Sampler {
public:
    explicit Sampler(uint32_t seed) : rng_(seed) {}
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    int32_t whole(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng_); }
    Vec3 offset() { return Vec3{real(-30, 30), real(-30, 30), real(-30, 30)}; }
    Vec3 angles() { return Vec3{real(-3.2, 3.2), real(-3.2, 3.2), whole(0, 3) == 0 ? 0.0 : real(-3.2, 3.2)}; }
    uint32_t state() { return uint32_t(rng_()); }

private:
    std::mt19937 rng_;
};

Call panel_call(const panel_spec& s) {
    return Call{"panel v" + std::to_string(s.variant) + " rows " + std::to_string(s.rows), 2,
                (s.rows > 0 ? s.rows : 0) + cell_draws(s.variant) + 1, {false, false},
                [s](Context& ctx, typmshgrp* g, Vec3 t, Vec3 ang) { return gen_solar_panel(ctx, g, 2, t, s, ang); }};
}

Call truss_call(const truss_spec& s) {
    const bool empty = s.variant >= 3;
    return Call{"truss v" + std::to_string(s.variant) + " n " + std::to_string(s.count), 1, empty ? 0 : 1, {empty},
                [s](Context& ctx, typmshgrp* g, Vec3 t, Vec3 ang) { return gen_truss(ctx, g, 200, t, s, ang); }};
}

TEST(GeneratorInvariants, SolarPanels) {
    Sampler rnd(11);
    static const double dims[4][4] = {{5, 5, 1, 2}, {5, 2, 0, 2}, {8, 2, 0, 2}, {5, 8, 0, 2}};
    for (int i = 0; i < 40; ++i) {
        panel_spec s;
        s.variant = i % 5 == 4 ? 6 : i % 5;
        const double* d = dims[s.variant > 3 ? 3 : s.variant];
        s.rows = rnd.whole(1, 19);
        s.dim_a = d[0] * rnd.real(0.5, 1.5);
        s.dim_b = d[1];
        s.gap = d[2];
        s.spine = d[3];
        s.shear = rnd.whole(0, 2) == 0 ? 0.0 : rnd.real(0, 0.5);
        s.smalling = uint8_t(rnd.whole(0, 1));
        check_call(panel_call(s), rnd.state(), rnd.offset(), rnd.angles());
    }
}

TEST(GeneratorInvariants, Trusses) {
    Sampler rnd(22);
    for (int i = 0; i < 40; ++i) {
        truss_spec s;
        s.variant = i % 4 == 3 ? (i % 8 == 3 ? 3 : rnd.whole(0, 2)) : i % 4;
        s.count = rnd.whole(0, 28);
        s.bar = 0.1;
        s.rail = 0.2;
        s.dims = Vec3{i % 5 == 0 ? 8.0 : 4.0, 3.0, rnd.real(2, 32)};
        s.cross_a = uint8_t(rnd.whole(0, 1));
        s.cross_b = uint8_t(rnd.whole(0, 1));
        s.cross_c = uint8_t(rnd.whole(0, 1));
        check_call(truss_call(s), rnd.state(), rnd.offset(), rnd.angles());
    }
}

TEST(GeneratorInvariants, HatchAdaptorCollarTank) {
    Sampler rnd(33);
    for (int i = 0; i < 30; ++i) {
        const double side = rnd.real(0.5, 10);
        check_call(Call{"hatch", 1, 1, {false},
                        [side](Context& ctx, typmshgrp* g, Vec3 t, Vec3 ang) {
                            return gen_hatch_frame(ctx, g, 1, t, ang, side);
                        }},
                   rnd.state(), rnd.offset(), rnd.angles());

        adaptor_spec a;
        a.variant = i % 4;
        a.bar = 0.1;
        a.rail = 0.2;
        a.len = rnd.real(2, 8);
        a.w0 = 8;
        a.h0 = i % 2 == 0 ? 3 : 4;
        a.w1 = 4;
        a.h1 = 3;
        const bool empty_adaptor = a.variant >= 3;
        check_call(Call{"adaptor v" + std::to_string(a.variant), 1, empty_adaptor ? 0 : 1, {empty_adaptor},
                        [a](Context& ctx, typmshgrp* g, Vec3 t, Vec3 ang) { return gen_adaptor(ctx, g, 1, t, a, ang); }},
                   rnd.state(), rnd.offset(), rnd.angles());

        const uint8_t skip = uint8_t(i % 3 == 2);
        check_call(Call{"collar", 1, skip ? 0 : 1, {skip != 0},
                        [skip](Context& ctx, typmshgrp* g, Vec3 t, Vec3 ang) {
                            return gen_port_collar(ctx, g, 1, t, skip, ang);
                        }},
                   rnd.state(), rnd.offset(), rnd.angles());

        // Tanks over the catalogue ranges, short ones included.
        const int32_t variant = i % 7 == 6 ? 2 : i % 2;
        const double r = rnd.real(1, 4);
        const double len = rnd.real(5, 20);
        const bool empty_tank = variant >= 2;
        check_call(Call{"tank v" + std::to_string(variant) + " r " + std::to_string(r) + " len " + std::to_string(len), 2,
                        empty_tank ? 0 : 2, {empty_tank, empty_tank},
                        [=](Context& ctx, typmshgrp* g, Vec3 t, Vec3 ang) {
                            return gen_tank(ctx, g, 2, t, r, len, variant, ang);
                        }},
                   rnd.state(), rnd.offset(), rnd.angles());
    }
}

// Groups larger than the working capacities (10 000 entries for panels,
// 100 000 for trusses) are built whole.
TEST(GeneratorInvariants, BeyondWorkingCapacity) {
    panel_spec p;
    p.rows = 700;
    p.variant = 0;
    p.dim_a = 5;
    p.dim_b = 5;
    p.gap = 1;
    p.spine = 2;
    p.shear = 0.1;
    Context ctx;
    std::vector<typmshgrp> g(2);
    ASSERT_EQ(gen_solar_panel(ctx, g.data(), 2, Vec3{}, p, Vec3{}), 2);
    EXPECT_EQ(g[0].pnt.size(), 700u * 16);
    EXPECT_EQ(g[0].ind.size(), 700u * 24);
    expect_sound_group(g[0], "panel rows 700");

    truss_spec s;
    s.count = 200;
    s.variant = 1;
    s.bar = 0.1;
    s.rail = 0.2;
    s.dims = Vec3{4, 3, 8};
    s.cross_a = s.cross_b = s.cross_c = 1;
    ASSERT_EQ(gen_truss(ctx, g.data(), 1, Vec3{}, s, Vec3{}), 1);
    const size_t boxes = 4 + 201 * 6 + 200 * 8, prisms = 201 + 200 * 4 + 1;
    EXPECT_EQ(g[0].pnt.size(), boxes * 24 + prisms * 36);
    EXPECT_EQ(g[0].ind.size(), boxes * 36 + prisms * 96);
    EXPECT_GT(g[0].pnt.size(), 100000u);
    expect_sound_group(g[0], "truss count 200");
}

}  // namespace
}  // namespace quilbet

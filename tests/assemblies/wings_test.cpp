// Solar and power wing assemblies: where their parts stand, which random
// numbers they draw, and how offsets and angles reach nested groups.
#include <gtest/gtest.h>

#include <cmath>

#include "assembly_support.hpp"
#include "generators/adaptor_tank.hpp"
#include "generators/panel_truss.hpp"
#include "generators/wings.hpp"

namespace quilbet {
namespace {

using testing_support::Box;
using testing_support::groups_box;
using testing_support::prepared_mesh;
using testing_support::same_group;

const double half_pi = static_cast<double>(pi_ext / 2);

int32_t solar_wing(Context& ctx, typmsh& m, int32_t variant, double rot = 0, Vec3 t = {}, Vec3 ang = {},
                   int32_t first = 0) {
    return gen_solar_wing(ctx, m, first, variant, 4, 3, rot, 0, t, ang);
}

int32_t power_wing(Context& ctx, typmsh& m, int32_t variant, double rot = 0, Vec3 t = {}, int32_t first = 0) {
    return gen_power_wing(ctx, m, first, variant, 0, 7, 8, 4, 3, rot, 0, t, Vec3{});
}

TEST(SolarWing, VariantZeroPanelsBesideSecondAndSixthBay) {
    Context ctx;
    typmsh m = prepared_mesh();
    ASSERT_EQ(solar_wing(ctx, m, 0), 9);  // four panels of two groups, one truss
    const double panel_z[4] = {12, 44, 12, 44};
    const double side[4] = {1, 1, -1, -1};
    for (int p = 0; p < 4; ++p) {
        for (int g = 2 * p; g < 2 * p + 2; ++g) {
            const Box b = groups_box(m, g, g + 1);
            ASSERT_FALSE(b.empty());
            EXPECT_NEAR(b.centre(2), panel_z[p], 1e-3) << "group " << g;
            EXPECT_NEAR(b.centre(1), 0, 1e-3) << "group " << g;
            // The panel grows outward from the truss side at x = +-2.
            EXPECT_GT(side[p] * b.centre(0), 2) << "group " << g;
        }
    }
    const Box truss = groups_box(m, 8, 9);
    EXPECT_NEAR(truss.centre(0), 0, 1e-4);
    EXPECT_NEAR(truss.centre(1), 0, 1e-4);
    EXPECT_NEAR(truss.centre(2), 28, 1e-4);
    EXPECT_NEAR(truss.lo[2], -0.105, 1e-4);  // rails reach 2.1 bar beyond the 7 bays of 8
    EXPECT_NEAR(truss.hi[2], 56.105, 1e-4);
    EXPECT_NEAR(truss.hi[0], 2.1, 1e-4);     // W / 2 plus half a rail
    for (int g = 9; g < block_group_capacity; ++g) EXPECT_TRUE(m.grp[size_t(g)].pnt.empty());
}

TEST(SolarWing, ShortBayVariantsPanelsAtSevenAndAHalfAndTwentySevenAndAHalf) {
    for (int32_t variant = 1; variant <= 3; ++variant) {
        Context ctx;
        typmsh m = prepared_mesh();
        ASSERT_EQ(solar_wing(ctx, m, variant), 9);
        for (int p = 0; p < 4; ++p) {
            const Box b = groups_box(m, 2 * p, 2 * p + 2);
            EXPECT_NEAR(b.centre(2), p % 2 == 0 ? 7.5 : 27.5, 1e-3) << "variant " << variant << " panel " << p;
        }
        const Box truss = groups_box(m, 8, 9);
        EXPECT_NEAR(truss.centre(2), 17.5, 1e-4);
        EXPECT_NEAR(truss.hi[2] - truss.lo[2], 35.21, 1e-4);
    }
}

// Each part equals the part generator called alone with the documented
// offset, angles and record, from the same random state.
TEST(SolarWing, PartsMatchTheirGeneratorsWithTheDocumentedPlacement) {
    Context ctx;
    Context ref;
    typmsh m = prepared_mesh();
    const double rot = 0.3;
    ASSERT_EQ(solar_wing(ctx, m, 1, rot), 9);

    typmsh r = prepared_mesh();
    panel_spec ps;
    ps.rows = 19;
    ps.variant = 1;
    ps.dim_a = 5;
    ps.dim_b = 2;
    ps.gap = 0;
    ps.spine = 2;
    const Vec3 right{half_pi, static_cast<double>(pi_ext / 2 + rot), half_pi};
    const Vec3 left{half_pi, static_cast<double>(-pi_ext / 2 - rot), -half_pi};
    ASSERT_EQ(gen_solar_panel(ref, &r.grp[0], 200, Vec3{2, 0, 7.5}, ps, right), 2);
    ASSERT_EQ(gen_solar_panel(ref, &r.grp[2], 198, Vec3{2, 0, 27.5}, ps, right), 2);
    ASSERT_EQ(gen_solar_panel(ref, &r.grp[4], 196, Vec3{-2, 0, 7.5}, ps, left), 2);
    ASSERT_EQ(gen_solar_panel(ref, &r.grp[6], 194, Vec3{-2, 0, 27.5}, ps, left), 2);
    truss_spec ts;
    ts.count = 7;
    ts.variant = 1;
    ts.bar = 0.1;
    ts.rail = 0.2;
    ts.dims = Vec3{4, 3, 5};
    ts.cross_a = 1;
    ts.cross_b = 1;
    ts.cross_c = 0;
    ASSERT_EQ(gen_truss(ref, &r.grp[8], 192, Vec3{0, 0, 17.5}, ts, Vec3{}), 1);
    for (int g = 0; g < 9; ++g) EXPECT_TRUE(same_group(m.grp[size_t(g)], r.grp[size_t(g)])) << "group " << g;
    EXPECT_EQ(ctx.random.state(), ref.random.state());
}

TEST(SolarWing, RandomVariantUsesAndConsumesTheNextNumber) {
    bool seen[4] = {};
    for (uint32_t start : {0u, 7u, 123456u, 99999999u, 2024u, 31337u, 5u, 424242u}) {
        Context ctx;
        ctx.random.set_state(start);
        typmsh m = prepared_mesh();
        ASSERT_EQ(solar_wing(ctx, m, -1), 9);

        Context ref;
        ref.random.set_state(start);
        const int32_t chosen = static_cast<int32_t>(4 * ref.random.random_fraction());
        ASSERT_GE(chosen, 0);
        ASSERT_LE(chosen, 3);
        seen[chosen] = true;
        typmsh r = prepared_mesh();
        ASSERT_EQ(solar_wing(ref, r, chosen), 9);
        for (int g = 0; g < 9; ++g) EXPECT_TRUE(same_group(m.grp[size_t(g)], r.grp[size_t(g)])) << start;
        EXPECT_EQ(ctx.random.state(), ref.random.state());
    }
    EXPECT_GE(seen[0] + seen[1] + seen[2] + seen[3], 2);
}

// "Panel type" admits 4 in the catalogue; undefined panel types build the
// first kind and draw nothing extra.
TEST(SolarWing, UndefinedPanelTypesBuildTheFirstKind) {
    for (int32_t variant : {4, 17, -2}) {
        Context a;
        Context b;
        typmsh ma = prepared_mesh();
        typmsh mb = prepared_mesh();
        ASSERT_EQ(solar_wing(a, ma, variant), 9);
        ASSERT_EQ(solar_wing(b, mb, 0), 9);
        for (int g = 0; g < 9; ++g) EXPECT_TRUE(same_group(ma.grp[size_t(g)], mb.grp[size_t(g)]));
        EXPECT_EQ(a.random.state(), b.random.state());
    }
}

TEST(PowerWing, CatalogueSizes) {
    {
        Context ctx;
        typmsh m = prepared_mesh();
        ASSERT_EQ(power_wing(ctx, m, 0), 19);
        const Box all = groups_box(m, 0, 19);
        EXPECT_NEAR(all.lo[0], -84.105, 1e-3);
        EXPECT_NEAR(all.hi[0], 84.105, 1e-3);
        const Box spine = groups_box(m, 18, 19);
        EXPECT_NEAR(spine.lo[0], -28.105, 1e-4);
        EXPECT_NEAR(spine.hi[0], 28.105, 1e-4);
        // Solar wing 1 grows along -x from the spine's end, wing 2 along +x.
        EXPECT_NEAR(groups_box(m, 8, 9).hi[0], -27.895, 1e-3);
        EXPECT_NEAR(groups_box(m, 17, 18).lo[0], 27.895, 1e-3);
    }
    {
        Context ctx;
        typmsh m = prepared_mesh();
        ASSERT_EQ(power_wing(ctx, m, 1), 43);
        EXPECT_NEAR(groups_box(m, 0, 19).centre(0), 90, 1e-2);
        EXPECT_NEAR(groups_box(m, 19, 38).centre(0), -90, 1e-2);
        const Box spine = groups_box(m, 38, 41);
        EXPECT_NEAR(spine.lo[0], -84.105, 1e-3);
        EXPECT_NEAR(spine.hi[0], 84.105, 1e-3);
        const Box ad1 = groups_box(m, 41, 42);
        const Box ad2 = groups_box(m, 42, 43);
        EXPECT_NEAR(ad1.centre(0), 86, 0.2);   // from the spine end at 84 towards the sub-wing
        EXPECT_NEAR(ad2.centre(0), -86, 0.2);
    }
    {
        Context ctx;
        typmsh m = prepared_mesh();
        ASSERT_EQ(power_wing(ctx, m, 2), 88);
        EXPECT_NEAR(groups_box(m, 0, 43).centre(1), 8, 1e-2);
        EXPECT_NEAR(groups_box(m, 43, 86).centre(1), -8, 1e-2);
        // The first layer is turned a quarter turn about y: its long axis is z.
        const Box top = groups_box(m, 0, 43);
        const Box bottom = groups_box(m, 43, 86);
        EXPECT_GT(top.hi[2] - top.lo[2], 170);
        EXPECT_GT(bottom.hi[0] - bottom.lo[0], 170);
        // The adaptors start at y = +-6 and lead 6 m towards the middle.
        EXPECT_NEAR(groups_box(m, 86, 87).centre(1), 3, 0.2);
        EXPECT_NEAR(groups_box(m, 87, 88).centre(1), -3, 0.2);
    }
}

TEST(PowerWing, VariantZeroMirrorsThePanelRotation) {
    const double rot = 0.4;
    Context ctx;
    typmsh m = prepared_mesh();
    ASSERT_EQ(power_wing(ctx, m, 0, rot), 19);

    Context ref;
    typmsh r = prepared_mesh();
    ASSERT_EQ(gen_solar_wing(ref, r, 0, 0, 4, 3, rot, 0, Vec3{-28, 0, 0}, Vec3{0, -half_pi, 0}), 9);
    ASSERT_EQ(gen_solar_wing(ref, r, 9, 0, 4, 3, -rot, 0, Vec3{28, 0, 0}, Vec3{0, half_pi, 0}), 9);
    truss_spec ts;
    ts.count = 7;
    ts.variant = 2;
    ts.bar = 0.1;
    ts.rail = 0.2;
    ts.dims = Vec3{4, 3, 8};
    ts.cross_a = ts.cross_b = ts.cross_c = 1;
    ASSERT_EQ(gen_truss(ref, &r.grp[18], 182, Vec3{}, ts, Vec3{0, half_pi, 0}), 1);
    for (int g = 0; g < 19; ++g) EXPECT_TRUE(same_group(m.grp[size_t(g)], r.grp[size_t(g)])) << "group " << g;
}

TEST(PowerWing, UnknownVariantsFillNothing) {
    for (int32_t variant : {3, 4, -1, 1000}) {
        Context ctx;
        typmsh m = prepared_mesh();
        EXPECT_EQ(power_wing(ctx, m, variant), 0);
        EXPECT_EQ(ctx.random.state(), 0u);
        for (const typmshgrp& g : m.grp) EXPECT_TRUE(g.pnt.empty() && g.texpix == nullptr);
    }
}

// An offset moves every vertex of every nested group by exactly that offset;
// the normals and the groups before `first` stay as they were.
TEST(PowerWing, OffsetMovesEveryNestedGroupAndNothingBeforeFirst) {
    const int32_t first = 5;
    const Vec3 t{10.25, -20, 30.5};
    Context c0;
    Context c1;
    c0.random.set_state(777);
    c1.random.set_state(777);
    typmsh m0 = prepared_mesh();
    typmsh m1 = prepared_mesh();
    pnttyp marker;
    marker.pos = Vec3f{1, 2, 3};
    for (int g = 0; g < first; ++g) m1.grp[size_t(g)].pnt.assign(3, marker);

    ASSERT_EQ(power_wing(c0, m0, 2, 0.2, Vec3{}, first), 88);
    ASSERT_EQ(power_wing(c1, m1, 2, 0.2, t, first), 88);
    for (int g = 0; g < first; ++g) {
        ASSERT_EQ(m1.grp[size_t(g)].pnt.size(), 3u);
        EXPECT_TRUE(testing_support::same_vertex(m1.grp[size_t(g)].pnt[0], marker));
    }
    const Vec3f tf = vec_to_f(t);
    for (int g = first; g < first + 88; ++g) {
        const aopntyp& a = m0.grp[size_t(g)].pnt;
        const aopntyp& b = m1.grp[size_t(g)].pnt;
        ASSERT_EQ(a.size(), b.size());
        ASSERT_FALSE(a.empty()) << "group " << g;
        for (size_t i = 0; i < a.size(); ++i) {
            ASSERT_EQ(b[i].pos.x, a[i].pos.x + tf.x) << "group " << g << " vertex " << i;
            ASSERT_EQ(b[i].pos.y, a[i].pos.y + tf.y);
            ASSERT_EQ(b[i].pos.z, a[i].pos.z + tf.z);
            ASSERT_EQ(b[i].nrm.x, a[i].nrm.x);
            ASSERT_EQ(b[i].nrm.y, a[i].nrm.y);
            ASSERT_EQ(b[i].nrm.z, a[i].nrm.z);
        }
    }
    EXPECT_TRUE(m1.grp[size_t(first + 88)].pnt.empty());
}

// A mesh without room for the whole assembly is refused up front: negative
// group count, no group touched, no random number drawn.
TEST(PowerWing, TooFewGroupsIsRefusedUntouched) {
    Context ctx;
    typmsh m = prepared_mesh();
    EXPECT_EQ(power_wing(ctx, m, 2, 0, Vec3{}, 200 - 87), -88);
    EXPECT_EQ(gen_solar_wing(ctx, m, 192, -1, 4, 3, 0, 0, Vec3{}, Vec3{}), -9);
    EXPECT_EQ(gen_solar_wing(ctx, m, -1, 0, 4, 3, 0, 0, Vec3{}, Vec3{}), -9);
    m.grpcnt = 300;  // a count beyond the array is not trusted
    EXPECT_EQ(gen_solar_wing(ctx, m, 195, 0, 4, 3, 0, 0, Vec3{}, Vec3{}), -9);
    EXPECT_EQ(ctx.random.state(), 0u);
    for (const typmshgrp& g : m.grp) EXPECT_TRUE(g.pnt.empty() && g.texpix == nullptr);
}

}  // namespace
}  // namespace quilbet

// Auxiliary docking port: adaptor plus collar, or nothing when skipped.
#include <gtest/gtest.h>

#include "assembly_support.hpp"
#include "generators/adaptor_tank.hpp"
#include "generators/habitat.hpp"

namespace quilbet {
namespace {

using testing_support::groups_box;
using testing_support::prepared_mesh;
using testing_support::same_group;

TEST(Port, SkipFillsNothingAndDrawsNothing) {
    Context ctx;
    typmsh m = prepared_mesh();
    pnttyp marker;
    marker.pos = Vec3f{4, 5, 6};
    m.grp[3].pnt.assign(1, marker);
    EXPECT_EQ(gen_port(ctx, m, 3, 1, 8, 3, 6, Vec3{1, 2, 3}, Vec3{0.5, 0, 0}), 0);
    EXPECT_EQ(ctx.random.state(), 0u);
    ASSERT_EQ(m.grp[3].pnt.size(), 1u);
    EXPECT_TRUE(testing_support::same_vertex(m.grp[3].pnt[0], marker));
    EXPECT_EQ(m.grp[3].texpix, nullptr);
    EXPECT_TRUE(m.grp[4].pnt.empty());
}

TEST(Port, AdaptorThenCollarAtTheFarEnd) {
    Context ctx;
    typmsh m = prepared_mesh();
    ASSERT_EQ(gen_port(ctx, m, 0, 0, 8, 3, 6, Vec3{}, Vec3{}), 2);

    Context ref;
    typmsh r = prepared_mesh();
    adaptor_spec ad;
    ad.variant = 1;
    ad.bar = 0.1;
    ad.rail = 0.2;
    ad.len = 6;
    ad.w0 = 8;
    ad.h0 = 3;
    ad.w1 = 2;
    ad.h1 = 2;
    ad.sw_a = ad.sw_b = ad.sw_c = 1;
    ASSERT_EQ(gen_adaptor(ref, &r.grp[0], 200, Vec3{}, ad, Vec3{}), 1);
    ASSERT_EQ(gen_port_collar(ref, &r.grp[1], 199, Vec3{0, 0, 6}, 0, Vec3{}), 1);
    EXPECT_TRUE(same_group(m.grp[0], r.grp[0]));
    EXPECT_TRUE(same_group(m.grp[1], r.grp[1]));
    // The collar reaches from the adaptor's end to the docking point at len + 2.5.
    const auto collar = groups_box(m, 1, 2);
    EXPECT_NEAR(collar.lo[2], 6, 1e-5);
    EXPECT_NEAR(collar.hi[2], 8.5, 1e-5);
    EXPECT_TRUE(m.grp[2].pnt.empty());
}

TEST(Port, OffsetAndAnglesApplyToBothGroups) {
    Context c0;
    Context c1;
    typmsh m0 = prepared_mesh();
    typmsh m1 = prepared_mesh();
    const Vec3 t{1.5, -2, 7};
    const Vec3 ang{0, static_cast<double>(pi_ext / 2), 0};
    ASSERT_EQ(gen_port(c0, m0, 10, 0, 8, 4, 4, Vec3{}, Vec3{}), 2);
    ASSERT_EQ(gen_port(c1, m1, 10, 0, 8, 4, 4, t, ang), 2);
    for (int g = 10; g < 12; ++g) {
        aopntyp expected = m0.grp[size_t(g)].pnt;
        pnt_rotate_translate(expected.data(), int32_t(expected.size()), t, ang);
        ASSERT_EQ(expected.size(), m1.grp[size_t(g)].pnt.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_TRUE(testing_support::same_vertex(expected[i], m1.grp[size_t(g)].pnt[i]));
        }
    }
}

TEST(Port, NeedsTwoGroups) {
    Context ctx;
    typmsh m = prepared_mesh();
    EXPECT_EQ(gen_port(ctx, m, 199, 0, 8, 3, 6, Vec3{}, Vec3{}), -2);
    EXPECT_TRUE(m.grp[199].pnt.empty());
    EXPECT_EQ(ctx.random.state(), 0u);
}

}  // namespace
}  // namespace quilbet

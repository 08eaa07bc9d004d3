// Habitat generator: group counts, scaling, hatch placement, and the
// invariants of every molded hull (indices in range, closed and wound
// outward, no degenerate triangle, repeatable from the random state).
#include <gtest/gtest.h>

#include <cmath>

#include "assembly_support.hpp"
#include "generators/habitat.hpp"
#include "generators/panel_truss.hpp"

namespace quilbet {
namespace {

using testing_support::Box;
using testing_support::groups_box;
using testing_support::prepared_mesh;
using testing_support::same_group;

hab_spec defaults(int32_t variant) {
    hab_spec s;
    s.variant = variant;
    s.width = 6;
    s.length = variant == 2 ? 6 : 8;
    s.windows = (variant == 0 || variant == 1 || variant == 3) ? 1 : 0;
    s.rounded = (variant == 0 || variant == 1) ? 1 : 0;
    return s;
}

const float h = float(3.0L - 61.0L / 53.0L);

// Lattice point position along one axis, as the grid stores it.
float lattice_pos(int i) { return float(2.0L * i / 60 - 1); }

// Edge of the square hatch plate whose frame spans `extent` (rim c = s/30 thick).
double hatch_edge(const Box& b, int axis) { return (b.hi[axis] - b.lo[axis]) * 30 / 31; }

TEST(Habitat, HabADefaultsScaledToSixByEightWithTwoEndHatches) {
    Context ctx;
    typmsh m = prepared_mesh();
    hab_spec spec = defaults(0);
    ASSERT_EQ(gen_habitat(ctx, m, 0, Vec3{}, Vec3{}, spec), 5);
    EXPECT_EQ(spec.windows, 1);
    for (int g = 0; g < 3; ++g) {
        EXPECT_FALSE(m.grp[size_t(g)].pnt.empty()) << g;
        EXPECT_EQ(m.grp[size_t(g)].diffuse, rgba_pack(255, 255, 255, 255));
        ASSERT_NE(m.grp[size_t(g)].texpix, nullptr);
    }
    EXPECT_EQ(m.grp[2].emissive, rgba_pack(52, 82, 52, 255));
    EXPECT_EQ(m.grp[0].emissive, 0u);
    EXPECT_EQ(m.grp[0].texw, 128);
    EXPECT_EQ(m.grp[1].texw, 64);
    EXPECT_EQ(m.grp[2].texw, 128);

    // The hull's surface vertices are lattice points: the wall reaches 28
    // points off the axis (16-gon of radius 29) and the collars 28 along z.
    const Box hull = groups_box(m, 0, 3);
    const float sx = float(double(6.0L / h));
    const float sz = float(double(8.0L / h));
    EXPECT_EQ(float(hull.hi[0]), lattice_pos(58) * sx);
    EXPECT_EQ(float(hull.lo[0]), lattice_pos(2) * sx);
    EXPECT_EQ(float(hull.hi[2]), lattice_pos(58) * sz);
    EXPECT_EQ(float(hull.lo[2]), lattice_pos(2) * sz);

    const Box plus = groups_box(m, 3, 4);
    const Box minus = groups_box(m, 4, 5);
    EXPECT_NEAR(plus.centre(2), 3.934426, 1e-5);
    EXPECT_NEAR(minus.centre(2), -3.934426, 1e-5);
    EXPECT_NEAR(hatch_edge(plus, 0), 2.163934, 1e-5);
    EXPECT_NEAR(hatch_edge(minus, 1), 2.163934, 1e-5);
    // The +z plate faces out (+z), the -z one is turned half a turn about y.
    EXPECT_NEAR(plus.hi[2] - plus.centre(2), 2.163934 / 30, 1e-5);
    EXPECT_TRUE(m.grp[5].pnt.empty());
}

TEST(Habitat, SideNormalsSmoothedOnlyWhenRound) {
    for (uint8_t rounded : {uint8_t(0), uint8_t(1)}) {
        Context ctx;
        typmsh m = prepared_mesh();
        hab_spec spec = defaults(0);
        spec.rounded = rounded;
        ASSERT_EQ(gen_habitat(ctx, m, 0, Vec3{}, Vec3{}, spec), 5);
        // Flat shading gives the three corners of a triangle one normal;
        // smoothed side faces get a radial normal per corner.
        int smoothed = 0;
        for (int g = 0; g < 3; ++g) {
            const typmshgrp& grp = m.grp[size_t(g)];
            for (size_t i = 0; i + 2 < grp.ind.size(); i += 3) {
                const Vec3f n0 = grp.pnt[size_t(grp.ind[i])].nrm;
                const Vec3f n1 = grp.pnt[size_t(grp.ind[i + 1])].nrm;
                const Vec3f n2 = grp.pnt[size_t(grp.ind[i + 2])].nrm;
                const bool flat = n0.x == n1.x && n0.y == n1.y && n0.z == n1.z && n0.x == n2.x && n0.y == n2.y &&
                                  n0.z == n2.z;
                if (!flat) {
                    ++smoothed;
                    EXPECT_EQ(n0.z, 0.0f);
                }
            }
        }
        if (rounded) {
            EXPECT_GT(smoothed, 0);
        } else {
            EXPECT_EQ(smoothed, 0);
        }
    }
}

TEST(Habitat, NodeHasSixHatchesLessTheSuppressedOnes) {
    Context ctx;
    typmsh m = prepared_mesh();
    hab_spec spec = defaults(2);
    spec.windows = 4;
    ASSERT_EQ(gen_habitat(ctx, m, 0, Vec3{}, Vec3{}, spec), 9);
    EXPECT_EQ(spec.windows, 0);
    const double g = (0.5 - 2.5 / 61) * 6;
    const int axis[6] = {2, 2, 1, 1, 0, 0};
    for (int k = 0; k < 6; ++k) {
        const Box b = groups_box(m, 3 + k, 4 + k);
        EXPECT_NEAR(b.centre(axis[k]), k % 2 == 0 ? g : -g, 1e-5) << k;
        EXPECT_NEAR(b.centre((axis[k] + 1) % 3), 0, 1e-5) << k;
        EXPECT_NEAR(hatch_edge(b, (axis[k] + 1) % 3), 22 * 6 / 61.0, 1e-5) << k;
    }

    for (int suppressed = 1; suppressed <= 6; ++suppressed) {
        Context c2;
        typmsh m2 = prepared_mesh();
        hab_spec s2 = defaults(2);
        for (int k = 0; k < suppressed; ++k) s2.no_hatch[k] = 1;
        EXPECT_EQ(gen_habitat(c2, m2, 0, Vec3{}, Vec3{}, s2), 9 - suppressed);
    }
    // Only +x left: it is built right after the hull.
    Context c3;
    typmsh m3 = prepared_mesh();
    hab_spec s3 = defaults(2);
    for (int k = 0; k < 6; ++k) s3.no_hatch[k] = k != 4;
    ASSERT_EQ(gen_habitat(c3, m3, 0, Vec3{}, Vec3{}, s3), 4);
    EXPECT_NEAR(groups_box(m3, 3, 4).centre(0), g, 1e-5);
}

TEST(Habitat, TubesIgnoreSideHatchEntries) {
    Context ctx;
    typmsh m = prepared_mesh();
    hab_spec spec = defaults(3);
    spec.no_hatch[2] = spec.no_hatch[3] = spec.no_hatch[4] = spec.no_hatch[5] = 1;
    EXPECT_EQ(gen_habitat(ctx, m, 0, Vec3{}, Vec3{}, spec), 5);
    spec.no_hatch[0] = 1;
    Context c2;
    typmsh m2 = prepared_mesh();
    ASSERT_EQ(gen_habitat(c2, m2, 0, Vec3{}, Vec3{}, spec), 4);
    EXPECT_NEAR(groups_box(m2, 3, 4).centre(2), -3.934426, 1e-5);  // only -z is left
}

TEST(Habitat, DockingModuleHatches) {
    Context ctx;
    typmsh m = prepared_mesh();
    hab_spec spec = defaults(4);
    ASSERT_EQ(gen_habitat(ctx, m, 0, Vec3{}, Vec3{}, spec), 5);
    const Box small = groups_box(m, 3, 4);
    const Box large = groups_box(m, 4, 5);
    EXPECT_NEAR(small.centre(2), 5.5 / 61 * 8, 1e-5);   // 0.721, just behind the port at 8/11
    EXPECT_NEAR(hatch_edge(small, 0), 0.4, 1e-5);
    EXPECT_NEAR(large.centre(2), -3.934426, 1e-5);
    EXPECT_NEAR(hatch_edge(large, 0), 2.163934, 1e-5);
}

TEST(Habitat, UnknownVariantGivesThreeEmptyHullGroups) {
    Context ctx;
    typmsh m = prepared_mesh();
    hab_spec spec = defaults(0);
    spec.variant = 9;
    spec.windows = 3;
    ASSERT_EQ(gen_habitat(ctx, m, 0, Vec3{}, Vec3{}, spec), 3);
    EXPECT_EQ(spec.windows, 0);
    for (int g = 0; g < 3; ++g) {
        EXPECT_TRUE(m.grp[size_t(g)].pnt.empty());
        EXPECT_EQ(m.grp[size_t(g)].texw, 64);   // ridges, noise, stripes
    }
}

TEST(Habitat, TooFewGroupsIsRefusedUntouched) {
    Context ctx;
    typmsh m = prepared_mesh();
    hab_spec spec = defaults(2);
    EXPECT_EQ(gen_habitat(ctx, m, 192, Vec3{}, Vec3{}, spec), -9);
    EXPECT_EQ(ctx.random.state(), 0u);
    for (const typmshgrp& g : m.grp) EXPECT_TRUE(g.pnt.empty() && g.texpix == nullptr);
}

TEST(Habitat, OffsetAndAnglesComeLast) {
    Context c0;
    Context c1;
    typmsh m0 = prepared_mesh();
    typmsh m1 = prepared_mesh();
    hab_spec s0 = defaults(3);
    hab_spec s1 = defaults(3);
    const Vec3 t{3, -4, 12.5};
    const Vec3 ang{0.3, 0, -1.2};
    ASSERT_EQ(gen_habitat(c0, m0, 2, Vec3{}, Vec3{}, s0), 5);
    ASSERT_EQ(gen_habitat(c1, m1, 2, t, ang, s1), 5);
    for (int g = 2; g < 7; ++g) {
        aopntyp expected = m0.grp[size_t(g)].pnt;
        pnt_rotate_translate(expected.data(), int32_t(expected.size()), t, ang);
        ASSERT_EQ(expected.size(), m1.grp[size_t(g)].pnt.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_TRUE(testing_support::same_vertex(expected[i], m1.grp[size_t(g)].pnt[i])) << g << " " << i;
        }
    }
}

// Every variant, both cross-sections: a sound, closed, outward hull.
TEST(Habitat, HullInvariantsOfEveryVariant) {
    for (int variant = 0; variant <= 4; ++variant) {
        for (uint8_t rounded : {uint8_t(0), uint8_t(1)}) {
            hab_spec spec = defaults(variant);
            spec.rounded = rounded;
            spec.windows = variant == 2 || variant == 4 ? 0 : 2;
            Context ctx;
            ctx.random.set_state(4711);
            typmsh m = prepared_mesh();
            const int32_t count = gen_habitat(ctx, m, 0, Vec3{}, Vec3{}, spec);
            ASSERT_GE(count, 3);

            long double volume = 0;
            long double area_sum = 0;
            long double vector_area[3] = {0, 0, 0};
            for (int g = 0; g < count; ++g) {
                const typmshgrp& grp = m.grp[size_t(g)];
                ASSERT_EQ(grp.ind.size() % 3, 0u);
                for (int32_t i : grp.ind) {
                    ASSERT_GE(i, 0);
                    ASSERT_LT(size_t(i), grp.pnt.size());
                }
                if (g >= 3) continue;
                ASSERT_FALSE(grp.ind.empty()) << variant << " group " << g;
                for (size_t i = 0; i < grp.ind.size(); i += 3) {
                    const Vec3f a = grp.pnt[size_t(grp.ind[i])].pos, b = grp.pnt[size_t(grp.ind[i + 1])].pos,
                                c = grp.pnt[size_t(grp.ind[i + 2])].pos;
                    const long double ux = (long double)b.x - a.x, uy = (long double)b.y - a.y,
                                      uz = (long double)b.z - a.z;
                    const long double wx = (long double)c.x - a.x, wy = (long double)c.y - a.y,
                                      wz = (long double)c.z - a.z;
                    const long double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
                    const long double area2 = std::sqrt(nx * nx + ny * ny + nz * nz);
                    ASSERT_GT(area2, 1e-9L) << "degenerate triangle, variant " << variant << " group " << g;
                    area_sum += area2 / 2;
                    vector_area[0] += nx / 2;
                    vector_area[1] += ny / 2;
                    vector_area[2] += nz / 2;
                    volume += (a.x * ((long double)b.y * c.z - (long double)b.z * c.y) -
                               a.y * ((long double)b.x * c.z - (long double)b.z * c.x) +
                               a.z * ((long double)b.x * c.y - (long double)b.y * c.x)) / 6;
                }
            }
            EXPECT_GT(volume, 1.0L) << "variant " << variant << " rounded " << int(rounded);
            // A closed surface has no net vector area.
            for (int a = 0; a < 3; ++a) {
                EXPECT_LT(std::fabs(vector_area[a]), 1e-4L * area_sum) << "variant " << variant << " axis " << a;
            }

            Context again;
            again.random.set_state(4711);
            typmsh m2 = prepared_mesh();
            hab_spec spec2 = defaults(variant);
            spec2.rounded = rounded;
            spec2.windows = spec.windows;
            ASSERT_EQ(gen_habitat(again, m2, 0, Vec3{}, Vec3{}, spec2), count);
            for (int g = 0; g < count; ++g) EXPECT_TRUE(same_group(m.grp[size_t(g)], m2.grp[size_t(g)]));
            EXPECT_EQ(ctx.random.state(), again.random.state());
        }
    }
}

// With the context's threads on, the textures are painted while the hull is
// molded (and the hull on two threads): every group, texture and the random
// state afterwards are those of the one-thread build.
TEST(Habitat, ThreadsChangeNothing) {
    for (int32_t variant = 0; variant <= 4; ++variant) {
        SCOPED_TRACE(variant);
        Context one, two;
        one.threads = false;
        two.threads = true;
        typmsh a = prepared_mesh(), b = prepared_mesh();
        hab_spec sa = defaults(variant), sb = defaults(variant);
        const int32_t na = gen_habitat(one, a, 2, Vec3{1, 2, 3}, Vec3{0.1, 0.2, 0.3}, sa);
        const int32_t nb = gen_habitat(two, b, 2, Vec3{1, 2, 3}, Vec3{0.1, 0.2, 0.3}, sb);
        ASSERT_EQ(na, nb);
        for (int32_t g = 0; g < 2 + na; ++g) EXPECT_TRUE(same_group(a.grp[size_t(g)], b.grp[size_t(g)])) << g;
        EXPECT_EQ(one.random.state(), two.random.state());
    }
}

}  // namespace
}  // namespace quilbet

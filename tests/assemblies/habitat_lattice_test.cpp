// The habitat lattice fill: the column-wise fill against a point-by-point
// reading of the rules, and the documented shapes of the patterns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "generators/habitat_lattice.hpp"

namespace quilbet {
namespace {

constexpr int n = 61;
constexpr int c = 30;

// A lattice sized like a built grid; the fill needs only the points.
mbs_grid bare_grid() {
    mbs_grid g;
    g.resolution = n;
    g.group_count = 3;
    g.pass_count = 6;
    g.points.resize(size_t(n) * n * n);
    return g;
}

// ---- the rules read point by point, as a test oracle ----

struct PlainPolygon {
    int D;
    double xs[17], ys[17];
};

PlainPolygon plain_polygon(int R, int D) {
    PlainPolygon p{};
    p.D = D;
    for (int k = 0; k <= D; ++k) {
        const float theta = float((180.0L / D + k * 360.0L / D) * pi_ext / 180.0L);
        p.xs[k] = double(c + R * std::sin((long double)theta));
        p.ys[k] = double(c + R * std::cos((long double)theta));
    }
    return p;
}

bool plain_in(const PlainPolygon& p, int x, int y) { return point_in_polygon(p.D, p.xs, p.ys, x, y); }

bool plain_box(int a, int b, int e, int r, int x, int y, int z) {
    const int Ro = 29, k1 = Ro - a - e, k3 = Ro - b - e;
    const int d[3] = {x - c, y - c, z - c};
    for (int i = 0; i < 3; ++i) {
        if (std::abs(d[i]) > Ro - r) return false;
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (i == j) continue;
            if (d[i] + d[j] < -(2 * k1 - 1) || d[i] + d[j] > 2 * k1 - 1) return false;
            if (std::abs(d[i] - d[j]) > 2 * k1 - 2) return false;
        }
    }
    const int s = d[0] + d[1] + d[2];
    if (s < -(3 * k3 - 1) || s > 3 * k3 - 1) return false;
    if (std::abs(d[0] + d[1] - d[2]) > 3 * k3 - 2) return false;
    if (std::abs(d[0] - d[1] + d[2]) > 3 * k3 - 2) return false;
    if (std::abs(-d[0] + d[1] + d[2]) > 3 * k3 - 2) return false;
    return true;
}

void plain_fill(mbs_grid& grid, const hab_spec& spec) {
    const int Ro = spec.variant == 1 ? 19 : 29, Ri = Ro - 2, Lh = 27, Li = 26, Rw = 3;
    const int D = 8 + 8 * spec.rounded;
    const float ratio = float((long double)spec.width / spec.length);
    const PlainPolygon po = plain_polygon(Ro, D), pi = plain_polygon(Ri, D), p2 = plain_polygon(2, D);
    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            for (int z = 0; z < n; ++z) {
                const int dx = x - c, dy = y - c, dz = z - c;
                float v = 0;
                int g = 0;
                auto collar = [&] { v = 1.0f; g = 0; };
                auto opening = [&] { v = 0; g = 1; };
                auto interior = [&] { v = 0; g = 2; };
                auto tube_ends = [&] {
                    if (std::abs(dx) <= 11 && std::abs(dy) <= 11 && std::abs(dz) <= 28) collar();
                    if (std::abs(dx) <= 9 && std::abs(dy) <= 9) opening();
                };
                auto windows = [&] {
                    const int wn = spec.windows;
                    float o = 0, s = 0;
                    if (wn > 1) {
                        o = float(Lh - (long double)Lh / wn);
                        s = float(2.0L * Lh / wn);
                    }
                    for (int k = 0; k < wn; ++k) {
                        const long double zk = c - (long double)o + (long double)k * s;
                        const long double U = Rw * (long double)ratio;
                        if (std::abs(dy) < Rw && zk - U < z && z < zk + U) { v = 0.9f; g = 1; }
                        if (std::abs(dy) < Rw - 1 && zk - U + 1 < z && z < zk + U - 1) { v = 0; g = 1; }
                    }
                };
                switch (spec.variant) {
                case 0:
                case 1:
                    if (plain_in(po, x, y) && std::abs(dz) <= Lh) v = 1.0f;
                    tube_ends();
                    windows();
                    if (plain_in(pi, x, y) && std::abs(dz) <= Li) interior();
                    break;
                case 2:
                    if (std::abs(dx) <= 24 && std::abs(dy) <= 24 && std::abs(dz) <= 24) v = 1.0f;
                    if (!plain_box(4, 8, 4, 4, x, y, z)) v = 0;
                    if (std::abs(dx) <= 11 && std::abs(dy) <= 11 && std::abs(dz) <= 28) collar();
                    if (std::abs(dx) <= 11 && std::abs(dz) <= 11 && std::abs(dy) <= 28) collar();
                    if (std::abs(dy) <= 11 && std::abs(dz) <= 11 && std::abs(dx) <= 28) collar();
                    if (std::abs(dx) <= 9 && std::abs(dy) <= 9) opening();
                    if (std::abs(dx) <= 9 && std::abs(dz) <= 9) opening();
                    if (std::abs(dy) <= 9 && std::abs(dz) <= 9) opening();
                    if (plain_box(5, 10, 4, 6, x, y, z)) interior();
                    break;
                case 3:
                    if (plain_box(4, 6, 3, 4, x, y, z)) v = 1.0f;
                    tube_ends();
                    windows();
                    if (plain_box(5, 7, 3, 6, x, y, z)) interior();
                    break;
                case 4:
                    if (z >= 15) {
                        if (plain_box(4, 16, 3, 4, x, y, z + 20)) v = 1.0f;
                        if (plain_in(p2, x, y) && std::abs(dz) <= Li) interior();
                        if (plain_box(5, 17, 3, 6, x, y, z + 20)) interior();
                    } else {
                        if (plain_box(4, 6, 3, 4, x, y, z)) v = 1.0f;
                        tube_ends();
                        if (z == 14) {
                            if (plain_box(5, 17, 3, 6, x, y, z + 20)) interior();
                        } else if (plain_box(5, 7, 3, 6, x, y, z)) {
                            interior();
                        }
                    }
                    break;
                default:
                    break;
                }
                grid.point(x, y, z).value = v;
                grid.point(x, y, z).group = g;
            }
        }
    }
}

::testing::AssertionResult same_lattice(const mbs_grid& a, const mbs_grid& b) {
    for (size_t i = 0; i < a.points.size(); ++i) {
        if (a.points[i].value != b.points[i].value || a.points[i].group != b.points[i].group) {
            return ::testing::AssertionFailure()
                   << "point " << i / (n * n) << "," << (i / n) % n << "," << i % n << ": " << a.points[i].value
                   << "/" << a.points[i].group << " against " << b.points[i].value << "/" << b.points[i].group;
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(HabitatLattice, ColumnFillEqualsThePointByPointRules) {
    const double lengths[] = {8, 6, 7, 4, 16, 11.3};
    for (int variant = 0; variant <= 5; ++variant) {
        for (uint8_t rounded : {uint8_t(0), uint8_t(1)}) {
            for (int windows = -1; windows <= 6; ++windows) {
                const double length = lengths[(variant + windows + 1 + rounded) % 6];
                hab_spec spec;
                spec.variant = variant;
                spec.width = 6;
                spec.length = length;
                spec.windows = windows;
                spec.rounded = rounded;
                mbs_grid fast = bare_grid();
                mbs_grid plain = bare_grid();
                for (mbs_point& p : fast.points) p.value = 5;   // every point must be written
                ASSERT_TRUE(hab_fill_lattice(fast, spec));
                plain_fill(plain, spec);
                ASSERT_TRUE(same_lattice(fast, plain)) << "variant " << variant << " rounded " << int(rounded)
                                                        << " windows " << windows << " length " << length;
                if (variant == 2 || variant == 4 || variant == 5) break;  // no windows there
            }
        }
    }
}

TEST(HabitatLattice, RoundTubeIsSixteenSidedOctagonalOtherwise) {
    hab_spec spec;  // Hab_A defaults
    spec.windows = 1;
    spec.rounded = 1;
    mbs_grid round = bare_grid();
    ASSERT_TRUE(hab_fill_lattice(round, spec));
    EXPECT_EQ(round.round_sides, 1);
    spec.rounded = 0;
    mbs_grid octagon = bare_grid();
    ASSERT_TRUE(hab_fill_lattice(octagon, spec));
    EXPECT_EQ(octagon.round_sides, 0);
    // 27 points off the axis lies inside the 16-gon of radius 29 (apothem
    // 28.44) but outside the octagon (apothem 26.79); the inner tube of
    // radius 27 (apothem 26.48) leaves it to the wall.
    EXPECT_EQ(round.point(c, c + 27, c + 10).value, 1.0f);
    EXPECT_EQ(octagon.point(c, c + 27, c + 10).value, 0.0f);
    // Along the diagonal the octagon has an edge (apothem 26.79, inner 24.94).
    EXPECT_EQ(octagon.point(c + 17, c + 17, c + 10).group, 2);
    EXPECT_EQ(octagon.point(c + 18, c + 18, c + 10).value, 1.0f);
    EXPECT_EQ(octagon.point(c + 19, c + 19, c + 10).value, 0.0f);
    EXPECT_EQ(octagon.point(c + 19, c + 19, c + 10).group, 0);
    // Wall length: |dz| <= 27 solid, beyond empty, collars one further.
    EXPECT_EQ(round.point(c + 28, c, c + 27).value, 1.0f);
    EXPECT_EQ(round.point(c + 28, c, c + 28).value, 0.0f);
    EXPECT_EQ(round.point(c + 10, c, c + 28).value, 1.0f);  // collar
    EXPECT_EQ(round.point(c + 10, c, c + 29).value, 0.0f);
    EXPECT_EQ(round.point(c + 9, c, c + 28).group, 1);      // opening
}

TEST(HabitatLattice, HabBRadiiNineteenAndSeventeen) {
    hab_spec spec;
    spec.variant = 1;
    spec.windows = 0;
    spec.rounded = 1;
    mbs_grid g = bare_grid();
    ASSERT_TRUE(hab_fill_lattice(g, spec));
    const int z = c + 20;
    // Along +x at z clear of collars: interior up to 16, wall 17 .. 18, outside from 19.
    EXPECT_EQ(g.point(c + 16, c, z).group, 2);
    EXPECT_EQ(g.point(c + 17, c, z).value, 1.0f);
    EXPECT_EQ(g.point(c + 18, c, z).value, 1.0f);
    EXPECT_EQ(g.point(c + 19, c, z).value, 0.0f);
    EXPECT_EQ(g.point(c + 19, c, z).group, 0);
}

TEST(HabitatLattice, WindowSlots) {
    hab_spec spec;
    spec.rounded = 1;
    spec.windows = 0;
    mbs_grid none = bare_grid();
    ASSERT_TRUE(hab_fill_lattice(none, spec));
    for (const mbs_point& p : none.points) ASSERT_NE(p.value, 0.9f);

    // Three windows, length 8: centres c - 18, c, c + 18; half-length 3 * 0.75.
    spec.windows = 3;
    mbs_grid three = bare_grid();
    ASSERT_TRUE(hab_fill_lattice(three, spec));
    for (int centre : {c - 18, c, c + 18}) {
        EXPECT_EQ(three.point(c + 28, c, centre - 3).value, 1.0f) << centre;
        EXPECT_EQ(three.point(c + 28, c, centre - 2).value, 0.9f) << centre;
        EXPECT_EQ(three.point(c + 28, c, centre - 2).group, 1);
        EXPECT_EQ(three.point(c + 28, c, centre - 1).value, 0.0f);
        EXPECT_EQ(three.point(c + 28, c, centre).value, 0.0f);
        EXPECT_EQ(three.point(c + 28, c, centre).group, 1);
        EXPECT_EQ(three.point(c + 28, c, centre + 1).value, 0.0f);
        EXPECT_EQ(three.point(c + 28, c, centre + 2).value, 0.9f);
        EXPECT_EQ(three.point(c + 28, c, centre + 3).value, 1.0f);
        // Rows |dy| = 2 get only the rim, |dy| = 3 nothing; both side walls are cut.
        EXPECT_EQ(three.point(c + 28, c + 2, centre).value, 0.9f);
        EXPECT_EQ(three.point(c + 28, c + 3, centre).value, 1.0f);
        EXPECT_EQ(three.point(c - 28, c - 1, centre).value, 0.0f);
        // The slot reaches through the whole width in x, the interior excepted.
        EXPECT_EQ(three.point(0, c, centre).value, 0.0f);
        EXPECT_EQ(three.point(0, c, centre).group, 1);
        EXPECT_EQ(three.point(c, c, centre).group, 2);
    }
    // A single window sits at the centre.
    spec.windows = 1;
    mbs_grid one = bare_grid();
    ASSERT_TRUE(hab_fill_lattice(one, spec));
    EXPECT_EQ(one.point(c + 28, c, c).value, 0.0f);
    EXPECT_EQ(one.point(c + 28, c, c - 18).value, 1.0f);
}

TEST(HabitatLattice, OnlyDocumentedValuesAndGroups) {
    for (int variant = 0; variant <= 4; ++variant) {
        hab_spec spec;
        spec.variant = variant;
        spec.windows = 2;
        spec.rounded = 1;
        mbs_grid g = bare_grid();
        ASSERT_TRUE(hab_fill_lattice(g, spec));
        int solid = 0;
        for (const mbs_point& p : g.points) {
            ASSERT_TRUE(p.value == 0.0f || p.value == 0.9f || p.value == 1.0f);
            ASSERT_TRUE(p.group >= 0 && p.group <= 2);
            solid += p.value == 1.0f;
        }
        EXPECT_GT(solid, 1000) << variant;
        // The lattice border stays outside, so the molded hull is closed.
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                ASSERT_LT(g.point(0, i, j).value, 1.0f);
                ASSERT_LT(g.point(n - 1, i, j).value, 1.0f);
                ASSERT_LT(g.point(i, 0, j).value, 1.0f);
                ASSERT_LT(g.point(i, n - 1, j).value, 1.0f);
                ASSERT_LT(g.point(i, j, 0).value, 1.0f);
                ASSERT_LT(g.point(i, j, n - 1).value, 1.0f);
            }
        }
    }
}

TEST(HabitatLattice, RefusesAGridOfAnotherSize) {
    hab_spec spec;
    mbs_grid g;
    g.resolution = 31;
    g.points.resize(31 * 31 * 31);
    EXPECT_FALSE(hab_fill_lattice(g, spec));
    mbs_grid unbuilt;
    unbuilt.resolution = 61;
    EXPECT_FALSE(hab_fill_lattice(unbuilt, spec));
}

}  // namespace
}  // namespace quilbet

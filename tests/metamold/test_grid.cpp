// Sampling grid and marching-cubes tables.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "metamold/grid.hpp"
#include "metamold/mc_tables.hpp"

namespace quilbet {
namespace {

TEST(MoldGrid, TwoPointsPerAxisSpanTheCube) {
    mbs_grid g;
    g.resolution = 2;
    g.group_count = 3;
    g.pass_count = 7;
    mbs_build_grid(g);
    EXPECT_EQ(g.pass_count, 7);   // only resolution and group_count are read
    ASSERT_EQ(g.points.size(), 8u);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k) {
                const mbs_point& p = g.point(i, j, k);
                EXPECT_EQ(p.pos.x, i ? 1.0f : -1.0f);
                EXPECT_EQ(p.pos.y, j ? 1.0f : -1.0f);
                EXPECT_EQ(p.pos.z, k ? 1.0f : -1.0f);
                EXPECT_EQ(p.value, 0.0f);
                EXPECT_EQ(p.group, 0);
            }
    EXPECT_EQ(g.bucket_span(0), 2);
    EXPECT_EQ(g.buckets[0].size(), 2u * 2 * 2 * 3);
    // The second level only ever holds positions up to n div 4.
    EXPECT_EQ(g.bucket_span(1), 1);
    EXPECT_EQ(g.buckets[1].size(), 3u);
}

TEST(MoldGrid, PositionsAreRoundedOnceFromExtendedPrecision) {
    mbs_grid g;
    g.resolution = 61;
    g.group_count = 1;
    mbs_build_grid(g);
    EXPECT_EQ(g.bucket_span(0), 31);
    EXPECT_EQ(g.bucket_span(1), 16);
    EXPECT_EQ(g.point(0, 0, 0).pos.x, -1.0f);
    EXPECT_EQ(g.point(60, 60, 60).pos.z, 1.0f);
    EXPECT_EQ(g.point(30, 30, 30).pos.y, 0.0f);
    for (int i = 0; i < 61; ++i) {
        const float want = float(2.0L * i / 60 - 1.0L);
        EXPECT_EQ(g.point(i, 0, 0).pos.x, want) << i;
        EXPECT_EQ(g.point(0, i, 0).pos.y, want) << i;
        EXPECT_EQ(g.point(0, 0, i).pos.z, want) << i;
    }
}

TEST(MoldGrid, InsideFromOnePointZero) {
    EXPECT_TRUE(mbs_inside(1.0f));
    EXPECT_TRUE(mbs_inside(1.5f));
    EXPECT_FALSE(mbs_inside(0.99f));
    EXPECT_FALSE(mbs_inside(std::nextafter(1.0f, 0.0f)));
    EXPECT_FALSE(mbs_inside(std::numeric_limits<float>::quiet_NaN()));
}

TEST(MoldGrid, EdgeVertexSnapsToUnitCornersAndInterpolatesOtherwise) {
    const Vec3f a{0.25f, -0.5f, 0.125f}, b{0.25f, -0.5f, 0.375f};
    const Vec3f ab = mbs_edge_vertex(a, b, 0.0f, 1.0f);
    EXPECT_EQ(ab.x, b.x);
    EXPECT_EQ(ab.y, b.y);
    EXPECT_EQ(ab.z, b.z);
    const Vec3f ba = mbs_edge_vertex(b, a, 1.0f, 0.0f);
    EXPECT_EQ(ba.z, b.z);
    // -1 captures the vertex as well; a wins when both qualify.
    EXPECT_EQ(mbs_edge_vertex(a, b, 0.3f, -1.0f).z, b.z);
    EXPECT_EQ(mbs_edge_vertex(a, b, 1.0f, 1.0f).z, a.z);
    const Vec3f mid = mbs_edge_vertex(a, b, 0.5f, 1.5f);
    EXPECT_EQ(mid.x, 0.25f);
    EXPECT_EQ(mid.y, -0.5f);
    EXPECT_EQ(mid.z, 0.25f);
    EXPECT_EQ(mbs_edge_vertex(a, b, 0.5f, 0.5f).z, a.z);
}

TEST(MoldTables, PublishedEntries) {
    EXPECT_EQ(mc_edge_table[0], 0);
    EXPECT_EQ(mc_edge_table[1], 0x109);
    EXPECT_EQ(mc_edge_table[3], 0x30A);
    EXPECT_EQ(mc_edge_table[255], 0);
    const int8_t row1[] = {0, 8, 3, -1}, row2[] = {0, 1, 9, -1}, row3[] = {1, 8, 3, 9, 8, 1, -1},
                 row254[] = {0, 3, 8, -1};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(mc_tri_table[1][i], row1[i]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(mc_tri_table[2][i], row2[i]);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(mc_tri_table[3][i], row3[i]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(mc_tri_table[254][i], row254[i]);
    EXPECT_EQ(mc_tri_table[0][0], -1);
    EXPECT_EQ(mc_tri_table[255][0], -1);
}

// Every row names exactly the crossed edges of its edge-table entry, and an
// edge is crossed exactly when its two corners lie on different sides.
TEST(MoldTables, EdgeTableIsTheUnionOfEachTriangleRow) {
    for (int index = 0; index < 256; ++index) {
        int from_row = 0, t = 0;
        for (; t < 16 && mc_tri_table[index][t] != -1; ++t) {
            ASSERT_GE(mc_tri_table[index][t], 0);
            ASSERT_LT(mc_tri_table[index][t], 12);
            from_row |= 1 << mc_tri_table[index][t];
        }
        ASSERT_LT(t, 16) << index;
        EXPECT_EQ(t % 3, 0) << index;
        for (int rest = t; rest < 16; ++rest) EXPECT_EQ(mc_tri_table[index][rest], -1);
        EXPECT_EQ(mc_edge_table[index], from_row) << index;
        int by_corners = 0;
        for (int e = 0; e < 12; ++e) {
            const bool a = index & (1 << mc_edge_corners[e].a), b = index & (1 << mc_edge_corners[e].b);
            if (a != b) by_corners |= mc_edge_corners[e].bit;
        }
        EXPECT_EQ(mc_edge_table[index], by_corners) << index;
    }
}

}  // namespace
}  // namespace quilbet

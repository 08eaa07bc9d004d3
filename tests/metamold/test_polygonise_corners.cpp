// The cube pass on lattices whose edge vertices are all lattice points (every
// inside sample exactly 1.0) works out facet normals from the lattice steps
// instead of the extended-precision cross product; these cases check it bit
// for bit against the step-by-step polygonisation, including outside samples
// of -1.0 (which capture the vertex themselves), NaNs, and lattices where the
// shortcut must not be taken.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mold_support.hpp"

namespace quilbet {
namespace {

using namespace testing_mold;


template <typename Fill>
void expect_same_as_buckets(int32_t n, int32_t groups, int32_t passes, bool round, Fill fill) {
    mbs_grid a = make_grid(n, groups, passes, round), b = make_grid(n, groups, passes, round);
    fill(a);
    fill(b);
    typmsh ma = make_mesh(groups), mb = make_mesh(groups);
    mbs_polygonise(ma, 0, a);
    oracle::polygonise_by_buckets(mb, 0, b, mbs_merge_coplanar);
    EXPECT_EQ(a.raw_triangle_count, b.raw_triangle_count);
    EXPECT_EQ(a.triangle_count, b.triangle_count);
    for (size_t g = 0; g < ma.grp.size(); ++g) EXPECT_TRUE(same_vertices(ma.grp[g], mb.grp[g])) << "group " << g;
}

// Outside samples drawn from values that steer the edge vertex rule: -1.0
// captures the vertex at the outside corner, the others leave it to the
// inside corner; NaN is outside and captures nothing.
float outside_sample(uint32_t r) {
    switch (r % 6) {
        case 0: return -1.0f;
        case 1: return 0.9f;
        case 2: return -0.5f;
        case 3: return std::numeric_limits<float>::quiet_NaN();
        case 4: return 0.99999994f;
        default: return 0.0f;
    }
}

TEST(MoldCorners, SnappedLatticesWithCapturingOutsideSamplesMatchTheBucketPasses) {
    std::mt19937 rng(4242);
    for (int trial = 0; trial < 60; ++trial) {
        const int32_t n = 2 + static_cast<int32_t>(rng() % 15);   // odd and even lattices
        const int32_t groups = 1 + static_cast<int32_t>(rng() % 3);
        const int32_t passes = static_cast<int32_t>(rng() % 7);
        const bool round = rng() % 2 == 0;
        const double density = 0.2 + 0.1 * (trial % 5);
        const uint32_t seed = rng();
        SCOPED_TRACE(::testing::Message() << "trial " << trial << " n " << n);
        expect_same_as_buckets(n, groups, passes, round, [&](mbs_grid& g) {
            std::mt19937 local(seed);
            std::uniform_real_distribution<double> u(0, 1);
            for (mbs_point& p : g.points) {
                p.value = u(local) < density ? 1.0f : outside_sample(local());
                p.group = static_cast<int32_t>(local() % 4);
            }
        });
    }
}

// Round shapes on larger lattices give slanted facets at many positions, so
// the normals come from many different lattice steps.
TEST(MoldCorners, BallsAndBoxesOnLargerLatticesMatchTheBucketPasses) {
    for (int32_t n : {24, 31, 40, 61}) {
        SCOPED_TRACE(n);
        expect_same_as_buckets(n, 3, 6, n % 2 == 1, [&](mbs_grid& g) { fill_blobs(g, uint32_t(n) * 7u, 4); });
        expect_same_as_buckets(n, 3, 3, false, [&](mbs_grid& g) {
            fill_boxes(g, uint32_t(n), 3);
            // Outside points next to the boxes valued -1.0 pull some vertices outward.
            for (size_t at = 0; at < g.points.size(); at += 7) {
                if (g.points[at].value < 1.0f) g.points[at].value = -1.0f;
            }
        });
    }
}

// Lattices that must take the general path: a point moved off its lattice
// position, an inside sample above 1.0 (interpolated vertices).
TEST(MoldCorners, LatticesOffTheCornerRuleMatchTheBucketPasses) {
    expect_same_as_buckets(13, 2, 4, false, [](mbs_grid& g) {
        fill_boxes(g, 5, 2);
        g.point(6, 6, 6).pos.x += 0.01f;
    });
    expect_same_as_buckets(13, 2, 4, true, [](mbs_grid& g) {
        fill_boxes(g, 9, 2);
        g.point(5, 5, 5).value = 1.5f;
    });
}

}  // namespace
}  // namespace quilbet

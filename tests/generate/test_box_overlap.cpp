// Oriented boxes and box trees: the separating-axis depth on hand-made cases
// (apart, touching, crossed at 45 degrees, a flat sheet inside a girder) and
// the walk over two trees with an allowed depth; triangles crossing, touching
// and apart.
#include <gtest/gtest.h>

#include <cmath>

#include "generate/box_overlap.hpp"
#include "generate/station_grower.hpp"
#include "generate/surface_crossing.hpp"

namespace quilbet {
namespace {

Box3 box(double x0, double y0, double z0, double x1, double y1, double z1) {
    Box3 b;
    b.lo[0] = x0;
    b.lo[1] = y0;
    b.lo[2] = z0;
    b.hi[0] = x1;
    b.hi[1] = y1;
    b.hi[2] = z1;
    return b;
}

// A turn by angle a about z.
Pose turned_z(double a, Vec3 at) {
    const double h = a / 2;
    return pose_from(at, Quat{0, 0, std::sin(h), std::cos(h)});
}

TEST(BoxDepth, CasesByTable) {
    const double r45 = std::atan(1.0);
    struct Case {
        const char* what;
        Box3 a, b;
        Pose rel;
        double depth;
    } cases[] = {
        {"apart by 1 along x", box(0, 0, 0, 1, 1, 1), box(0, 0, 0, 1, 1, 1), pose_from({2, 0, 0}, {}), -1},
        {"touching faces", box(0, 0, 0, 1, 1, 1), box(0, 0, 0, 1, 1, 1), pose_from({1, 0, 0}, {}), 0},
        {"half inside along x", box(0, 0, 0, 1, 1, 1), box(0, 0, 0, 1, 1, 1), pose_from({0.5, 0.25, 0}, {}), 0.5},
        // Unit squares whose bounds overlap but which a diagonal separates.
        {"diamond beside the corner", box(-0.5, -0.5, -0.5, 0.5, 0.5, 0.5), box(-0.5, -0.5, -0.5, 0.5, 0.5, 0.5),
         turned_z(r45, {1, 1, 0}), 1.0 / std::sqrt(2.0) + 0.5 - std::sqrt(2.0)},
        // A sheet of no thickness through the middle of a girder is deep inside.
        {"sheet through a girder", box(-2, -1.5, -10, 2, 1.5, 10), box(-20, 0, -1, 20, 0, 1), pose_from({}, {}), 1.5},
    };
    for (const Case& c : cases) EXPECT_NEAR(box_depth(c.a, c.b, c.rel), c.depth, 1e-9) << c.what;
}

TEST(BoxDepth, RelativePosePlacesBInAsFrame) {
    // A point of b's frame lands on the same station point whether b's pose
    // places it, or the relative pose and then a's pose do.
    const Pose pa = turned_z(0.3, {10, -2, 4});
    const Pose pb = turned_z(1.1, {10.5, -1, 5});
    const Pose rel = relative_pose(pa, pb);
    auto apply = [](const Pose& p, Vec3 v) {
        return Vec3{p.rot[0] * v.x + p.rot[1] * v.y + p.rot[2] * v.z + p.pos.x,
                    p.rot[3] * v.x + p.rot[4] * v.y + p.rot[5] * v.z + p.pos.y,
                    p.rot[6] * v.x + p.rot[7] * v.y + p.rot[8] * v.z + p.pos.z};
    };
    for (Vec3 v : {Vec3{0, 0, 0}, Vec3{1, 2, 3}, Vec3{-4, 0.5, 7}}) {
        const Vec3 direct = apply(pb, v);
        const Vec3 through = apply(pa, apply(rel, v));
        EXPECT_NEAR(direct.x, through.x, 1e-12);
        EXPECT_NEAR(direct.y, through.y, 1e-12);
        EXPECT_NEAR(direct.z, through.z, 1e-12);
    }
}

// Two leaves side by side under one root: an L shape in the x-y plane.
BlockShape l_shape() {
    BlockShape s;
    s.nodes.push_back({box(0, 0, 0, 4, 4, 1), 1, 2});
    s.nodes.push_back({box(0, 0, 0, 4, 1, 1), -1, -1});
    s.nodes.push_back({box(0, 0, 0, 1, 4, 1), -1, -1});
    return s;
}

TEST(ShapesOverlap, LeavesDecideAndAllowedDepthIsKept) {
    const BlockShape l = l_shape();
    const BlockShape cube = [] {
        BlockShape s;
        s.nodes.push_back({box(0, 0, 0, 1, 1, 1), -1, -1});
        return s;
    }();
    const Pose at_origin = pose_from({}, {});
    // In the L's empty corner the roots overlap but no leaves do.
    EXPECT_FALSE(shapes_overlap(l, at_origin, cube, pose_from({2.5, 2.5, 0}, {}), touching_depth));
    // On its arm they do, half a metre deep.
    EXPECT_TRUE(shapes_overlap(l, at_origin, cube, pose_from({3.0, 0.5, 0}, {}), 0.0));
    EXPECT_FALSE(shapes_overlap(l, at_origin, cube, pose_from({3.0, 0.5, 0}, {}), 0.6));
    // Empty shapes overlap nothing.
    EXPECT_FALSE(shapes_overlap(BlockShape{}, at_origin, cube, at_origin, 0.0));
}

TEST(TriangleDepth, CasesByTable) {
    using T = std::array<double, 9>;
    const T floor{0, 0, 0, 4, 0, 0, 0, 4, 0};   // in z = 0
    struct Case {
        const char* what;
        T other;
        double depth;
    } cases[] = {
        {"upright through the floor, 1 below", {1, 1, -1, 1, 1, 3, 1, 2, 3}, 1},
        {"upright standing on the floor", {1, 1, 0, 1, 1, 3, 1, 2, 3}, 0},
        {"upright beside the floor", {5, 1, -1, 5, 1, 3, 5, 2, 3}, -1},
        {"in the floor's plane, over it", {1, 1, 0, 2, 1, 0, 1, 2, 0}, 0},
        {"sharing an edge, folded up", {0, 0, 0, 4, 0, 0, 0, 0, 4}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(triangle_depth(floor, c.other), c.depth, 1e-12) << c.what;
        EXPECT_NEAR(triangle_depth(c.other, floor), c.depth, 1e-12) << c.what << ", reversed";
    }
}

TEST(PlacedBounds, HoldTheTurnedRootBox) {
    BlockShape s;
    s.nodes.push_back({box(0, 0, 0, 2, 1, 1), -1, -1});
    const Box3 b = placed_bounds(s, turned_z(2 * std::atan(1.0), {5, 0, 0}));
    // Turned a quarter about z, the 2 m side runs along y.
    EXPECT_NEAR(b.lo[0], 4, 1e-12);
    EXPECT_NEAR(b.hi[0], 5, 1e-12);
    EXPECT_NEAR(b.lo[1], 0, 1e-12);
    EXPECT_NEAR(b.hi[1], 2, 1e-12);
    EXPECT_TRUE(bounds_meet(b, box(5, 2, 0, 6, 3, 1), 0));
    EXPECT_FALSE(bounds_meet(b, box(5.1, 2, 0, 6, 3, 1), 0));
}

}  // namespace
}  // namespace quilbet

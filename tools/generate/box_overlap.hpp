// Overlap of placed blocks: the box trees of two blocks, each turned and moved
// into the station frame by its block's placement, are compared with the
// separating-axis test for oriented boxes (15 axes).
//
// Two boxes count as overlapping when they interpenetrate by more than an
// allowed depth: the shortest push along any of the 15 axes that would part
// them. Touching boxes (depth 0) never overlap; a flat panel lying inside a
// girder does, however thin it is.
#pragma once

#include <functional>

#include "generate/block_shape.hpp"
#include "maths/maths.hpp"

namespace quilbet {

// A block's placement: station point = rot * local point + pos (rot row-major).
struct Pose {
    double rot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    Vec3 pos;
};

// The placement of a block at pos with orientation q, as the module turns its vertices.
Pose pose_from(Vec3 pos, Quat q);

// The station-frame box around a shape's root box placed by pose.
Box3 placed_bounds(const BlockShape& shape, const Pose& pose);

// True when two station-frame boxes share more than a point (closed boxes
// apart by more than `margin` on some axis do not).
bool bounds_meet(const Box3& a, const Box3& b, double margin);

// The interpenetration depth of box a (in a's frame) and box b (in b's frame)
// when b's frame is placed in a's frame by rel; negative when they are apart.
double box_depth(const Box3& a, const Box3& b, const Pose& rel);

// The placement of b's frame in a's frame.
Pose relative_pose(const Pose& a, const Pose& b);

// True when some leaf box of a and some leaf box of b interpenetrate by more
// than allowed_depth (metres). Empty shapes overlap nothing.
bool shapes_overlap(const BlockShape& a, const Pose& pa, const BlockShape& b, const Pose& pb, double allowed_depth);

// Calls found(leaf of a, leaf of b) for the pairs of leaves whose boxes
// interpenetrate by more than allowed_depth, b's frame placed in a's by rel,
// until found returns true; returns whether it did.
bool find_deep_leaf_pair(const BlockShape& a, const BlockShape& b, const Pose& rel, double allowed_depth,
                         const std::function<bool(int32_t, int32_t)>& found);

}  // namespace quilbet

// The separating-axis test for oriented boxes and its walk over two box trees.
#include "generate/box_overlap.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace quilbet {
namespace {

// Added to the absolute rotation entries so that nearly parallel edges, whose
// cross product is almost zero, cannot report a separation that is not there.
constexpr double parallel_guard = 1e-12;

double half(const Box3& b, int a) { return 0.5 * (b.hi[a] - b.lo[a]); }
double mid(const Box3& b, int a) { return 0.5 * (b.hi[a] + b.lo[a]); }

Vec3 apply(const Pose& p, Vec3 v) {
    return {p.rot[0] * v.x + p.rot[1] * v.y + p.rot[2] * v.z + p.pos.x,
            p.rot[3] * v.x + p.rot[4] * v.y + p.rot[5] * v.z + p.pos.y,
            p.rot[6] * v.x + p.rot[7] * v.y + p.rot[8] * v.z + p.pos.z};
}

double extent(const Box3& b) { return (b.hi[0] - b.lo[0]) + (b.hi[1] - b.lo[1]) + (b.hi[2] - b.lo[2]); }

}  // namespace

Pose pose_from(Vec3 pos, Quat q) {
    Pose p;
    const Vec3 axes[3] = {quat_rotate(q, {1, 0, 0}), quat_rotate(q, {0, 1, 0}), quat_rotate(q, {0, 0, 1})};
    for (int c = 0; c < 3; ++c) {
        p.rot[0 + c] = axes[c].x;
        p.rot[3 + c] = axes[c].y;
        p.rot[6 + c] = axes[c].z;
    }
    p.pos = pos;
    return p;
}

Box3 placed_bounds(const BlockShape& shape, const Pose& pose) {
    Box3 out;
    if (shape.nodes.empty()) {
        out.lo[0] = out.hi[0] = pose.pos.x;
        out.lo[1] = out.hi[1] = pose.pos.y;
        out.lo[2] = out.hi[2] = pose.pos.z;
        return out;
    }
    const Box3& b = shape.nodes[0].box;
    const Vec3 c = apply(pose, {mid(b, 0), mid(b, 1), mid(b, 2)});
    const double centre[3] = {c.x, c.y, c.z};
    for (int r = 0; r < 3; ++r) {
        double reach = 0;
        for (int k = 0; k < 3; ++k) reach += std::fabs(pose.rot[3 * r + k]) * half(b, k);
        out.lo[r] = centre[r] - reach;
        out.hi[r] = centre[r] + reach;
    }
    return out;
}

bool bounds_meet(const Box3& a, const Box3& b, double margin) {
    for (int k = 0; k < 3; ++k) {
        if (a.lo[k] > b.hi[k] + margin || b.lo[k] > a.hi[k] + margin) return false;
    }
    return true;
}

Pose relative_pose(const Pose& a, const Pose& b) {
    // a^T b and a^T (b.pos - a.pos).
    Pose r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.rot[3 * i + j] = a.rot[0 + i] * b.rot[0 + j] + a.rot[3 + i] * b.rot[3 + j] + a.rot[6 + i] * b.rot[6 + j];
        }
    }
    const double d[3] = {b.pos.x - a.pos.x, b.pos.y - a.pos.y, b.pos.z - a.pos.z};
    double t[3];
    for (int i = 0; i < 3; ++i) t[i] = a.rot[0 + i] * d[0] + a.rot[3 + i] * d[1] + a.rot[6 + i] * d[2];
    r.pos = {t[0], t[1], t[2]};
    return r;
}

double box_depth(const Box3& a, const Box3& b, const Pose& rel) {
    const double* R = rel.rot;
    double ea[3], eb[3], T[3], AR[9];
    for (int k = 0; k < 3; ++k) {
        ea[k] = half(a, k);
        eb[k] = half(b, k);
    }
    // b's centre in a's frame, measured from a's centre.
    const Vec3 cb = apply(rel, {mid(b, 0), mid(b, 1), mid(b, 2)});
    T[0] = cb.x - mid(a, 0);
    T[1] = cb.y - mid(a, 1);
    T[2] = cb.z - mid(a, 2);
    for (int k = 0; k < 9; ++k) AR[k] = std::fabs(R[k]) + parallel_guard;

    double depth = std::numeric_limits<double>::infinity();
    // a's axes.
    for (int i = 0; i < 3; ++i) {
        const double rb = eb[0] * AR[3 * i + 0] + eb[1] * AR[3 * i + 1] + eb[2] * AR[3 * i + 2];
        depth = std::min(depth, ea[i] + rb - std::fabs(T[i]));
    }
    // b's axes.
    for (int j = 0; j < 3; ++j) {
        const double ra = ea[0] * AR[0 + j] + ea[1] * AR[3 + j] + ea[2] * AR[6 + j];
        const double dist = std::fabs(T[0] * R[0 + j] + T[1] * R[3 + j] + T[2] * R[6 + j]);
        depth = std::min(depth, ra + eb[j] - dist);
    }
    // Cross products of an axis of a and an axis of b; parallel pairs add nothing.
    for (int i = 0; i < 3; ++i) {
        const int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
        for (int j = 0; j < 3; ++j) {
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            const double len2 = 1.0 - R[3 * i + j] * R[3 * i + j];
            if (len2 < 1e-12) continue;
            const double ra = ea[i1] * AR[3 * i2 + j] + ea[i2] * AR[3 * i1 + j];
            const double rb = eb[j1] * AR[3 * i + j2] + eb[j2] * AR[3 * i + j1];
            const double dist = std::fabs(T[i2] * R[3 * i1 + j] - T[i1] * R[3 * i2 + j]);
            depth = std::min(depth, (ra + rb - dist) / std::sqrt(len2));
        }
    }
    return depth;
}

bool shapes_overlap(const BlockShape& a, const Pose& pa, const BlockShape& b, const Pose& pb, double allowed_depth) {
    return find_deep_leaf_pair(a, b, relative_pose(pa, pb), allowed_depth, [](int32_t, int32_t) { return true; });
}

bool find_deep_leaf_pair(const BlockShape& a, const BlockShape& b, const Pose& rel, double allowed_depth,
                         const std::function<bool(int32_t, int32_t)>& found) {
    if (a.nodes.empty() || b.nodes.empty()) return false;
    // A pair is opened only while its boxes interpenetrate more than allowed;
    // the boxes below a node lie inside it, so their depth is never larger.
    std::vector<std::pair<int32_t, int32_t>> todo{{0, 0}};
    while (!todo.empty()) {
        const auto [ia, ib] = todo.back();
        todo.pop_back();
        const ShapeNode& na = a.nodes[static_cast<size_t>(ia)];
        const ShapeNode& nb = b.nodes[static_cast<size_t>(ib)];
        if (box_depth(na.box, nb.box, rel) <= allowed_depth) continue;
        if (na.leaf() && nb.leaf()) {
            if (found(ia, ib)) return true;
            continue;
        }
        const bool open_a = !na.leaf() && (nb.leaf() || extent(na.box) >= extent(nb.box));
        if (open_a) {
            todo.push_back({na.left, ib});
            todo.push_back({na.right, ib});
        } else {
            todo.push_back({ia, nb.left});
            todo.push_back({ia, nb.right});
        }
    }
    return false;
}

}  // namespace quilbet

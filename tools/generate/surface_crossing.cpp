// Triangle against triangle by separating axes; the box trees pick the pairs.
#include "generate/surface_crossing.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quilbet {
namespace {

struct V3 {
    double x, y, z;
};

V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 corner(const std::array<double, 9>& t, int i) { return {t[3 * i], t[3 * i + 1], t[3 * i + 2]}; }

// Axes shorter than this (squared, in m^4 for edge products) are parallel
// edges or degenerate triangles and part nothing.
constexpr double shortest_axis2 = 1e-18;

}  // namespace

double triangle_depth(const std::array<double, 9>& a, const std::array<double, 9>& b) {
    const V3 pa[3] = {corner(a, 0), corner(a, 1), corner(a, 2)};
    const V3 pb[3] = {corner(b, 0), corner(b, 1), corner(b, 2)};
    const V3 ea[3] = {sub(pa[1], pa[0]), sub(pa[2], pa[1]), sub(pa[0], pa[2])};
    const V3 eb[3] = {sub(pb[1], pb[0]), sub(pb[2], pb[1]), sub(pb[0], pb[2])};
    V3 axes[11];
    axes[0] = cross(ea[0], ea[1]);
    axes[1] = cross(eb[0], eb[1]);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) axes[2 + 3 * i + j] = cross(ea[i], eb[j]);
    }
    double depth = std::numeric_limits<double>::infinity();
    for (const V3& axis : axes) {
        const double len2 = dot(axis, axis);
        if (len2 < shortest_axis2) continue;
        double lo_a = dot(axis, pa[0]), hi_a = lo_a, lo_b = dot(axis, pb[0]), hi_b = lo_b;
        for (int k = 1; k < 3; ++k) {
            const double da = dot(axis, pa[k]), db = dot(axis, pb[k]);
            lo_a = std::min(lo_a, da);
            hi_a = std::max(hi_a, da);
            lo_b = std::min(lo_b, db);
            hi_b = std::max(hi_b, db);
        }
        const double overlap = std::min(hi_a - lo_b, hi_b - lo_a) / std::sqrt(len2);
        if (overlap <= 0) return overlap;
        depth = std::min(depth, overlap);
    }
    // Both triangles degenerate to points: nothing to cross.
    return depth == std::numeric_limits<double>::infinity() ? 0.0 : depth;
}

bool surfaces_cross(const BlockShape& a, const Pose& pa, const BlockShape& b, const Pose& pb, double allowed_depth) {
    const Pose rel = relative_pose(pa, pb);
    // b's triangles in a's frame, placed once each when first needed.
    std::vector<std::array<double, 9>> placed_b(b.triangles.size());
    std::vector<bool> placed(b.triangles.size(), false);
    const auto in_a_frame = [&](uint32_t k) -> const std::array<double, 9>& {
        if (!placed[k]) {
            const std::array<double, 9>& t = b.triangles[k];
            for (int c = 0; c < 3; ++c) {
                for (int i = 0; i < 3; ++i) {
                    const double* r = rel.rot + 3 * i;
                    const double origin = i == 0 ? rel.pos.x : i == 1 ? rel.pos.y : rel.pos.z;
                    placed_b[k][3 * c + i] = r[0] * t[3 * c] + r[1] * t[3 * c + 1] + r[2] * t[3 * c + 2] + origin;
                }
            }
            placed[k] = true;
        }
        return placed_b[k];
    };
    return find_deep_leaf_pair(a, b, rel, allowed_depth, [&](int32_t la, int32_t lb) {
        for (uint32_t i = a.leaf_begin[static_cast<size_t>(la)]; i < a.leaf_end[static_cast<size_t>(la)]; ++i) {
            for (uint32_t k = b.leaf_begin[static_cast<size_t>(lb)]; k < b.leaf_end[static_cast<size_t>(lb)]; ++k) {
                if (triangle_depth(a.triangles[i], in_a_frame(k)) > allowed_depth) return true;
            }
        }
        return false;
    });
}

}  // namespace quilbet

// The cubic sampling lattice of the metaball molder.
//
// The caller sets resolution (n points per axis, at least 2), group_count
// (at least 1), pass_count and round_sides, calls mbs_build_grid, writes a
// value and a group into every point it wants non-zero, and polygonises
// (polygonise.hpp). Lattice positions span -1 .. 1 on each axis; index i runs
// along x, j along y, k along z. A point is inside when value >= 1.0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "maths/maths.hpp"

namespace quilbet {

struct mbs_point {
    Vec3f pos;          // position in grid space, set by mbs_build_grid
    float value = 0;    // field sample written by the caller
    int32_t group = 0;  // output group relative to the first output group
};

struct mbs_facet {
    Vec3f pa, pb, pc;
    Vec3f norm;         // unit normal; right-hand normal of (pa, pb, pc) for cube-pass facets
};

struct polyarr {
    std::vector<mbs_facet> tris;  // may be longer than count; entries past count are stale
    int32_t count = 0;
};

struct mbs_grid {
    int32_t resolution = 0;
    int32_t group_count = 0;
    int32_t pass_count = 0;
    int32_t triangle_count = 0;       // written by the last polygonisation
    int32_t raw_triangle_count = 0;   // non-degenerate cube-pass triangles of the last polygonisation
    uint8_t round_sides = 0;

    // n^3 points, index (i * n + j) * n + k. Cells are not stored: corner c of
    // the cell (i, j, k) is the point (i + di, j + dj, k + dk) with the offsets
    // of mc_corner_offsets (corners 0-3 on the face j, 4-7 above them).
    std::vector<mbs_point> points;
    // Two bucket levels, group_count buckets per position, index
    // ((bx * m + by) * m + bz) * group_count + g with m = bucket_span(level).
    // Level 0 has n div 2 + 1 positions per axis (the cube pass and the first
    // merges); level 1 only ever receives positions up to n div 4 (every pass
    // that fills it halves positions of level 0 that are at most n div 2), so
    // it has n div 4 + 1 per axis, which keeps the grid's memory down.
    std::vector<polyarr> buckets[2];

    // Bucket positions per axis on a level.
    int32_t bucket_span(int32_t level = 0) const { return level == 0 ? resolution / 2 + 1 : resolution / 4 + 1; }
    // The bucket of group g at position (bx, by, bz) of a level.
    polyarr& bucket(int32_t level, int32_t bx, int32_t by, int32_t bz, int32_t g) {
        const std::size_t m = static_cast<std::size_t>(bucket_span(level));
        return buckets[level][((bx * m + by) * m + bz) * static_cast<std::size_t>(group_count) + g];
    }

    mbs_point& point(int32_t i, int32_t j, int32_t k) {
        return points[(static_cast<std::size_t>(i) * resolution + j) * resolution + k];
    }
    const mbs_point& point(int32_t i, int32_t j, int32_t k) const {
        return points[(static_cast<std::size_t>(i) * resolution + j) * resolution + k];
    }
};

// Sizes and fills points (positions 2i/(n-1) - 1 per axis, worked out in
// extended precision and rounded once to float; value 0, group 0) and both
// bucket levels (group_count empty buckets per position) from
// resolution and group_count. Other numbers are not touched. With resolution
// below 2 or group_count below 1 the grid is left empty (nothing to polygonise).
void mbs_build_grid(mbs_grid& grid);
// True when the grid has the points and both bucket levels mbs_build_grid
// gives it for its resolution and group count.
bool mbs_grid_built(const mbs_grid& grid);
// Inside test: value >= 1.0 as a float; a NaN is outside.
inline bool mbs_inside(float value) { return value >= 1.0f; }
// Surface point on the lattice edge from a to b, all in float: a corner whose
// |value| is exactly 1 captures the vertex (a first), equal values give a,
// otherwise a + mu (b - a) with mu = (1 - value_a) / (value_b - value_a).
inline Vec3f mbs_edge_vertex(Vec3f a, Vec3f b, float value_a, float value_b) {
    if (value_a == 1.0f || value_a == -1.0f) return a;
    if (value_b == 1.0f || value_b == -1.0f) return b;
    if (value_a == value_b) return a;
    const float mu = (1.0f - value_a) / (value_b - value_a);
    return Vec3f{a.x + mu * (b.x - a.x), a.y + mu * (b.y - a.y), a.z + mu * (b.z - a.z)};
}

}  // namespace quilbet

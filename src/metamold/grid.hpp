// The cubic sampling lattice of the metaball molder.
//
// The caller sets resolution (n points per axis, at least 2), group_count
// (at least 1), pass_count and round_sides, calls mbs_build_grid, writes a
// value and a group into every point it wants non-zero, and polygonises
// (polygonise.hpp). Lattice positions span -1 .. 1 on each axis; index i runs
// along x, j along y, k along z. A point is inside when value >= 1.0.
#pragma once

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

    // n^3 points, index (i * n + j) * n + k.
    std::vector<mbs_point> points;
    // Two bucket levels of (n div 2 + 1)^3 positions, group_count buckets each,
    // index ((bx * m + by) * m + bz) * group_count + g with m = n div 2 + 1.
    std::vector<polyarr> buckets[2];

    mbs_point& point(int32_t i, int32_t j, int32_t k) {
        return points[(static_cast<size_t>(i) * resolution + j) * resolution + k];
    }
    const mbs_point& point(int32_t i, int32_t j, int32_t k) const {
        return points[(static_cast<size_t>(i) * resolution + j) * resolution + k];
    }
};

// Sizes and fills points and both bucket levels from resolution and group_count.
void mbs_build_grid(mbs_grid& grid);
// Inside test: value >= 1.0 (a NaN is outside).
bool mbs_inside(float value);
// Surface point on the lattice edge a -> b: a corner of |value| exactly 1 captures it.
Vec3f mbs_edge_vertex(Vec3f a, Vec3f b, float value_a, float value_b);

}  // namespace quilbet

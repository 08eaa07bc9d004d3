// Marching-cubes polygonisation of a filled mbs_grid into flat-shaded groups.
#pragma once

#include <cstdint>

#include "mesh/mesh.hpp"
#include "metamold/grid.hpp"
#include "metamold/merge.hpp"

namespace quilbet {

// Writes the hull into groups first_group .. first_group + group_count - 1 of
// mesh: unshared vertices (triangle m uses vertices 3m, 3m + 1, 3m + 2, the
// index array is 0, 1, 2, ...), wound so that (b - a) x (c - a) points out of
// the inside points, with the facet normals (smoothed about the z axis on side
// faces when round_sides is set) and planar texture coordinates in grid units.
// Materials and textures of the groups are not touched; groups that the mesh
// does not have are skipped. Facets of zero area that merging left (collinear
// ears no later pass merged away) are not written. Sets triangle_count and
// raw_triangle_count.
// Meant to run once per built grid: the facets stay in the grid's buckets.
// A point group outside 0 .. group_count - 1 is clamped into that range.
// A pass_count above 30 acts as 30. The grid's buckets are left as they are:
// the coarsening is worked through block by block without them.
void mbs_polygonise(typmsh& mesh, int32_t first_group, mbs_grid& grid);
// mbs_polygonise that may build independent parts of the hull on a second
// thread when threads is true (same result, bit for bit).
void mbs_polygonise(typmsh& mesh, int32_t first_group, mbs_grid& grid, bool threads);
// mbs_polygonise whose merges take only the shortcuts that `forms` allows
// (same result; for benchmarks and tests).
void mbs_polygonise(typmsh& mesh, int32_t first_group, mbs_grid& grid, bool threads, const mbs_merge_forms& forms);

// The start of every polygonisation: zeroes the grid's triangle counts and,
// when the grid is not built, empties the output groups the mesh has and
// returns false (nothing to polygonise).
bool mbs_polygonise_start(typmsh& mesh, int32_t first_group, mbs_grid& grid);

}  // namespace quilbet

// Marching-cubes polygonisation of a filled mbs_grid into flat-shaded groups.
#pragma once

#include <cstdint>

#include "mesh/mesh.hpp"
#include "metamold/grid.hpp"

namespace quilbet {

// Writes the hull into groups first_group .. first_group + group_count - 1 of
// mesh (which must exist): unshared vertices with the facet normals, planar
// texture coordinates, index arrays 0, 1, 2, ... Materials and textures of the
// groups are not touched. Sets triangle_count and raw_triangle_count. Meant to
// run once per built grid: the facets stay in the grid's buckets.
void mbs_polygonise(typmsh& mesh, int32_t first_group, mbs_grid& grid);

}  // namespace quilbet

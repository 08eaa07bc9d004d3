// The step-by-step polygonisation, a test oracle for mbs_polygonise.
#pragma once

#include <cstdint>

#include "mesh/mesh.hpp"
#include "metamold/grid.hpp"

namespace quilbet::oracle {

// The result of mbs_polygonise worked out through the grid's buckets (the
// cube pass fills level 0, every pass merges a whole level with `merge` and
// moves it up). With merge = mbs_merge_coplanar or
// mbs_merge_coplanar_tolerant it must give mbs_polygonise's mesh bit for bit.
// Fills the buckets and so is meant to run once per built grid.
void polygonise_by_buckets(typmsh& mesh, int32_t first_group, mbs_grid& grid, void (*merge)(polyarr&));

}  // namespace quilbet::oracle

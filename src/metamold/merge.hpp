// Merging of coplanar facets of one bucket into larger, re-triangulated polygons.
#pragma once

#include "metamold/grid.hpp"

namespace quilbet {

// Replaces the bucket's count facets by merged ones: coplanar regions are
// outlined, straightened and ear-clipped; regions that are not one simple loop,
// or cannot be clipped, keep their facets, so no surface is ever lost.
// On return tris has exactly count elements.
void mbs_merge_coplanar(polyarr& bucket);

}  // namespace quilbet

// The solid/empty pattern of the habitat hulls on the molder's lattice.
#pragma once

#include <cstddef>
#include <cstdint>

#include "generators/habitat.hpp"
#include "metamold/grid.hpp"

namespace quilbet {

// Points per axis of the habitat lattice.
inline constexpr int32_t hab_resolution = 61;

// Writes every point of grid (built by mbs_build_grid with resolution
// hab_resolution) for spec's variant: value 0, 0.9 or 1.0 and group 0 (hull
// skin), 1 (openings and windows) or 2 (interior), and sets round_sides to
// spec.rounded. Uses spec.variant, windows, width, length and rounded; an
// unknown variant leaves every point at value 0, group 0. Returns false and
// writes nothing when the grid is not a built lattice of that resolution.
bool hab_fill_lattice(mbs_grid& grid, const hab_spec& spec);

}  // namespace quilbet

// The station budget: what a whole station may ask for, so that every accepted
// description fits the host mesh and builds in about a second and a few
// hundred megabytes, even in the 32-bit DLL. Checked from block types and
// parameter values alone, before any geometry is built.
#pragma once

#include <cstdint>
#include <string>

#include "blocks/block_types.hpp"

namespace quilbet {

// Groups: the host mesh's 1000 groups. Vertices: block meshes, the station
// mesh and the host's arrays take about 150 bytes per vertex at the peak of a
// hand-over. Pixels: 64 MB of painted textures. Work: half a second of
// single-thread native build, about a second in the DLL under a host.
inline constexpr BuildFigures station_budget{1000, 1000000, 16777216, 500000};

// Empty when the station's figures fit the budget; otherwise one sentence
// naming the first budget exceeded, the station's figure and the limit.
std::string station_budget_problem(const BuildFigures& station);

}  // namespace quilbet

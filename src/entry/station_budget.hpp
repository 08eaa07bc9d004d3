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

// Extent: no vertex the host receives lies farther than this from the
// station's origin (metres). The finest features the blocks draw are about a
// centimetre across (DG_Hab_Port's hull has edges of 1.3 cm, tank frames and
// habitat hulls of 5 to 7 cm). A float32 coordinate below 2^15 m steps by at
// most 2^-9 m (1.95 mm), so every vertex is stored within a millimetre, a
// tenth of a 1 cm feature: no edge collapses and no thin part changes shape.
// At the next doubling a vertex may move by 2 mm, a fifth of such a feature.
// 2^15 m = 32,768 m is the limit; it admits every station of the other
// budgets laid out in one line (41 Truss_C of 64 bays, 16.4 km) and refuses
// the far reaches where a 32-bit float steps by metres. It is judged on the
// built, placed station (station_check.hpp), which gives each block's true
// position; the figures above are known before anything is built.
inline constexpr double station_extent_limit = 32768.0;

// Empty when the station's figures fit the budget; otherwise one sentence
// naming the first budget exceeded, the station's figure and the limit.
std::string station_budget_problem(const BuildFigures& station);
// Empty when extent (the farthest vertex's distance from the station's origin,
// in metres) is within station_extent_limit; otherwise one sentence in the
// style of station_budget_problem.
std::string station_extent_problem(double extent);

}  // namespace quilbet

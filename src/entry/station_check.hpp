// The last look at a built and placed station before the module takes it:
// everything the hand-over would give the host must be finite, and within
// the station budget's extent (station_budget.hpp).
#pragma once

#include <string>

#include "blocks/station.hpp"

namespace quilbet {

// Empty when every group the hand-over would pass (live blocks below the
// block count) has only finite vertex fields (position, normal, texture
// coordinates), every such block has a finite placement, and no vertex lies
// farther from the station's origin than station_extent_limit (judged by the
// block's placed origin plus its farthest vertex from it). Otherwise one
// sentence naming the first block (id and type) and group with a non-finite
// vertex, or the extent problem of station_budget.hpp. Reads only; st must
// have been placed.
std::string station_handover_problem(const Station& st);

}  // namespace quilbet

// The walk of a placed station for the vessel data that depends on its
// blocks: docking ports and the habitat entry.
#pragma once

#include <cstdint>

#include "blocks/station.hpp"
#include "entry/vessel_definition.hpp"

namespace quilbet {

// The walk from the root over live, not yet visited blocks, ports in index
// order, depth first: "Hab_A" and "Hab_C" add 3 to the habitat total at offset
// 856 and set the habitat position at 680 (last one wins), "Hab_B" adds 1;
// every free docking port becomes an entry of list 7 with its world position
// and its ldir and lup rotated by wrot. Visited flags must be clear.
void scan_block(Station& st, VesselDefinition& vd, int32_t root);

// When the habitat total is not zero: one list-8 entry carrying the total,
// the position and first direction of docking port 0 (or the origin and +y)
// and the extent (2, 2, 2); the total field then counts list 8 (1).
void build_habitat_entry(VesselDefinition& vd);

}  // namespace quilbet

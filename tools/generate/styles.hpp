// The four layouts. Each starts the designer's station with its root (and
// with it the station's symmetry) and grows it piece by piece until the
// designer halts it at the block count; what the budget or the overlap tests
// refuse is skipped, and the light filler goes on where the layout ends.
#pragma once

#include "generate/designer.hpp"

namespace quilbet {

// Habitats clustered around nodes, solar wings on their flanks, docking ports outward.
void grow_core(Designer& d);
// One long line of girders with wings in pairs along it and modules hung under it.
void grow_spine(Designer& d);
// A hub node with habitat spokes to a closed rim of habitats and nodes.
void grow_ring(Designer& d);
// Any block at any free port that takes it, with designs drawn per block.
void grow_random(Designer& d);

}  // namespace quilbet

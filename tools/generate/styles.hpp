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

// Growth around a user's station (the designer started from it), at its free
// ports. Core: power for its habitats, a free docking port, then habitats
// with nodes on its outward habitat ports, clustered as grow_core clusters.
void grow_core_around(Designer& d);
// Spine and ring: power, a docking port, then girders dressed with wings on
// its outward axial ports.
void grow_girders_around(Designer& d);
// Random: any block at any free port, as grow_random after its root.
void grow_random_around(Designer& d);

}  // namespace quilbet

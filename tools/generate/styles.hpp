// The four layouts. Each starts the designer's station with its root and
// grows it towards the target block count; what the budget or the overlap
// tests refuse is skipped, and the light filler tops the count up.
#pragma once

#include "generate/designer.hpp"

namespace quilbet {

// The three habitat modules (nodes are not counted).
inline bool is_habitat(BlockType t) {
    return t == BlockType::hab_a || t == BlockType::hab_b || t == BlockType::hab_c;
}

// Habitats clustered around nodes, short girders with wings on the habitats' flanks.
void grow_core(Designer& d);
// One long line of girders with wings in pairs along it and modules hung from it.
void grow_spine(Designer& d);
// A hub node with habitat spokes to a broken ring of habitats and nodes, adaptors outside.
void grow_ring(Designer& d);
// Any block at any free port that takes it, with designs drawn per block.
void grow_random(Designer& d);

}  // namespace quilbet

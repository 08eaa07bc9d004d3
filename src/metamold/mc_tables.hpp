// Fixed tables of the marching-cubes cube pass (Bourke's edge and triangle
// tables, the edge-to-corner table and the corner offsets of a cell).
#pragma once

#include <cstdint>

namespace quilbet {

struct mc_edge {
    uint16_t bit;     // bit of the edge in mc_edge_table; for edges 0-7 also the bit of corner e in the cube index
    uint8_t a, b;     // the edge's corners, a first
};

struct mc_corner {
    uint8_t di, dj, dk;  // offset of the corner from the cell's lattice index
};

// 12-bit masks of the crossed edges for each of the 256 cube indices.
extern const uint16_t mc_edge_table[256];
// Up to five triangles per cube index as triples of edge numbers, ended by -1.
extern const int8_t mc_tri_table[256][16];
extern const mc_edge mc_edge_corners[12];
extern const mc_corner mc_corner_offsets[8];

}  // namespace quilbet

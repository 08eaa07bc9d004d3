// Per-type geometry and ports of a block.
#pragma once

#include "blocks/block.hpp"
#include "texture/context.hpp"

namespace quilbet {

// Regenerates b's mesh from its parameter values with the generator of its
// type, sets size to the mesh radius and, with with_ports, rebuilds its port
// list (kept entries keep their link fields). An unknown type gives an empty
// mesh and keeps the ports. A truss whose block count is negative (or too large
// for 4 n + 2 ports to fit 32 bits) is built with no bays: 2 ports at z = 0.
// A generator reporting too little room counts as 0 groups.
void build_block_geometry(Context& ctx, blocktyp& b, bool with_ports);
// Rebuilds b's port list for its type and parameter values, as
// build_block_geometry does with with_ports, without building geometry or
// drawing anything. An unknown type keeps the ports.
void define_block_ports(blocktyp& b);

}  // namespace quilbet

// Per-type geometry and ports of a block.
#pragma once

#include "blocks/block.hpp"
#include "texture/context.hpp"

namespace quilbet {

// Regenerates b's mesh from its parameter values with the generator of its
// type, sets size to the mesh radius and, with with_ports, rebuilds its port
// list (kept entries keep their link fields). An unknown type gives an empty
// mesh and keeps the ports.
void build_block_geometry(Context& ctx, blocktyp& b, bool with_ports);

}  // namespace quilbet

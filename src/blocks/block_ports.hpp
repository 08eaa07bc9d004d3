// The ports of a block, worked out from its type and parameter values alone:
// no geometry is built. The geometry dispatch defines a block's ports from
// these rows, and the description tools read them to check links.
#pragma once

#include <cstdint>
#include <vector>

#include "blocks/block.hpp"

namespace quilbet {

// One port in the block's own frame: position, outward direction, up vector and kind.
struct PortDef {
    Vec3 pos;
    Vec3 dir;
    Vec3 up;
    int32_t kind = 0;
};

// Fills out with the ports of b's type for b's parameter values (params and
// nparams are read; the mesh is not). Returns false, with out empty, for a
// type id that has no generator. A truss whose block count is negative (or too
// large for 4 n + 2 ports to fit 32 bits) gets the two end ports of a truss
// with no bays.
bool block_port_defs(const blocktyp& b, std::vector<PortDef>& out);

// The bay count a truss is built with: n, or 0 when n is negative or so large
// that 4 n + 2 ports cannot be counted in 32 bits.
int32_t safe_bay_count(int32_t n);

}  // namespace quilbet

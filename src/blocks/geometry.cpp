// Geometry dispatch: every block type builds with the generator its row of the
// block-type table names, from its parameter values; the same row defines its
// ports, and the mesh is measured.
#include "blocks/geometry.hpp"

#include "blocks/block_types.hpp"
#include "blocks/placement.hpp"

namespace quilbet {

void build_block_geometry(Context& ctx, blocktyp& b, bool with_ports) {
    msh_prepare(b.msh);
    const BlockTypeSpec* type = find_block_type(b.btype);
    int32_t count = type != nullptr ? type->geometry(ctx, b) : 0;
    // A generator that reports too little room has filled nothing.
    if (count < 0) count = 0;
    if (count > block_group_capacity) count = block_group_capacity;

    if (with_ports) define_block_ports(b);
    b.size = msh_finish(b.msh, count);
}

void define_block_ports(blocktyp& b) {
    std::vector<PortDef> rows;
    if (!block_port_defs(b, rows)) return;
    b.nports = static_cast<int32_t>(rows.size());
    b.ports.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        define_port(b.ports[i], rows[i].pos, rows[i].dir, rows[i].up, static_cast<int32_t>(rows[i].kind));
    }
}

}  // namespace quilbet

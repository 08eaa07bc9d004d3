// Auxiliary docking ports: an adaptor from the block's base section to a
// 2 x 2 section with the docking collar 2.5 m beyond its far end.
#include "generators/habitat.hpp"
#include "blocks/types/type_families.hpp"

namespace quilbet::types {

int32_t aux_port_geometry(Context& ctx, blocktyp& b) {
    const double h0 = (b.btype == 81) ? std_height : std_width;
    return gen_port(ctx, b.msh, 0, 0, std_length, h0, param_value(b, 1), zero3, zero3);
}

void aux_port_ports(const blocktyp& b, std::vector<PortDef>& out) {
    add_port(out, v3(0, 0, 0), v3(0, 0, -1), v3(0, 1, 0), b.btype == 81 ? PortKind::height_face : PortKind::width_face, "base");
    add_port(out, v3(0, 0, param_value(b, 1) + 2.5), v3(0, 0, 1), v3(0, 1, 0), PortKind::docking, "dock +z");
}

BuildFigures aux_port_figures(const blocktyp&) { return {2, 384, 8192, work_for(80, 384)}; }

}  // namespace quilbet::types

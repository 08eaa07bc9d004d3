// Adaptors: a tapering frame from a std_length-wide base to the standard
// section, "Length" long.
#include "blocks/types/type_families.hpp"
#include "generators/adaptor_tank.hpp"

namespace quilbet::types {

int32_t adaptor_geometry(Context& ctx, blocktyp& b) {
    adaptor_spec spec;
    spec.variant = 1;
    spec.bar = 0.1;
    spec.rail = 0.2;
    spec.len = param_value(b, 1);
    spec.w0 = std_length;
    spec.h0 = (b.btype == 61) ? std_height : std_width;
    spec.w1 = std_width;
    spec.h1 = std_height;
    spec.sw_a = spec.sw_b = spec.sw_c = 1;
    return gen_adaptor(ctx, b.msh.grp.data(), block_group_capacity, zero3, spec, zero3);
}

void adaptor_ports(const blocktyp& b, std::vector<PortDef>& out) {
    add_port(out, v3(0, 0, 0), v3(0, 0, -1), v3(0, 1, 0), b.btype == 61 ? PortKind::height_face : PortKind::width_face, "base");
    add_port(out, v3(0, 0, param_value(b, 1)), v3(0, 0, 1), v3(0, 1, 0), PortKind::axial, "end +z");
}

BuildFigures adaptor_figures(const blocktyp&) { return {1, 324, 4096, work_for(50, 324)}; }

}  // namespace quilbet::types

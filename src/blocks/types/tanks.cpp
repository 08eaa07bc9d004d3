// Tanks: capsules "Length" long of "Radius" (Tank_B a cluster of small ones).
#include "blocks/types/type_families.hpp"
#include "generators/adaptor_tank.hpp"

namespace quilbet::types {

int32_t tank_geometry(Context& ctx, blocktyp& b) {
    return gen_tank(ctx, b.msh.grp.data(), block_group_capacity, zero3, param_value(b, 2), param_value(b, 1),
                    b.btype - 71, zero3);
}

void tank_ports(const blocktyp& b, std::vector<PortDef>& out) {
    add_port(out, v3(0, 0, 0), v3(0, 0, -1), v3(0, 1, 0), PortKind::axial, "end -z");
    add_port(out, v3(0, 0, param_value(b, 1)), v3(0, 0, 1), v3(0, 1, 0), PortKind::axial, "end +z");
}

BuildFigures tank_figures(const blocktyp& b) {
    if (b.btype == 71) return {2, 1692, 8192, work_for(0, 1692)};
    return {2, 2348, 20480, work_for(900, 2348)};
}

}  // namespace quilbet::types

// Solar wings: a truss carrying four solar panels; their size does not depend
// on the panel rotation or shear.
#include "blocks/types/type_families.hpp"
#include "generators/wings.hpp"

namespace quilbet::types {

int32_t solar_wing_geometry(Context& ctx, blocktyp& b) {
    return gen_solar_wing(ctx, b.msh, 0, b.btype - 21, std_width, std_height, param_value(b, 1), param_value(b, 2),
                          zero3, zero3);
}

void solar_wing_ports(const blocktyp&, std::vector<PortDef>& out) {
    add_port(out, v3(0, 0, 0), v3(0, 0, -1), v3(0, 1, 0), PortKind::axial, "base");
}

BuildFigures solar_wing_figures(const blocktyp& b) {
    static constexpr int64_t vertices[4] = {6596, 4948, 3684, 3748};
    static constexpr int64_t work_fixed[4] = {0, 0, 50, 110};
    const int k = b.btype - 21;
    return {9, vertices[k], 86016, work_for(work_fixed[k], vertices[k])};
}

}  // namespace quilbet::types

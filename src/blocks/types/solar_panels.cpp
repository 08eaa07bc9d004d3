// Solar panels: a frame with "Rows" rows of cells; each variant grows by a
// fixed number of vertices per row.
#include <algorithm>

#include "blocks/types/type_families.hpp"
#include "generators/panel_truss.hpp"

namespace quilbet::types {

int32_t solar_panel_geometry(Context& ctx, blocktyp& b) {
    // Per variant: the two cell dimensions, the gap between cells and the spine width.
    static constexpr double dims[4][4] = {{5, 5, 1, 2}, {5, 2, 0, 2}, {8, 2, 0, 2}, {5, 8, 0, 2}};
    const int k = b.btype - 31;
    panel_spec spec;
    spec.rows = param_int(b, 3);
    spec.variant = k;
    spec.dim_a = dims[k][0];
    spec.dim_b = dims[k][1];
    spec.gap = dims[k][2];
    spec.spine = dims[k][3];
    spec.shear = param_value(b, 2);
    spec.smalling = param_bool(b, 1) ? 1 : 0;
    return gen_solar_panel(ctx, b.msh.grp.data(), block_group_capacity, zero3, spec, zero3);
}

void solar_panel_ports(const blocktyp&, std::vector<PortDef>& out) {
    add_port(out, v3(0, 0, 0), v3(0, 0, -1), v3(0, 1, 0), PortKind::axial, "base");
}

BuildFigures solar_panel_figures(const blocktyp& b) {
    static constexpr int64_t frame[4] = {60, 120, 44, 44};
    static constexpr int64_t per_row[4] = {76, 16, 16, 16};
    const int k = b.btype - 31;
    const int64_t vertices = frame[k] + per_row[k] * std::max<int64_t>(0, param_int(b, 3));
    return {2, vertices, 20480, work_for(20, vertices)};
}

}  // namespace quilbet::types

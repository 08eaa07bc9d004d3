// Power wings: "Panel type" picks the panel variant of every wing (-1 picks
// at random per panel); the type's figures are those of variant 0, the largest.
#include "blocks/types/type_families.hpp"
#include "generators/wings.hpp"

namespace quilbet::types {

int32_t power_wing_geometry(Context& ctx, blocktyp& b) {
    return gen_power_wing(ctx, b.msh, 0, b.btype - 11, param_int(b, 1), std_count, std_length, std_width, std_height,
                          param_value(b, 2), param_value(b, 3), zero3, zero3);
}

void power_wing_ports(const blocktyp& b, std::vector<PortDef>& out) {
    if (b.btype == 13) {
        const double e = 2.5 * std_width;
        add_port(out, v3(0, e, 0), v3(0, 1, 0), v3(0, 0, 1), PortKind::width_face, "face +y");
        add_port(out, v3(0, -e, 0), v3(0, -1, 0), v3(0, 0, -1), PortKind::width_face, "face -y");
        return;
    }
    add_port(out, v3(0, std_height / 2, 0), v3(0, 1, 0), v3(0, 0, 1), PortKind::width_face, "face +y");
    add_port(out, v3(0, -std_height / 2, 0), v3(0, -1, 0), v3(0, 0, -1), PortKind::width_face, "face -y");
    add_port(out, v3(0, 0, std_width / 2), v3(0, 0, 1), v3(0, 1, 0), PortKind::height_face, "end +z");
    add_port(out, v3(0, 0, -std_width / 2), v3(0, 0, -1), v3(0, -1, 0), PortKind::height_face, "end -z");
}

BuildFigures power_wing_figures(const blocktyp& b) {
    static constexpr int64_t groups[3] = {19, 43, 88};
    static constexpr int64_t vertices[3] = {16044, 40340, 81328};
    static constexpr int64_t pixels[3] = {176128, 372736, 753664};
    const int k = b.btype - 11;
    return {groups[k], vertices[k], pixels[k], work_for(0, vertices[k])};
}

}  // namespace quilbet::types

// Habitats and the habitat docking port: hulls molded on a lattice, with
// hatches and textures. Hull sizes have no closed form: the vertex bounds are
// twice the largest count seen over Windows 0 to 32, both Round settings and
// lengths 0 to 1,000 m; the work is dominated by the molding.
#include "generators/habitat.hpp"
#include "blocks/types/type_families.hpp"

namespace quilbet::types {

namespace {

constexpr double hull_width = 6.0;

// The length of the hull: the node is a fixed cube, the others read "Length".
double hull_length(const blocktyp& b) { return b.btype == 53 ? hull_width : param_value(b, 3); }

}  // namespace

int32_t habitat_geometry(Context& ctx, blocktyp& b) {
    const int32_t t = b.btype;
    hab_spec spec;
    spec.variant = t - 51;
    spec.width = hull_width;
    spec.length = hull_length(b);
    if (t == 53) {
        spec.windows = 0;
        spec.rounded = 0;
    } else {
        spec.windows = param_int(b, 1);
        spec.rounded = (t == 54) ? 0 : (param_bool(b, 2) ? 1 : 0);
    }
    for (uint8_t& h : spec.no_hatch) h = 0;
    return gen_habitat(ctx, b.msh, 0, zero3, zero3, spec);
}

// Two axial ports of kind habitat and four side ports at offset s; the node's
// side ports are habitat ports too, the docking port has one of each end.
void habitat_ports(const blocktyp& b, std::vector<PortDef>& out) {
    const int32_t t = b.btype;
    const double len = hull_length(b);
    if (t == 55) {
        add_port(out, v3(0, 0, -len / 2), v3(0, 0, -1), v3(0, -1, 0), PortKind::habitat, "end -z");
        add_port(out, v3(0, 0, len / 11), v3(0, 0, 1), v3(0, 1, 0), PortKind::docking, "dock +z");
        return;
    }
    double s = hull_width / 2;
    if (t == 52) s = 4 * hull_width / 12;
    if (t == 54) s = (hull_width - 0.5) / 2;
    add_port(out, v3(0, 0, len / 2), v3(0, 0, 1), v3(0, 1, 0), PortKind::habitat, "end +z");
    add_port(out, v3(0, 0, -len / 2), v3(0, 0, -1), v3(0, -1, 0), PortKind::habitat, "end -z");
    if (t == 53) {
        add_port(out, v3(0, s, 0), v3(0, 1, 0), v3(0, 0, 1), PortKind::habitat, "face +y");
        add_port(out, v3(0, -s, 0), v3(0, -1, 0), v3(0, 0, -1), PortKind::habitat, "face -y");
        add_port(out, v3(s, 0, 0), v3(1, 0, 0), v3(0, 1, 0), PortKind::habitat, "face +x");
        add_port(out, v3(-s, 0, 0), v3(-1, 0, 0), v3(0, -1, 0), PortKind::habitat, "face -x");
        return;
    }
    add_port(out, v3(s, 0, 0), v3(1, 0, 0), v3(0, 1, 0), PortKind::axial, "face +x");
    add_port(out, v3(-s, 0, 0), v3(-1, 0, 0), v3(0, -1, 0), PortKind::axial, "face -x");
    if (t == 52) {
        add_port(out, v3(0, s, 0), v3(0, 1, 0), v3(1, 0, 0), PortKind::axial, "face +y");
        add_port(out, v3(0, -s, 0), v3(0, -1, 0), v3(-1, 0, 0), PortKind::axial, "face -y");
    } else {
        add_port(out, v3(0, s, 0), v3(0, 1, 0), v3(0, 0, 1), PortKind::axial, "face +y");
        add_port(out, v3(0, -s, 0), v3(0, -1, 0), v3(0, 0, -1), PortKind::axial, "face -y");
    }
}

BuildFigures habitat_figures(const blocktyp& b) {
    //                                   Hab_A  Hab_B  Node   Hab_C  DG_Hab_Port
    static constexpr int64_t groups[5] = {5, 5, 9, 5, 5};
    static constexpr int64_t vertices[5] = {24000, 20000, 10000, 20000, 4000};
    static constexpr int64_t pixels[5] = {45056, 45056, 36864, 94208, 45056};
    static constexpr int64_t work_fixed[5] = {13000, 9000, 9000, 13000, 7000};
    const int k = b.btype - 51;
    return {groups[k], vertices[k], pixels[k], work_for(work_fixed[k], vertices[k])};
}

}  // namespace quilbet::types

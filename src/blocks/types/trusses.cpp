// Trusses: box-section girders of "Block_count" bays along z, centred on the
// origin, with two end ports and four side ports per bay. The test article is
// a wide variant-2 truss of std_count bays with three ports.
//
// A truss is boxes (24 vertices each), 8-segment prisms (36) and two-sided
// quads (8), counted here from the same switches the generator reads.
#include <limits>

#include "blocks/types/type_families.hpp"
#include "generators/panel_truss.hpp"

namespace quilbet::types {

namespace {

constexpr int64_t box_vertices = 24;
constexpr int64_t prism8_vertices = 36;
constexpr int64_t quad2_vertices = 8;

// Vertices of a truss of n bays (variant 0 plain, 1 with hubs and tubes, 2 with covers).
int64_t truss_vertices(int64_t n, int32_t variant, bool cross_a, bool cross_b, bool cross_c) {
    const int64_t boxes = 4 + (n + 1) * (4 + (cross_a ? 2 : 0)) + n * ((cross_b ? 4 : 0) + (cross_c ? 4 : 0));
    int64_t prisms = 0;
    int64_t quads = 0;
    if (variant == 1) prisms = 1 + (cross_a ? n + 1 : 0) + (cross_b ? 4 * n : 0);
    if (variant == 2) {
        prisms = 1;
        quads = (cross_b ? 2 * n : 0) + (cross_c ? 2 * n : 0);
    }
    return boxes * box_vertices + prisms * prism8_vertices + quads * quad2_vertices;
}

truss_spec base_spec(int32_t count, int32_t variant, Vec3 dims) {
    truss_spec spec;
    spec.count = count;
    spec.variant = variant;
    spec.bar = 0.1;
    spec.rail = 0.2;
    spec.dims = dims;
    return spec;
}

const Vec3 test_article_dims{2 * std_width, std_height, std_length};

}  // namespace

int32_t safe_bay_count(int32_t n) {
    if (n < 0 || n > (std::numeric_limits<int32_t>::max() - 2) / 4) return 0;
    return n;
}

int32_t truss_geometry(Context& ctx, blocktyp& b) {
    truss_spec spec = base_spec(safe_bay_count(param_int(b, 2)), b.btype - 41, v3(std_width, std_height, param_value(b, 1)));
    spec.cross_a = param_bool(b, 3) ? 1 : 0;
    spec.cross_b = param_bool(b, 4) ? 1 : 0;
    spec.cross_c = param_bool(b, 5) ? 1 : 0;
    return gen_truss(ctx, b.msh.grp.data(), block_group_capacity, zero3, spec, zero3);
}

// The two ends, then four side ports per bay; bays are centred on the origin
// along z: z_i = i L - (n L / 2 - L / 2).
void truss_ports(const blocktyp& b, std::vector<PortDef>& out) {
    const int32_t n = safe_bay_count(param_int(b, 2));
    const long double w = std_width;
    const long double h = std_height;
    const long double len = param_value(b, 1);
    add_port(out, v3(0, 0, static_cast<double>(n * len / 2)), v3(0, 0, 1), v3(0, 1, 0), PortKind::axial, "end +z");
    add_port(out, v3(0, 0, static_cast<double>(-(n * len) / 2)), v3(0, 0, -1), v3(0, -1, 0), PortKind::axial, "end -z");
    for (int32_t i = 0; i < n; ++i) {
        const double z = static_cast<double>(i * len - (n * len / 2 - len / 2));
        const double hw = static_cast<double>(w / 2);
        const double hh = static_cast<double>(h / 2);
        add_port(out, v3(hw, 0, z), v3(1, 0, 0), v3(0, 1, 0), PortKind::height_face, "+x", i + 1);
        add_port(out, v3(-hw, 0, z), v3(-1, 0, 0), v3(0, -1, 0), PortKind::height_face, "-x", i + 1);
        add_port(out, v3(0, hh, z), v3(0, 1, 0), v3(1, 0, 0), PortKind::width_face, "+y", i + 1);
        add_port(out, v3(0, -hh, z), v3(0, -1, 0), v3(-1, 0, 0), PortKind::width_face, "-y", i + 1);
    }
}

BuildFigures truss_figures(const blocktyp& b) {
    const int64_t vertices = truss_vertices(safe_bay_count(param_int(b, 2)), b.btype - 41, param_bool(b, 3),
                                            param_bool(b, 4), param_bool(b, 5));
    return {1, vertices, 4096, work_for(40, vertices)};
}

int32_t test_article_geometry(Context& ctx, blocktyp& b) {
    truss_spec spec = base_spec(std_count, 2, test_article_dims);
    spec.cross_a = spec.cross_b = spec.cross_c = 1;
    return gen_truss(ctx, b.msh.grp.data(), block_group_capacity, zero3, spec, zero3);
}

void test_article_ports(const blocktyp&, std::vector<PortDef>& out) {
    const Vec3 dims = test_article_dims;
    const long double n = std_count;
    add_port(out, v3(0, 0, static_cast<double>(n * dims.z / 2)), v3(0, 0, 1), v3(0, 1, 0), PortKind::axial, "end +z");
    add_port(out, v3(dims.x / 2, 0, 0), v3(1, 0, 0), v3(0, 1, 0), PortKind::axial, "face +x");
    add_port(out, v3(0, dims.y / 2, 0), v3(0, 1, 0), v3(0, 0, 1), PortKind::axial, "face +y");
}

BuildFigures test_article_figures(const blocktyp&) {
    const int64_t vertices = truss_vertices(std_count, 2, true, true, true);
    return {1, vertices, 4096, work_for(0, vertices)};
}

}  // namespace quilbet::types

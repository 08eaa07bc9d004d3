// The block-type table: the 26 rows, their parameters with catalogue ranges
// and hard limits, and the lookups over them.
//
// Hard limits keep every block within one host group of 65,536 vertices
// (16-bit indices), within its generator's working capacity and within
// bounded build time:
//   "Rows" 0..64          panel group about 64 x 80 vertices
//   "Block_count" 0..64   about 65 frames x 12 boxes x 24 vertices plus rails
//                         and tubes, well under 65,536; 4 x 64 + 2 = 258 ports
//   "Windows" 0..32       one lattice pass per window slot; the lattice has
//                         only 54 wall cells along z, so more cannot be told apart
//   "Panel type" -1..4    -1 random, 0 to 3 the variants, 4 the catalogue's maximum
// Lengths and radii stay within 0 to 1,000 m so that every vertex stays finite
// in 32-bit floats; angles, shears and switches only need to be finite.
#include "blocks/block_types.hpp"

#include <string_view>

#include <cmath>
#include <sstream>

#include "blocks/types/type_families.hpp"

namespace quilbet {

namespace {

using namespace types;

constexpr ParamKind S = ParamKind::on_off;
constexpr ParamKind W = ParamKind::whole;
constexpr ParamKind R = ParamKind::real;
constexpr double half_pi = 1.5707963267948966;

std::vector<BlockTypeSpec> make_table() {
    const ParamSpec panel_type = {"Panel type", 1, W, 0, 0, 4, -1, 4};
    const ParamSpec panel_rotation_2 = {"Panel rotation", 2, R, 0, 0, half_pi};
    const ParamSpec rotation_shear_3 = {"Rotation shear", 3, R, 0, 0, 0.5};
    const std::vector<ParamSpec> power_wing = {panel_type, panel_rotation_2, rotation_shear_3};
    const std::vector<ParamSpec> one_rotation = {{"Panel rotation", 1, R, 0, 0, half_pi}};
    const ParamSpec smalling = {"Smalling", 1, S, -1, 0, 0};
    auto rows = [](double def) { return ParamSpec{"Rows", 3, W, def, 1, 15, 0, 64}; };
    const ParamSpec block_length = {"Block_length", 1, R, std_length, std_length / 4, std_length * 4, 0, 1000};
    const ParamSpec block_count = {"Block_count", 2, W, static_cast<double>(std_count), 1,
                                   4.0 * static_cast<double>(std_count), 0, 64};
    const std::vector<ParamSpec> truss = {block_length, block_count, {"Cross_A", 3, S, 1, 0, 0},
                                          {"Cross_B", 4, S, -1, 0, 0}, {"Cross_C", 5, S, -1, 0, 0}};
    const std::vector<ParamSpec> covered_truss = {block_length, block_count, {"Cover_A", 3, S, 1, 0, 0},
                                                  {"Cover_B", 4, S, 1, 0, 0}, {"Cover_C", 5, S, 1, 0, 0}};
    const ParamSpec windows = {"Windows", 1, W, 1, 0, 5, 0, 32};
    const ParamSpec hab_length = {"Length", 3, R, 8, 4, 16, 0, 1000};
    const std::vector<ParamSpec> hab = {windows, {"Round", 2, S, 1, 0, 0}, hab_length};
    const std::vector<ParamSpec> adaptor = {{"Length", 1, R, std_width, std_width / 2, std_width * 2, 0, 1000}};
    const std::vector<ParamSpec> tank = {{"Length", 1, R, 10, 5, 20, 0, 1000}, {"Radius", 2, R, 2, 1, 4, 0, 1000}};
    const std::vector<ParamSpec> aux_port = {{"Length", 1, R, std_width * 1.5, std_width / 2, std_width * 2, 0, 1000}};

    using T = BlockType;
    using C = Category;
    return {
        {T::power_wing_a, "Power_wing_A", C::power, power_wing, power_wing_geometry, power_wing_ports, power_wing_figures, 939},
        {T::power_wing_b, "Power_wing_B", C::power, power_wing, power_wing_geometry, power_wing_ports, power_wing_figures, 1883},
        {T::power_wing_c, "Power_wing_C", C::power, power_wing, power_wing_geometry, power_wing_ports, power_wing_figures, 3768},
        {T::solar_wing_a, "Solar_wing_A", C::solar, {{"Panel rotation", 1, R, 0, 0, half_pi}, {"Rotation shear", 2, R, 0, 0, 0.5}},
         solar_wing_geometry, solar_wing_ports, solar_wing_figures, 469},
        {T::solar_wing_b, "Solar_wing_B", C::solar, one_rotation, solar_wing_geometry, solar_wing_ports, solar_wing_figures, 513},
        {T::solar_wing_c, "Solar_wing_C", C::solar, one_rotation, solar_wing_geometry, solar_wing_ports, solar_wing_figures, 597},
        {T::solar_wing_d, "Solar_wing_D", C::solar, one_rotation, solar_wing_geometry, solar_wing_ports, solar_wing_figures, 601},
        {T::test_article, "Test_Article", C::power, {}, test_article_geometry, test_article_ports, test_article_figures, 1},
        {T::solar_panel_a, "Solar_Panel_A", C::solar, {smalling, {"Rotation shear", 2, R, 0.1, 0, 0.5}, rows(8)},
         solar_panel_geometry, solar_panel_ports, solar_panel_figures, 117},
        // The default of 19 rows lies above the range on purpose: it is what the
        // default geometry of this type is built with.
        {T::solar_panel_b, "Solar_Panel_B", C::solar, {smalling, rows(19)}, solar_panel_geometry, solar_panel_ports,
         solar_panel_figures, 128},
        {T::solar_panel_c, "Solar_Panel_C", C::solar, {smalling, rows(4)}, solar_panel_geometry, solar_panel_ports,
         solar_panel_figures, 149},
        {T::solar_panel_d, "Solar_Panel_D", C::solar, {smalling, rows(5)}, solar_panel_geometry, solar_panel_ports,
         solar_panel_figures, 150},
        {T::truss_a, "Truss_A", C::scaffolding, truss, truss_geometry, truss_ports, truss_figures, 1},
        {T::truss_b, "Truss_B", C::scaffolding, truss, truss_geometry, truss_ports, truss_figures, 1},
        {T::truss_c, "Truss_C", C::scaffolding, covered_truss, truss_geometry, truss_ports, truss_figures, 1},
        {T::hab_a, "Hab_A", C::habitats, hab, habitat_geometry, habitat_ports, habitat_figures, 5},
        {T::hab_b, "Hab_B", C::habitats, hab, habitat_geometry, habitat_ports, habitat_figures, 5},
        {T::hab_node_a, "Hab_Node_A", C::habitats, {}, habitat_geometry, habitat_ports, habitat_figures, 9},
        {T::adaptor_a, "Adaptor_A", C::adaptors, adaptor, adaptor_geometry, adaptor_ports, adaptor_figures, 1},
        {T::adaptor_b, "Adaptor_B", C::adaptors, adaptor, adaptor_geometry, adaptor_ports, adaptor_figures, 1},
        {T::tank_a, "Tank_A", C::tanks, tank, tank_geometry, tank_ports, tank_figures, 2},
        {T::dg_aux_port_a, "DG_Aux_Port_A", C::ports, aux_port, aux_port_geometry, aux_port_ports, aux_port_figures, 2},
        {T::dg_aux_port_b, "DG_Aux_Port_B", C::ports, aux_port, aux_port_geometry, aux_port_ports, aux_port_figures, 2},
        // "Hab_C" and "DG_Hab_Port" keep the ids their parameters have in "Hab_A".
        {T::hab_c, "Hab_C", C::habitats, {windows, hab_length}, habitat_geometry, habitat_ports, habitat_figures, 5},
        {T::dg_hab_port, "DG_Hab_Port", C::ports, {hab_length}, habitat_geometry, habitat_ports, habitat_figures, 5},
        {T::tank_b, "Tank_B", C::tanks, tank, tank_geometry, tank_ports, tank_figures, 2},
    };
}

std::string number_text(double v) {
    std::ostringstream s;
    s.precision(17);
    s << v;
    return s.str();
}

}  // namespace

const std::vector<std::string>& category_names() {
    static const std::vector<std::string> names = {"Power blocks", "Solar power", "Scaffolding", "Habitats",
                                                   "Adaptors",     "Tanks",       "Ports"};
    return names;
}

const ParamSpec* BlockTypeSpec::param(int32_t id) const {
    for (const ParamSpec& p : params) {
        if (p.id == id) return &p;
    }
    return nullptr;
}

const std::vector<BlockTypeSpec>& block_types() {
    static const std::vector<BlockTypeSpec> table = make_table();
    return table;
}

const BlockTypeSpec* find_block_type(int32_t btype) {
    for (const BlockTypeSpec& t : block_types()) {
        if (t.btype() == btype) return &t;
    }
    return nullptr;
}

const BlockTypeSpec* find_block_type_named(const std::string& name) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const BlockTypeSpec& t : block_types()) {
        const std::string_view n = t.name;
        if (n.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < n.size() && same; ++i) same = lower(n[i]) == lower(name[i]);
        if (same) return &t;
    }
    return nullptr;
}

const ParamSpec* BlockTypeSpec::param_named(const std::string& wanted) const {
    for (const ParamSpec& p : params) {
        if (wanted == p.name) return &p;
    }
    return nullptr;
}

const std::string& BlockTypeSpec::category_name() const {
    return category_names().at(static_cast<size_t>(category));
}

std::vector<PortDef> instance_ports(const BlockTypeSpec& t, const std::vector<ParamValue>& values) {
    std::vector<PortDef> out;
    t.ports(type_instance(t, values), out);
    return out;
}

BuildFigures instance_figures(const BlockTypeSpec& t, const std::vector<ParamValue>& values) {
    return t.figures(type_instance(t, values));
}

blocktyp type_instance(const BlockTypeSpec& t, const std::vector<ParamValue>& values) {
    blocktyp b;
    b.live = 1;
    b.name = t.name;
    b.btype = t.btype();
    b.cat = static_cast<int32_t>(t.category);
    b.nparams = static_cast<int32_t>(t.params.size());
    b.params.resize(t.params.size());
    for (size_t k = 0; k < t.params.size(); ++k) {
        const ParamSpec& spec = t.params[k];
        define_param(b.params[k], spec.name, spec.id, static_cast<int32_t>(spec.kind), spec.def, spec.min, spec.max);
    }
    for (const ParamValue& v : values) {
        for (paramtyp& p : b.params) {
            if (p.id == v.id) {
                p.val = v.value;
                break;
            }
        }
    }
    return b;
}

std::string hard_limit_problem(const ParamSpec& p, double value) {
    if (!std::isfinite(value)) return "value " + number_text(value) + " is not a finite number";
    const double v = p.kind == ParamKind::whole ? std::nearbyint(value) : value;
    if (v >= p.hard_lo && v <= p.hard_hi) return {};
    return "value " + number_text(value) + " breaks the hard limit " + number_text(p.hard_lo) + " to " +
           number_text(p.hard_hi) + " (beyond it a block no longer fits one host group or builds in bounded time)";
}

std::string port_name(const PortDef& p) {
    if (p.bay <= 0) return p.name;
    std::string s = "bay ";
    s += std::to_string(p.bay);
    s += ' ';
    s += p.name;
    return s;
}

int32_t port_index_named(const std::vector<PortDef>& ports, const std::string& name) {
    for (size_t i = 0; i < ports.size(); ++i) {
        if (port_name(ports[i]) == name) return static_cast<int32_t>(i);
    }
    return -1;
}

bool block_port_defs(const blocktyp& b, std::vector<PortDef>& out) {
    out.clear();
    const BlockTypeSpec* t = find_block_type(b.btype);
    if (t == nullptr) return false;
    t->ports(b, out);
    return true;
}

BuildFigures block_build_figures(const blocktyp& b) {
    const BlockTypeSpec* t = find_block_type(b.btype);
    return t != nullptr ? t->figures(b) : BuildFigures{};
}

}  // namespace quilbet

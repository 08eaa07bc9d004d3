// The block-type table: every one of the 26 block types described once, in
// catalogue order. Each row gives the type's id, name and category, its
// parameters (kind, default, the catalogue's range for editors and the hard
// limit that a description may not break), and the functions that build its
// geometry, define its ports and work out its build figures. The catalogue,
// the geometry dispatch, the blob checks and the description tools all read
// this table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "blocks/block.hpp"
#include "texture/context.hpp"

namespace quilbet {

// Type ids as descriptions carry them.
enum class BlockType : int32_t {
    power_wing_a = 11, power_wing_b = 12, power_wing_c = 13,
    solar_wing_a = 21, solar_wing_b = 22, solar_wing_c = 23, solar_wing_d = 24,
    solar_panel_a = 31, solar_panel_b = 32, solar_panel_c = 33, solar_panel_d = 34,
    truss_a = 41, truss_b = 42, truss_c = 43,
    hab_a = 51, hab_b = 52, hab_node_a = 53, hab_c = 54, dg_hab_port = 55,
    adaptor_a = 61, adaptor_b = 62,
    tank_a = 71, tank_b = 72,
    dg_aux_port_a = 81, dg_aux_port_b = 82,
    test_article = 99,
};

// How a parameter's value is read (paramtyp::kind holds the number).
enum class ParamKind : int32_t {
    on_off = 0,   // on when the value is above 0 (the catalogue stores 1 / -1)
    whole = 1,    // rounded to nearest, ties to even, when read
    real = 2,
};

// Which ports fit together: only ports of equal kind are linked (BlockPort::kind holds the number).
enum class PortKind : int32_t {
    axial = 1,        // truss ends, panel and wing bases, tank ends, habitat side ports
    height_face = 2,  // side ports on faces std_height across
    width_face = 3,   // side ports on faces std_width across
    habitat = 10,     // habitat axial ports and node ports
    docking = 11,     // outer ends of docking ports; reported to the host while free
};

enum class Category : int32_t { power = 0, solar = 1, scaffolding = 2, habitats = 3, adaptors = 4, tanks = 5, ports = 6 };

// Category names in category order, as the catalogue lists them.
const std::vector<std::string>& category_names();

// Any finite parameter value without a limit of its own must lie within
// +-general_value_limit (far beyond any meaning).
inline constexpr double general_value_limit = 1e6;

struct ParamSpec {
    const char* name;
    int32_t id;
    ParamKind kind;
    double def;
    double min, max;              // the catalogue's range, shown to editors, never enforced
    double hard_lo = -general_value_limit;   // a description beyond these is refused
    double hard_hi = general_value_limit;
};

// One port in the block's own frame: position, outward direction, up vector
// and kind, and its short name for people ("end -z", "face +x"; a truss's
// face ports are numbered by bay: "bay 3 +x"; see port_name).
struct PortDef {
    Vec3 pos;
    Vec3 dir;
    Vec3 up;
    PortKind kind = PortKind::axial;
    const char* name = "";   // static text
    int32_t bay = 0;         // 1-based bay of a truss face port, 0 for none
};

// The port's name as people read and write it: `name`, preceded by "bay N "
// for a bay port. Unique among the ports of one block instance.
std::string port_name(const PortDef& p);

// The index of the port named `name` (exact text, as port_name gives it) among
// `ports`, or -1 when none has that name.
int32_t port_index_named(const std::vector<PortDef>& ports, const std::string& name);

// What building one block costs, worked out from its type and parameter
// values alone, before any geometry exists.
struct BuildFigures {
    int64_t groups = 0;     // mesh groups the block fills (never fewer than the build makes)
    int64_t vertices = 0;   // vertices over all its groups (never fewer than the build makes)
    int64_t pixels = 0;     // texture pixels over all its groups (never fewer than the build paints)
    int64_t work = 0;       // estimated build time in microseconds (native, one thread, 2-core reference VM)

    BuildFigures& operator+=(const BuildFigures& o) {
        groups += o.groups;
        vertices += o.vertices;
        pixels += o.pixels;
        work += o.work;
        return *this;
    }
};

// The three things a type does with a block whose btype and parameter values
// are set. geometry fills b.msh from group 0 (prepared by the caller) and
// returns the groups filled (negative when the mesh has too little room);
// ports lists the type's ports for those values; figures bounds the build
// (groups, vertices and pixels never below what geometry makes).
using GeometryFn = int32_t (*)(Context& ctx, blocktyp& b);
using PortsFn = void (*)(const blocktyp& b, std::vector<PortDef>& out);
using FiguresFn = BuildFigures (*)(const blocktyp& b);

struct BlockTypeSpec {
    BlockType type;
    const char* name;
    Category category;
    std::vector<ParamSpec> params;
    GeometryFn geometry;
    PortsFn ports;
    FiguresFn figures;
    // Random numbers the default build (every parameter at its default)
    // draws: a fixed count, whatever the state it starts from, and its last
    // draw seeds the noise tables as tex_noise does. Start-up advances the
    // module's random state and noise tables by these instead of building.
    int32_t default_draws;

    int32_t btype() const { return static_cast<int32_t>(type); }
    // The parameter with this id, or null.
    const ParamSpec* param(int32_t id) const;
    // The parameter with exactly this name, or null.
    const ParamSpec* param_named(const std::string& name) const;
    // The category's name, as the catalogue lists it.
    const std::string& category_name() const;
};

// A parameter value as a description gives it: parameter id and value.
struct ParamValue {
    int32_t id = 0;
    double value = 0;
};

// An instance of type t without geometry or ports: live, name, btype,
// category, and t's parameters at their defaults, then set by values in order
// as a description's parse sets them (each value to the type's parameter with
// its id, so a later value for the same id wins; ids t lacks are skipped).
blocktyp type_instance(const BlockTypeSpec& t, const std::vector<ParamValue>& values);

// The 26 types in catalogue order.
const std::vector<BlockTypeSpec>& block_types();
// The row of type id btype, or null when no type has it.
const BlockTypeSpec* find_block_type(int32_t btype);
// The row whose name matches ignoring letter case (ASCII), or null.
const BlockTypeSpec* find_block_type_named(const std::string& name);

// The ports and the build figures of an instance of t whose parameters are
// set by values (as type_instance sets them), without building geometry.
std::vector<PortDef> instance_ports(const BlockTypeSpec& t, const std::vector<ParamValue>& values);
BuildFigures instance_figures(const BlockTypeSpec& t, const std::vector<ParamValue>& values);

// Empty when value may be given to parameter p in a description; otherwise why
// not: not finite, or beyond the hard limit (whole numbers are judged after
// rounding to nearest, ties to even).
std::string hard_limit_problem(const ParamSpec& p, double value);

// The ports of b's type for b's parameter values, without building geometry.
// False, out empty, for a type id that is not in the table.
bool block_port_defs(const blocktyp& b, std::vector<PortDef>& out);
// The build figures of b's type for b's parameter values; zero for a type id
// that is not in the table.
BuildFigures block_build_figures(const blocktyp& b);

}  // namespace quilbet

// The functions of each family of block types: geometry, ports and build
// figures. Every generator builds around the block's origin (zero offset,
// zero angles); port directions point out of the block. The block-type table
// (block_types.cpp) points each of its rows at one family.
#pragma once

#include "blocks/block_types.hpp"

namespace quilbet::types {

// Power wings 11 to 13: nested wings of solar panels on a truss.
int32_t power_wing_geometry(Context& ctx, blocktyp& b);
void power_wing_ports(const blocktyp& b, std::vector<PortDef>& out);
BuildFigures power_wing_figures(const blocktyp& b);

// Solar wings 21 to 24: a truss carrying four solar panels.
int32_t solar_wing_geometry(Context& ctx, blocktyp& b);
void solar_wing_ports(const blocktyp& b, std::vector<PortDef>& out);
BuildFigures solar_wing_figures(const blocktyp& b);

// Solar panels 31 to 34.
int32_t solar_panel_geometry(Context& ctx, blocktyp& b);
void solar_panel_ports(const blocktyp& b, std::vector<PortDef>& out);
BuildFigures solar_panel_figures(const blocktyp& b);

// Trusses 41 to 43, and the test article 99 (a wide variant-2 truss).
int32_t truss_geometry(Context& ctx, blocktyp& b);
void truss_ports(const blocktyp& b, std::vector<PortDef>& out);
BuildFigures truss_figures(const blocktyp& b);
int32_t test_article_geometry(Context& ctx, blocktyp& b);
void test_article_ports(const blocktyp& b, std::vector<PortDef>& out);
BuildFigures test_article_figures(const blocktyp& b);
// The bay count a truss is built with: n, or 0 when n is negative or so large
// that 4 n + 2 ports cannot be counted in 32 bits.
int32_t safe_bay_count(int32_t n);

// Habitats 51 to 54 and the habitat docking port 55: molded hulls.
int32_t habitat_geometry(Context& ctx, blocktyp& b);
void habitat_ports(const blocktyp& b, std::vector<PortDef>& out);
BuildFigures habitat_figures(const blocktyp& b);

// Adaptors 61 and 62.
int32_t adaptor_geometry(Context& ctx, blocktyp& b);
void adaptor_ports(const blocktyp& b, std::vector<PortDef>& out);
BuildFigures adaptor_figures(const blocktyp& b);

// Tanks 71 and 72.
int32_t tank_geometry(Context& ctx, blocktyp& b);
void tank_ports(const blocktyp& b, std::vector<PortDef>& out);
BuildFigures tank_figures(const blocktyp& b);

// Auxiliary docking ports 81 and 82.
int32_t aux_port_geometry(Context& ctx, blocktyp& b);
void aux_port_ports(const blocktyp& b, std::vector<PortDef>& out);
BuildFigures aux_port_figures(const blocktyp& b);

// Helpers shared by the families.
inline Vec3 v3(double x, double y, double z) { return Vec3{x, y, z}; }
// Ports are named after where they face: "end" along the block's axis (z),
// "face" across it, "base" for the port a block hangs by at its origin.
inline void add_port(std::vector<PortDef>& out, Vec3 pos, Vec3 dir, Vec3 up, PortKind kind, const char* name,
                     int32_t bay = 0) {
    out.push_back({pos, dir, up, kind, name, bay});
}
// Work estimate: a fixed part per type plus one microsecond per twelve vertices,
// fitted to single-thread builds on the reference VM.
inline int64_t work_for(int64_t fixed_us, int64_t vertices) { return fixed_us + vertices / 12; }
inline constexpr Vec3 zero3{0, 0, 0};

}  // namespace quilbet::types

// The pieces every style builds with: habitats, nodes and docking ports on
// habitat ports, girders on axial ports, wings in mirrored pairs on opposite
// faces of a girder bay, caps at the outer ends, and the light filler that
// brings a station to its block count. Each piece is placed whole or not at
// all (a pair never ends up single).
#pragma once

#include <cstdint>
#include <vector>

#include "generate/designer.hpp"

namespace quilbet {

// Port numbers of the block types, as their port rows list them.
namespace port {
inline constexpr int32_t hab_front = 0, hab_back = 1;             // habitat ends (+z, -z), habitat kind
inline constexpr int32_t hab_side[4] = {2, 3, 4, 5};              // habitat sides +x, -x, +y, -y (axial)
inline constexpr int32_t node_front = 0, node_back = 1;           // node +z, -z (habitat kind, like all six)
inline constexpr int32_t node_waist[4] = {4, 5, 2, 3};            // node +x, -x, +y, -y
inline constexpr int32_t truss_far = 0, truss_near = 1;           // girder ends
inline constexpr int32_t base = 0, far_end = 1;                   // adaptors, tanks, aux ports, docks
// Side faces of girder bay b: 0 +x, 1 -x (kind 2), 2 +y, 3 -y (kind 3).
inline int32_t truss_face(int32_t bay, int32_t face) { return 2 + 4 * bay + face; }
}  // namespace port

// The same block at every port, or at none.
bool add_all(Designer& d, const std::vector<PortRef>& at, const BlockChoice& choice, int32_t child_port,
             std::vector<int32_t>* ids = nullptr);

// A habitat through its back end, so its front end points on outward.
int32_t add_habitat(Designer& d, PortRef at, const BlockChoice& hab);
int32_t add_node(Designer& d, PortRef at);
int32_t add_dock(Designer& d, PortRef at);
// A girder of n bays through its near end; its far end points outward.
int32_t add_truss(Designer& d, PortRef at, int32_t bays);
// The number of bays of a placed girder.
int32_t truss_bays(const Designer& d, int32_t truss);

// A pair of power wings on the +y and -y faces of a bay of each girder.
bool add_power_wings(Designer& d, const std::vector<int32_t>& trusses, int32_t bay, const BlockChoice& wing);
// A pair of adaptors with solar wings on the +x and -x faces of a bay of each girder.
bool add_solar_wings(Designer& d, const std::vector<int32_t>& trusses, int32_t bay);
// A pair of auxiliary docking ports on opposite faces of a bay of each girder.
bool add_aux_ports(Designer& d, const std::vector<int32_t>& trusses, int32_t bay);
// The same cap on every one of these axial ends: a solar wing, a solar panel,
// or a tank (with a panel beyond it when that fits).
bool cap_ends(Designer& d, const std::vector<PortRef>& ends);

// Wings along girders in mirrored pairs: power wings on the middle bay or
// solar wings, then the far ends capped. The same on every girder given.
void dress_trusses(Designer& d, const std::vector<int32_t>& trusses);

// Docking ports on the free habitat ports that face outward, the outermost first, up to n.
int32_t add_docks(Designer& d, int32_t n);
// Auxiliary ports on the last bay of girders whose far end is free or capped, up to n pairs.
int32_t add_outer_aux_ports(Designer& d, int32_t n);

// Power until the station has as many power blocks as habitats: solar wings
// on opposite flanks of the habitats (the newest first), power wings on free
// girder bays, solar panels on outward axial ends. Stops when nothing fits.
void balance_power(Designer& d);
// A docking port on the outermost outward habitat port (or an auxiliary port
// on a girder) when the station has no free docking port.
void ensure_docking(Designer& d);

// Light blocks (panels, tanks, short girders, adaptors, aux ports, docking
// ports) at free ports until the station halts or nothing more fits: the
// outermost ports first, or with inner_first the ports nearest the root, so a
// compact station stays compact.
void fill_to_target(Designer& d, bool inner_first = false);

}  // namespace quilbet

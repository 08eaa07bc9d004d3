// Which ports of a block are equivalent: the mirror planes and the N-fold
// rotation axes that map the block's ports onto themselves, found from the
// ports alone (position, outward direction and kind, in the block's own
// frame, as instance_ports lists them). Up vectors are not compared: a block
// attached at an equivalent port with the same parameters is its twin.
//
// A transform is a symmetry of the ports when it maps every port onto a port
// of the same kind whose position lies within port_position_tolerance and
// whose direction lies within port_direction_tolerance (distance between the
// unit vectors). Every symmetry of a finite set of points keeps its centroid,
// so all planes and axes pass through the centroid of the port positions.
//
// The generator's --symmetry and the designer's symmetry mode both use this
// rule, so a twin they place is at the same port.
#pragma once

#include <cstdint>
#include <vector>

#include "blocks/block_types.hpp"

namespace quilbet {

inline constexpr double port_position_tolerance = 1e-3;    // metres
inline constexpr double port_direction_tolerance = 1e-6;   // unit-vector distance
// Rotation orders tried about an axis: 2 .. max_radial_order.
inline constexpr int32_t max_radial_order = 12;

// A mirror plane through the centroid: image[k] is the port that port k maps onto.
struct PortMirror {
    Vec3 normal;                  // unit length, sign as found
    std::vector<int32_t> image;
};

// A rotation axis through the centroid with its largest order: turning by
// 2 pi / order about `axis` (right-handed) maps port k onto step[k]. Only
// axes that move at least one port are listed; turning by 2 pi / n is a
// symmetry exactly when n divides order.
struct PortRotation {
    Vec3 axis;                    // unit length, sign as found
    int32_t order = 0;            // 2 .. max_radial_order
    std::vector<int32_t> step;
};

struct PortSymmetries {
    Vec3 centre;                          // centroid of the port positions
    std::vector<Vec3> offsets;            // each port's position less the centre, in port order
    std::vector<PortMirror> mirrors;      // distinct planes, in the order found (block axes x, y, z first)
    std::vector<PortRotation> rotations;  // distinct axes, in the order found (block axes z, x, y first)
};

// The mirror planes and rotation axes of these ports. Candidates are the
// block's own axes, the differences between ports of the same kind (a mirror
// taking one onto the other is normal to their difference) and, for axes,
// the lines where two mirror planes meet and the lines through the centre
// and a port or along a port's direction. Deterministic: the same ports give
// the same lists in the same order. No ports, no symmetries.
PortSymmetries find_port_symmetries(const std::vector<PortDef>& ports);

// The ports equivalent to `port` under a mirror: {port, partner}, where the
// partner is its image under the mirror plane that moves it whose normal is
// most nearly parallel to `towards` (ties: the plane found first). With
// `towards` zero, the port's own offset from the centre is used: the plane
// that moves the port farthest, so a side port's partner is on the opposite
// side and a girder's bay port's is in the mirrored bay at the other end.
// {port} alone when no mirror moves it; {} when port is out of range.
std::vector<int32_t> mirror_equivalents(const PortSymmetries& s, int32_t port, Vec3 towards = {});

// The ports equivalent to `port` under radial n-fold symmetry: port, then its
// images after 1 .. n-1 right-handed turns of 2 pi / n, about an axis whose
// order n divides and which moves the port. The axis is the one most nearly
// parallel to `axis_hint`; with the hint zero, the one most nearly
// perpendicular to the port's offset from the centre (the port turns at its
// full distance); ties: the axis found first. {port} alone when n < 2 or no
// such axis exists; {} when port is out of range.
std::vector<int32_t> radial_equivalents(const PortSymmetries& s, int32_t port, int32_t n, Vec3 axis_hint = {});

// The largest rotation order among the axes that move `port` (0 when none):
// what --symmetry radial:N or a designer may offer at that port.
int32_t largest_radial_order(const PortSymmetries& s, int32_t port);

}  // namespace quilbet

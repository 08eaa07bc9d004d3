// What a style works with while it lays out a station: the grower, the
// seed's random numbers, the palette, and the block count aimed at.
#pragma once

#include <cstdint>
#include <vector>

#include "generate/station_grower.hpp"
#include "generate/station_palette.hpp"

namespace quilbet {

class Designer {
public:
    Designer(StationGrower& grower, SeededRandom& rng, const Palette& palette);

    StationGrower& grower;
    SeededRandom& rng;
    const Palette& palette;

    int32_t count() const { return grower.count(); }
    int32_t target() const { return grower.target(); }
    // The most blocks a station may end with: the target and a tenth more.
    int32_t upper() const { return target() + target() / 10; }
    bool reached() const { return count() >= target(); }
    // True when n more blocks stay within upper().
    bool room(int32_t n) const { return count() + n <= upper(); }

    // Attaches one block when there is room, the budget affords it and it fits;
    // its id, or -1 with nothing changed.
    int32_t add(PortRef at, const BlockChoice& choice, int32_t child_port);

    // Free ports of this kind on every block, the farthest from the root first
    // (ties by block and port), so that caps go to the outer ends.
    std::vector<PortRef> free_ports_outermost(PortKind kind) const;
    // Free ports of this kind on one block, in port order.
    std::vector<PortRef> free_ports(int32_t block, PortKind kind) const;
    // The squared distance of a port from the root on a 1/64 m grid, as a
    // whole number, so that comparisons cannot flip with rounding noise.
    int64_t reach(PortRef p) const;
    // True when the port faces away from the root (outward direction and
    // position agree by more than half).
    bool faces_out(PortRef p) const;
};

}  // namespace quilbet

// The spine layout: one long line of girders, mirror-symmetric across the
// middle of its first girder by default, power and solar wings in pairs
// along it, habitat modules hung under the middle of every girder.
#include "generate/motifs.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

// A habitat hung crosswise at an axial port, docking ports at its ends.
void add_module(Designer& d, PortRef at) {
    const int32_t hab = d.add(at, d.palette.habitat(d.rng), port::hab_side[0]);
    if (hab < 0) return;
    add_all(d, {{hab, port::hab_back}, {hab, port::hab_front}}, d.palette.dock, port::base);
    balance_power(d);
}

// Wings along a girder from its middle outwards: a power wing pair on every
// third bay, solar wings on adaptors on some bays between.
void dress_girder(Designer& d, int32_t girder, const BlockChoice& wing) {
    const int32_t bays = truss_bays(d, girder);
    for (int32_t i = 1; i <= bays / 2 && !d.halted(); ++i) {
        for (int32_t bay : {bays / 2 + i, bays / 2 - i}) {
            if (bay < 0 || bay >= bays) continue;
            if (i % 3 == 1) {
                add_power_wings(d, {girder}, bay, wing);
            } else if (i % 3 == 2 && d.rng.chance(600)) {
                add_solar_wings(d, {girder}, bay);
            }
        }
    }
}

}  // namespace

void grow_spine(Designer& d) {
    // An odd number of bays, so that the module hangs under the middle bay.
    const int32_t bays = 2 * d.rng.between(4, 7) + 1;
    const int32_t root = d.start(d.palette.truss_of(bays), port::truss_far, port::truss_far);
    const BlockChoice& wing = d.rng.chance(500) ? d.palette.large_power_wing : d.palette.power_wing;

    PortRef fore{root, port::truss_far};
    int32_t girder = root;
    while (!d.halted()) {
        const int32_t mid = truss_bays(d, girder) / 2;
        const int32_t adaptor = d.add({girder, port::truss_face(mid, 3)}, d.palette.adaptor_y, port::base);
        if (adaptor >= 0) add_module(d, {adaptor, port::far_end});
        ensure_docking(d);
        dress_girder(d, girder, wing);
        balance_power(d);
        // The line goes on at the fore end (and, mirrored, at the aft end):
        // a tank now and then between two girders.
        if (d.rng.chance(300)) {
            const int32_t tank = d.add(fore, d.palette.tank, port::base);
            if (tank >= 0) fore = {tank, port::far_end};
        }
        const int32_t next = add_truss(d, fore, 2 * d.rng.between(3, 6) + 1);
        if (next < 0) break;
        girder = next;
        fore = {next, port::truss_far};
    }
    cap_ends(d, {fore});
    add_outer_aux_ports(d, 2);
    fill_to_target(d);
}

void grow_girders_around(Designer& d) {
    balance_power(d);
    ensure_docking(d);
    // Rounds over the free outward axial ports, outermost first: a girder
    // dressed with wings on each, until a round places none.
    bool progress = true;
    while (progress && !d.halted()) {
        progress = false;
        for (const PortRef& p : d.free_ports_outermost(PortKind::axial)) {
            if (d.halted()) break;
            if (!d.grower.port_free(p) || !d.faces_out(p)) continue;
            const int32_t girder = add_truss(d, p, 2 * d.rng.between(2, 4) + 1);
            if (girder < 0) continue;
            progress = true;
            dress_trusses(d, {girder});
        }
    }
    fill_to_target(d);
}

}  // namespace quilbet

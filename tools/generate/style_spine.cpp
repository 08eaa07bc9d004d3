// The spine layout: one long line of girders (a tank now and then between
// two of them), power and solar wings in mirrored pairs along it, habitat
// modules hung from it by adaptors and a habitat module at its fore end.
#include <algorithm>

#include "generate/motifs.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

// Bays of a girder to dress, the outer ones first, symmetric about the middle.
std::vector<int32_t> dressing_order(int32_t bays) {
    std::vector<int32_t> out;
    for (int32_t i = 1; i < bays / 2; i += 3) {
        out.push_back(i);
        out.push_back(bays - 1 - i);
    }
    if (bays % 2 == 1) out.push_back(bays / 2);
    return out;
}

// A habitat hung crosswise at an axial port, docking ports or a node at its ends.
void add_module(Designer& d, PortRef at) {
    const int32_t hab = d.add(at, d.palette.habitat(d.rng), port::hab_side[0]);
    if (hab < 0) return;
    if (d.rng.chance(400)) {
        const int32_t node = add_node(d, {hab, port::hab_front});
        if (node >= 0) {
            add_habitat(d, {node, port::node_front}, d.palette.habitat(d.rng));
            add_dock(d, {node, port::node_waist[0]});
        }
    }
    add_dock(d, {hab, port::hab_back});
    add_dock(d, {hab, port::hab_front});
}

}  // namespace

void grow_spine(Designer& d) {
    const int32_t target = d.target();
    const int32_t bays = std::clamp(4 + target / 5, 5, 24);
    const int32_t root = d.grower.start(d.palette.truss_of(bays));
    std::vector<int32_t> line{root};
    PortRef fore{root, port::truss_far};
    PortRef aft{root, port::truss_near};

    // More girders in line, alternately fore and aft, about one per 30 blocks.
    const int32_t segments = target / 30;
    for (int32_t i = 0; i < segments; ++i) {
        PortRef& end = (i % 2 == 0) ? fore : aft;
        if (d.rng.chance(300)) {
            const int32_t tank = d.add(end, d.palette.tank, port::base);
            if (tank >= 0) end = {tank, port::far_end};
        }
        const int32_t t = add_truss(d, end, std::clamp(bays - d.rng.between(0, 4), 4, 24));
        if (t < 0) break;
        line.push_back(t);
        end = {t, port::truss_far};
    }

    // Modules before wings, so that the wings make way for them: a habitat
    // module at the fore end, others hung under the middle of the girders.
    add_module(d, fore);
    for (int32_t g : line) {
        if (d.count() >= (2 * target) / 5) break;
        const int32_t mid = truss_bays(d, g) / 2;
        const int32_t adaptor = d.add({g, port::truss_face(mid, 3)}, d.palette.adaptor_y, port::base);
        if (adaptor >= 0) add_module(d, {adaptor, port::far_end});
    }

    // Wings in mirrored pairs along the line: a power wing pair where it fits,
    // solar wings on adaptors elsewhere.
    const BlockChoice& wing = (target >= 40 && d.rng.chance(500)) ? d.palette.large_power_wing : d.palette.power_wing;
    for (int32_t g : line) {
        bool power = true;
        for (int32_t bay : dressing_order(truss_bays(d, g))) {
            if (d.count() >= (4 * target) / 5) break;
            if (power && add_power_wings(d, {g}, bay, wing)) {
                power = false;
                continue;
            }
            if (d.rng.chance(650)) add_solar_wings(d, {g}, bay);
        }
    }

    // The aft end: the test article or a cap.
    if (!d.rng.chance(300) || d.add(aft, default_choice(BlockType::test_article), 0) < 0) cap_ends(d, {aft});

    add_outer_aux_ports(d, 1 + target / 30);
    add_docks(d, target / 10);
    fill_to_target(d);
}

}  // namespace quilbet

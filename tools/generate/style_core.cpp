// The core layout: a cluster of habitats around a hub node (and nodes further
// out), N-fold about the hub's axis by default, each ring of habitats with
// solar wings on its flanks, docking ports on the hub's axis and at the
// outer habitat ends; where the cluster closes before the count, long girder
// arms carry another ring of habitats with nodes it grows on from.
#include <deque>

#include "generate/motifs.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

// A node's ports, the four around its waist first so the cluster spreads in a plane.
constexpr int32_t node_order[6] = {port::node_waist[0], port::node_waist[1], port::node_waist[2],
                                   port::node_waist[3], port::node_back,    port::node_front};

void open_node(const Designer& d, int32_t node, std::deque<PortRef>& open) {
    for (int32_t k : node_order) {
        if (d.grower.port_free({node, k})) open.push_back({node, k});
    }
}

// Another ring of pieces where the cluster has closed (its habitats ended
// in docking ports): from the outermost habitats' free flanks, a long
// girder arm carrying a habitat across its far end, with its power and a node
// beyond it whose ports open. False when none fits.
bool add_outer_ring(Designer& d, std::deque<PortRef>& open) {
    for (int32_t b = d.count() - 1; b >= 0 && !d.halted(); --b) {
        if (!is_habitat(d.grower.type_of(b))) continue;
        for (int32_t side : {port::hab_side[2], port::hab_side[3], port::hab_side[0], port::hab_side[1]}) {
            const PortRef at{b, side};
            if (!d.grower.port_free(at)) continue;
            const Designer::Piece piece(d);
            const int32_t mark = d.grower.mark();
            const int32_t arm = add_truss(d, at, d.rng.between(3, 5));
            const int32_t hab = arm >= 0 ? d.add({arm, port::truss_far}, d.palette.habitat(d.rng), port::hab_side[0]) : -1;
            if (hab >= 0) balance_power(d);
            const int32_t node = hab >= 0 && d.power() >= d.habitats() ? add_node(d, {hab, port::hab_front}) : -1;
            if (node >= 0) {
                open_node(d, node, open);
                return true;
            }
            if (d.halted()) return false;
            d.grower.rollback(mark);
        }
    }
    return false;
}

// Habitats at the open ports, each with its power, every other one ending in
// a node whose ports open in turn, and another ring of them on long arms
// while the cluster closes short of the count; then girder arms on the outer
// habitats' free flanks and light blocks.
void grow_cluster(Designer& d, std::deque<PortRef> open) {
    while (!d.halted() && (!open.empty() || add_outer_ring(d, open))) {
        const PortRef p = open.front();
        open.pop_front();
        const BlockChoice& design = d.palette.habitat(d.rng);
        const bool grow_node = d.rng.chance(550);
        const int32_t mark = d.grower.mark();
        const int32_t hab = add_habitat(d, p, design);
        if (hab < 0) continue;
        balance_power(d);
        // A habitat whose power finds no room is taken away again (with its
        // twins), unless the count stopped the station.
        if (!d.halted() && d.power() < d.habitats()) {
            d.grower.rollback(mark);
            continue;
        }
        ensure_docking(d);
        // Every other habitat ends in a node the cluster grows on from, the rest in a docking port.
        const int32_t node = grow_node ? add_node(d, {hab, port::hab_front}) : -1;
        if (node >= 0) {
            open_node(d, node, open);
        } else {
            add_dock(d, {hab, port::hab_front});
        }
    }
    // Girder arms on the outer habitats' free flanks, then light blocks.
    for (int32_t b = d.count() - 1; b >= 0 && !d.halted(); --b) {
        if (!is_habitat(d.grower.type_of(b))) continue;
        std::vector<int32_t> arms;
        if (add_all(d, {{b, port::hab_side[2]}, {b, port::hab_side[3]}}, d.palette.truss_of(d.rng.between(2, 3)),
                    port::truss_near, &arms)) {
            dress_trusses(d, arms);
        }
    }
    fill_to_target(d, true);
}

}  // namespace

void grow_core(Designer& d) {
    const int32_t hub = d.start(d.palette.node, port::node_front, port::node_waist[0]);
    add_dock(d, {hub, port::node_front});
    std::deque<PortRef> open;
    open_node(d, hub, open);
    grow_cluster(d, std::move(open));
}

void grow_core_around(Designer& d) {
    balance_power(d);
    ensure_docking(d);
    std::deque<PortRef> open;
    for (const PortRef& p : d.free_ports_outermost(PortKind::habitat)) {
        if (d.faces_out(p)) open.push_back(p);
    }
    grow_cluster(d, std::move(open));
}

}  // namespace quilbet

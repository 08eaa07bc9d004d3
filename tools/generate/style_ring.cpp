// The ring layout: a hub node with four habitat spokes in its waist plane and
// a closed rim round them: from each spoke's rim node an arc (a habitat, a
// corner node, a habitat) runs on to the next spoke's rim node. The links
// form a tree, so each arc's last habitat is a few centimetres short of the
// rim node it faces. N-fold about the hub's axis by default; solar wings on
// the rim's flanks, docking ports on the axle and the corners.
#include <cmath>

#include "generate/motifs.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

double ring_dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The block's free port whose direction is closest to `dir`, or {-1, -1}.
PortRef port_towards(const Designer& d, int32_t block, Vec3 dir) {
    PortRef best{-1, -1};
    double best_dot = 0.9;
    for (int32_t k = 0; k < d.grower.port_count(block); ++k) {
        const PortRef p{block, k};
        const double c = ring_dot(d.grower.port_direction(p), dir);
        if (d.grower.port_free(p) && c > best_dot) {
            best = p;
            best_dot = c;
        }
    }
    return best;
}

// The block linked at a port (placed after its block), or -1.
int32_t child_at(const Designer& d, PortRef at) {
    for (int32_t b = at.block + 1; b < d.count(); ++b) {
        if (d.grower.parent_of(b) == at.block && d.grower.parent_port_of(b) == at.port) return b;
    }
    return -1;
}

// The block's port whose direction is closest to `dir`, free or not.
int32_t port_index_towards(const Designer& d, int32_t block, Vec3 dir) {
    int32_t best = -1;
    double best_dot = 0.9;
    for (int32_t k = 0; k < d.grower.port_count(block); ++k) {
        const double c = ring_dot(d.grower.port_direction({block, k}), dir);
        if (c > best_dot) {
            best = k;
            best_dot = c;
        }
    }
    return best;
}

// Gaps tried for the closing habitats, shortest first (metres): hull rims
// reach a little past their port planes.
constexpr double closing_gaps[] = {0.02, 0.05, 0.1, 0.2, 0.3, 0.5, 0.8};

}  // namespace

void grow_ring(Designer& d) {
    const int32_t hub = d.start(d.palette.node, port::node_front, port::node_waist[0]);
    const Vec3 axis = d.grower.port_direction({hub, port::node_front});
    add_dock(d, {hub, port::node_front});
    BlockChoice hab = d.palette.habitats[0];
    hab.set(param::hab_length, 10 + 2 * d.rng.between(0, 2));

    // Each quarter: spoke, rim node, habitat, corner node; then the closing habitats.
    struct Quarter {
        Vec3 spoke;
        int32_t rim = -1, corner = -1;
    };
    std::vector<Quarter> quarters;
    for (int32_t k : port::node_waist) quarters.push_back({d.grower.port_direction({hub, k})});
    // Twins of the first spoke and arc are placed with it: the later quarters
    // find theirs by the links.
    for (Quarter& q : quarters) {
        const PortRef at{hub, port_index_towards(d, hub, q.spoke)};
        add_habitat(d, at, hab);
        const int32_t spoke = child_at(d, at);
        if (spoke < 0) continue;
        add_node(d, {spoke, port::hab_front});
        q.rim = child_at(d, {spoke, port::hab_front});
    }
    balance_power(d);
    for (Quarter& q : quarters) {
        if (q.rim < 0) continue;
        const PortRef at{q.rim, port_index_towards(d, q.rim, vec_cross(axis, q.spoke))};
        add_habitat(d, at, hab);
        const int32_t arc = child_at(d, at);
        if (arc < 0) continue;
        add_node(d, {arc, port::hab_front});
        q.corner = child_at(d, {arc, port::hab_front});
    }
    balance_power(d);
    // Close: from each corner back towards the next spoke's rim node, a
    // habitat as long as the distance less a small gap.
    for (size_t i = 0; i < quarters.size() && !d.halted(); ++i) {
        const Quarter& q = quarters[i];
        const Vec3 along = vec_cross(axis, q.spoke);
        const Quarter* next = nullptr;
        for (const Quarter& n : quarters) next = ring_dot(n.spoke, along) > 0.9 ? &n : next;
        if (q.corner < 0 || next == nullptr || next->rim < 0) continue;
        const PortRef from = port_towards(d, q.corner, vec_scale(q.spoke, -1.0));
        const PortRef to{next->rim, port_index_towards(d, next->rim, q.spoke)};
        if (from.block < 0 || to.port < 0 || !d.grower.port_free(to)) continue;
        const double span = vec_len(vec_sub(d.grower.port_position(to), d.grower.port_position(from)));
        for (double gap : closing_gaps) {
            BlockChoice closing = hab;
            closing.set(param::hab_length, std::round((span - gap) * 100.0) / 100.0);
            if (add_habitat(d, from, closing) >= 0 || d.halted()) break;
        }
    }
    balance_power(d);
    // The axle: a habitat aft of the hub with a docking port, docking ports
    // on the corners' outer sides, then light blocks.
    const int32_t axle = add_habitat(d, {hub, port::node_back}, d.palette.habitats[0]);
    if (axle >= 0) add_dock(d, {axle, port::hab_front});
    balance_power(d);
    for (const Quarter& q : quarters) {
        if (q.corner >= 0) add_dock(d, port_towards(d, q.corner, vec_add(q.spoke, vec_cross(axis, q.spoke))));
    }
    add_docks(d, 4);
    fill_to_target(d);
}

}  // namespace quilbet

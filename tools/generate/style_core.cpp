// The core layout: a cluster of habitats around a hub node (and nodes further
// out), mirrored girder arms with wings on the habitats' flanks, docking
// ports at the outer habitat ends.
#include <algorithm>
#include <deque>

#include "generate/motifs.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

// A node's ports, the four around its waist first so the cluster spreads in a plane.
constexpr int32_t node_order[6] = {port::node_waist[0], port::node_waist[1], port::node_waist[2],
                                   port::node_waist[3], port::node_front,   port::node_back};

void open_node(const Designer& d, int32_t node, std::deque<PortRef>& open) {
    for (int32_t k : node_order) {
        if (d.grower.port_free({node, k})) open.push_back({node, k});
    }
}

}  // namespace

void grow_core(Designer& d) {
    const int32_t hub = d.grower.start(d.palette.node);
    const int32_t target = d.target();
    // The cluster takes about half the blocks (nodes included; the budget
    // caps it on large stations), a node for every four habitats or so.
    const int32_t cluster = std::max(2, (target + 1) / 2);
    const int32_t max_nodes = 1 + cluster / 5;

    std::deque<PortRef> open;
    open_node(d, hub, open);
    int32_t modules = 1;
    int32_t nodes = 1;
    while (!open.empty() && modules < cluster) {
        const PortRef p = open.front();
        open.pop_front();
        const int32_t hab = add_habitat(d, p, d.palette.habitat(d.rng));
        if (hab < 0) continue;
        ++modules;
        if (nodes < max_nodes && modules + 1 < cluster && d.rng.chance(650)) {
            const int32_t node = add_node(d, {hab, port::hab_front});
            if (node >= 0) {
                ++nodes;
                ++modules;
                open_node(d, node, open);
            }
        }
    }

    // Girder arms in mirrored pairs on the flanks of the habitats, the
    // outermost habitats first, until about four fifths of the target.
    std::vector<std::pair<int64_t, int32_t>> habitats;
    for (int32_t b = 0; b < d.count(); ++b) {
        if (is_habitat(d.grower.type_of(b))) habitats.push_back({d.reach({b, port::hab_front}), b});
    }
    std::stable_sort(habitats.begin(), habitats.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [reach, hab] : habitats) {
        (void)reach;
        if (d.count() >= (4 * target) / 5) break;
        const bool x_first = d.rng.chance(500);
        for (int32_t pair = 0; pair < 2; ++pair) {
            const bool x_sides = (pair == 0) == x_first;
            const PortRef a{hab, x_sides ? port::hab_side[0] : port::hab_side[2]};
            const PortRef b{hab, x_sides ? port::hab_side[1] : port::hab_side[3]};
            std::vector<int32_t> arms;
            if (add_all(d, {a, b}, d.palette.truss_of(d.rng.between(2, 3)), port::truss_near, &arms)) {
                dress_trusses(d, arms);
                break;
            }
        }
    }

    add_docks(d, std::max(1, target / 8));
    add_outer_aux_ports(d, 1 + target / 40);
    fill_to_target(d, true);
}

}  // namespace quilbet

// The ring layout: a hub node with habitat spokes in its waist plane, a rim
// of habitats and nodes running round from the spoke ends (broken where the
// arcs of neighbouring spokes would meet, since links form a tree), adaptors
// with docking ports and wings outside the rim, an axle of habitats and
// docking ports through the hub.
#include <algorithm>
#include <cmath>

#include "motifs.hpp"
#include "styles.hpp"

namespace quilbet {
namespace {

double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The rim node's ports that run round the ring: across the spoke, in the hub's waist plane.
std::vector<PortRef> arc_ports(const Designer& d, int32_t node, Vec3 spoke, Vec3 axis) {
    std::vector<PortRef> out;
    for (int32_t k : port::node_ports) {
        const PortRef p{node, k};
        if (!d.grower.port_free(p)) continue;
        const Vec3 dir = d.grower.port_direction(p);
        if (std::fabs(dot(dir, spoke)) < 0.5 && std::fabs(dot(dir, axis)) < 0.5) out.push_back(p);
    }
    return out;
}

}  // namespace

void grow_ring(Designer& d) {
    const int32_t hub = d.grower.start(d.palette.node);
    const int32_t target = d.target();
    const Vec3 axis = d.grower.port_direction({hub, 0});
    const BlockChoice spoke_hab = d.palette.habitat(d.rng);
    const BlockChoice rim_hab = d.palette.habitat(d.rng);

    // Spokes: the four waist ports; two more habitats per spoke on large stations.
    std::vector<PortRef> spoke_ends;
    for (int32_t k : {4, 5, 2, 3}) spoke_ends.push_back({hub, k});
    std::vector<int32_t> spokes;
    if (!add_all(d, spoke_ends, spoke_hab, port::hab_back, &spokes)) {
        for (const PortRef& p : spoke_ends) {
            const int32_t h = add_habitat(d, p, spoke_hab);
            if (h >= 0) spokes.push_back(h);
        }
    }
    if (target >= 70 && !spokes.empty()) {
        std::vector<PortRef> ends;
        for (int32_t s : spokes) ends.push_back({s, port::hab_front});
        std::vector<int32_t> longer;
        if (add_all(d, ends, spoke_hab, port::hab_back, &longer)) spokes = longer;
    }

    // Rim nodes at the spoke ends, then arcs running round both ways, one
    // habitat (and sometimes a node) per round on every arc at once.
    std::vector<PortRef> rim_ends;
    for (int32_t s : spokes) rim_ends.push_back({s, port::hab_front});
    std::vector<int32_t> rim_nodes;
    add_all(d, rim_ends, d.palette.node, port::hab_back, &rim_nodes);
    std::vector<PortRef> arcs;
    for (int32_t n : rim_nodes) {
        const Vec3 spoke = d.grower.port_direction({n, 0});
        for (const PortRef& p : arc_ports(d, n, spoke, axis)) arcs.push_back(p);
    }
    const int32_t rounds = target >= 30 ? 2 : 1;
    for (int32_t r = 0; r < rounds && !arcs.empty(); ++r) {
        std::vector<int32_t> habs;
        if (!add_all(d, arcs, rim_hab, port::hab_back, &habs)) break;
        arcs.clear();
        for (int32_t h : habs) arcs.push_back({h, port::hab_front});
        if (r + 1 < rounds) {
            std::vector<int32_t> nodes;
            if (!add_all(d, arcs, d.palette.node, port::hab_back, &nodes)) break;
            arcs.clear();
            for (int32_t n : nodes) arcs.push_back({n, 0});
        }
    }

    // The axle through the hub: a habitat and a docking port each way.
    std::vector<int32_t> axle;
    if (add_all(d, {{hub, 0}, {hub, 1}}, d.palette.habitat(d.rng), port::hab_back, &axle)) {
        add_all(d, {{axle[0], port::hab_front}, {axle[1], port::hab_front}}, d.palette.dock, port::base);
    }

    // Outside the rim: adaptors on the outward flanks of rim habitats, each
    // with an auxiliary docking port, a power wing or a tank beyond it.
    for (int32_t b = 0; b < d.count() && !d.reached(); ++b) {
        const BlockType t = d.grower.type_of(b);
        if (t != BlockType::hab_a && t != BlockType::hab_b && t != BlockType::hab_c) continue;
        for (int32_t k : port::hab_side) {
            const PortRef p{b, k};
            if (!d.grower.port_free(p) || !d.faces_out(p)) continue;
            const int32_t adaptor = d.add(p, d.palette.adaptor_x, port::far_end);
            if (adaptor < 0) continue;
            const int32_t pick = d.rng.weighted({50, 25, 25});
            if (pick == 0) d.add({adaptor, port::base}, d.palette.aux_x, port::base);
            if (pick == 1) d.add({adaptor, port::base}, d.palette.power_wing, 2);
        }
    }

    // Girders with solar wings above and below the rim, from the spokes' flanks.
    for (int32_t s : spokes) {
        std::vector<PortRef> flanks;
        for (int32_t k : port::hab_side) {
            const PortRef p{s, k};
            if (d.grower.port_free(p) && std::fabs(dot(d.grower.port_direction(p), axis)) > 0.5) flanks.push_back(p);
        }
        std::vector<int32_t> arms;
        if (flanks.size() == 2 && add_all(d, flanks, d.palette.truss_of(d.rng.between(2, 4)), port::truss_near, &arms)) {
            dress_trusses(d, arms);
        }
    }

    add_docks(d, target / 8);
    fill_to_target(d);
}

}  // namespace quilbet

// The ring layout: a hub node with four habitat spokes in its waist plane, a
// rim of nodes and habitats running round from the spoke ends (broken at the
// corners, where the arcs of neighbouring spokes meet, since links form a
// tree), spikes of adaptors with docking ports or panels pointing out of the
// rim, and an axle of habitats and docking ports through the hub.
#include <cmath>

#include "generate/motifs.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The free ports of a block whose direction lies across `spoke` and in the
// hub's waist plane (normal `axis`).
std::vector<PortRef> across_ports(const Designer& d, int32_t block, Vec3 spoke, Vec3 axis) {
    std::vector<PortRef> out;
    for (int32_t k = 0; k < d.grower.port_count(block); ++k) {
        const PortRef p{block, k};
        if (!d.grower.port_free(p)) continue;
        const Vec3 dir = d.grower.port_direction(p);
        if (std::fabs(dot(dir, spoke)) < 0.5 && std::fabs(dot(dir, axis)) < 0.5) out.push_back(p);
    }
    return out;
}

// Extends every arc by the same piece at once (the rim stays symmetric);
// false, nothing changed, when any arc has no room.
bool extend_arcs(Designer& d, std::vector<PortRef>& arcs, const BlockChoice& piece, int32_t next_port) {
    std::vector<int32_t> ids;
    if (arcs.empty() || !add_all(d, arcs, piece, port::hab_back, &ids)) return false;
    for (size_t i = 0; i < arcs.size(); ++i) arcs[i] = {ids[i], next_port};
    return true;
}

}  // namespace

void grow_ring(Designer& d) {
    const int32_t hub = d.grower.start(d.palette.node);
    const int32_t target = d.target();
    const Vec3 axis = d.grower.port_direction({hub, port::node_front});
    // Long habitats (10 to 14 m) make the spokes and the rim read as such;
    // the rim's are 2 m shorter, which leaves the arcs of neighbouring spokes
    // a gap at the corners.
    BlockChoice spoke_hab = d.palette.habitats[0];
    BlockChoice rim_hab = d.palette.habitats.back();
    const int32_t spoke_length = 10 + 2 * d.rng.between(0, 2);
    spoke_hab.set(param::hab_length, spoke_length);
    rim_hab.set(param::hab_length, spoke_length - 2);

    // Spokes: the four waist ports, longer on large stations.
    std::vector<PortRef> ends;
    for (int32_t k : port::node_waist) ends.push_back({hub, k});
    std::vector<int32_t> spokes;
    if (!add_all(d, ends, spoke_hab, port::hab_back, &spokes)) {
        for (const PortRef& p : ends) {
            const int32_t h = add_habitat(d, p, spoke_hab);
            if (h >= 0) spokes.push_back(h);
        }
    }
    ends.clear();
    for (int32_t s : spokes) ends.push_back({s, port::hab_front});
    if (target >= 60) {
        std::vector<int32_t> outer;
        if (add_all(d, ends, spoke_hab, port::hab_back, &outer)) {
            for (size_t i = 0; i < ends.size(); ++i) ends[i] = {outer[i], port::hab_front};
        }
    }

    // Rim nodes at the spoke ends, then arcs running round both ways: a
    // habitat, then node and habitat again while every arc has room.
    std::vector<int32_t> rim_nodes;
    add_all(d, ends, d.palette.node, port::hab_back, &rim_nodes);
    std::vector<PortRef> arcs;
    for (int32_t n : rim_nodes) {
        for (const PortRef& p : across_ports(d, n, d.grower.port_direction({n, port::node_front}), axis)) arcs.push_back(p);
    }
    // The rim takes up to four fifths of the blocks.
    const auto rim_room = [&] { return d.count() + static_cast<int32_t>(arcs.size()) <= (4 * target) / 5; };
    while (rim_room() && extend_arcs(d, arcs, rim_hab, port::hab_front) && rim_room() &&
           extend_arcs(d, arcs, d.palette.node, port::node_front)) {
    }

    // The axle through the hub: a habitat each way, docking ports beyond.
    std::vector<int32_t> axle;
    if (add_all(d, {{hub, port::node_front}, {hub, port::node_back}}, d.palette.habitats[0], port::hab_back, &axle)) {
        add_all(d, {{axle[0], port::hab_front}, {axle[1], port::hab_front}}, d.palette.dock, port::base);
    }

    // Spikes out of the rim habitats: on every rim habitat alike, an adaptor
    // with an auxiliary docking port, or a short girder with a solar panel or
    // a tank (wings would hide the rim).
    std::vector<PortRef> outward;
    for (int32_t b = 0; b < d.count(); ++b) {
        if (!is_habitat(d.grower.type_of(b))) continue;
        for (int32_t k : port::hab_side) {
            const PortRef p{b, k};
            const Vec3 dir = d.grower.port_direction(p);
            if (d.grower.port_free(p) && d.faces_out(p) && std::fabs(dot(dir, axis)) < 0.5) outward.push_back(p);
        }
    }
    if (d.rng.chance(500)) {
        std::vector<int32_t> adaptors;
        if (add_all(d, outward, d.palette.adaptor_x, port::far_end, &adaptors)) {
            std::vector<PortRef> bases;
            for (int32_t a : adaptors) bases.push_back({a, port::base});
            add_all(d, bases, d.palette.aux_x, port::base);
        }
    } else {
        std::vector<int32_t> girders;
        if (add_all(d, outward, d.palette.truss_of(d.rng.between(1, 3)), port::truss_near, &girders)) {
            std::vector<PortRef> tips;
            for (int32_t g : girders) tips.push_back({g, port::truss_far});
            add_all(d, tips, d.rng.chance(600) ? d.palette.panel : d.palette.tank, port::base);
        }
    }

    // Docking ports where the arcs end, then whatever else fits.
    add_all(d, arcs, d.palette.dock, port::base);
    add_docks(d, target / 10);
    fill_to_target(d);
}

}  // namespace quilbet

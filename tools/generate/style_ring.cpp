// The ring layout: a hub habitat standing along the ring's axis, four girder
// spokes from its flanks, and a closed rim in the spokes' plane: at each
// spoke's end a rim habitat lying along the rim, and from it an arc (a
// habitat, a corner node, a habitat) on to the next spoke's rim habitat. The
// rim is a square with cut corners whose sides are as long as the spokes
// make them. The links form a tree, so each arc's last habitat ends short
// of the rim habitat it faces, end to end, the hulls 1 to 2 cm apart. N-fold about
// the hub's axis by default; a solar panel on the outer flank of every rim
// habitat (two on those at the spokes' ends, the second for the hub), each
// placed with its habitat so that the ring has its power wherever its count
// cuts it; docking ports on the hub's ends and the corners.
#include <cmath>

#include "generate/motifs.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

double ring_dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The block's free port whose direction is closest to `dir` (within 25
// degrees), or {-1, -1}.
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
    if (at.block < 0) return -1;
    for (int32_t b = at.block + 1; b < d.count(); ++b) {
        if (d.grower.parent_of(b) == at.block && d.grower.parent_port_of(b) == at.port) return b;
    }
    return -1;
}

// The block's port whose direction is closest to `dir`, free or not (-1 when
// none lies within 25 degrees).
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

// Half the length between a block's two ports that face apart along its z
// axis, or its side port's distance from the axis: measured from the ports
// the block type lists.
double port_offset(const BlockChoice& c, int32_t port_index) {
    const blocktyp b = make_instance(c);
    const Vec3 p = b.ports[static_cast<size_t>(port_index)].lpos;
    return vec_len(p);
}

// The clearance left between the hulls where a closing habitat meets the
// rim habitat it faces (metres; lengths are whole centimetres, so it comes
// out up to a centimetre wider): the first, then wider ones where a hull
// still meets another block.
constexpr double closing_clearances[] = {0.01, 0.02, 0.04, 0.08, 0.15};

// Habitat lengths the catalogue offers.
constexpr double shortest_habitat = 4, longest_habitat = 16;

struct Quarter {
    Vec3 spoke;              // outward, in the ring's plane
    int32_t rim = -1;        // the rim habitat at the spoke's end
    int32_t corner = -1;     // the corner node after it, along the rim
};

// The rim habitat at a spoke's end, lying along the rim: attached by one of
// its flank ports, the first that leaves its axis across the ring's axis.
int32_t add_rim_habitat(Designer& d, PortRef at, const BlockChoice& hab, Vec3 axis) {
    for (int32_t side : port::hab_side) {
        const int32_t mark = d.grower.mark();
        const int32_t id = d.add(at, hab, side);
        if (id < 0) {
            if (d.halted()) return -1;
            continue;
        }
        if (std::fabs(ring_dot(d.grower.port_direction({id, port::hab_front}), axis)) < 0.1) return id;
        d.grower.rollback(mark);
    }
    return -1;
}

// A solar panel on the outer flank of a rim habitat (its side port facing
// away from the hub), or on a flank along the axis when the outer one is
// taken or boxed in; a solar wing (far wider than the rim) when no panel
// fits; else a panel on a short girder arm, clear of the habitats beside.
// Power blocks linked to a block.
int32_t power_on(const Designer& d, int32_t block) {
    int32_t n = 0;
    for (int32_t b = block + 1; b < d.count(); ++b) {
        if (d.grower.parent_of(b) != block) continue;
        const BlockType t = d.grower.type_of(b);
        const bool arm = t == BlockType::truss_a || t == BlockType::truss_b || t == BlockType::truss_c;
        n += is_power(t) || (arm && power_on(d, b) > 0) ? 1 : 0;
    }
    return n;
}

// `up` is the side along the axis tried first: the arcs take one side, the
// rim habitats' second panels and the closing habitats the other, so that
// neighbours' panels do not meet at the corners.
void add_rim_power(Designer& d, int32_t hab, Vec3 outward, Vec3 up, int32_t wanted = 1) {
    // Its twins may have brought it already.
    if (hab < 0 || d.halted() || power_on(d, hab) >= wanted) return;
    // Short panels, so that the rim stays in sight.
    BlockChoice panel = d.palette.panel;
    for (const BlobParam& p : d.palette.panel.params) {
        if (p.id == param::rows && p.value > 5) panel.set(param::rows, 5);
    }
    for (const BlockChoice* power : {static_cast<const BlockChoice*>(&panel), &d.palette.solar_wing}) {
        for (Vec3 dir : {outward, up, vec_scale(up, -1.0)}) {
            const PortRef p = port_towards(d, hab, dir);
            if (p.block >= 0 && d.grower.port_kind(p) == static_cast<int32_t>(PortKind::axial) &&
                d.add(p, *power, port::base) >= 0) {
                return;
            }
            if (d.halted()) return;
        }
    }
    // A one-bay girder arm out of the way, with the panel at its end.
    for (Vec3 dir : {outward, up, vec_scale(up, -1.0)}) {
        const PortRef p = port_towards(d, hab, dir);
        if (p.block < 0 || d.grower.port_kind(p) != static_cast<int32_t>(PortKind::axial)) continue;
        const Designer::Piece piece(d, true);
        const int32_t mark = d.grower.mark();
        const int32_t arm = add_truss(d, p, 1);
        if (arm >= 0 && d.add({arm, port::truss_far}, panel, port::base) >= 0) return;
        d.grower.rollback(mark);
        if (d.halted()) return;
    }
}

}  // namespace

void grow_ring(Designer& d) {
    const BlockChoice& hub_design = d.palette.habitats[0];
    const int32_t hub = d.start(hub_design, port::hab_front, port::hab_side[0]);
    const Vec3 axis = d.grower.port_direction({hub, port::hab_front});
    add_dock(d, {hub, port::hab_front});

    // The rim's designs: one habitat design for the rim habitats, the arcs
    // as long as the spokes make them. The spoke is the palette's girder
    // with as many bays as leave the arc habitats between 6 and 12 m.
    // Rim habitats 14 m long, so that a panel on one's flank stays clear of
    // the habitats at its ends.
    // A Hab_B's flank ports lie inside its hull, too deep for a rim joint.
    BlockChoice rim_design = default_choice(BlockType::hab_a);
    for (const BlockChoice& h : d.palette.habitats) {
        if (h.type != BlockType::hab_b) rim_design = h;
    }
    rim_design.set(param::hab_length, 14);
    const BlockChoice& node = d.palette.node;
    const double hub_side = port_offset(hub_design, port::hab_side[0]);
    const double rim_side = port_offset(rim_design, port::hab_side[0]);
    const double rim_half = port_offset(rim_design, port::hab_front);
    const double node_half = port_offset(node, port::node_back);
    std::vector<int32_t> fitting;
    for (int32_t bays = 1; bays <= 6; ++bays) {
        const double arc = hub_side + bays * d.palette.bay() + rim_side - rim_half - node_half;
        if (arc >= 6 && arc <= 12) fitting.push_back(bays);
    }
    const int32_t spoke_bays = fitting.empty() ? 2 : fitting[static_cast<size_t>(d.rng.below(static_cast<uint32_t>(fitting.size())))];

    std::vector<Quarter> quarters;
    for (int32_t k : port::hab_side) quarters.push_back({d.grower.port_direction({hub, k})});
    // Twins of the first spoke and rim habitat are placed with it: the later
    // quarters find theirs by the links.
    for (Quarter& q : quarters) {
        const PortRef at{hub, port_index_towards(d, hub, q.spoke)};
        add_truss(d, at, spoke_bays);
        const int32_t spoke = child_at(d, at);
        if (spoke < 0) continue;
        const PortRef end{spoke, port::truss_far};
        if (d.grower.port_free(end)) add_rim_habitat(d, end, rim_design, axis);
        q.rim = child_at(d, end);
    }

    // Two panels on each rim habitat, one for itself and one for the hub's
    // share, before the arcs: from here on every piece brings its habitats'
    // power with it, so the ring has its power wherever its count cuts it.
    const Vec3 down = vec_scale(axis, -1.0);
    for (int32_t wanted : {1, 2}) {
        for (const Quarter& q : quarters) add_rim_power(d, q.rim, q.spoke, down, wanted);
    }

    // From each rim habitat along the rim: an arc habitat and a corner node,
    // placed together.
    std::vector<std::pair<int32_t, Vec3>> arcs;   // with their outer flank's direction
    for (Quarter& q : quarters) {
        if (q.rim < 0) continue;
        const PortRef at{q.rim, port_index_towards(d, q.rim, vec_cross(axis, q.spoke))};
        if (at.port < 0) continue;
        // The arc ends where the next spoke's rim habitat begins: its length
        // is the rim habitat's distance from the axis less the node and the
        // rim habitat's half.
        const Vec3 mid = vec_scale(vec_add(d.grower.port_position({q.rim, port::hab_front}),
                                           d.grower.port_position({q.rim, port::hab_back})), 0.5);
        const double arc_length = std::round((ring_dot(mid, q.spoke) - rim_half - node_half) * 100.0) / 100.0;
        if (arc_length < shortest_habitat || arc_length > longest_habitat) continue;
        BlockChoice arc_design = rim_design;
        arc_design.set(param::hab_length, arc_length);
        if (d.grower.port_free(at)) {
            const Designer::Piece piece(d);
            const int32_t mark = d.grower.mark();
            const int32_t arc = add_habitat(d, at, arc_design);
            if (arc >= 0 && add_node(d, {arc, port::hab_front}) < 0) d.grower.rollback(mark);
            // The arc continues the rim habitat: its outer flank faces along the spoke.
            if (arc >= 0 && d.grower.count() > mark) add_rim_power(d, arc, q.spoke, axis);
        }
        const int32_t arc = child_at(d, at);
        if (arc < 0) continue;
        arcs.push_back({arc, q.spoke});
        q.corner = child_at(d, {arc, port::hab_front});
    }
    for (const auto& [arc, outward] : arcs) add_rim_power(d, arc, outward, axis);


    // Close: from each corner on to the next spoke's rim habitat, a habitat
    // as long as the distance between the two ports less a small gap.
    std::vector<std::pair<int32_t, Vec3>> closings;
    for (size_t i = 0; i < quarters.size() && !d.halted(); ++i) {
        const Designer::Piece piece(d);
        const int32_t piece_mark = d.grower.mark();
        const Quarter& q = quarters[i];
        const Vec3 along = vec_cross(axis, q.spoke);
        const Quarter* next = nullptr;
        for (const Quarter& n : quarters) next = ring_dot(n.spoke, along) > 0.9 ? &n : next;
        if (q.corner < 0 || next == nullptr || next->rim < 0) continue;
        const PortRef from = port_towards(d, q.corner, vec_scale(q.spoke, -1.0));
        const PortRef to{next->rim, port_index_towards(d, next->rim, q.spoke)};
        if (from.block >= 0 && to.port >= 0 && d.grower.port_free(to)) {
            const double span = vec_len(vec_sub(d.grower.port_position(to), d.grower.port_position(from)));
            // The rim's design, else its other hull (round or not): at the
            // corner node the closing habitat's rim meets the arc's.
            BlockChoice other = rim_design;
            if (rim_design.type != BlockType::hab_c) {
                for (const BlobParam& p : rim_design.params) {
                    if (p.id == param::round) other.set(param::round, -p.value);
                }
            }
            // The ports stay apart by how far both hulls reach past them
            // (about half a percent of a habitat's length, so more for long
            // ones) and the clearance. The closing habitat's reach depends on
            // its length: measured on a first guess as long as the rim
            // habitat's, then on the length it gives. Each length is a new
            // hull to mould, so few tries keep a cold cache fast.
            const double rim_reach = d.grower.reach_past(to);
            bool closed = false;
            for (const BlockChoice* design : {static_cast<const BlockChoice*>(&rim_design), static_cast<const BlockChoice*>(&other)}) {
                BlockChoice closing = *design;
                const auto length_for = [&](double reach, double clearance) {
                    return std::floor((span - rim_reach - reach - clearance) * 100.0) / 100.0;
                };
                closing.set(param::hab_length, length_for(rim_reach, closing_clearances[0]));
                const double reach = d.grower.reach_past(closing, port::hab_front);
                for (double clearance : closing_clearances) {
                    closing.set(param::hab_length, length_for(reach, clearance));
                    closed = !d.halted() && add_habitat(d, from, closing) >= 0;
                    if (closed || d.halted()) break;
                }
                if (closed || d.halted() || design == &other || other == rim_design) break;
            }
        }
        const int32_t closing = from.block >= 0 ? child_at(d, from) : -1;
        if (closing < 0) continue;
        // It lies on the side of the rim the next spoke meets: its outer flank faces along that spoke.
        closings.push_back({closing, next->spoke});
        add_rim_power(d, closing, next->spoke, down);
        // A closing habitat without power (no room, or the budget affords
        // no more panels of this design) is taken away again with its twins:
        // the ring stays open there.
        if (d.power() < d.habitats() && !d.halted()) {
            d.grower.rollback(piece_mark);
            closings.pop_back();
        }
    }
    // Power that did not fit with its piece, tried again on the finished rim
    // (the rim habitats are long enough for a panel on their flank to stay
    // clear of the habitats at their ends).
    for (const auto& [closing, outward] : closings) add_rim_power(d, closing, outward, down);
    for (const Quarter& q : quarters) add_rim_power(d, q.rim, q.spoke, down, 2);

    // Docking ports aft of the hub and on the corners' outer faces, power
    // for any habitat still without, then light blocks.
    add_dock(d, {hub, port::hab_back});
    for (const Quarter& q : quarters) {
        if (q.corner >= 0) add_dock(d, port_towards(d, q.corner, q.spoke));
    }
    balance_power(d);
    add_docks(d, 4);
    ensure_docking(d);
    fill_to_target(d);
}

}  // namespace quilbet

// The ring layout: a hub habitat standing along the ring's axis, four
// one-bay girder spokes from its flanks, and a closed square rim in the
// spokes' plane: at each spoke's end a rim habitat lying along the rim, and
// on its front end a corner node whose inner face meets the back end of the
// next side's rim habitat. The links form a tree, so each corner node stops
// short of the habitat it faces, the hulls 1 to 2 cm apart; the rim
// habitats' length (from the spokes') puts them there. The whole rim with
// its power comes first, so that a ring of 25 blocks is closed. N-fold
// about the hub's axis by default; two solar panels on every rim habitat,
// one for itself and one for the hub's share; docking ports on the hub's
// ends and the corners, then light blocks.
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

// The clearance left between the hulls where a corner node meets the rim
// habitat it faces (metres; lengths are whole centimetres, so it comes out
// up to half a centimetre wider): the first, then wider ones where a hull
// still meets another block.
constexpr double closing_clearances[] = {0.01, 0.02, 0.04};

// Habitat lengths the catalogue offers.
constexpr double shortest_habitat = 4, longest_habitat = 16;

struct Quarter {
    Vec3 spoke;              // outward, in the ring's plane
    int32_t rim = -1;        // the rim habitat at the spoke's end
    int32_t corner = -1;     // the corner node on its front end
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

// Power blocks linked to a block (directly or on a girder arm).
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

// Power for a rim habitat until `wanted` blocks are linked to it: a solar
// panel on its outer flank (its side port facing away from the hub), or on a
// flank along the axis (`up` first) when the outer one is taken or boxed in;
// a solar wing when no panel fits, a narrow panel when neither does; else a
// panel on a short girder arm, clear of the blocks beside.
void add_rim_power(Designer& d, int32_t hab, Vec3 outward, Vec3 up, int32_t wanted = 1) {
    // Its twins may have brought it already.
    if (hab < 0 || d.halted() || power_on(d, hab) >= wanted) return;
    // Short panels, so that the rim stays in sight; where the palette's
    // panel is too wide for a flank whose panel lies along the rim, the
    // narrowest panel type.
    BlockChoice panel = d.palette.panel, narrow = default_choice(BlockType::solar_panel_c);
    for (const BlobParam& p : d.palette.panel.params) {
        if (p.id == param::rows && p.value > 5) panel.set(param::rows, 5);
    }
    narrow.set(param::rows, 4);
    for (const BlockChoice* power : {static_cast<const BlockChoice*>(&panel), &d.palette.solar_wing, static_cast<const BlockChoice*>(&narrow)}) {
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
    const Vec3 down = vec_scale(axis, -1.0);
    add_dock(d, {hub, port::hab_front});

    // The rim is a square of four rim habitats, one per side, each lying
    // across the end of a spoke, with a corner node on its front end. Going
    // round, each corner node's inner face meets the back end of the next
    // side's rim habitat. A Hab_B's flank ports lie inside its hull, too deep
    // for a rim joint.
    BlockChoice rim_design = default_choice(BlockType::hab_a);
    for (const BlockChoice& h : d.palette.habitats) {
        if (h.type != BlockType::hab_b) rim_design = h;
    }
    const BlockChoice& node = d.palette.node;
    const double hub_side = port_offset(hub_design, port::hab_side[0]);
    const double rim_side = port_offset(rim_design, port::hab_side[0]);
    const double node_half = port_offset(node, port::node_back);
    const double node_reach = d.grower.reach_past(node, port::node_waist[0]);

    // The links form a tree, so each corner node stops short of the next rim
    // habitat by the two hulls' reach past their ports and a clearance. The
    // corner lies at the spoke's distance R from the axis along both sides,
    // so a rim habitat of length L brings its node's face within
    // R - node_half - L / 2 of the next rim habitat's end, and its axis as
    // far off the node's centre: L = 2 (R - node_half - gap). The hull's
    // reach depends on the length (about half a percent of it): measured on
    // a first guess, then on the length it gives.
    const auto rim_length = [&](double radius, double clearance) {
        BlockChoice guess = rim_design;
        double length = longest_habitat;
        for (int32_t pass = 0; pass < 2; ++pass) {
            guess.set(param::hab_length, length);
            const double gap = node_reach + d.grower.reach_past(guess, port::hab_back) + clearance;
            length = std::floor(2.0 * (radius - node_half - gap) * 100.0) / 100.0;
        }
        return length;
    };
    // One-bay spokes whose bay (whole metres) makes the rim habitats 12 to
    // 16 m long (less a guess at the gap), so that the rim reads as a ring
    // beside its panels.
    std::vector<double> fitting;
    for (double bay = 2; bay <= 12; ++bay) {
        const double length = 2.0 * (hub_side + bay + rim_side - node_half) - 0.3;
        if (length >= 12 && length <= longest_habitat - 0.3) fitting.push_back(bay);
    }
    BlockChoice spoke_design = d.palette.truss_of(1);
    if (!fitting.empty()) spoke_design.set(param::bay_length, fitting[d.rng.below(static_cast<uint32_t>(fitting.size()))]);

    // The first spoke and rim habitat bring their twins with them: the later
    // quarters find theirs by the links.
    std::vector<Quarter> quarters;
    for (int32_t k : port::hab_side) quarters.push_back({d.grower.port_direction({hub, k})});
    for (Quarter& q : quarters) {
        const PortRef at{hub, port_index_towards(d, hub, q.spoke)};
        if (d.grower.port_free(at)) d.add(at, spoke_design, port::truss_near);
        const int32_t spoke = child_at(d, at);
        if (spoke < 0) continue;
        const PortRef end{spoke, port::truss_far};
        if (d.grower.port_free(end) && !d.halted()) {
            // The rim habitat and its corner node are one piece, so the
            // square closes with them; a node that does not fit takes a
            // shorter rim habitat (a wider clearance) instead.
            const double radius = ring_dot(d.grower.port_position(end), q.spoke) + rim_side;
            for (double clearance : closing_clearances) {
                const double length = rim_length(radius, clearance);
                if (length < shortest_habitat || length > longest_habitat) break;
                BlockChoice rim = rim_design;
                rim.set(param::hab_length, length);
                const Designer::Piece piece(d);
                const int32_t mark = d.grower.mark();
                const int32_t hab = add_rim_habitat(d, end, rim, axis);
                if (hab >= 0 && add_node(d, {hab, port::hab_front}) >= 0) break;
                d.grower.rollback(mark);
                if (d.halted() || hab < 0) break;
            }
        }
        q.rim = child_at(d, end);
        if (q.rim >= 0) q.corner = child_at(d, {q.rim, port::hab_front});
    }

    // A panel on each rim habitat's outer flank for itself, and one on its
    // lower flank for the hub's share.
    for (const Quarter& q : quarters) add_rim_power(d, q.rim, q.spoke, down, 1);
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

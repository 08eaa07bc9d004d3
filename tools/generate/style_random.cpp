// The random layout: any type at any free port that takes it, with one or two
// designs per type; on girder faces the opposite face often gets the same
// block, so even a random station shows some pairs.
#include <algorithm>
#include <map>

#include "generate/motifs.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

using T = BlockType;

struct Candidate {
    T type;
    uint32_t weight;
};

// What may go on a port of each kind, and how often.
const std::vector<Candidate>& candidates(PortKind kind) {
    static const std::vector<Candidate> axial = {
        {T::truss_a, 6},       {T::truss_b, 6},       {T::truss_c, 6},       {T::tank_a, 5},
        {T::tank_b, 4},        {T::solar_panel_a, 3}, {T::solar_panel_b, 3}, {T::solar_panel_c, 3},
        {T::solar_panel_d, 3}, {T::solar_wing_a, 2},  {T::solar_wing_b, 2},  {T::solar_wing_c, 2},
        {T::solar_wing_d, 2},  {T::hab_a, 2},         {T::hab_b, 2},         {T::hab_c, 2},
        {T::adaptor_a, 2},     {T::adaptor_b, 2},     {T::test_article, 1}};
    static const std::vector<Candidate> habitat = {
        {T::hab_a, 4}, {T::hab_b, 3}, {T::hab_c, 3}, {T::hab_node_a, 3}, {T::dg_hab_port, 4}};
    static const std::vector<Candidate> height_face = {
        {T::adaptor_a, 4}, {T::dg_aux_port_a, 3}, {T::power_wing_a, 1}, {T::power_wing_b, 1}};
    static const std::vector<Candidate> width_face = {{T::adaptor_b, 4},    {T::dg_aux_port_b, 3}, {T::power_wing_a, 2},
                                                      {T::power_wing_b, 1}, {T::power_wing_c, 1}};
    static const std::vector<Candidate> none;
    switch (kind) {
    case PortKind::axial: return axial;
    case PortKind::habitat: return habitat;
    case PortKind::height_face: return height_face;
    case PortKind::width_face: return width_face;
    default: return none;
    }
}

// The ports of a type that fit a port of this kind.
std::vector<int32_t> fitting_ports(const BlockChoice& choice, int32_t kind) {
    std::vector<int32_t> out;
    const blocktyp b = make_instance(choice);
    for (int32_t k = 0; k < b.nports; ++k) {
        if (b.ports[static_cast<size_t>(k)].kind == kind) out.push_back(k);
    }
    return out;
}

// The ports a block opens besides the one it is attached by (docking ports
// do not count: nothing grows on them).
int32_t growing_ports(const BlockChoice& choice) {
    const blocktyp b = make_instance(choice);
    int32_t n = 0;
    for (int32_t k = 0; k < b.nports; ++k) n += b.ports[static_cast<size_t>(k)].kind == static_cast<int32_t>(PortKind::docking) ? 0 : 1;
    return n - 1;
}

// The face across the girder from a side port, or -1 for its ends.
int32_t opposite_face(int32_t port) {
    if (port < 2) return -1;
    return ((port - 2) % 2 == 0) ? port + 1 : port - 1;
}

bool is_girder(T t) { return t == T::truss_a || t == T::truss_b || t == T::truss_c; }

// Designs drawn per type as the station grows: a second design of a type
// now and then, never more, so a random station still repeats its modules.
class DesignPool {
public:
    const BlockChoice& pick(T type, SeededRandom& rng) {
        std::vector<BlockChoice>& designs = pool_[type];
        if (designs.empty() || (designs.size() < 2 && rng.chance(250))) designs.push_back(draw_design(type, rng));
        return designs[rng.below(static_cast<uint32_t>(designs.size()))];
    }

private:
    std::map<T, std::vector<BlockChoice>> pool_;
};

}  // namespace

void grow_random(Designer& d) {
    static const T roots[] = {T::hab_node_a, T::hab_a, T::hab_b, T::hab_c, T::truss_a, T::truss_b, T::truss_c, T::tank_a};
    BlockChoice root = draw_design(roots[d.rng.below(8)], d.rng);
    if (is_girder(root.type)) root.set(param::bay_count, d.rng.between(4, 12));
    d.start(root, 0, 0);
    grow_random_around(d);
}

void grow_random_around(Designer& d) {
    DesignPool designs;
    // Give up after this many refusals in a row: the free ports left are boxed in.
    const int32_t patience = 60;
    int32_t refused = 0;
    while (!d.halted() && refused < patience) {
        // A working station even so: power for its habitats, a free docking port.
        balance_power(d);
        ensure_docking(d);
        std::vector<PortRef> free;
        for (int32_t b = 0; b < d.count(); ++b) {
            for (int32_t k = 0; k < d.grower.port_count(b); ++k) {
                if (d.grower.port_free({b, k}) && d.grower.port_kind({b, k}) != static_cast<int32_t>(PortKind::docking)) {
                    free.push_back({b, k});
                }
            }
        }
        if (free.empty()) break;
        const PortRef at = free[d.rng.below(static_cast<uint32_t>(free.size()))];
        const PortKind kind = static_cast<PortKind>(d.grower.port_kind(at));
        const std::vector<Candidate>& list = candidates(kind);
        std::vector<uint32_t> weights;
        for (const Candidate& c : list) weights.push_back(c.weight);
        const int32_t pick = d.rng.weighted(weights);
        if (pick < 0) {
            ++refused;
            continue;
        }
        BlockChoice choice = designs.pick(list[static_cast<size_t>(pick)].type, d.rng);
        if (is_girder(choice.type)) choice.set(param::bay_count, d.rng.between(1, 8));
        // While few ports are left open, a block that closes its port and
        // opens none (a panel, a wing, a docking port) waits: the station
        // keeps somewhere to grow.
        if (free.size() <= 8 && growing_ports(choice) == 0) {
            ++refused;
            continue;
        }
        const std::vector<int32_t> ports = fitting_ports(choice, d.grower.port_kind(at));
        const int32_t child_port = ports[d.rng.below(static_cast<uint32_t>(ports.size()))];

        const int32_t across = is_girder(d.grower.type_of(at.block)) ? opposite_face(at.port) : -1;
        bool placed = false;
        if (across >= 0 && d.grower.port_free({at.block, across}) && d.rng.chance(600)) {
            placed = add_all(d, {at, {at.block, across}}, choice, child_port);
        }
        if (!placed) placed = d.add(at, choice, child_port) >= 0;
        refused = placed ? 0 : refused + 1;
    }
    fill_to_target(d);
}

}  // namespace quilbet

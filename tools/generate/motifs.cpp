// The shared pieces of the styles.
#include "generate/motifs.hpp"

#include <algorithm>

namespace quilbet {

bool add_all(Designer& d, const std::vector<PortRef>& at, const BlockChoice& choice, int32_t child_port,
             std::vector<int32_t>* ids) {
    return d.place(at, choice, child_port, ids);
}

int32_t add_habitat(Designer& d, PortRef at, const BlockChoice& hab) { return d.add(at, hab, port::hab_back); }

int32_t add_node(Designer& d, PortRef at) { return d.add(at, d.palette.node, port::hab_back); }

int32_t add_dock(Designer& d, PortRef at) { return d.add(at, d.palette.dock, port::base); }

int32_t add_truss(Designer& d, PortRef at, int32_t bays) { return d.add(at, d.palette.truss_of(bays), port::truss_near); }

int32_t truss_bays(const Designer& d, int32_t truss) { return (d.grower.port_count(truss) - 2) / 4; }

bool add_power_wings(Designer& d, const std::vector<int32_t>& trusses, int32_t bay, const BlockChoice& wing) {
    std::vector<PortRef> at;
    for (int32_t t : trusses) {
        at.push_back({t, port::truss_face(bay, 2)});
        at.push_back({t, port::truss_face(bay, 3)});
    }
    // Power wings sit on a girder's +-y faces through their own -y face.
    return add_all(d, at, wing, 1);
}

bool add_solar_wings(Designer& d, const std::vector<int32_t>& trusses, int32_t bay) {
    std::vector<PortRef> faces;
    for (int32_t t : trusses) {
        faces.push_back({t, port::truss_face(bay, 0)});
        faces.push_back({t, port::truss_face(bay, 1)});
    }
    const Designer::Piece piece(d, true);
    const int32_t mark = d.grower.mark();
    std::vector<int32_t> adaptors;
    if (add_all(d, faces, d.palette.adaptor_x, port::base, &adaptors)) {
        std::vector<PortRef> ends;
        for (int32_t a : adaptors) ends.push_back({a, port::far_end});
        if (add_all(d, ends, d.palette.solar_wing, port::base)) return true;
    }
    d.grower.rollback(mark);
    return false;
}

bool add_aux_ports(Designer& d, const std::vector<int32_t>& trusses, int32_t bay) {
    // +-x faces take DG_Aux_Port_A, +-y faces DG_Aux_Port_B; the seed picks which.
    const bool y_faces = d.rng.chance(500);
    std::vector<PortRef> at;
    for (int32_t t : trusses) {
        at.push_back({t, port::truss_face(bay, y_faces ? 2 : 0)});
        at.push_back({t, port::truss_face(bay, y_faces ? 3 : 1)});
    }
    return add_all(d, at, y_faces ? d.palette.aux_y : d.palette.aux_x, port::base);
}

bool cap_ends(Designer& d, const std::vector<PortRef>& ends) {
    const Designer::Piece piece(d);
    const int32_t pick = d.rng.weighted({55, 25, 20});
    if (pick == 0 && add_all(d, ends, d.palette.solar_wing, port::base)) return true;
    if (pick == 2) {
        // A tank, with a panel beyond it when that fits too.
        std::vector<int32_t> tanks;
        if (add_all(d, ends, d.palette.tank, port::base, &tanks)) {
            std::vector<PortRef> tank_ends;
            for (int32_t t : tanks) tank_ends.push_back({t, port::far_end});
            add_all(d, tank_ends, d.palette.panel, port::base);
            return true;
        }
    }
    return add_all(d, ends, d.palette.panel, port::base);
}

void dress_trusses(Designer& d, const std::vector<int32_t>& trusses) {
    if (trusses.empty()) return;
    const int32_t bays = truss_bays(d, trusses[0]);
    const int32_t middle = bays / 2;
    const int32_t pick = d.rng.weighted({40, 35, 25});
    if (pick == 0) {
        add_power_wings(d, trusses, middle, d.palette.power_wing);
    } else if (pick == 1) {
        add_solar_wings(d, trusses, middle);
    }
    std::vector<PortRef> ends;
    for (int32_t t : trusses) ends.push_back({t, port::truss_far});
    cap_ends(d, ends);
    if (d.rng.chance(300) && bays >= 2) add_aux_ports(d, trusses, bays - 1);
}

int32_t add_docks(Designer& d, int32_t n) {
    int32_t added = 0;
    for (const PortRef& p : d.free_ports_outermost(PortKind::habitat)) {
        if (added >= n || d.halted()) break;
        if (!d.faces_out(p)) continue;
        if (add_dock(d, p) >= 0) ++added;
    }
    return added;
}

int32_t add_outer_aux_ports(Designer& d, int32_t n) {
    std::vector<std::pair<int64_t, int32_t>> trusses;
    for (int32_t b = 0; b < d.count(); ++b) {
        const BlockType t = d.grower.type_of(b);
        if (t == BlockType::truss_a || t == BlockType::truss_b || t == BlockType::truss_c) {
            trusses.push_back({d.reach({b, port::truss_far}), b});
        }
    }
    std::stable_sort(trusses.begin(), trusses.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    int32_t added = 0;
    for (const auto& [reach, t] : trusses) {
        (void)reach;
        if (added >= n || d.halted()) break;
        if (add_aux_ports(d, {t}, truss_bays(d, t) - 1)) ++added;
    }
    return added;
}

namespace {

bool is_truss(BlockType t) { return t == BlockType::truss_a || t == BlockType::truss_b || t == BlockType::truss_c; }

// A pair of girder arms on opposite flanks of a habitat, each carrying a
// panel at its far end: power clear of the habitats around it.
bool add_power_arms(Designer& d, PortRef a, PortRef c) {
    const Designer::Piece piece(d, true);
    const int32_t mark = d.grower.mark();
    std::vector<int32_t> arms;
    if (d.place({a, c}, d.palette.truss_of(2), port::truss_near, &arms)) {
        if (d.place({{arms[0], port::truss_far}, {arms[1], port::truss_far}}, d.palette.panel, port::base)) return true;
        d.grower.rollback(mark);
    }
    return false;
}

bool power_piece(Designer& d) {
    // Wings, else panels, else girder arms with panels, on opposite flanks
    // of the habitats, the newest first.
    // Only the newest habitat (its twins get theirs with it): the older ones
    // had their turn when they came.
    std::vector<int32_t> newest;
    for (int32_t b = d.count() - 1; b >= 0 && newest.empty(); --b) {
        if (is_habitat(d.grower.type_of(b))) newest.push_back(b);
    }
    for (int32_t way = 0; way < 3; ++way) {
        for (int32_t b : newest) {
            for (int32_t pair = 0; pair < 2; ++pair) {
                const PortRef a{b, port::hab_side[2 * pair]}, c{b, port::hab_side[2 * pair + 1]};
                if (way == 0 && d.place({a, c}, d.palette.solar_wing, port::base)) return true;
                if (way == 1 && d.place({a, c}, d.palette.panel, port::base)) return true;
                if (way == 2 && add_power_arms(d, a, c)) return true;
                if (d.halted()) return false;
            }
        }
    }
    for (int32_t b = 0; b < d.count(); ++b) {
        if (!is_truss(d.grower.type_of(b))) continue;
        const int32_t bays = truss_bays(d, b);
        for (int32_t i = 0; i < bays; ++i) {
            const int32_t bay = (bays / 2 + (i % 2 == 0 ? i / 2 : bays - 1 - i / 2)) % bays;
            if (add_power_wings(d, {b}, bay, d.palette.power_wing)) return true;
        }
    }
    for (const PortRef& p : d.free_ports_outermost(PortKind::axial)) {
        if (d.faces_out(p) && d.add(p, d.palette.panel, port::base) >= 0) return true;
    }
    return false;
}

}  // namespace

void balance_power(Designer& d) {
    while (!d.halted() && d.power() < d.habitats() && power_piece(d)) {
    }
}

void ensure_docking(Designer& d) {
    if (d.halted() || d.free_docking() > 0) return;
    if (add_docks(d, 1) == 0) add_outer_aux_ports(d, 1);
}

void fill_to_target(Designer& d, bool inner_first) {
    // Rounds over the free ports, outermost first; each round tries one light
    // piece per port and stops when a whole round adds nothing. While few
    // axial ends are left open the station grows girders rather than closing
    // its ends with panels, so that it keeps places to grow.
    bool progress = true;
    while (!d.halted() && progress) {
        progress = false;
        for (PortKind kind : {PortKind::axial, PortKind::habitat, PortKind::height_face, PortKind::width_face}) {
            std::vector<PortRef> ports = d.free_ports_outermost(kind);
            if (inner_first) std::reverse(ports.begin(), ports.end());
            for (const PortRef& p : ports) {
                if (d.halted()) return;
                if (!d.grower.port_free(p)) continue;
                int32_t id = -1;
                switch (kind) {
                case PortKind::axial: {
                    const bool grow = d.free_ports_outermost(PortKind::axial).size() <= 2 * static_cast<size_t>(d.symmetry.size());
                    const int32_t pick = grow ? 2 : d.rng.weighted({40, 30, 30});
                    if (pick == 0) id = d.add(p, d.palette.panel, port::base);
                    if (pick == 1) id = d.add(p, d.palette.tank, port::base);
                    if (pick == 2 || id < 0) id = add_truss(d, p, d.rng.between(1, 3));
                    if (id < 0) id = d.add(p, d.palette.panel, port::base);
                    break;
                }
                case PortKind::habitat:
                    id = d.faces_out(p) ? add_dock(d, p) : -1;
                    break;
                case PortKind::height_face:
                    id = d.add(p, d.rng.chance(500) ? d.palette.aux_x : d.palette.adaptor_x, port::base);
                    break;
                case PortKind::width_face:
                    id = d.add(p, d.rng.chance(500) ? d.palette.aux_y : d.palette.adaptor_y, port::base);
                    break;
                default:
                    break;
                }
                if (id >= 0) progress = true;
            }
        }
    }
}

}  // namespace quilbet

// Parameter grids per block type and the palette drawn from them.
#include "generate/station_palette.hpp"

namespace quilbet {
namespace {

using T = BlockType;

double switch_value(bool on) { return on ? 1.0 : -1.0; }

// k / 20 radians: short decimals that stay exact in the written description.
double twentieths(int32_t k) { return static_cast<double>(k) / 20.0; }

template <size_t N>
double one_of(SeededRandom& rng, const double (&values)[N]) {
    return values[rng.below(static_cast<uint32_t>(N))];
}

}  // namespace

BlockChoice draw_design(BlockType type, SeededRandom& rng) {
    BlockChoice c = default_choice(type);
    switch (type) {
    case T::power_wing_a:
    case T::power_wing_b:
    case T::power_wing_c:
        c.set(param::panel_type, rng.between(0, 3));
        c.set(param::wing_rotation, twentieths(rng.between(0, 8)));
        c.set(param::rotation_shear, 0);
        break;
    case T::solar_wing_a:
        c.set(param::solar_rotation, twentieths(rng.between(0, 10)));
        c.set(2, 0);   // Solar_wing_A's "Rotation shear"
        break;
    case T::solar_wing_b:
    case T::solar_wing_c:
    case T::solar_wing_d:
        c.set(param::solar_rotation, twentieths(rng.between(0, 10)));
        break;
    case T::solar_panel_a:
        c.set(param::smalling, switch_value(rng.chance(500)));
        c.set(2, 0);   // Solar_Panel_A's "Rotation shear"
        c.set(param::rows, rng.between(4, 10));
        break;
    case T::solar_panel_b:
    case T::solar_panel_c:
    case T::solar_panel_d:
        c.set(param::smalling, switch_value(rng.chance(300)));
        c.set(param::rows, rng.between(4, 12));
        break;
    case T::truss_a:
    case T::truss_b:
    case T::truss_c: {
        static const double bays[] = {6, 8, 8, 10};
        c.set(param::bay_length, one_of(rng, bays));
        c.set(param::bay_count, 4);
        c.set(param::switch_a, switch_value(rng.chance(700)));
        c.set(param::switch_b, switch_value(rng.chance(500)));
        c.set(param::switch_c, switch_value(rng.chance(400)));
        break;
    }
    case T::hab_a:
    case T::hab_b:
    case T::hab_c: {
        static const double lengths[] = {6, 8, 10, 12, 14};
        c.set(param::windows, rng.between(0, 5));
        if (type != T::hab_c) c.set(param::round, switch_value(rng.chance(600)));
        // Hab_C numbers its length 3 as well (the block-type table keeps the ids of Hab_A).
        c.set(param::hab_length, one_of(rng, lengths));
        break;
    }
    case T::dg_hab_port: {
        static const double lengths[] = {4, 6, 8};
        c.set(param::hab_length, one_of(rng, lengths));
        break;
    }
    case T::adaptor_a:
    case T::adaptor_b:
    case T::dg_aux_port_a:
    case T::dg_aux_port_b: {
        static const double lengths[] = {3, 4, 5, 6};
        c.set(param::length, one_of(rng, lengths));
        break;
    }
    case T::tank_a:
    case T::tank_b: {
        static const double lengths[] = {6, 8, 10, 12, 16};
        static const double radii[] = {1.5, 2, 2.5};
        c.set(param::length, one_of(rng, lengths));
        c.set(param::radius, one_of(rng, radii));
        break;
    }
    case T::hab_node_a:
    case T::test_article:
        break;
    }
    return c;
}

BlockChoice Palette::truss_of(int32_t bays) const {
    BlockChoice c = truss;
    c.set(param::bay_count, bays);
    return c;
}

const BlockChoice& Palette::habitat(SeededRandom& rng) const { return habitats[rng.below(static_cast<uint32_t>(habitats.size()))]; }

double Palette::bay() const {
    for (const BlobParam& p : truss.params) {
        if (p.id == param::bay_length) return p.value;
    }
    return 8;
}

Palette draw_palette(SeededRandom& rng) {
    static const T hab_types[] = {T::hab_a, T::hab_a, T::hab_b, T::hab_c};
    static const T truss_types[] = {T::truss_a, T::truss_b, T::truss_c};
    static const T solar_types[] = {T::solar_wing_a, T::solar_wing_b, T::solar_wing_c, T::solar_wing_d};
    static const T panel_types[] = {T::solar_panel_a, T::solar_panel_b, T::solar_panel_c, T::solar_panel_d};
    Palette p;
    const int32_t designs = rng.between(2, 3);
    for (int32_t i = 0; i < designs; ++i) p.habitats.push_back(draw_design(hab_types[rng.below(4)], rng));
    p.node = default_choice(T::hab_node_a);
    p.dock = draw_design(T::dg_hab_port, rng);
    p.truss = draw_design(truss_types[rng.below(3)], rng);
    p.power_wing = draw_design(rng.chance(700) ? T::power_wing_a : T::power_wing_b, rng);
    p.large_power_wing = draw_design(rng.chance(600) ? T::power_wing_b : T::power_wing_c, rng);
    p.solar_wing = draw_design(solar_types[rng.below(4)], rng);
    p.panel = draw_design(panel_types[rng.below(4)], rng);
    p.tank = draw_design(rng.chance(600) ? T::tank_a : T::tank_b, rng);
    p.adaptor_x = draw_design(T::adaptor_a, rng);
    p.adaptor_y = draw_design(T::adaptor_b, rng);
    p.aux_x = draw_design(T::dg_aux_port_a, rng);
    p.aux_y = draw_design(T::dg_aux_port_b, rng);
    return p;
}

void vary_palette(Palette& palette, uint64_t seed, int32_t variation) {
    SeededRandom rng(seed, 0x7661726961ULL << 16 | static_cast<uint32_t>(variation));
    const int32_t changes = rng.between(2, 3);
    for (int32_t i = 0; i < changes; ++i) {
        switch (rng.below(5)) {
        case 0: {
            // Same type and length, other windows and shape.
            BlockChoice& hab = palette.habitats[rng.below(static_cast<uint32_t>(palette.habitats.size()))];
            BlockChoice fresh = draw_design(hab.type, rng);
            for (const BlobParam& p : hab.params) {
                if (p.id == param::hab_length) fresh.set(p.id, p.value);
            }
            hab = fresh;
            break;
        }
        case 1: palette.power_wing = draw_design(palette.power_wing.type, rng); break;
        case 2: palette.solar_wing = draw_design(palette.solar_wing.type, rng); break;
        case 3: palette.panel = draw_design(palette.panel.type, rng); break;
        default: palette.tank = draw_design(palette.tank.type, rng); break;
        }
    }
}

}  // namespace quilbet

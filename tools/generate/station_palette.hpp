// The designs one station is built from. A station repeats a few habitat
// designs, one girder, one kind of power wing and solar wing and so on, the
// way a real station is assembled from a handful of module designs; every
// value lies inside its parameter's catalogue range, on a coarse grid
// (lengths in whole or half metres, angles in twentieths of a radian).
//
// Parameters that would make the module draw random numbers while it builds
// the geometry ("Rotation shear" of wings and of Solar_Panel_A, "Panel type"
// -1) are never used, so the shape the generator tests for overlaps is
// exactly the shape the module builds.
#pragma once

#include <vector>

#include "generate/block_choice.hpp"
#include "generate/seeded_random.hpp"

namespace quilbet {

// Parameter ids, as the block-type table numbers them.
namespace param {
inline constexpr int32_t panel_type = 1, wing_rotation = 2, rotation_shear = 3;   // power wings
inline constexpr int32_t solar_rotation = 1;                                     // solar wings
inline constexpr int32_t smalling = 1, rows = 3;                                  // solar panels
inline constexpr int32_t bay_length = 1, bay_count = 2, switch_a = 3, switch_b = 4, switch_c = 5;   // trusses
inline constexpr int32_t windows = 1, round = 2, hab_length = 3;                  // habitats
inline constexpr int32_t length = 1, radius = 2;                                  // adaptors, tanks, aux ports
}  // namespace param

struct Palette {
    std::vector<BlockChoice> habitats;   // two or three designs of Hab_A, Hab_B, Hab_C
    BlockChoice node;
    BlockChoice dock;                    // DG_Hab_Port
    BlockChoice truss;                   // Block_count set by truss(n)
    BlockChoice power_wing;
    BlockChoice large_power_wing;        // Power_wing_B or Power_wing_C, for long girders
    BlockChoice solar_wing;
    BlockChoice panel;
    BlockChoice tank;
    BlockChoice adaptor_x, adaptor_y;    // Adaptor_A (side faces +-x of a girder), Adaptor_B (+-y)
    BlockChoice aux_x, aux_y;            // DG_Aux_Port_A, DG_Aux_Port_B likewise

    // The palette's girder with n bays.
    BlockChoice truss_of(int32_t bays) const;
    // One of the habitat designs.
    const BlockChoice& habitat(SeededRandom& rng) const;
    // The girder's bay length.
    double bay() const;
};

// Draws a palette. Every block type's choice is drawn whatever the style
// uses, so that the draws, and with them a seed's station, do not depend on
// which designs a style ends up placing.
Palette draw_palette(SeededRandom& rng);

// The variation-th variation of a palette (variation >= 1): two or three of
// its designs (a habitat, the power or solar wing, the panel, the tank) drawn
// anew from the seed and the variation; the other designs, the habitats'
// lengths and the layout's own draws stay, so the station keeps its layout.
void vary_palette(Palette& palette, uint64_t seed, int32_t variation);

// A fresh design of any type, drawn from the same grids as the palette's
// (the random style mixes designs freely).
BlockChoice draw_design(BlockType type, SeededRandom& rng);

}  // namespace quilbet

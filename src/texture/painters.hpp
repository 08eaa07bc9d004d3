// The five texture painters. Each allocates a new size x size pixel block,
// fills it (alpha 255, channel sums modulo 256), and attaches it to the group
// (texpix, texw = texh = size). All but tex_cells first draw one random number
// to seed the noise tables.
#pragma once

#include <cstdint>

#include "mesh/mesh.hpp"
#include "texture/context.hpp"

namespace quilbet {

inline constexpr int32_t tex_size = 64;

// The numbered finishes of tex_style (any other number paints flat mid grey).
enum class TexStyle : int32_t {
    streaks = 0,             // brown with horizontal streaks
    wavy_streaks = 1,        // brown with wavy streaks
    fine_wavy_streaks = 2,   // finer wavy streaks
    tan_marble = 3,
    blue_grid = 4,           // grid lines, no noise
    warped_grid = 5,
    light_plating = 6,       // two-pixel panel seams
    riveted_plating = 7,     // grey with dark rivet dots on a slanted lattice
    hyperbolic_plating = 8,  // hyperbolic seam patterns
    tan_marble_too = 99,     // paints as tan_marble
};

// The finishes of tex_ridges (any other kind paints the grey base with amplitude 10).
enum class RidgeKind : int32_t {
    grey = 0,        // amplitude 25
    yellowish = 1,   // amplitude 30
};

// Noisy grey for plain parts, tex_size square.
void tex_noise(Context& ctx, typmshgrp& g);
// What tex_noise does before it paints: draws one number and seeds the noise
// tables from it. Leaves ctx exactly as tex_noise would, without a texture.
void tex_noise_seed(Context& ctx);
// Solar cells on a frame, 2 tex_size square; panel types 0 .. 3 (others paint as 3).
void tex_cells(Context& ctx, typmshgrp& g, int32_t panel_type);
// Hull finish with bright ridge lines, tex_size square; kind 0 grey (amplitude
// 25), kind 1 yellowish (30); any other kind paints the grey base with amplitude 10.
void tex_ridges(Context& ctx, typmshgrp& g, RidgeKind kind);
// Striped finish, tex_size square.
void tex_stripes(Context& ctx, typmshgrp& g);
// Numbered styles 0 .. 8 and 99 (99 paints as 3), size square. An unknown style
// paints flat mid grey (128, 128, 128). A size below 1 still draws the seed but
// leaves the group without a texture (texpix null, texw = texh = 0).
void tex_style(Context& ctx, typmshgrp& g, TexStyle style, int32_t size);

}  // namespace quilbet

// Helpers shared by the texture painters: the seeding draw and the pixel
// block that a painter hands to its group. Internal to src/texture.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"
#include "texture/context.hpp"
#include "texture/noise.hpp"

namespace quilbet::paint {

// Draws one random fraction r and seeds the noise tables with the low 32 bits
// of nearest(r * k), r * k taken in extended precision (k = 2456324562 gives
// products beyond the 32-bit range).
inline void seed_noise_from_draw(Context& ctx, long double k) {
    const long double r = ctx.random.random_fraction();
    noise_seed(ctx.noise, ctx.random, nearest_low32(r * k));
}

// Allocates a size x size block (one allocation per texture), attaches it to
// the group (texw = texh = size; an earlier block is released by its last
// owner) and returns its first word. A size below 1 leaves the group without
// a texture (null, 0 x 0) and returns null.
inline uint32_t* attach_pixel_block(typmshgrp& g, int32_t size) {
    if (size < 1) {
        g.texpix.reset();
        g.texw = 0;
        g.texh = 0;
        return nullptr;
    }
    const std::size_t n = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
    PixelBlock block(new uint32_t[n]);
    g.texpix = block;
    g.texw = size;
    g.texh = size;
    return block.get();
}

// The pixel word of channel values taken modulo 256, alpha 255.
inline uint32_t opaque(int32_t r, int32_t g, int32_t b) {
    return rgba_pack(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 255);
}

// nearest_i32(v) for a channel term that a double holds exactly (a float
// times a small whole number, a grid weight times a colour difference): the
// SSE2 conversion rounds to nearest with ties to even in the default mode,
// without nearest_i32's switch of the x87 control word. Values near or past
// the 32-bit range, and NaN, go to nearest_i32.
inline int32_t nearest_exact(double v) {
#if defined(__SSE2__) || defined(_M_X64)
    if (std::fabs(v) < 2147483647.0) return _mm_cvtsd_si32(_mm_set_sd(v));
#endif
    return nearest_i32(v);
}

// nearest_i32(v) for an extended-precision value: lrint rounds in the current
// mode (to nearest, ties to even) with one store of the x87 unit.
inline int32_t nearest_ext(long double v) {
    if (v > -2147483648.0L && v < 2147483647.0L) return static_cast<int32_t>(std::lrint(v));
    return nearest_i32(v);
}

}  // namespace quilbet::paint

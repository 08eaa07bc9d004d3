// Adaptor, port collar and tank generators (generator contract: panel_truss.hpp).
#pragma once

#include <cstdint>

#include "maths/maths.hpp"
#include "mesh/mesh.hpp"
#include "texture/context.hpp"

namespace quilbet {

struct adaptor_spec {
    int32_t variant = 0;    // 0: rails only; 1, 2: end frames and central tube; 3+: nothing
    double bar = 0;         // end frame thickness
    double rail = 0;        // corner rail thickness, central tube radius
    double len = 0;         // length along z
    double w0 = 0, h0 = 0;  // section at z = 0
    double w1 = 0, h1 = 0;  // section at z = len
    uint8_t sw_a = 0, sw_b = 0, sw_c = 0;  // carried along, not read
};

// One group: an open frame tapering from (w0, h0) at z = 0 to (w1, h1) at z = len;
// variant 0 only the four corner rails, 1 and 2 also end frames and a central
// tube, 3 or more an empty group (no texture, no random draw). A side that does
// not taper gets untilted rails even when len is 0. Returns 1, or -1 when cap < 1.
int32_t gen_adaptor(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, const adaptor_spec& spec, Vec3 ang);
// One group: 2 m cube (z = 0 .. 2) and a short tube to z = 2.5; an empty group when skip != 0. Returns 1, or -1.
int32_t gen_port_collar(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, uint8_t skip, Vec3 ang);
// Two groups: four capsule tanks of radius r and overall length len (eight for
// variant 1) and their frame, from z = r/16 forward. Variant 2+: two empty groups.
// A tank shorter than its diameter (len < 2r; len < 3r for variant 1's small
// tanks, whose overall length is len - 2r) keeps its overall length: the
// cylindrical side shrinks to 0 and both domes flatten to half that length
// (a flat disc when it is 0 or less), so no wall is built inside out.
// Returns 2, or -2 when cap < 2.
int32_t gen_tank(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, double r, double len, int32_t variant, Vec3 ang);

}  // namespace quilbet

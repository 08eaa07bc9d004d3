// Hatch frame generator: a square plate s x s, s/30 thick, lying between z = 0
// and z = s/30, with a rim of four bars of the same thickness behind it
// (z = -s/30 .. 0) along its edges. One group, boxes one-sided.
#include "generators/generator_steps.hpp"
#include "generators/panel_truss.hpp"
#include "mesh/primitives.hpp"
#include "texture/painters.hpp"

namespace quilbet {

int32_t gen_hatch_frame(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, Vec3 ang, double s) {
    if (cap < 1) {
        return -1;
    }
    typmshgrp& g = grp[0];
    grp_reset(g);
    tex_noise(ctx, g);
    grp_plain_material(g);

    using ld = long double;
    const ld side = s;
    const ld c = side / 30;
    const double cd = static_cast<double>(c);
    const double half = static_cast<double>(side / 2);
    const double rim_z = static_cast<double>(-c / 2);
    const Vec3 no_turn{};
    int32_t nv = 0;
    int32_t nind = 0;
    // The plate.
    box_add(g, nv, nind, false, no_turn, Vec3{0, 0, static_cast<double>(c / 2)}, s, s, cd);
    // The rim: top and bottom bars, then right and left.
    box_add(g, nv, nind, false, no_turn, Vec3{0, half, rim_z}, s, cd, cd);
    box_add(g, nv, nind, false, no_turn, Vec3{0, -half, rim_z}, s, cd, cd);
    box_add(g, nv, nind, false, no_turn, Vec3{half, 0, rim_z}, cd, s, cd);
    box_add(g, nv, nind, false, no_turn, Vec3{-half, 0, rim_z}, cd, s, cd);
    grp_finish(g, nv, nind, t, ang);
    return 1;
}

}  // namespace quilbet

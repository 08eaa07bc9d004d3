// Port collar generator: the docking fitting at the outer end of a port, a
// 2 m cube (z = 0 .. 2) carrying a short 8-sided tube of radius 0.8
// (z = 1.5 .. 2.5). One group, the cube one-sided.
#include "generators/adaptor_tank.hpp"
#include "generators/generator_steps.hpp"
#include "mesh/primitives.hpp"
#include "texture/painters.hpp"

namespace quilbet {

int32_t gen_port_collar(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, uint8_t skip, Vec3 ang) {
    if (cap < 1) {
        return -1;
    }
    typmshgrp& g = grp[0];
    grp_reset(g);
    if (skip != 0) {
        return 1;
    }
    tex_noise(ctx, g);
    grp_plain_material(g);

    const Vec3 no_turn{};
    int32_t nv = 0;
    int32_t nind = 0;
    box_add(g, nv, nind, false, no_turn, Vec3{0, 0, 1}, 2, 2, 2);
    // Segment value 8 is not one of the codes 0, 1, 2, so it is the count itself.
    prism_add(g, nv, nind, no_turn, Vec3{0, 0, 2}, 0.8, 1, 8);
    grp_finish(g, nv, nind, t, ang);
    return 1;
}

}  // namespace quilbet

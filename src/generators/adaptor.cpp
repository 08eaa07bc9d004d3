// Adaptor generator: an open frame that tapers along z from a w0 x h0 section
// at z = 0 to a w1 x h1 section at z = len. Four corner rails, each a box
// tilted from one section's corner to the other's (turned about x, then y);
// variants 1 and 2 add the two end frames and a central tube. One group,
// boxes one-sided, the tube 8-sided. Expressions are evaluated in extended
// precision and rounded to double where they become a builder argument.
#include <cmath>

#include "generators/adaptor_tank.hpp"
#include "generators/generator_steps.hpp"
#include "mesh/primitives.hpp"
#include "texture/painters.hpp"

namespace quilbet {

namespace {

using ld = long double;

double d(ld v) { return static_cast<double>(v); }

constexpr ld corners[4][2] = {{-0.5L, 0.5L}, {0.5L, 0.5L}, {0.5L, -0.5L}, {-0.5L, -0.5L}};

// Tilt of a rail whose ends are `offset` apart across the section over `len`
// along z: the arc tangent of offset / len. An untapered side (offset 0) is not
// tilted, even for a zero length where the ratio itself would be undefined.
ld tilt(ld offset, ld len) { return offset == 0 ? 0.0L : atan2_ext(offset / len, 1.0L); }

}  // namespace

int32_t gen_adaptor(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, const adaptor_spec& spec, Vec3 ang) {
    if (cap < 1) {
        return -1;
    }
    typmshgrp& g = grp[0];
    grp_reset(g);
    if (spec.variant >= 3) {
        return 1;
    }
    tex_noise(ctx, g);
    grp_plain_material(g);

    const ld len = spec.len, w0 = spec.w0, h0 = spec.h0, w1 = spec.w1, h1 = spec.h1;
    const ld cx = (w0 - w1) / 2;
    const ld cy = (h0 - h1) / 2;
    const ld e = std::sqrt(len * len + cx * cx + cy * cy);
    const ld ax = tilt(cx, len);
    const ld ay = tilt(cy, len);
    const Vec3 no_turn{};
    int32_t nv = 0;
    int32_t nind = 0;

    for (const auto& c : corners) {
        box_add(g, nv, nind, false, Vec3{d(2 * c[1] * ay), d(-2 * c[0] * ax), 0.0},
                Vec3{d((w0 - cx) * c[0]), d((h0 - cy) * c[1]), d(len / 2)}, spec.rail, spec.rail, d(e));
    }
    if (spec.variant >= 1) {
        const double bar = spec.bar;
        box_add(g, nv, nind, false, no_turn, Vec3{0, d(h0 / 2), 0}, spec.w0, bar, bar);
        box_add(g, nv, nind, false, no_turn, Vec3{0, d(-h0 / 2), 0}, spec.w0, bar, bar);
        box_add(g, nv, nind, false, no_turn, Vec3{d(w0 / 2), 0, 0}, bar, spec.h0, bar);
        box_add(g, nv, nind, false, no_turn, Vec3{d(-w0 / 2), 0, 0}, bar, spec.h0, bar);
        box_add(g, nv, nind, false, no_turn, Vec3{0, d(h1 / 2), spec.len}, spec.w1, bar, bar);
        box_add(g, nv, nind, false, no_turn, Vec3{0, d(-h1 / 2), spec.len}, spec.w1, bar, bar);
        box_add(g, nv, nind, false, no_turn, Vec3{d(w1 / 2), 0, spec.len}, bar, spec.h1, bar);
        box_add(g, nv, nind, false, no_turn, Vec3{d(-w1 / 2), 0, spec.len}, bar, spec.h1, bar);
    }
    if (spec.variant == 1 || spec.variant == 2) {
        prism_add(g, nv, nind, no_turn, Vec3{0, 0, d(len / 2)}, spec.rail, d(len + 2.1L * spec.bar), 1);
    }
    grp_finish(g, nv, nind, t, ang);
    return 1;
}

}  // namespace quilbet

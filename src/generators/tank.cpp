// Tank generator: a cluster of capsule tanks held by a frame, in two groups.
// Group 0: four capsules of radius r and overall length len with their axes at
// (+-r, +-r), touching along their sides (variant 0: striped finish), plus for
// variant 1 four half-radius capsules in the gaps 1.75 r out along -x, -y, +x,
// +y (light plating style 6). Group 1: a central spine, crossed struts at the
// ends of the cylindrical part and a square end frame with diagonals and a hub
// at each end. Both groups are shifted forward by len/2 + r/16, so the tanks'
// rear tips sit just in front of the block's origin. Capsules and tubes have
// 16 segments, domes 4 rings, boxes are one-sided. Expressions are evaluated
// in extended precision and rounded to double where they become a builder
// argument.
#include <cmath>

#include "generators/adaptor_tank.hpp"
#include "generators/generator_steps.hpp"
#include "mesh/primitives.hpp"
#include "texture/painters.hpp"

namespace quilbet {

namespace {

using ld = long double;

constexpr int32_t seg16 = 2;          // prism segment code for 16 segments
constexpr int32_t dome_rings = 4;
constexpr TexStyle tank_style = TexStyle::light_plating;
constexpr int32_t tank_style_size = 128;
const Vec3 no_turn{};

double d(ld v) { return static_cast<double>(v); }
Vec3 at(ld x, ld y, ld z) { return Vec3{d(x), d(y), d(z)}; }

constexpr ld corners[4][2] = {{-0.5L, 0.5L}, {0.5L, 0.5L}, {0.5L, -0.5L}, {-0.5L, -0.5L}};
constexpr ld axes[4][2] = {{-0.5L, 0.0L}, {0.0L, -0.5L}, {0.5L, 0.0L}, {0.0L, 0.5L}};

// A capsule of radius `radius` whose side is `side` long between two domes
// `radius` high. When the side would be negative (a tank shorter than its
// diameter) the side is built with length 0 and both domes are flattened to
// half the overall length side + 2 radius, so the capsule keeps its overall
// length instead of turning its walls inside out; an overall length of 0 or
// less leaves a flat disc.
void capsule_add(typmshgrp& g, int32_t& nv, int32_t& nind, Vec3 pos, ld radius, ld side) {
    ld dome = radius;
    if (side < 0) {
        const ld overall = side + 2 * radius;
        dome = overall > 0 ? overall / 2 : 0.0L;
        side = 0;
    }
    domed_prism_add(g, nv, nind, no_turn, pos, d(radius), d(side), d(dome), dome_rings, seg16);
}

void tanks(typmshgrp& g, int32_t& nv, int32_t& nind, ld r, ld len, int32_t variant) {
    for (const auto& c : corners) {
        capsule_add(g, nv, nind, at(2 * r * c[0], 2 * r * c[1], 0), r, len - 2 * r);
    }
    if (variant == 1) {
        for (const auto& a : axes) {
            capsule_add(g, nv, nind, at(3.5L * r * a[0], 3.5L * r * a[1], 0), r / 2, len - 3 * r);
        }
    }
}

void frame(typmshgrp& g, int32_t& nv, int32_t& nind, ld r, ld len) {
    const ld q = r / 16;
    const ld p = -(len - 2 * r) / 2 + r / 8;
    // Central spine.
    prism_add(g, nv, nind, no_turn, Vec3{}, d(r / 8), d(len + r / 14), seg16);
    // Struts, two crossing at +-pi/4 at each end of the cylindrical part.
    for (const auto& c : corners) {
        const Vec3 pos = at(0, 0, 2 * c[0] * p);
        const Vec3 turn{d(pi_ext / 2), 0.0, d(2 * c[1] * pi_ext / 4)};
        prism_add(g, nv, nind, turn, pos, d(q), d(r), seg16);
        prism_add(g, nv, nind, turn, pos, d(r / 14), d(r / 3), seg16);
    }
    // End frames at z = +len/2, then -len/2.
    const ld ends[2] = {1.0L, -1.0L};
    const double diag = d(2 * r * std::sqrt(2.0L));
    const double thin = d(q / 1.1L);
    const double bar = d(2 * r + q);
    for (const ld s : ends) {
        const ld z = s * len / 2;
        box_add(g, nv, nind, false, Vec3{0.0, 0.0, d(pi_ext / 4)}, at(0, 0, z), diag, thin, thin);
        box_add(g, nv, nind, false, Vec3{0.0, 0.0, d(-pi_ext / 4)}, at(0, 0, z), diag, thin, thin);
        box_add(g, nv, nind, false, no_turn, at(0, r, z), bar, d(q), d(q));
        box_add(g, nv, nind, false, no_turn, at(0, -r, z), bar, d(q), d(q));
        box_add(g, nv, nind, false, no_turn, at(r, 0, z), d(q), bar, d(q));
        box_add(g, nv, nind, false, no_turn, at(-r, 0, z), d(q), bar, d(q));
        prism_add(g, nv, nind, no_turn, at(0, 0, z), d(r / 7), d(2 * q), seg16);
    }
}

}  // namespace

int32_t gen_tank(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, double r, double len, int32_t variant, Vec3 ang) {
    if (cap < 2) {
        return -2;
    }
    typmshgrp& tank_grp = grp[0];
    typmshgrp& frame_grp = grp[1];
    grp_reset(tank_grp);
    grp_reset(frame_grp);
    if (variant >= 2) {
        return 2;
    }
    const ld rr = r, ll = len;
    const double shift = d(ll / 2 + rr / 16);

    if (variant == 1) {
        tex_style(ctx, tank_grp, tank_style, tank_style_size);
    } else {
        tex_stripes(ctx, tank_grp);
    }
    grp_plain_material(tank_grp);
    int32_t nv = 0;
    int32_t nind = 0;
    tanks(tank_grp, nv, nind, rr, ll, variant);
    grp_finish_shifted(tank_grp, nv, nind, shift, t, ang);

    tex_noise(ctx, frame_grp);
    grp_plain_material(frame_grp);
    nv = 0;
    nind = 0;
    frame(frame_grp, nv, nind, rr, ll);
    grp_finish_shifted(frame_grp, nv, nind, shift, t, ang);
    return 2;
}

}  // namespace quilbet

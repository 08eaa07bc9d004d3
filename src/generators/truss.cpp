// Truss generator: a box-section lattice girder of n bays along z, centred on
// the origin, in one group. Four corner rails run the whole length; n + 1 square
// frames close the bays, optionally with diagonals inside each frame
// (cross_a); the top/bottom faces (cross_c) and the side faces (cross_b) of
// each bay can carry crossed diagonals. Variant 1 adds hubs, cross tubes and a
// central tube; variant 2 adds cover plates and the central tube.
// All boxes are one-sided, all quads two-sided, all prisms have 8 segments.
// Expressions are evaluated in extended precision and rounded to double where
// they become a builder argument.
#include <cmath>

#include "generators/generator_steps.hpp"
#include "generators/panel_truss.hpp"
#include "mesh/primitives.hpp"
#include "texture/painters.hpp"

namespace quilbet {

namespace {

using ld = long double;

constexpr int32_t seg8 = 1;
const Vec3 no_turn{};

double d(ld v) { return static_cast<double>(v); }
Vec3 at(ld x, ld y, ld z) { return Vec3{d(x), d(y), d(z)}; }
Vec3 turn(ld x, ld y, ld z) { return Vec3{d(x), d(y), d(z)}; }

// Corners of the section, as fractions of width and height, in building order.
constexpr ld corners[4][2] = {{-0.5L, 0.5L}, {0.5L, 0.5L}, {0.5L, -0.5L}, {-0.5L, -0.5L}};

struct TrussSizes {
    int32_t n;
    int32_t variant;
    ld th, tr, w, h, l;
};

ld rail_length(const TrussSizes& s) { return s.n * s.l + 2.1L * s.th; }

void rails(typmshgrp& g, int32_t& nv, int32_t& nind, const TrussSizes& s) {
    for (const auto& c : corners) {
        box_add(g, nv, nind, false, no_turn, at(c[0] * s.w, c[1] * s.h, 0), d(s.tr), d(s.tr), d(rail_length(s)));
    }
}

void frames(typmshgrp& g, int32_t& nv, int32_t& nind, const TrussSizes& s, bool cross_a) {
    const ld alpha = atan2_ext(s.h / s.w, 1.0L);
    const ld dxy = std::sqrt(s.w * s.w + s.h * s.h);
    for (int32_t k = 0; k <= s.n; ++k) {
        const ld z = k * s.l - s.n * s.l / 2;
        if (cross_a) {
            box_add(g, nv, nind, false, turn(0, 0, alpha), at(0, 0, z), d(dxy), d(s.th), d(s.th));
            box_add(g, nv, nind, false, turn(0, 0, -alpha), at(0, 0, z), d(dxy), d(s.th), d(s.th));
            if (s.variant == 1) {
                prism_add(g, nv, nind, no_turn, at(0, 0, z), d(1.1L * s.tr), d(1.1L * s.th), seg8);
            }
        }
        box_add(g, nv, nind, false, no_turn, at(0, s.h / 2, z), d(s.w), d(s.th), d(s.th));
        box_add(g, nv, nind, false, no_turn, at(0, -s.h / 2, z), d(s.w), d(s.th), d(s.th));
        box_add(g, nv, nind, false, no_turn, at(s.w / 2, 0, z), d(s.th), d(s.h), d(s.th));
        box_add(g, nv, nind, false, no_turn, at(-s.w / 2, 0, z), d(s.th), d(s.h), d(s.th));
    }
}

ld bay_z(const TrussSizes& s, int32_t k) { return k * s.l - s.n * s.l / 2 + s.l / 2; }

// Top and bottom faces (y = +-H/2).
void cross_top_bottom(typmshgrp& g, int32_t& nv, int32_t& nind, const TrussSizes& s) {
    const ld beta = atan2_ext(s.w / s.l, 1.0L);
    const ld dxz = std::sqrt(s.l * s.l + s.w * s.w);
    for (int32_t k = 0; k < s.n; ++k) {
        const ld z = bay_z(s, k);
        box_add(g, nv, nind, false, turn(0, beta, 0), at(0, s.h / 2, z), d(s.th), d(s.th), d(dxz));
        box_add(g, nv, nind, false, turn(0, -beta, 0), at(0, s.h / 2, z), d(s.th), d(s.th), d(dxz));
        box_add(g, nv, nind, false, turn(0, beta, 0), at(0, -s.h / 2, z), d(s.th), d(s.th), d(dxz));
        box_add(g, nv, nind, false, turn(0, -beta, 0), at(0, -s.h / 2, z), d(s.th), d(s.th), d(dxz));
        if (s.variant == 2) {
            quad_add(g, nv, nind, true, no_turn, at(0, s.h / 2, z), d(s.w), d(s.l));
            quad_add(g, nv, nind, true, no_turn, at(0, -s.h / 2, z), d(s.w), d(s.l));
        }
    }
}

// Side faces (x = +-W/2).
void cross_sides(typmshgrp& g, int32_t& nv, int32_t& nind, const TrussSizes& s) {
    const ld gamma = atan2_ext(s.h / s.l, 1.0L);
    const ld dyz = std::sqrt(s.l * s.l + s.h * s.h);
    const Vec3 along_x = turn(0, pi_ext / 2, 0);
    for (int32_t k = 0; k < s.n; ++k) {
        const ld z = bay_z(s, k);
        box_add(g, nv, nind, false, turn(gamma, 0, 0), at(s.w / 2, 0, z), d(s.th), d(s.th), d(dyz));
        box_add(g, nv, nind, false, turn(-gamma, 0, 0), at(s.w / 2, 0, z), d(s.th), d(s.th), d(dyz));
        box_add(g, nv, nind, false, turn(gamma, 0, 0), at(-s.w / 2, 0, z), d(s.th), d(s.th), d(dyz));
        box_add(g, nv, nind, false, turn(-gamma, 0, 0), at(-s.w / 2, 0, z), d(s.th), d(s.th), d(dyz));
        if (s.variant == 1) {
            prism_add(g, nv, nind, along_x, at(0, 0, z), d(1.1L * s.th), d(s.w), seg8);
            prism_add(g, nv, nind, along_x, at(s.w / 2, 0, z), d(1.2L * s.th), d(1.1L * s.th), seg8);
            prism_add(g, nv, nind, along_x, at(-s.w / 2, 0, z), d(1.2L * s.th), d(1.1L * s.th), seg8);
            prism_add(g, nv, nind, along_x, at(0, 0, z), d(1.2L * s.th), d(2.2L * s.tr), seg8);
        }
        if (s.variant == 2) {
            quad_add(g, nv, nind, true, turn(0, 0, pi_ext / 2), at(s.w / 2, 0, z), d(s.h), d(s.l));
            quad_add(g, nv, nind, true, turn(0, 0, pi_ext / 2), at(-s.w / 2, 0, z), d(s.h), d(s.l));
        }
    }
}

}  // namespace

int32_t gen_truss(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, const truss_spec& spec, Vec3 ang) {
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

    // A negative bay count would give rails of negative length, built inside
    // out; it is built as a count of 0 (four short rails and one frame).
    const TrussSizes s{spec.count > 0 ? spec.count : 0, spec.variant, spec.bar, spec.rail,
                       spec.dims.x, spec.dims.y, spec.dims.z};
    int32_t nv = 0;
    int32_t nind = 0;
    rails(g, nv, nind, s);
    frames(g, nv, nind, s, spec.cross_a != 0);
    if (spec.cross_c != 0) {
        cross_top_bottom(g, nv, nind, s);
    }
    if (spec.cross_b != 0) {
        cross_sides(g, nv, nind, s);
    }
    if (s.variant == 1 || s.variant == 2) {
        prism_add(g, nv, nind, no_turn, Vec3{}, d(s.tr), d(rail_length(s)), seg8);
    }
    grp_finish(g, nv, nind, t, ang);
    return 1;
}

}  // namespace quilbet

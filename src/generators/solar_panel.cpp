// Solar panel generator: a row of flat panels on a light frame, in two groups
// (0: the panels, painted with solar cells and a grey specular highlight;
// 1: the frame, plain grey). Four layouts:
//   0  pairs of rectangles either side of a spine, each row turned by a random
//      angle about z and optionally shorter than the one before;
//   1  pairs of rectangles between two cross bars and a thin tube;
//   2  six-sided panels made of two trapezoids each, on a short stem;
//   3  rectangles made of two halves each, on the same stem.
// All quads and trapezoids are two-sided, all boxes one-sided, all prisms have
// 8 segments. Expressions are evaluated in extended precision and rounded to
// double where they become a builder argument.
#include <vector>

#include "generators/generator_steps.hpp"
#include "generators/panel_truss.hpp"
#include "mesh/primitives.hpp"
#include "texture/painters.hpp"

namespace quilbet {

namespace {

using ld = long double;

constexpr int32_t seg8 = 1;           // prism segment code for 8 segments
const Vec3 no_turn{};

Vec3 at(ld x, ld y, ld z) { return Vec3{static_cast<double>(x), static_cast<double>(y), static_cast<double>(z)}; }
Vec3 turn_y(ld a) { return Vec3{0.0, static_cast<double>(a), 0.0}; }

// What one build needs besides the group: sizes in extended precision and the row angles.
struct PanelLayout {
    int32_t n;
    ld a, b, gap, spine;
    bool smalling;
    const std::vector<double>& theta;
};

// Turns the vertices from `first` to the group's end about z by theta (t = 0).
void turn_row(typmshgrp& g, int32_t first, int32_t nv, double theta) {
    pnt_rotate_translate(g.pnt.data() + first, nv - first, Vec3{}, Vec3{0.0, 0.0, theta});
}

// ---- variant 0: rows of rectangle pairs either side of a spine ----

ld total_length_v0(const PanelLayout& p) { return p.n * p.a + (p.n - 1) * p.gap; }

void panels_v0(typmshgrp& g, int32_t& nv, int32_t& nind, const PanelLayout& p) {
    const ld ltot = total_length_v0(p);
    const ld pitch = p.a + p.gap;
    const ld d = (p.smalling && p.n > 0) ? p.a / p.n : 0.0L;
    for (int32_t i = 0; i < p.n; ++i) {
        const ld z = i * pitch - ltot / 2;
        const ld e = 2 * p.a - i * d;
        const ld x = p.spine / 2 + p.a - i * d / 2;
        const int32_t first = nv;
        quad_add(g, nv, nind, true, no_turn, at(x, 0, z), static_cast<double>(e), static_cast<double>(p.a));
        quad_add(g, nv, nind, true, no_turn, at(-x, 0, z), static_cast<double>(e), static_cast<double>(p.a));
        turn_row(g, first, nv, p.theta[static_cast<size_t>(i)]);
    }
}

void frame_v0(typmshgrp& g, int32_t& nv, int32_t& nind, const PanelLayout& p) {
    const ld ltot = total_length_v0(p);
    const ld pitch = p.a + p.gap;
    const ld a = p.a, spine = p.spine;
    for (int32_t i = 0; i < p.n; ++i) {
        const ld z = i * pitch - ltot / 2;
        const int32_t first = nv;
        box_add(g, nv, nind, false, no_turn, at(0, 0, z), static_cast<double>(a / 16 + spine),
                static_cast<double>(a / 16), static_cast<double>(a / 8));
        prism_add(g, nv, nind, no_turn, at(0, 0, z), static_cast<double>((spine + a) / 16),
                  static_cast<double>(a / 7), seg8);
        turn_row(g, first, nv, p.theta[static_cast<size_t>(i)]);
    }
    // The spine; without rows its length would turn negative and the box inside out.
    const double spine_side = static_cast<double>((spine + a) / 16);
    const ld spine_len = ltot > 0 ? ltot : 0.0L;
    box_add(g, nv, nind, false, no_turn, at(0, 0, -a), spine_side, spine_side, static_cast<double>(spine_len));
    // The root flange.
    prism_add(g, nv, nind, no_turn, at(0, 0, -a - ltot / 2), static_cast<double>(1.5L * (spine + a) / 16),
              static_cast<double>(a / 8), seg8);
}

// ---- variant 1: rectangle pairs between two cross bars ----

void panels_v1(typmshgrp& g, int32_t& nv, int32_t& nind, const PanelLayout& p) {
    const ld x = p.spine / 2 + p.a / 2;
    for (int32_t i = 0; i < p.n; ++i) {
        const ld z = i * p.b - p.n * p.b / 2 + p.b / 2;
        quad_add(g, nv, nind, true, no_turn, at(x, 0, z), static_cast<double>(p.a), static_cast<double>(p.b));
        quad_add(g, nv, nind, true, no_turn, at(-x, 0, z), static_cast<double>(p.a), static_cast<double>(p.b));
    }
}

void frame_v1(typmshgrp& g, int32_t& nv, int32_t& nind, const PanelLayout& p) {
    const ld a = p.a, spine = p.spine;
    const ld half = p.n * p.b / 2;
    const double bar_x = static_cast<double>(2.1L * a + spine);
    box_add(g, nv, nind, false, no_turn, at(0, 0, half), bar_x, static_cast<double>(a / 16), static_cast<double>(a / 8));
    box_add(g, nv, nind, false, no_turn, at(0, 0, -half), bar_x, static_cast<double>(a / 16), static_cast<double>(a / 8));
    prism_add(g, nv, nind, no_turn, at(0, 0, -a / 2), static_cast<double>(a / 32),
              static_cast<double>(p.n * p.b + a), seg8);
    prism_add(g, nv, nind, no_turn, at(0, 0, -a - half), static_cast<double>(1.5L * (spine + a) / 16),
              static_cast<double>(a / 8), seg8);
}

// ---- variants 2 and 3: two-part panels on a short stem ----

ld row_z_v23(const PanelLayout& p, int32_t i) { return i * p.a - p.n * p.a / 2; }

void panels_v2(typmshgrp& g, int32_t& nv, int32_t& nind, const PanelLayout& p) {
    const double len = static_cast<double>(p.a / 2);
    const double narrow = static_cast<double>(p.a / 2);
    const double wide = static_cast<double>(p.a);
    for (int32_t i = 0; i < p.n; ++i) {
        const ld z = row_z_v23(p, i);
        trapezoid_add(g, nv, nind, true, no_turn, at(0, 0, z + p.a / 4), len, narrow, wide);
        trapezoid_add(g, nv, nind, true, turn_y(pi_ext), at(0, 0, z - p.a / 4), len, narrow, wide);
    }
}

void panels_v3(typmshgrp& g, int32_t& nv, int32_t& nind, const PanelLayout& p) {
    const double width = static_cast<double>(p.b);
    const double len = static_cast<double>(p.a / 2);
    for (int32_t i = 0; i < p.n; ++i) {
        const ld z = row_z_v23(p, i);
        quad_add(g, nv, nind, true, no_turn, at(0, 0, z + p.a / 4), width, len);
        quad_add(g, nv, nind, true, turn_y(pi_ext), at(0, 0, z - p.a / 4), width, len);
    }
}

void frame_v23(typmshgrp& g, int32_t& nv, int32_t& nind, const PanelLayout& p) {
    const ld a = p.a;
    const ld root = -(p.n * a / 2) - a;
    prism_add(g, nv, nind, no_turn, at(0, 0, root), static_cast<double>(a / 12), static_cast<double>(a / 8), seg8);
    trapezoid_add(g, nv, nind, true, turn_y(pi_ext), at(0, 0, root + a / 4), static_cast<double>(a / 2),
                  static_cast<double>(a / 16), static_cast<double>(a / 4));
}

// The fixed shift along z that puts the frame's root near the origin.
ld layout_shift(int32_t variant, const PanelLayout& p) {
    switch (variant) {
        case 0: return total_length_v0(p) / 2 + p.a;
        case 1: return p.n * p.b / 2 + p.a;
        default: return p.n * p.a / 2 + p.a;
    }
}

}  // namespace

int32_t gen_solar_panel(Context& ctx, typmshgrp* grp, int32_t cap, Vec3 t, const panel_spec& spec, Vec3 ang) {
    if (cap < 2) {
        return -2;
    }
    typmshgrp& panels = grp[0];
    typmshgrp& frame = grp[1];
    grp_reset(panels);
    grp_reset(frame);

    // One row angle per row, drawn for every layout so the random sequence
    // advances the same way whatever the variant.
    const int32_t n = spec.rows;
    std::vector<double> theta(static_cast<size_t>(n > 0 ? n : 0));
    for (int32_t i = 0; i < n; ++i) {
        const ld r = ctx.random.random_fraction();
        theta[static_cast<size_t>(i)] = static_cast<double>((2 * r - 1) * (pi_ext / 2) * spec.shear);
    }

    // Layouts outside 0 .. 3 are built as layout 3, which is also how the cell
    // painter paints those panel types.
    const int32_t variant = (spec.variant >= 0 && spec.variant <= 3) ? spec.variant : 3;
    const PanelLayout layout{n, spec.dim_a, spec.dim_b, spec.gap, spec.spine, spec.smalling != 0, theta};
    const double shift = static_cast<double>(layout_shift(variant, layout));

    tex_cells(ctx, panels, spec.variant);
    grp_plain_material(panels);
    panels.specular = rgba_pack(130, 130, 130, 255);
    panels.specpow = 45.0f;
    int32_t nv = 0;
    int32_t nind = 0;
    switch (variant) {
        case 0: panels_v0(panels, nv, nind, layout); break;
        case 1: panels_v1(panels, nv, nind, layout); break;
        case 2: panels_v2(panels, nv, nind, layout); break;
        default: panels_v3(panels, nv, nind, layout); break;
    }
    grp_finish_shifted(panels, nv, nind, shift, t, ang);

    tex_noise(ctx, frame);
    grp_plain_material(frame);
    nv = 0;
    nind = 0;
    switch (variant) {
        case 0: frame_v0(frame, nv, nind, layout); break;
        case 1: frame_v1(frame, nv, nind, layout); break;
        default: frame_v23(frame, nv, nind, layout); break;
    }
    grp_finish_shifted(frame, nv, nind, shift, t, ang);
    return 2;
}

}  // namespace quilbet

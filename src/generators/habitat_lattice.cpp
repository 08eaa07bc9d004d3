// Habitat hull patterns on the 61^3 lattice of the metaball molder.
//
// Every rule is a test on integer lattice offsets (dx, dy, dz) from the centre
// c = 30; points are visited x outermost, then y, then z, each starting at
// value 0 and group 0, and later rules overwrite earlier ones. Three outcomes
// recur: collar (value 1.0, group 0), opening (value 0, group 1) and interior
// (value 0, group 2).
//
// The fill is done a column (x, y) at a time. The polygon tests of the tube
// cross-sections depend on (x, y) only and are made once per column; each
// bevelled box (a box whose twelve edges and eight corners are cut off by
// planes at 45 degrees) admits, in one column, exactly an interval of dz,
// since every one of its inequalities is linear in dz; and the window slots
// depend on (dy, z) only and are worked out once per habitat. The loop over z
// is then a few integer compares per point.
#include "generators/habitat_lattice.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace quilbet {
namespace {

constexpr int32_t n = hab_resolution;
constexpr int32_t c = n / 2;          // centre index, 30
constexpr int32_t Lh = n / 2 - 3;     // half-length of the tube wall, 27
constexpr int32_t Li = Lh - 1;        // half-length of the interior, 26
constexpr int32_t q = 10;             // 61 / 6 to the nearest integer: opening size
constexpr int32_t collar_half = q + 1;
constexpr int32_t opening_half = q - 1;
constexpr int32_t Rw = 3;             // 61 / 20 to the nearest integer: window half-height
constexpr int32_t box_ref = 29;       // reference radius of every bevelled box
constexpr int32_t max_sides = 16;

constexpr float value_solid = 1.0f;
constexpr float value_window = 0.9f;

// Regular D-gon of radius R about (c, c) in the (x, y) index plane, its sides
// facing the axes: vertex k at angle 180/D + k 360/D degrees from +y, the
// angle rounded to a 32-bit float before sine and cosine; vertex D closes it.
struct Polygon {
    int32_t sides = 0;
    double xs[max_sides + 1] = {};
    double ys[max_sides + 1] = {};
};

Polygon make_polygon(int32_t R, int32_t D) {
    Polygon p;
    p.sides = D;
    for (int32_t k = 0; k <= D; ++k) {
        const long double degrees = 180.0L / D + static_cast<long double>(k) * 360.0L / D;
        const float theta = static_cast<float>(degrees * (pi_ext / 180.0L));
        p.xs[k] = static_cast<double>(c + R * std::sin(static_cast<long double>(theta)));
        p.ys[k] = static_cast<double>(c + R * std::cos(static_cast<long double>(theta)));
    }
    return p;
}

bool in_polygon(const Polygon& p, int32_t x, int32_t y) {
    return point_in_polygon(p.sides, p.xs, p.ys, x, y);
}

// Closed interval of dz; empty when lo > hi.
struct Span {
    int32_t lo = 1;
    int32_t hi = 0;
    bool has(int32_t v) const { return lo <= v && v <= hi; }
    void clip(int32_t l, int32_t h) {
        lo = std::max(lo, l);
        hi = std::min(hi, h);
    }
};

// The dz that the bevelled box B(a, b, e, r) admits in the column (dx, dy).
// B holds the points with |dx|, |dy|, |dz| <= Ro - r; for every pair (u, v)
// of distinct axes -(2 k1 - 1) <= u + v <= 2 k1 - 1 and |u - v| <= 2 k1 - 2;
// and -(3 k3 - 1) <= dx + dy + dz <= 3 k3 - 1 with |dx + dy - dz|,
// |dx - dy + dz|, |-dx + dy + dz| <= 3 k3 - 2; where k1 = Ro - a - e,
// k3 = Ro - b - e and Ro = 29.
Span box_column(int32_t a, int32_t b, int32_t e, int32_t r, int32_t dx, int32_t dy) {
    const int32_t k1 = box_ref - a - e;
    const int32_t k3 = box_ref - b - e;
    const int32_t half = box_ref - r;
    const int32_t edge_sum = 2 * k1 - 1;
    const int32_t edge_diff = 2 * k1 - 2;
    const int32_t corner_sum = 3 * k3 - 1;
    const int32_t corner_diff = 3 * k3 - 2;

    Span s;
    if (std::abs(dx) > half || std::abs(dy) > half) return s;
    if (dx + dy < -edge_sum || dx + dy > edge_sum || std::abs(dx - dy) > edge_diff) return s;
    s = Span{-half, half};
    s.clip(-edge_sum - dx, edge_sum - dx);        // dx + dz
    s.clip(dx - edge_diff, dx + edge_diff);       // |dx - dz|
    s.clip(-edge_sum - dy, edge_sum - dy);        // dy + dz
    s.clip(dy - edge_diff, dy + edge_diff);       // |dy - dz|
    const int32_t sum = dx + dy;
    const int32_t diff = dx - dy;
    s.clip(-corner_sum - sum, corner_sum - sum);  // dx + dy + dz
    s.clip(sum - corner_diff, sum + corner_diff); // |dx + dy - dz|
    s.clip(-corner_diff - diff, corner_diff - diff);  // |dx - dy + dz|
    s.clip(diff - corner_diff, diff + corner_diff);   // |-dx + dy + dz|
    return s;
}

// Window slots along z, cut through the whole width in x. For window k the
// rim (|dy| < Rw, zk - U < z < zk + U) becomes value 0.9 in group 1 and the
// slot inside it (|dy| < Rw - 1, zk - U + 1 < z < zk + U - 1) value 0 in
// group 1. The slot lies within the rim, so after all windows a point keeps
// the outcome of the last window whose rim covers its z.
struct WindowRows {
    bool rim[n] = {};    // some window's rim covers z
    bool slot[n] = {};   // the last window covering z has its slot there
};

WindowRows make_windows(int32_t count, float ratio) {
    WindowRows w;
    float o = 0;
    float s = 0;
    if (count > 1) {
        o = static_cast<float>(Lh - static_cast<long double>(Lh) / count);
        s = static_cast<float>(2.0L * Lh / count);
    }
    const long double U = Rw * static_cast<long double>(ratio);
    for (int32_t k = 0; k < count; ++k) {
        const long double zk = c - static_cast<long double>(o) + static_cast<long double>(k) * s;
        for (int32_t z = 0; z < n; ++z) {
            if (zk - U < z && z < zk + U) {
                w.rim[z] = true;
                w.slot[z] = zk - U + 1 < z && z < zk + U - 1;
            }
        }
    }
    return w;
}

struct Column {
    int32_t dx = 0;
    int32_t dy = 0;
    mbs_point* points = nullptr;   // the n points of the column, z = 0 .. n - 1
};

void put(mbs_point& p, float value, int32_t group) {
    p.value = value;
    p.group = group;
}

// Variants 0 and 1: a D-sided tube with collars and openings at both ends.
void fill_tube(const Column& col, bool in_outer, bool in_inner, const WindowRows& win) {
    const bool collar = std::abs(col.dx) <= collar_half && std::abs(col.dy) <= collar_half;
    const bool opening = std::abs(col.dx) <= opening_half && std::abs(col.dy) <= opening_half;
    const bool rim_row = std::abs(col.dy) < Rw;
    const bool slot_row = std::abs(col.dy) < Rw - 1;
    for (int32_t z = 0; z < n; ++z) {
        const int32_t adz = std::abs(z - c);
        float v = 0;
        int32_t g = 0;
        if (in_outer && adz <= Lh) v = value_solid;
        if (collar && adz <= Lh + 1) { v = value_solid; g = 0; }
        if (opening) { v = 0; g = 1; }
        if (rim_row && win.rim[z]) {
            v = value_window;
            g = 1;
            if (slot_row && win.slot[z]) v = 0;
        }
        if (in_inner && adz <= Li) { v = 0; g = 2; }
        put(col.points[z], v, g);
    }
}

// Variant 2: a cube node with openings on all six faces.
void fill_node(const Column& col) {
    const int32_t adx = std::abs(col.dx);
    const int32_t ady = std::abs(col.dy);
    const int32_t cube = box_ref - 5;
    const Span shell = box_column(4, 8, 4, 4, col.dx, col.dy);
    const Span inner = box_column(5, 10, 4, 6, col.dx, col.dy);
    for (int32_t z = 0; z < n; ++z) {
        const int32_t dz = z - c;
        const int32_t adz = std::abs(dz);
        float v = 0;
        int32_t g = 0;
        if (adx <= cube && ady <= cube && adz <= cube) v = value_solid;
        if (!shell.has(dz)) v = 0;
        if ((adx <= collar_half && ady <= collar_half && adz <= Lh + 1) ||
            (adx <= collar_half && adz <= collar_half && ady <= Lh + 1) ||
            (ady <= collar_half && adz <= collar_half && adx <= Lh + 1)) {
            v = value_solid;
            g = 0;
        }
        if ((adx <= opening_half && ady <= opening_half) || (adx <= opening_half && adz <= opening_half) ||
            (ady <= opening_half && adz <= opening_half)) {
            v = 0;
            g = 1;
        }
        if (inner.has(dz)) { v = 0; g = 2; }
        put(col.points[z], v, g);
    }
}

// Variant 3: a bevelled box hull with collars, openings and windows.
void fill_box_hab(const Column& col, const WindowRows& win) {
    const bool collar = std::abs(col.dx) <= collar_half && std::abs(col.dy) <= collar_half;
    const bool opening = std::abs(col.dx) <= opening_half && std::abs(col.dy) <= opening_half;
    const bool rim_row = std::abs(col.dy) < Rw;
    const bool slot_row = std::abs(col.dy) < Rw - 1;
    const Span shell = box_column(4, 6, 3, 4, col.dx, col.dy);
    const Span inner = box_column(5, 7, 3, 6, col.dx, col.dy);
    for (int32_t z = 0; z < n; ++z) {
        const int32_t dz = z - c;
        const int32_t adz = std::abs(dz);
        float v = 0;
        int32_t g = 0;
        if (shell.has(dz)) v = value_solid;
        if (collar && adz <= Lh + 1) { v = value_solid; g = 0; }
        if (opening) { v = 0; g = 1; }
        if (rim_row && win.rim[z]) {
            v = value_window;
            g = 1;
            if (slot_row && win.slot[z]) v = 0;
        }
        if (inner.has(dz)) { v = 0; g = 2; }
        put(col.points[z], v, g);
    }
}

// Variant 4: a bevelled box hull whose front half (z >= 15) is the box
// shifted 20 points back, narrowing to the docking neck around P(2).
void fill_port_hab(const Column& col, bool in_neck) {
    const bool collar = std::abs(col.dx) <= collar_half && std::abs(col.dy) <= collar_half;
    const bool opening = std::abs(col.dx) <= opening_half && std::abs(col.dy) <= opening_half;
    const Span front_shell = box_column(4, 16, 3, 4, col.dx, col.dy);
    const Span front_inner = box_column(5, 17, 3, 6, col.dx, col.dy);
    const Span rear_shell = box_column(4, 6, 3, 4, col.dx, col.dy);
    const Span rear_inner = box_column(5, 7, 3, 6, col.dx, col.dy);
    constexpr int32_t shift = 20;
    for (int32_t z = 0; z < n; ++z) {
        const int32_t dz = z - c;
        const int32_t adz = std::abs(dz);
        float v = 0;
        int32_t g = 0;
        if (z >= 15) {
            if (front_shell.has(dz + shift)) v = value_solid;
            if (in_neck && adz <= Li) { v = 0; g = 2; }
            if (front_inner.has(dz + shift)) { v = 0; g = 2; }
        } else {
            if (rear_shell.has(dz)) v = value_solid;
            if (collar && adz <= Lh + 1) { v = value_solid; g = 0; }
            if (opening) { v = 0; g = 1; }
            if (z == 14 ? front_inner.has(dz + shift) : rear_inner.has(dz)) { v = 0; g = 2; }
        }
        put(col.points[z], v, g);
    }
}

}  // namespace

bool hab_fill_lattice(mbs_grid& grid, const hab_spec& spec) {
    if (grid.resolution != n || grid.points.size() != static_cast<size_t>(n) * n * n) return false;
    grid.round_sides = spec.rounded;

    const int32_t D = spec.rounded ? 16 : 8;
    const int32_t Ro = spec.variant == 1 ? 19 : 29;
    const int32_t Ri = Ro - 2;
    const float ratio = static_cast<float>(static_cast<long double>(spec.width) / spec.length);
    const bool tube = spec.variant == 0 || spec.variant == 1;
    const bool windows = tube || spec.variant == 3;

    const Polygon outer = make_polygon(Ro, D);
    const Polygon inner = make_polygon(Ri, D);
    const Polygon neck = make_polygon(2, D);
    const WindowRows win = windows ? make_windows(spec.windows, ratio) : WindowRows{};

    for (int32_t x = 0; x < n; ++x) {
        for (int32_t y = 0; y < n; ++y) {
            const Column col{x - c, y - c, &grid.point(x, y, 0)};
            switch (spec.variant) {
            case 0:
            case 1:
                fill_tube(col, in_polygon(outer, x, y), in_polygon(inner, x, y), win);
                break;
            case 2:
                fill_node(col);
                break;
            case 3:
                fill_box_hab(col, win);
                break;
            case 4:
                fill_port_hab(col, in_polygon(neck, x, y));
                break;
            default:
                for (int32_t z = 0; z < n; ++z) put(col.points[z], 0, 0);
                break;
            }
        }
    }
    return true;
}

}  // namespace quilbet

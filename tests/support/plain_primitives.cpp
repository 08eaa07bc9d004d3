// The plain forms of the vertex transform and the primitive builders, written
// from the shapes' definitions rather than from the builders' loops:
//   - a turn about one axis is a plane rotation of the other two coordinates,
//     (y, z) about x, (z, x) about y, (x, y) about z, with its cosine and sine
//     taken where it is needed;
//   - every vertex of a primitive is a closed-form function of its place in
//     the primitive's vertex order, and a primitive is built whole around the
//     origin before it is appended, shifted and turned;
//   - the box is its table of six faces, the segment codes their table.
// Arithmetic follows the definitions' expressions in long double, each stored
// component rounded once to float, so the results must be the builders' bit
// for bit.
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "support/plain_primitives.hpp"

namespace quilbet::plain {

namespace {

using ld = long double;

// Turns the pair (a, b) by angle in its plane: a' = a cos - b sin,
// b' = a sin + b cos, both from the old values. Angle 0 leaves it alone.
void plane_turn(float& a, float& b, double angle) {
    if (angle == 0) return;
    const ld c = std::cos(ld(angle)), s = std::sin(ld(angle));
    const ld a0 = a, b0 = b;
    a = float(a0 * c - b0 * s);
    b = float(a0 * s + b0 * c);
}

void turn(Vec3f& v, Vec3 ang) {
    plane_turn(v.y, v.z, ang.x);
    plane_turn(v.z, v.x, ang.y);
    plane_turn(v.x, v.y, ang.z);
}

}  // namespace

void pnt_rotate_translate(pnttyp* v, int32_t n, Vec3 t, Vec3 ang) {
    if (v == nullptr || n <= 0) return;
    const float tx = float(t.x), ty = float(t.y), tz = float(t.z);
    for (int32_t i = 0; i < n; ++i) {
        turn(v[i].pos, ang);
        turn(v[i].nrm, ang);
        v[i].pos = Vec3f{float(ld(v[i].pos.x) + tx), float(ld(v[i].pos.y) + ty), float(ld(v[i].pos.z) + tz)};
    }
}

namespace {

// A primitive around the origin, in its own vertex numbering.
struct Piece {
    std::vector<pnttyp> vertices;
    std::vector<int32_t> indices;

    void vertex(Vec3f pos, Vec3f nrm, float u, float v) {
        pnttyp p;
        p.pos = pos;
        p.nrm = nrm;
        p.tu = u;
        p.tv = v;
        vertices.push_back(p);
    }
    void triangle(int32_t a, int32_t b, int32_t c) { indices.insert(indices.end(), {a, b, c}); }
    // Appends another piece after this one's vertices.
    void add(const Piece& other) {
        const auto base = int32_t(vertices.size());
        vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
        for (int32_t i : other.indices) indices.push_back(base + i);
    }
    void turn_and_move(Vec3 ang, Vec3 t) { plain::pnt_rotate_translate(vertices.data(), int32_t(vertices.size()), t, ang); }
};

// Whether a primitive of add_v vertices and add_i indices may be appended at
// the running counts (the refusals of primitives.hpp).
bool fits(const typmshgrp& g, int32_t nv, int32_t nind, int64_t add_v, int64_t add_i) {
    constexpr int64_t largest = int64_t(1) << 22;
    constexpr int64_t int32_top = std::numeric_limits<int32_t>::max();
    return nv >= 0 && nind >= 0 && size_t(nv) <= g.pnt.size() && size_t(nind) <= g.ind.size() &&
           add_v <= largest && add_i <= largest && nv + add_v <= int32_top && nind + add_i <= int32_top;
}

// Writes the piece at the running counts, its indices shifted by nv, then
// turns and moves the new vertices.
void append(typmshgrp& g, int32_t& nv, int32_t& nind, Piece piece, Vec3 ang, Vec3 t) {
    piece.turn_and_move(ang, t);
    const size_t need_v = size_t(nv) + piece.vertices.size(), need_i = size_t(nind) + piece.indices.size();
    if (g.pnt.size() < need_v) g.pnt.resize(need_v);
    if (g.ind.size() < need_i) g.ind.resize(need_i);
    for (size_t i = 0; i < piece.vertices.size(); ++i) g.pnt[size_t(nv) + i] = piece.vertices[i];
    for (size_t i = 0; i < piece.indices.size(); ++i) g.ind[size_t(nind) + i] = nv + piece.indices[i];
    nv += int32_t(piece.vertices.size());
    nind += int32_t(piece.indices.size());
}

// A flat four-cornered face in y = 0: corners (-front/2, +b/2), (+front/2,
// +b/2), (+back/2, -b/2), (-back/2, -b/2), u, v = (0, 0), (1, 0), (1, 1),
// (0, 1), normal +y. The back face turns each corner by pi, about x for a
// rectangle ((x, y, z) -> (x, -y, -z)) and about z for a trapezoid
// ((x, y, z) -> (-x, -y, z)), with normal -y.
Piece flat_piece(bool two_sided, double b, double front, double back, bool trapezoid) {
    const float zh = float(ld(b) / 2);
    const float half_width[2] = {float(ld(front) / 2), float(ld(back) / 2)};
    Piece p;
    for (int face = 0; face < (two_sided ? 2 : 1); ++face) {
        for (int k = 0; k < 4; ++k) {
            const bool far_edge = k >= 2;  // the edge at z = -b/2
            const bool right = k == 1 || k == 2;
            Vec3f pos{right ? half_width[far_edge] : -half_width[far_edge], 0.0f, far_edge ? -zh : zh};
            if (face == 1 && trapezoid) pos = Vec3f{-pos.x, -pos.y, pos.z};
            if (face == 1 && !trapezoid) pos = Vec3f{pos.x, -pos.y, -pos.z};
            p.vertex(pos, Vec3f{0, face == 0 ? 1.0f : -1.0f, 0}, right ? 1.0f : 0.0f, far_edge ? 1.0f : 0.0f);
        }
        p.triangle(4 * face, 4 * face + 1, 4 * face + 2);
        p.triangle(4 * face, 4 * face + 2, 4 * face + 3);
    }
    return p;
}

int32_t segments_of(int32_t code) {
    constexpr int32_t coded[3] = {4, 8, 16};
    if (code >= 0 && code < 3) return coded[code];
    return code < 3 ? 3 : code;
}

// Ring angle k of n segments: k * (2 pi / n) plus half a step.
ld ring_angle(int32_t n, int32_t k) {
    const ld step = 2 * pi_ext / n;
    return k * step + step / 2;
}

// The open side of a prism: a ring at z = +len/2 (vertices 0 .. n) and one
// at -len/2 (n + 1 .. 2n + 1), vertex n repeating vertex 0 with u = 4; radial
// normals; u = 4k / n, v = 0 in front and len / 2r behind.
Piece prism_side(double r, double len, int32_t n) {
    Piece p;
    for (int ring = 0; ring < 2; ++ring) {
        for (int32_t k = 0; k <= n; ++k) {
            const ld a = ring_angle(n, k), s = std::sin(a), c = std::cos(a);
            const ld z = ring == 0 ? ld(len) / 2 : -(ld(len) / 2);
            p.vertex(Vec3f{float(-(ld(r) * s)), float(ld(r) * c), float(z)}, Vec3f{float(-s), float(c), 0},
                     float(4.0L * k / n), ring == 0 ? 0.0f : float(ld(len) / (2 * ld(r))));
        }
    }
    for (int32_t k = 0; k < n; ++k) p.triangle(k, n + 1 + k, n + 2 + k);
    for (int32_t k = 0; k < n; ++k) p.triangle(n + 2 + k, k + 1, k);
    return p;
}

int32_t next_around(int32_t k, int32_t n) { return k + 1 == n ? 0 : k + 1; }

}  // namespace

void quad_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t, double a, double b) {
    const int faces = two_sided ? 2 : 1;
    if (!fits(g, nv, nind, 4 * faces, 6 * faces)) return;
    append(g, nv, nind, flat_piece(two_sided, b, a, a, false), ang, t);
}

void trapezoid_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t, double b,
                   double w_front, double w_back) {
    const int faces = two_sided ? 2 : 1;
    if (!fits(g, nv, nind, 4 * faces, 6 * faces)) return;
    append(g, nv, nind, flat_piece(two_sided, b, w_front, w_back, true), ang, t);
}

void box_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t, double sx, double sy,
             double sz) {
    const int faces = two_sided ? 2 : 1;
    if (!fits(g, nv, nind, 24 * faces, 36 * faces)) return;
    constexpr double q = std::numbers::pi / 2, h = std::numbers::pi;
    struct Face {
        double a, b;
        Vec3 ang, t;
    };
    const Face table[6] = {
        {sx, sz, {0, 0, 0}, {0, sy / 2, 0}},   {sz, sy, {0, -q, -q}, {sx / 2, 0, 0}},
        {sz, sy, {0, q, q}, {-sx / 2, 0, 0}},  {sx, sy, {q, 0, h}, {0, 0, sz / 2}},
        {sx, sy, {-q, 0, 0}, {0, 0, -sz / 2}}, {sx, sz, {h, 0, 0}, {0, -sy / 2, 0}},
    };
    Piece box;
    for (const Face& f : table) {
        Piece face = flat_piece(two_sided, f.b, f.a, f.a, false);
        face.turn_and_move(f.ang, f.t);
        box.add(face);
    }
    append(g, nv, nind, box, ang, t);
}

void prism_add(typmshgrp& g, int32_t& nv, int32_t& nind, Vec3 ang, Vec3 t, double r, double len, int32_t seg) {
    const int32_t n = segments_of(seg);
    if (!fits(g, nv, nind, 4 * int64_t(n) + 4, 12 * int64_t(n))) return;
    Piece p = prism_side(r, len, n);
    // Caps: a rim of n vertices at each end with the end's normal and
    // u, v = (-sin, cos) of the ring angle, then the two centres.
    const int32_t rim = 2 * n + 2, centre = rim + 2 * n;
    for (int end = 0; end < 2; ++end) {
        const float z = end == 0 ? float(ld(len) / 2) : float(-(ld(len) / 2));
        for (int32_t k = 0; k < n; ++k) {
            const ld a = ring_angle(n, k), s = std::sin(a), c = std::cos(a);
            p.vertex(Vec3f{float(-(ld(r) * s)), float(ld(r) * c), z}, Vec3f{0, 0, end == 0 ? 1.0f : -1.0f},
                     float(-s), float(c));
        }
    }
    p.vertex(Vec3f{0, 0, float(ld(len) / 2)}, Vec3f{0, 0, 1}, 0.5f, 0.5f);
    p.vertex(Vec3f{0, 0, float(-(ld(len) / 2))}, Vec3f{0, 0, -1}, 0.5f, 0.5f);
    for (int32_t k = 0; k < n; ++k) p.triangle(centre, rim + k, rim + next_around(k, n));
    for (int32_t k = 0; k < n; ++k) p.triangle(centre + 1, rim + n + next_around(k, n), rim + n + k);
    append(g, nv, nind, p, ang, t);
}

void domed_prism_add(typmshgrp& g, int32_t& nv, int32_t& nind, Vec3 ang, Vec3 t, double r, double len,
                     double dome_h, int32_t nr, int32_t seg) {
    const int32_t n = segments_of(seg);
    const int32_t rings = nr < 1 ? 1 : nr;
    if (!fits(g, nv, nind, 2 * (int64_t(n) + 1) + 2 * int64_t(rings) * n + 2, 12 * int64_t(n) * rings)) return;
    Piece p = prism_side(r, len, n);
    // Dome ring F at latitude phi = (F / rings) pi/2: radius r cos phi, raised
    // by dome_h sin phi past each end; n front vertices then n back ones.
    const int32_t first_ring = 2 * n + 2;
    const ld half = ld(len) / 2;
    for (int32_t f = 0; f < rings; ++f) {
        const ld phi = ld(f) / rings * (pi_ext / 2);
        const ld cphi = std::cos(phi), sphi = std::sin(phi);
        const ld radius = ld(r) * cphi, rise = ld(dome_h) * sphi;
        for (int end = 0; end < 2; ++end) {
            for (int32_t k = 0; k < n; ++k) {
                const ld a = ring_angle(n, k), s = std::sin(a), c = std::cos(a);
                const float z = end == 0 ? float(half + rise) : float(-(half + rise));
                const float nz = end == 0 ? float(sphi) : float(-sphi);
                const float across = float(-(s * cphi)), along = float(c * cphi);
                p.vertex(Vec3f{float(-(radius * s)), float(radius * c), z}, Vec3f{across, along, nz}, across, along);
            }
        }
    }
    const int32_t tip = first_ring + 2 * rings * n;
    p.vertex(Vec3f{0, 0, float(half + ld(dome_h))}, Vec3f{0, 0, 1}, 0.5f, 0.5f);
    p.vertex(Vec3f{0, 0, float(-(half + ld(dome_h)))}, Vec3f{0, 0, -1}, 0.5f, 0.5f);
    // Between rings F and F + 1: n quads at the front, then their mirror images
    // (opposite winding) at the back.
    auto at = [&](int32_t f, int32_t k) { return first_ring + 2 * n * f + k; };
    for (int32_t f = 0; f + 1 < rings; ++f) {
        for (int back = 0; back < 2; ++back) {
            for (int32_t k = 0; k < n; ++k) {
                const int32_t k1 = next_around(k, n), shift = back * n;
                const int32_t p0 = at(f, k) + shift, q0 = at(f, k1) + shift;
                const int32_t p1 = at(f + 1, k) + shift, q1 = at(f + 1, k1) + shift;
                if (back == 0) {
                    p.triangle(p0, q0, q1);
                    p.triangle(p0, q1, p1);
                } else {
                    p.triangle(p0, q1, q0);
                    p.triangle(p0, p1, q1);
                }
            }
        }
    }
    // Fans from the tips to the last ring.
    for (int32_t k = 0; k < n; ++k) p.triangle(tip, at(rings - 1, k), at(rings - 1, next_around(k, n)));
    for (int32_t k = 0; k < n; ++k) p.triangle(tip + 1, at(rings - 1, next_around(k, n)) + n, at(rings - 1, k) + n);
    append(g, nv, nind, p, ang, t);
}

}  // namespace quilbet::plain

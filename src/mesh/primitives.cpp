// The five primitive builders: rectangle, trapezoid, box, closed prism and
// prism with domed ends. Each is built around the origin, then turned about x,
// then y, then z by its angles and moved by its offset with
// pnt_rotate_translate. Triangles (a, b, c) are wound so that (b - a) x (c - a)
// points outward, the same way as the vertex normals.
//
// Angles and trigonometry are evaluated in long double; every stored vertex
// component is rounded once to float.
#include <algorithm>
#include <cmath>
#include <limits>

#include "mesh/primitives.hpp"

namespace quilbet {

namespace {

using ld = long double;

// Largest primitive a builder writes; anything bigger is refused untouched,
// so a runaway segment or ring count cannot exhaust memory or overflow the
// 32-bit running counts.
inline constexpr int64_t max_primitive_entries = int64_t(1) << 22;

inline constexpr double half_pi = double(pi_ext / 2);
inline constexpr double full_pi = double(pi_ext);

template <class Array>
void grow_to(Array& a, int64_t need) {
    const size_t n = size_t(need);
    if (a.size() >= n) return;
    a.resize(std::max(n, a.size() * 2));
}

// Makes g.pnt and g.ind long enough for add_v more vertices and add_i more
// indices at the running counts. False when the request cannot be honoured
// (negative counts, counts beyond the arrays' lengths, a primitive above
// the limit, int32 overflow).
bool make_room(typmshgrp& g, int32_t nv, int32_t nind, int64_t add_v, int64_t add_i) {
    // Running counts never pass the arrays' ends (builders grow the arrays
    // before they raise the counts); counts that do are a caller's mistake.
    if (nv < 0 || nind < 0) return false;
    if (size_t(nv) > g.pnt.size() || size_t(nind) > g.ind.size()) return false;
    if (add_v > max_primitive_entries || add_i > max_primitive_entries) return false;
    const int64_t need_v = int64_t(nv) + add_v;
    const int64_t need_i = int64_t(nind) + add_i;
    constexpr int64_t cap = std::numeric_limits<int32_t>::max();
    if (need_v > cap || need_i > cap) return false;
    grow_to(g.pnt, need_v);
    grow_to(g.ind, need_i);
    return true;
}

pnttyp vertex(float x, float y, float z, float nx, float ny, float nz, float u, float v) {
    pnttyp p;
    p.pos = Vec3f{x, y, z};
    p.nrm = Vec3f{nx, ny, nz};
    p.tu = u;
    p.tv = v;
    return p;
}

void put_triangle(int32_t* slot, int32_t a, int32_t b, int32_t c) {
    slot[0] = a;
    slot[1] = b;
    slot[2] = c;
}

int32_t clamp_rings(int32_t nr) { return nr < 1 ? 1 : nr; }

// Sine and cosine of the ring angle k * delta + delta / 2, delta = 2 pi / n,
// in extended precision. Out of line and fed through volatiles so that the
// tables below hold exactly what a call at run time gives (the platform
// libm's values, never a compile-time evaluation).
[[gnu::noinline]] void ring_sin_cos(int32_t n, int32_t k, ld& s, ld& c) {
    volatile int32_t opaque_n = n, opaque_k = k;
    const int32_t nn = opaque_n, kk = opaque_k;
    const ld delta = 2 * pi_ext / nn;
    const ld th = kk * delta + delta / 2;
    s = std::sin(th);
    c = std::cos(th);
}

// The ring angles of the segment counts the generators use (4, 8 and 16),
// k = 0 .. n, worked out once.
struct RingTable {
    ld s4[5], c4[5], s8[9], c8[9], s16[17], c16[17];
    RingTable() {
        for (int32_t k = 0; k <= 4; ++k) ring_sin_cos(4, k, s4[k], c4[k]);
        for (int32_t k = 0; k <= 8; ++k) ring_sin_cos(8, k, s8[k], c8[k]);
        for (int32_t k = 0; k <= 16; ++k) ring_sin_cos(16, k, s16[k], c16[k]);
    }
};

// Sine and cosine of ring angle k (0 .. n) of an n-segment prism: from the
// table for 4, 8 and 16 segments, worked out otherwise. Bit for bit the same.
class RingAngles {
public:
    explicit RingAngles(int32_t n) : n_(n) {
        static const RingTable table;
        switch (n) {
            case 4: s_ = table.s4; c_ = table.c4; break;
            case 8: s_ = table.s8; c_ = table.c8; break;
            case 16: s_ = table.s16; c_ = table.c16; break;
            default: break;
        }
    }
    void get(int32_t k, ld& s, ld& c) const {
        if (s_ != nullptr) {
            s = s_[k];
            c = c_[k];
        } else {
            ring_sin_cos(n_, k, s, c);
        }
    }

private:
    int32_t n_;
    const ld* s_ = nullptr;
    const ld* c_ = nullptr;
};

// Rectangle or trapezoid: front edge (z = +b/2) w_front long, back edge
// (z = -b/2) w_back long. The back face of a rectangle is the front turned by
// pi about x; that of a trapezoid is turned by pi about z.
void flat_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t, double b,
              double w_front, double w_back, bool trapezoid) {
    const int32_t faces = two_sided ? 2 : 1;
    if (!make_room(g, nv, nind, 4 * faces, 6 * faces)) return;
    const float xf = float(ld(w_front) / 2), xb = float(ld(w_back) / 2), zh = float(ld(b) / 2);
    const float cx[4] = {-xf, xf, xb, -xb};
    const float cz[4] = {zh, zh, -zh, -zh};
    const float cu[4] = {0, 1, 1, 0};
    const float cv[4] = {0, 0, 1, 1};
    pnttyp* v = &g.pnt[size_t(nv)];
    for (int k = 0; k < 4; ++k) v[k] = vertex(cx[k], 0.0f, cz[k], 0, 1, 0, cu[k], cv[k]);
    if (two_sided) {
        for (int k = 0; k < 4; ++k) {
            if (trapezoid) {
                v[4 + k] = vertex(-cx[k], -0.0f, cz[k], 0, -1, 0, cu[k], cv[k]);
            } else {
                v[4 + k] = vertex(cx[k], -0.0f, -cz[k], 0, -1, 0, cu[k], cv[k]);
            }
        }
    }
    int32_t* ind = &g.ind[size_t(nind)];
    for (int32_t f = 0; f < faces; ++f) {
        const int32_t base = nv + 4 * f;
        put_triangle(ind + 6 * f, base, base + 1, base + 2);
        put_triangle(ind + 6 * f + 3, base, base + 2, base + 3);
    }
    pnt_rotate_translate(v, 4 * faces, t, ang);
    nv += 4 * faces;
    nind += 6 * faces;
}

// The far ring's v: the side's length over its diameter, so the texture keeps
// its aspect. A radius of zero, or one so small that the ratio passes the
// float range, leaves a side without width: its v is 0 there instead of an
// infinity or NaN.
float side_far_v(double r, double len) {
    const float v = float(ld(len) / (2 * ld(r)));
    return std::isfinite(v) ? v : 0.0f;
}

// Side of a prism (two rings of n + 1 vertices, the last repeating the first
// with u = 4) and its 2n triangles. Raises nv by 2n + 2 and nind by 6n.
void prism_side(typmshgrp& g, int32_t& nv, int32_t& nind, double r, double len, int32_t n,
                const RingAngles& ring) {
    const ld half = ld(len) / 2;
    const float v_far = side_far_v(r, len);
    pnttyp* v = &g.pnt[size_t(nv)];
    for (int32_t k = 0; k <= n; ++k) {
        ld s, c;
        ring.get(k, s, c);
        const float x = float(-ld(r) * s), y = float(ld(r) * c);
        const float nx = float(-s), ny = float(c), u = float(4.0L * k / n);
        v[k] = vertex(x, y, float(half), nx, ny, 0, u, 0);
        v[n + 1 + k] = vertex(x, y, float(-half), nx, ny, 0, u, v_far);
    }
    int32_t* ind = &g.ind[size_t(nind)];
    const int32_t b = nv;
    for (int32_t k = 0; k < n; ++k) {
        put_triangle(ind + 3 * k, b + k, b + k + n + 1, b + k + n + 2);
        put_triangle(ind + 3 * (n + k), b + k + n + 2, b + k + 1, b + k);
    }
    nind += 6 * n;
    nv += 2 * n + 2;
}

}  // namespace

int32_t segment_count(int32_t seg) {
    switch (seg) {
        case 0: return 4;
        case 1: return 8;
        case 2: return 16;
        default: return seg < 3 ? 3 : seg;
    }
}

void quad_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t, double a,
              double b) {
    flat_add(g, nv, nind, two_sided, ang, t, b, a, a, false);
}

void trapezoid_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t,
                   double b, double w_front, double w_back) {
    flat_add(g, nv, nind, two_sided, ang, t, b, w_front, w_back, true);
}

void box_add(typmshgrp& g, int32_t& nv, int32_t& nind, bool two_sided, Vec3 ang, Vec3 t, double sx,
             double sy, double sz) {
    const int32_t sides = two_sided ? 2 : 1;
    if (!make_room(g, nv, nind, 24 * sides, 36 * sides)) return;
    const int32_t first = nv;
    const double hx = double(ld(sx) / 2), hy = double(ld(sy) / 2), hz = double(ld(sz) / 2);
    quad_add(g, nv, nind, two_sided, Vec3{0, 0, 0}, Vec3{0, hy, 0}, sx, sz);
    quad_add(g, nv, nind, two_sided, Vec3{0, -half_pi, -half_pi}, Vec3{hx, 0, 0}, sz, sy);
    quad_add(g, nv, nind, two_sided, Vec3{0, half_pi, half_pi}, Vec3{-hx, 0, 0}, sz, sy);
    quad_add(g, nv, nind, two_sided, Vec3{half_pi, 0, full_pi}, Vec3{0, 0, hz}, sx, sy);
    quad_add(g, nv, nind, two_sided, Vec3{-half_pi, 0, 0}, Vec3{0, 0, -hz}, sx, sy);
    quad_add(g, nv, nind, two_sided, Vec3{full_pi, 0, 0}, Vec3{0, -hy, 0}, sx, sz);
    pnt_rotate_translate(&g.pnt[size_t(first)], nv - first, t, ang);
}

void prism_add(typmshgrp& g, int32_t& nv, int32_t& nind, Vec3 ang, Vec3 t, double r, double len,
               int32_t seg) {
    const int32_t n = segment_count(seg);
    if (!make_room(g, nv, nind, 4 * int64_t(n) + 4, 12 * int64_t(n))) return;
    const int32_t first = nv;
    const RingAngles ring(n);
    prism_side(g, nv, nind, r, len, n, ring);

    const float zf = float(ld(len) / 2), zb = float(-ld(len) / 2);
    pnttyp* v = &g.pnt[size_t(nv)];
    for (int32_t k = 0; k < n; ++k) {
        ld s, c;
        ring.get(k, s, c);
        const float x = float(-ld(r) * s), y = float(ld(r) * c);
        const float u = float(-s), tv = float(c);
        v[k] = vertex(x, y, zf, 0, 0, 1, u, tv);
        v[n + k] = vertex(x, y, zb, 0, 0, -1, u, tv);
    }
    v[2 * n] = vertex(0, 0, zf, 0, 0, 1, 0.5f, 0.5f);
    v[2 * n + 1] = vertex(0, 0, zb, 0, 0, -1, 0.5f, 0.5f);

    const int32_t c = nv + 2 * n;
    int32_t* ind = &g.ind[size_t(nind)];
    for (int32_t k = 0; k < n; ++k) {
        const int32_t k1 = k == n - 1 ? 0 : k + 1;
        put_triangle(ind + 3 * k, c, nv + k, nv + k1);
        put_triangle(ind + 3 * (n + k), c + 1, nv + n + k1, nv + n + k);
    }
    nind += 6 * n;
    nv += 2 * n + 2;
    pnt_rotate_translate(&g.pnt[size_t(first)], nv - first, t, ang);
}

void domed_prism_add(typmshgrp& g, int32_t& nv, int32_t& nind, Vec3 ang, Vec3 t, double r,
                     double len, double dome_h, int32_t nr, int32_t seg) {
    const int32_t n = segment_count(seg);
    nr = clamp_rings(nr);
    const int64_t add_v = 2 * (int64_t(n) + 1) + 2 * int64_t(nr) * n + 2;
    const int64_t add_i = 12 * int64_t(n) * nr;
    if (!make_room(g, nv, nind, add_v, add_i)) return;
    const int32_t first = nv;
    const RingAngles angles(n);
    prism_side(g, nv, nind, r, len, n, angles);

    const ld half = ld(len) / 2;
    pnttyp* v = &g.pnt[size_t(nv)];
    for (int32_t f = 0; f < nr; ++f) {
        const ld phi = (ld(f) / nr) * (pi_ext / 2);
        const ld cphi = std::cos(phi), sphi = std::sin(phi);
        const ld h = ld(r) * cphi, e = ld(dome_h) * sphi;
        pnttyp* ring = v + 2 * n * f;
        for (int32_t k = 0; k < n; ++k) {
            ld s, c;
            angles.get(k, s, c);
            const float x = float(-h * s), y = float(h * c);
            const float nx = float(-s * cphi), ny = float(c * cphi);
            const float u = float(-s * cphi), tv = float(c * cphi);
            ring[k] = vertex(x, y, float(half + e), nx, ny, float(sphi), u, tv);
            ring[n + k] = vertex(x, y, float(-half - e), nx, ny, float(-sphi), u, tv);
        }
    }
    const int32_t tip = nv + 2 * nr * n;
    v[2 * nr * n] = vertex(0, 0, float(half + ld(dome_h)), 0, 0, 1, 0.5f, 0.5f);
    v[2 * nr * n + 1] = vertex(0, 0, float(-half - ld(dome_h)), 0, 0, -1, 0.5f, 0.5f);

    int32_t* ind = &g.ind[size_t(nind)];
    for (int32_t f = 0; f + 1 < nr; ++f) {
        for (int32_t k = 0; k < n; ++k) {
            const int32_t k1 = k == n - 1 ? 0 : k + 1;
            const int32_t p = nv + 2 * n * f + k, q = nv + 2 * n * f + k1;
            const int32_t P = p + 2 * n, Q = q + 2 * n;
            put_triangle(ind, p, q, Q);
            put_triangle(ind + 3, p, Q, P);
            put_triangle(ind + 6 * n, p + n, Q + n, q + n);
            put_triangle(ind + 6 * n + 3, p + n, P + n, Q + n);
            ind += 6;
        }
        ind += 6 * n;
    }
    for (int32_t k = 0; k < n; ++k) {
        const int32_t k1 = k == n - 1 ? 0 : k + 1;
        const int32_t p = nv + 2 * n * (nr - 1) + k, q = nv + 2 * n * (nr - 1) + k1;
        put_triangle(ind + 3 * k, tip, p, q);
        put_triangle(ind + 3 * (n + k), tip + 1, q + n, p + n);
    }
    nind += 12 * n * (nr - 1) + 6 * n;
    nv += 2 * nr * n + 2;
    pnt_rotate_translate(&g.pnt[size_t(first)], nv - first, t, ang);
}

}  // namespace quilbet

// Colour packing and the group library: resetting, copying, transforming and
// measuring vertex runs, and the preparation of a block mesh around a
// generator call.
//
// Transforms compute in long double from the float32 inputs and round every
// stored component once to float32.
#include <algorithm>
#include <cmath>

#include "mesh/mesh.hpp"

namespace quilbet {

namespace {

using ld = long double;

// Cosine and sine of one angle in extended precision. Kept out of line and
// fed through a volatile so that every caller, the table below included, gets
// the platform libm's values (never a compile-time evaluation of a constant).
[[gnu::noinline]] void cos_sin_ext(double a, ld& c, ld& s) {
    volatile double opaque = a;
    const ld x = ld(opaque);
    c = std::cos(x);
    s = std::sin(x);
}

// The angles the builders and assemblies pass over and over (quarter, half
// and whole turns of both signs, as rounded to double from pi_ext), with their
// cosine and sine taken once from the same function; a lookup is bit-exact.
struct TurnTable {
    static constexpr int size = 10;
    double angle[size];
    ld c[size], s[size];
    TurnTable() {
        const double base[5] = {double(pi_ext / 4), double(pi_ext / 2), double(3 * pi_ext / 4), double(pi_ext),
                                double(2 * pi_ext)};
        for (int i = 0; i < 5; ++i) {
            angle[2 * i] = base[i];
            angle[2 * i + 1] = -base[i];
        }
        for (int i = 0; i < size; ++i) cos_sin_ext(angle[i], c[i], s[i]);
    }
};

const TurnTable& turn_table() {
    static const TurnTable table;
    return table;
}

// Cosine and sine of one Euler angle, taken once per run of vertices.
struct Turn {
    bool skip;
    ld c = 1, s = 0;
    explicit Turn(double a) : skip(a == 0) {
        if (skip) return;
        const TurnTable& t = turn_table();
        for (int i = 0; i < TurnTable::size; ++i) {
            if (t.angle[i] == a) {
                c = t.c[i];
                s = t.s[i];
                return;
            }
        }
        cos_sin_ext(a, c, s);
    }
};

// One rotation of a vector; both new components come from the old ones and
// are rounded to float as they are stored.
inline void turn_x(Vec3f& v, const Turn& t) {
    const ld y = v.y, z = v.z;
    v.y = float(y * t.c - z * t.s);
    v.z = float(y * t.s + z * t.c);
}

inline void turn_y(Vec3f& v, const Turn& t) {
    const ld x = v.x, z = v.z;
    v.x = float(x * t.c + z * t.s);
    v.z = float(-x * t.s + z * t.c);
}

inline void turn_z(Vec3f& v, const Turn& t) {
    const ld x = v.x, y = v.y;
    v.x = float(x * t.c - y * t.s);
    v.y = float(x * t.s + y * t.c);
}

Vec3f add_offset(Vec3f p, Vec3f t) {
    return Vec3f{float(ld(p.x) + t.x), float(ld(p.y) + t.y), float(ld(p.z) + t.z)};
}

// The vertex loop of pnt_rotate_translate for one combination of turned axes
// (an axis whose angle is exactly 0 is skipped): position about x, y, z, then
// the normal the same way, then the offset.
template <bool X, bool Y, bool Z>
void turn_run(pnttyp* v, int32_t n, const Turn& tx, const Turn& ty, const Turn& tz, Vec3f off) {
    for (int32_t i = 0; i < n; ++i) {
        pnttyp& p = v[i];
        if constexpr (X) turn_x(p.pos, tx);
        if constexpr (Y) turn_y(p.pos, ty);
        if constexpr (Z) turn_z(p.pos, tz);
        if constexpr (X) turn_x(p.nrm, tx);
        if constexpr (Y) turn_y(p.nrm, ty);
        if constexpr (Z) turn_z(p.nrm, tz);
        p.pos = add_offset(p.pos, off);
    }
}

}  // namespace

uint32_t rgba_pack(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16) | (uint32_t(a) << 24);
}

uint32_t rgba_pack_f(float r, float g, float b, float a) {
    const auto byte = [](float f) { return uint8_t(uint32_t(nearest_low32(ld(f) * 255.0L)) & 0xFFu); };
    return rgba_pack(byte(r), byte(g), byte(b), byte(a));
}

void grp_reset(typmshgrp& g) {
    g.pnt.clear();
    g.ind.clear();
    g.texpix.reset();
    g.diffuse = rgba_pack(255, 255, 255, 255);
    g.emissive = rgba_pack(0, 0, 0, 0);
    g.specular = rgba_pack(0, 0, 0, 0);
    g.specpow = 0;
}

void grp_copy(typmshgrp& dst, const typmshgrp& src) {
    if (&dst == &src) return;
    dst.pnt = src.pnt;
    dst.ind = src.ind;
    dst.texw = src.texw;
    dst.texh = src.texh;
    dst.texpix = src.texpix;
    dst.diffuse = src.diffuse;
    dst.emissive = src.emissive;
    dst.specular = src.specular;
    dst.specpow = src.specpow;
}

void msh_copy(typmsh& dst, const typmsh& src) {
    dst.used = src.used;
    if (src.used == 0 || &dst == &src) return;
    const int32_t count = std::clamp<int32_t>(src.grpcnt, 0, int32_t(src.grp.size()));
    dst.grpcnt = count;
    dst.grp.resize(size_t(count));
    for (int32_t i = 0; i < count; ++i) grp_copy(dst.grp[size_t(i)], src.grp[size_t(i)]);
}

void pnt_rotate_translate(pnttyp* v, int32_t n, Vec3 t, Vec3 ang) {
    if (v == nullptr || n <= 0) return;
    const Turn tx(ang.x), ty(ang.y), tz(ang.z);
    const Vec3f off = vec_to_f(t);
    const int mask = (tx.skip ? 0 : 1) | (ty.skip ? 0 : 2) | (tz.skip ? 0 : 4);
    switch (mask) {
        case 0: turn_run<false, false, false>(v, n, tx, ty, tz, off); break;
        case 1: turn_run<true, false, false>(v, n, tx, ty, tz, off); break;
        case 2: turn_run<false, true, false>(v, n, tx, ty, tz, off); break;
        case 3: turn_run<true, true, false>(v, n, tx, ty, tz, off); break;
        case 4: turn_run<false, false, true>(v, n, tx, ty, tz, off); break;
        case 5: turn_run<true, false, true>(v, n, tx, ty, tz, off); break;
        case 6: turn_run<false, true, true>(v, n, tx, ty, tz, off); break;
        default: turn_run<true, true, true>(v, n, tx, ty, tz, off); break;
    }
}

void pnt_place(pnttyp* v, int32_t n, Vec3 t, Quat q) {
    if (v == nullptr || n <= 0) return;
    Vec3 axis;
    double angle;
    quat_to_axis_angle(q, axis, angle);
    // rotate_about_axis turns by minus its angle: -angle gives the active rotation.
    const Mat4 m = rotate_about_axis_matrix(axis, -angle);
    const Vec3f off = vec_to_f(t);
    for (int32_t i = 0; i < n; ++i) {
        pnttyp& p = v[i];
        p.pos = mat4_rotate_f(m, p.pos);
        p.nrm = mat4_rotate_f(m, p.nrm);
        p.pos = add_offset(p.pos, off);
    }
}

void pnt_scale(pnttyp* v, int32_t n, Vec3 s) {
    if (v == nullptr || n <= 0) return;
    const Vec3f f = vec_to_f(s);
    for (int32_t i = 0; i < n; ++i) {
        Vec3f& p = v[i].pos;
        p = Vec3f{float(ld(p.x) * f.x), float(ld(p.y) * f.y), float(ld(p.z) * f.z)};
    }
}

double pnt_radius(const pnttyp* v, int32_t n) {
    if (v == nullptr || n <= 0) return 0;
    ld best = 0;
    for (int32_t i = 0; i < n; ++i) {
        const ld x = v[i].pos.x, y = v[i].pos.y, z = v[i].pos.z;
        const ld d = x * x + y * y + z * z;
        if (d > best) best = d;
    }
    return double(std::sqrt(best));
}

double msh_radius(const typmsh& m) {
    const int32_t count = std::clamp<int32_t>(m.grpcnt, 0, int32_t(m.grp.size()));
    double best = 0;
    for (int32_t i = 0; i < count; ++i) {
        const aopntyp& pnt = m.grp[size_t(i)].pnt;
        const double r = pnt_radius(pnt.data(), int32_t(pnt.size()));
        if (r > best) best = r;
    }
    return best;
}

void msh_prepare(typmsh& m) {
    if (m.used == 1) {
        const int32_t count = std::clamp<int32_t>(m.grpcnt, 0, int32_t(m.grp.size()));
        for (int32_t i = 0; i < count; ++i) grp_reset(m.grp[size_t(i)]);
    } else {
        m.used = 1;
    }
    m.grpcnt = block_group_capacity;
    m.grp.resize(size_t(block_group_capacity));
    for (typmshgrp& g : m.grp) grp_reset(g);
}

double msh_finish(typmsh& m, int32_t count) {
    const double radius = msh_radius(m);
    const int32_t keep = std::clamp<int32_t>(count, 0, int32_t(m.grp.size()));
    m.grpcnt = keep;
    m.grp.resize(size_t(keep));
    return radius;
}

}  // namespace quilbet

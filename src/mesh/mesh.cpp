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

// Cosine and sine of one Euler angle, taken once per run of vertices.
struct Turn {
    bool skip;
    ld c, s;
    explicit Turn(double a) : skip(a == 0), c(std::cos(ld(a))), s(std::sin(ld(a))) {}
};

void turn_x(Vec3f& v, const Turn& t) {
    if (t.skip) return;
    const ld y = v.y, z = v.z;
    v.y = float(y * t.c - z * t.s);
    v.z = float(y * t.s + z * t.c);
}

void turn_y(Vec3f& v, const Turn& t) {
    if (t.skip) return;
    const ld x = v.x, z = v.z;
    v.x = float(x * t.c + z * t.s);
    v.z = float(-x * t.s + z * t.c);
}

void turn_z(Vec3f& v, const Turn& t) {
    if (t.skip) return;
    const ld x = v.x, y = v.y;
    v.x = float(x * t.c - y * t.s);
    v.y = float(x * t.s + y * t.c);
}

Vec3f add_offset(Vec3f p, Vec3f t) {
    return Vec3f{float(ld(p.x) + t.x), float(ld(p.y) + t.y), float(ld(p.z) + t.z)};
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
    for (int32_t i = 0; i < n; ++i) {
        pnttyp& p = v[i];
        turn_x(p.pos, tx);
        turn_y(p.pos, ty);
        turn_z(p.pos, tz);
        turn_x(p.nrm, tx);
        turn_y(p.nrm, ty);
        turn_z(p.nrm, tz);
        p.pos = add_offset(p.pos, off);
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

// Vec3 (64-bit) and Vec3f (32-bit) operations.
//
// Every operation computes in long double (x87 extended) and rounds each
// stored component once to its field's width, so a float result is never
// rounded through double on its way.
#include <cmath>

#include "maths/maths.hpp"

namespace quilbet {

namespace {

using ld = long double;

ld len_ext(Vec3 v) {
    const ld x = v.x, y = v.y, z = v.z;
    return std::sqrt(x * x + y * y + z * z);
}

ld len_ext(Vec3f v) {
    const ld x = v.x, y = v.y, z = v.z;
    return std::sqrt(x * x + y * y + z * z);
}

}  // namespace

Vec3 vec_make(double x, double y, double z) { return Vec3{x, y, z}; }

Vec3 vec_add(Vec3 a, Vec3 b) {
    return Vec3{double(ld(a.x) + b.x), double(ld(a.y) + b.y), double(ld(a.z) + b.z)};
}

Vec3 vec_sub(Vec3 a, Vec3 b) {
    return Vec3{double(ld(a.x) - b.x), double(ld(a.y) - b.y), double(ld(a.z) - b.z)};
}

Vec3 vec_scale(Vec3 v, double s) {
    return Vec3{double(ld(s) * v.x), double(ld(s) * v.y), double(ld(s) * v.z)};
}

double vec_len(Vec3 v) { return double(len_ext(v)); }

Vec3 vec_normalize(Vec3 v) {
    const ld l = len_ext(v);
    if (!(l >= tolerance)) return v;
    return Vec3{double(v.x / l), double(v.y / l), double(v.z / l)};
}

Vec3 vec_cross(Vec3 a, Vec3 b) {
    return Vec3{double(ld(a.y) * b.z - ld(a.z) * b.y),
                double(ld(a.z) * b.x - ld(a.x) * b.z),
                double(ld(a.x) * b.y - ld(a.y) * b.x)};
}

Vec3f vec_to_f(Vec3 v) { return Vec3f{float(v.x), float(v.y), float(v.z)}; }

Vec3f vecf_make(double x, double y, double z) { return Vec3f{float(x), float(y), float(z)}; }

Vec2f vec2f_make(double u, double v) { return Vec2f{float(u), float(v)}; }

Vec3f vecf_add(Vec3f a, Vec3f b) {
    return Vec3f{float(ld(a.x) + b.x), float(ld(a.y) + b.y), float(ld(a.z) + b.z)};
}

Vec3f vecf_sub(Vec3f a, Vec3f b) {
    return Vec3f{float(ld(a.x) - b.x), float(ld(a.y) - b.y), float(ld(a.z) - b.z)};
}

Vec3f vecf_mul(Vec3f a, Vec3f b) {
    return Vec3f{float(ld(a.x) * b.x), float(ld(a.y) * b.y), float(ld(a.z) * b.z)};
}

Vec3f vecf_scale(Vec3f v, double s) {
    return Vec3f{float(ld(s) * v.x), float(ld(s) * v.y), float(ld(s) * v.z)};
}

double vecf_dot(Vec3f a, Vec3f b) {
    return double(ld(a.x) * b.x + ld(a.y) * b.y + ld(a.z) * b.z);
}

double vecf_len2(Vec3f v) {
    const ld x = v.x, y = v.y, z = v.z;
    return double(x * x + y * y + z * z);
}

double vecf_len(Vec3f v) { return double(len_ext(v)); }

Vec3f vecf_normalize(Vec3f v) {
    const ld l = len_ext(v);
    if (!(l >= tolerance)) return v;
    return Vec3f{float(v.x / l), float(v.y / l), float(v.z / l)};
}

Vec3f vecf_cross(Vec3f a, Vec3f b) {
    return Vec3f{float(ld(a.y) * b.z - ld(a.z) * b.y),
                 float(ld(a.z) * b.x - ld(a.x) * b.z),
                 float(ld(a.x) * b.y - ld(a.y) * b.x)};
}

Vec3f vecf_unit_cross(Vec3f a, Vec3f b) { return vecf_normalize(vecf_cross(a, b)); }

bool vecf_equal(Vec3f a, Vec3f b) {
    return std::fabs(ld(a.x) - b.x) < tolerance && std::fabs(ld(a.y) - b.y) < tolerance &&
           std::fabs(ld(a.z) - b.z) < tolerance;
}

void vecf_rotate_x(Vec3f& v, double a) {
    if (a == 0) return;
    const ld c = std::cos(ld(a)), s = std::sin(ld(a));
    const ld y = v.y, z = v.z;
    v.y = float(y * c - z * s);
    v.z = float(y * s + z * c);
}

void vecf_rotate_y(Vec3f& v, double a) {
    if (a == 0) return;
    const ld c = std::cos(ld(a)), s = std::sin(ld(a));
    const ld x = v.x, z = v.z;
    v.x = float(x * c + z * s);
    v.z = float(-x * s + z * c);
}

void vecf_rotate_z(Vec3f& v, double a) {
    if (a == 0) return;
    const ld c = std::cos(ld(a)), s = std::sin(ld(a));
    const ld x = v.x, y = v.y;
    v.x = float(x * c - y * s);
    v.y = float(x * s + y * c);
}

float lattice_coord(int32_t i, int32_t n) {
    if (n < 2) return -1.0f;
    return float(2.0L * i / (n - 1) - 1.0L);
}

}  // namespace quilbet

// Exact plane and line facts of lattice facets.
#include "metamold/lattice_tag.hpp"

#include <algorithm>
#include <cstdlib>

namespace quilbet {

namespace {

struct ivec {
    int32_t x, y, z;
};

ivec decode(uint32_t code) { return ivec{lattice_code_axis(code, 0), lattice_code_axis(code, 1), lattice_code_axis(code, 2)}; }

int32_t gcd32(int32_t a, int32_t b) {
    while (b != 0) {
        const int32_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

int32_t dist2(ivec a, ivec b) {
    const int32_t x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
    return x * x + y * y + z * z;
}

}  // namespace

lattice_tag lattice_tag_of(uint32_t a, uint32_t b, uint32_t c) {
    lattice_tag t;
    t.code[0] = a;
    t.code[1] = b;
    t.code[2] = c;
    if (a == lattice_code_none || b == lattice_code_none || c == lattice_code_none) return t;
    const ivec p = decode(a), q = decode(b), r = decode(c);
    t.edge2 = std::max({dist2(p, q), dist2(q, r), dist2(r, p)});
    const int32_t ux = q.x - p.x, uy = q.y - p.y, uz = q.z - p.z;
    const int32_t vx = r.x - p.x, vy = r.y - p.y, vz = r.z - p.z;
    ivec n{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
    const int32_t ax = std::abs(n.x), ay = std::abs(n.y), az = std::abs(n.z);
    if ((ax | ay | az) == 0) return t;
    // Most lattice normals have a component of 1 and need no reduction.
    if (ax != 1 && ay != 1 && az != 1) {
        const int32_t g = gcd32(gcd32(ax, ay), az);
        if (g != 1) {
            n.x /= g;
            n.y /= g;
            n.z /= g;
        }
    }
    if (n.x < 0 || (n.x == 0 && (n.y < 0 || (n.y == 0 && n.z < 0)))) n = ivec{-n.x, -n.y, -n.z};
    t.normal = uint64_t(uint16_t(int16_t(n.x))) << 32 | uint64_t(uint16_t(int16_t(n.y))) << 16 |
               uint64_t(uint16_t(int16_t(n.z)));
    t.offset = n.x * p.x + n.y * p.y + n.z * p.z;
    return t;
}

}  // namespace quilbet

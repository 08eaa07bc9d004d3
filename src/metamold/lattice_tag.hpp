// Integer descriptions of facets whose corners are lattice points, carried
// along with the facets through polygonisation so that merging can decide
// plane membership and collinearity by exact integer arithmetic.
#pragma once

#include <cstdint>

namespace quilbet {

// Largest lattice (points per axis) whose facets get tags: indices fit 8 bits
// and reduced plane normals (at most 2 (n - 1)^2 per component) 16 bits.
inline constexpr int32_t lattice_tag_max_resolution = 128;

// A lattice point packed as i | j << 8 | k << 16; lattice_code_none marks a
// point known to be off the lattice.
inline constexpr uint32_t lattice_code_none = 0xFFFFFFFFu;
inline uint32_t lattice_code(int32_t i, int32_t j, int32_t k) {
    return static_cast<uint32_t>(i) | static_cast<uint32_t>(j) << 8 | static_cast<uint32_t>(k) << 16;
}
inline int32_t lattice_code_axis(uint32_t code, int axis) { return static_cast<int32_t>((code >> (8 * axis)) & 0xFFu); }

struct lattice_tag {
    uint32_t code[3] = {lattice_code_none, lattice_code_none, lattice_code_none};   // of pa, pb, pc
    int32_t edge2 = 0;       // squared length of the longest edge, in lattice steps
    int32_t offset = 0;      // normal . (any corner)
    uint64_t normal = 0;     // the plane's normal reduced to coprime components with the first
                             // non-zero one positive, 16 bits each (x highest); 0 = degenerate
    bool degenerate() const { return normal == 0; }
    bool same_plane(const lattice_tag& o) const { return normal == o.normal && offset == o.offset; }
};

// Squared length of the longest edge of the triangle a, b, c, in lattice steps.
inline int32_t lattice_longest_edge2(uint32_t a, uint32_t b, uint32_t c) {
    auto d2 = [](uint32_t p, uint32_t q) {
        int32_t s = 0;
        for (int k = 0; k < 3; ++k) {
            const int32_t e = lattice_code_axis(p, k) - lattice_code_axis(q, k);
            s += e * e;
        }
        return s;
    };
    const int32_t ab = d2(a, b), bc = d2(b, c), ca = d2(c, a);
    return ab > bc ? (ab > ca ? ab : ca) : (bc > ca ? bc : ca);
}

// Component axis (0 = x) of a tag's reduced normal.
inline int32_t lattice_tag_normal(const lattice_tag& t, int axis) {
    return static_cast<int16_t>(static_cast<uint16_t>(t.normal >> (16 * (2 - axis))));
}

// The tag of the facet with corners a, b, c (lattice codes). Corners on one
// line, or a corner off the lattice, give a degenerate tag.
lattice_tag lattice_tag_of(uint32_t a, uint32_t b, uint32_t c);

// True when the three lattice points lie on one line.
inline bool lattice_collinear(uint32_t a, uint32_t b, uint32_t c) {
    const int32_t ux = lattice_code_axis(b, 0) - lattice_code_axis(a, 0), uy = lattice_code_axis(b, 1) - lattice_code_axis(a, 1),
                  uz = lattice_code_axis(b, 2) - lattice_code_axis(a, 2);
    const int32_t vx = lattice_code_axis(c, 0) - lattice_code_axis(a, 0), vy = lattice_code_axis(c, 1) - lattice_code_axis(a, 1),
                  vz = lattice_code_axis(c, 2) - lattice_code_axis(a, 2);
    return uy * vz == uz * vy && uz * vx == ux * vz && ux * vy == uy * vx;
}

}  // namespace quilbet

// Shared helpers of the assembly tests: bounding boxes of groups and exact
// comparison of meshes and groups.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "mesh/mesh.hpp"

namespace quilbet::testing_support {

struct Box {
    double lo[3] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                    std::numeric_limits<double>::infinity()};
    double hi[3] = {-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                    -std::numeric_limits<double>::infinity()};
    double centre(int axis) const { return (lo[axis] + hi[axis]) / 2; }
    bool empty() const { return lo[0] > hi[0]; }
};

inline void box_add(Box& b, const typmshgrp& g) {
    for (const pnttyp& p : g.pnt) {
        const double v[3] = {p.pos.x, p.pos.y, p.pos.z};
        for (int a = 0; a < 3; ++a) {
            b.lo[a] = std::min(b.lo[a], v[a]);
            b.hi[a] = std::max(b.hi[a], v[a]);
        }
    }
}

// Bounding box of the positions of groups from .. to - 1.
inline Box groups_box(const typmsh& m, int from, int to) {
    Box b;
    for (int g = from; g < to; ++g) box_add(b, m.grp[size_t(g)]);
    return b;
}

inline bool same_vertex(const pnttyp& a, const pnttyp& b) { return std::memcmp(&a, &b, sizeof(pnttyp)) == 0; }

// Vertices, indices, materials and texture pixels of two groups are identical.
inline ::testing::AssertionResult same_group(const typmshgrp& a, const typmshgrp& b) {
    if (a.pnt.size() != b.pnt.size()) return ::testing::AssertionFailure() << "vertex counts differ";
    if (a.ind != b.ind) return ::testing::AssertionFailure() << "indices differ";
    for (size_t i = 0; i < a.pnt.size(); ++i) {
        if (!same_vertex(a.pnt[i], b.pnt[i])) return ::testing::AssertionFailure() << "vertex " << i << " differs";
    }
    if (a.diffuse != b.diffuse || a.emissive != b.emissive || a.specular != b.specular || a.specpow != b.specpow) {
        return ::testing::AssertionFailure() << "materials differ";
    }
    if ((a.texpix == nullptr) != (b.texpix == nullptr)) return ::testing::AssertionFailure() << "texture presence";
    if (a.texpix) {
        if (a.texw != b.texw || a.texh != b.texh) return ::testing::AssertionFailure() << "texture sizes differ";
        if (std::memcmp(a.texpix.get(), b.texpix.get(), size_t(a.texw) * size_t(a.texh) * 4) != 0) {
            return ::testing::AssertionFailure() << "texture pixels differ";
        }
    }
    return ::testing::AssertionSuccess();
}

inline typmsh prepared_mesh() {
    typmsh m;
    msh_prepare(m);
    return m;
}

}  // namespace quilbet::testing_support

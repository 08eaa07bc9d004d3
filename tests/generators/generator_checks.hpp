// Checks shared by the generator tests: random draw counting, whole-group
// invariants and the closed-surface walk that finds inside-out primitives.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "maths/random.hpp"
#include "mesh/mesh.hpp"

namespace quilbet::testing {

// The state a fresh generator at `state` reaches after `draws` numbers.
inline uint32_t state_after(uint32_t state, int draws) {
    Random r;
    r.set_state(state);
    for (int i = 0; i < draws; ++i) r.random_fraction();
    return r.state();
}

// Cell painter draws: 6 row bands, 6 columns for panel types 0 and 1, 8 otherwise, 3 each.
inline int cell_draws(int32_t panel_type) { return 6 * ((panel_type == 0 || panel_type == 1) ? 6 : 8) * 3; }

struct Bounds {
    float lo[3] = {INFINITY, INFINITY, INFINITY};
    float hi[3] = {-INFINITY, -INFINITY, -INFINITY};
};

inline Bounds bounds(const typmshgrp& g, size_t first = 0, size_t count = SIZE_MAX) {
    Bounds b;
    const size_t end = count == SIZE_MAX ? g.pnt.size() : first + count;
    for (size_t i = first; i < end; ++i) {
        const float p[3] = {g.pnt[i].pos.x, g.pnt[i].pos.y, g.pnt[i].pos.z};
        for (int k = 0; k < 3; ++k) {
            b.lo[k] = std::fmin(b.lo[k], p[k]);
            b.hi[k] = std::fmax(b.hi[k], p[k]);
        }
    }
    return b;
}

// Mean position of vertices first .. first + count - 1, in double.
inline std::array<double, 3> centroid(const typmshgrp& g, size_t first, size_t count) {
    std::array<double, 3> c{0, 0, 0};
    for (size_t i = first; i < first + count; ++i) {
        c[0] += g.pnt[i].pos.x;
        c[1] += g.pnt[i].pos.y;
        c[2] += g.pnt[i].pos.z;
    }
    for (double& v : c) v /= double(count);
    return c;
}

// Bit-identical vertices, indices, texture pixels and material.
inline bool same_group(const typmshgrp& a, const typmshgrp& b) {
    if (a.pnt.size() != b.pnt.size() || a.ind != b.ind) return false;
    if (!a.pnt.empty() && std::memcmp(a.pnt.data(), b.pnt.data(), a.pnt.size() * sizeof(pnttyp)) != 0) return false;
    if (a.diffuse != b.diffuse || a.emissive != b.emissive || a.specular != b.specular || a.specpow != b.specpow)
        return false;
    if ((a.texpix == nullptr) != (b.texpix == nullptr)) return false;
    if (a.texpix) {
        if (a.texw != b.texw || a.texh != b.texh) return false;
        if (std::memcmp(a.texpix.get(), b.texpix.get(), size_t(a.texw) * size_t(a.texh) * 4) != 0) return false;
    }
    return true;
}

// Indices in range and whole triangles, unit normals, a painted texture.
inline void expect_sound_group(const typmshgrp& g, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(g.ind.size() % 3, 0u);
    for (int32_t i : g.ind) {
        ASSERT_GE(i, 0);
        ASSERT_LT(size_t(i), g.pnt.size());
    }
    for (const pnttyp& p : g.pnt) {
        ASSERT_TRUE(std::isfinite(p.pos.x) && std::isfinite(p.pos.y) && std::isfinite(p.pos.z));
        const double len = std::sqrt(double(p.nrm.x) * p.nrm.x + double(p.nrm.y) * p.nrm.y + double(p.nrm.z) * p.nrm.z);
        ASSERT_NEAR(len, 1.0, 1e-5);
    }
    ASSERT_NE(g.texpix, nullptr);
    ASSERT_GT(g.texw, 0);
    ASSERT_EQ(g.texw, g.texh);
}

using Vec3d = std::array<double, 3>;

inline Vec3d pos_of(const typmshgrp& g, int32_t i) {
    const pnttyp& p = g.pnt[size_t(i)];
    return {p.pos.x, p.pos.y, p.pos.z};
}
inline Vec3d sub(Vec3d a, Vec3d b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3d cross(Vec3d a, Vec3d b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double dot(Vec3d a, Vec3d b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Every triangle with a visible area turns (b - a) x (c - a) the way its
// vertex normals point. Returns the number of triangles that do not.
inline int misoriented_triangles(const typmshgrp& g) {
    int bad = 0;
    for (size_t t = 0; t + 2 < g.ind.size(); t += 3) {
        const int32_t a = g.ind[t], b = g.ind[t + 1], c = g.ind[t + 2];
        const Vec3d f = cross(sub(pos_of(g, b), pos_of(g, a)), sub(pos_of(g, c), pos_of(g, a)));
        const double area2 = std::sqrt(dot(f, f));
        if (area2 < 1e-7) continue;
        Vec3d n{0, 0, 0};
        for (int32_t v : {a, b, c}) {
            n[0] += g.pnt[size_t(v)].nrm.x;
            n[1] += g.pnt[size_t(v)].nrm.y;
            n[2] += g.pnt[size_t(v)].nrm.z;
        }
        if (dot(f, n) <= 0) ++bad;
    }
    return bad;
}

// Walks the triangles in order and cuts them into closed surfaces: a run of
// triangles is closed once every edge (vertices welded by position) has been
// met once in each direction. Primitives never share vertices, so each box,
// prism, capsule and two-sided quad closes on its own. Reports whether the
// whole list splits into closed surfaces and the signed volume of each
// (positive when wound outward; 0 for a two-sided quad).
struct ClosedSurfaces {
    bool all_closed = true;
    std::vector<double> volumes;
};

inline ClosedSurfaces closed_surfaces(const typmshgrp& g, double weld = 1e-4) {
    ClosedSurfaces out;
    std::vector<Vec3d> reps;
    std::vector<int32_t> welded(g.pnt.size(), -1);
    std::vector<int32_t> touched;
    std::map<std::pair<int, int>, int> open;
    size_t chunk_start = 0;
    auto weld_id = [&](int32_t v) {
        if (welded[size_t(v)] >= 0) return welded[size_t(v)];
        const Vec3d p = pos_of(g, v);
        for (size_t r = 0; r < reps.size(); ++r) {
            const Vec3d d = sub(reps[r], p);
            if (std::fabs(d[0]) < weld && std::fabs(d[1]) < weld && std::fabs(d[2]) < weld) {
                touched.push_back(v);
                return welded[size_t(v)] = int32_t(r);
            }
        }
        reps.push_back(p);
        touched.push_back(v);
        return welded[size_t(v)] = int32_t(reps.size() - 1);
    };
    for (size_t t = 0; t + 2 < g.ind.size(); t += 3) {
        const int ids[3] = {weld_id(g.ind[t]), weld_id(g.ind[t + 1]), weld_id(g.ind[t + 2])};
        for (int e = 0; e < 3; ++e) {
            const int u = ids[e], v = ids[(e + 1) % 3];
            if (u == v) continue;
            auto back = open.find({v, u});
            if (back != open.end()) {
                if (--back->second == 0) open.erase(back);
            } else {
                ++open[{u, v}];
            }
        }
        if (open.empty()) {
            // Signed volume about the run's first vertex.
            const Vec3d o = pos_of(g, g.ind[chunk_start]);
            double vol = 0;
            for (size_t s = chunk_start; s <= t; s += 3) {
                const Vec3d a = sub(pos_of(g, g.ind[s]), o), b = sub(pos_of(g, g.ind[s + 1]), o),
                            c = sub(pos_of(g, g.ind[s + 2]), o);
                vol += dot(a, cross(b, c)) / 6;
            }
            out.volumes.push_back(vol);
            chunk_start = t + 3;
            reps.clear();
            for (int32_t v : touched) welded[size_t(v)] = -1;
            touched.clear();
        }
    }
    if (!open.empty()) out.all_closed = false;
    return out;
}

}  // namespace quilbet::testing

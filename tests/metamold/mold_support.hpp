// Shared helpers of the molder tests: lattice fills and whole-output measures.
#pragma once

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "mesh/mesh.hpp"
#include "metamold/grid.hpp"
#include "metamold/merge.hpp"
#include "metamold/polygonise.hpp"
#include "support/polygonise_by_buckets.hpp"

namespace quilbet::testing_mold {

inline mbs_grid make_grid(int32_t n, int32_t groups, int32_t passes, bool round_sides = false) {
    mbs_grid g;
    g.resolution = n;
    g.group_count = groups;
    g.pass_count = passes;
    g.round_sides = round_sides ? 1 : 0;
    mbs_build_grid(g);
    return g;
}

inline typmsh make_mesh(int32_t groups) {
    typmsh m;
    m.used = 1;
    m.grpcnt = groups;
    m.grp.resize(static_cast<size_t>(groups));
    return m;
}

// Unions of random balls, value 1.0 inside (0.9 on a few points of the
// shell), groups 0..groups-1 by ball. Kept one lattice step off the border.
inline void fill_blobs(mbs_grid& g, uint32_t seed, int balls) {
    std::mt19937 rng(seed);
    const int32_t n = g.resolution;
    std::uniform_real_distribution<double> centre(3.0, n - 4.0), radius(2.2, n / 4.0 + 1.0);
    std::uniform_int_distribution<int32_t> group(0, g.group_count - 1);
    for (int b = 0; b < balls; ++b) {
        const double cx = centre(rng), cy = centre(rng), cz = centre(rng), r = radius(rng);
        const int32_t gr = group(rng);
        for (int32_t i = 1; i < n - 1; ++i)
            for (int32_t j = 1; j < n - 1; ++j)
                for (int32_t k = 1; k < n - 1; ++k) {
                    const double d2 = (i - cx) * (i - cx) + (j - cy) * (j - cy) + (k - cz) * (k - cz);
                    if (d2 <= r * r) {
                        mbs_point& p = g.point(i, j, k);
                        p.value = 1.0f;
                        p.group = gr;
                    }
                }
    }
}

// Unions of random boxes, at least two steps thick, value 1.0 inside (0.9 on
// a few), groups by box. Balls would leave one-step diagonal sheets whose two
// sides snap onto the same plane; boxes keep every surface one-sided.
inline void fill_boxes(mbs_grid& g, uint32_t seed, int boxes) {
    std::mt19937 rng(seed);
    const int32_t n = g.resolution;
    std::uniform_int_distribution<int32_t> lo(1, n - 5), size(2, n / 2), group(0, g.group_count - 1);
    for (int b = 0; b < boxes; ++b) {
        int32_t a[3], e[3];
        for (int c = 0; c < 3; ++c) {
            a[c] = lo(rng);
            e[c] = std::min(n - 2, a[c] + size(rng));
        }
        const int32_t gr = group(rng);
        for (int32_t i = a[0]; i <= e[0]; ++i)
            for (int32_t j = a[1]; j <= e[1]; ++j)
                for (int32_t k = a[2]; k <= e[2]; ++k) {
                    mbs_point& p = g.point(i, j, k);
                    p.value = 1.0f;
                    p.group = gr;
                }
    }
}

// A hollow tube along z: ring between radii ri and ro, |z| <= half, in lattice units.
inline void fill_tube(mbs_grid& g, double ro, double ri, int32_t half) {
    const int32_t n = g.resolution, c = n / 2;
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < n; ++j)
            for (int32_t k = 0; k < n; ++k) {
                const double d2 = double(i - c) * (i - c) + double(j - c) * (j - c);
                mbs_point& p = g.point(i, j, k);
                if (std::abs(k - c) <= half && d2 <= ro * ro) p.value = 1.0f;
                if (std::abs(k - c) < half && d2 <= ri * ri) {
                    p.value = 0.0f;
                    p.group = 2 % g.group_count;
                }
            }
}

struct Tri {
    double a[3], b[3], c[3];
};

inline void sub(const double* x, const double* y, double* r) {
    for (int i = 0; i < 3; ++i) r[i] = x[i] - y[i];
}
inline void cross(const double* x, const double* y, double* r) {
    r[0] = x[1] * y[2] - x[2] * y[1];
    r[1] = x[2] * y[0] - x[0] * y[2];
    r[2] = x[0] * y[1] - x[1] * y[0];
}

// Triangles of one group as written (vertex triples of the index array).
inline std::vector<Tri> group_tris(const typmshgrp& grp) {
    std::vector<Tri> out;
    for (size_t t = 0; t + 2 < grp.ind.size(); t += 3) {
        Tri tr;
        double* dst[3] = {tr.a, tr.b, tr.c};
        for (int c = 0; c < 3; ++c) {
            const Vec3f p = grp.pnt[static_cast<size_t>(grp.ind[t + static_cast<size_t>(c)])].pos;
            dst[c][0] = p.x;
            dst[c][1] = p.y;
            dst[c][2] = p.z;
        }
        out.push_back(tr);
    }
    return out;
}

inline void tri_normal(const Tri& t, double* n) {
    double u[3], v[3];
    sub(t.b, t.a, u);
    sub(t.c, t.a, v);
    cross(u, v, n);
}

inline double signed_volume(const std::vector<Tri>& tris) {
    double vol = 0;
    for (const Tri& t : tris) {
        double bc[3];
        cross(t.b, t.c, bc);
        vol += (t.a[0] * bc[0] + t.a[1] * bc[1] + t.a[2] * bc[2]) / 6;
    }
    return vol;
}

struct PlaneArea {
    double n[3];
    double d;
    double area;
};

// Area per (unoriented) plane, planes matched within 1e-4.
inline std::vector<PlaneArea> area_by_plane(const std::vector<Tri>& tris) {
    std::vector<PlaneArea> planes;
    for (const Tri& t : tris) {
        double n[3];
        tri_normal(t, n);
        const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (len == 0) continue;
        for (double& x : n) x /= len;
        for (int i = 0; i < 3; ++i) {
            if (std::fabs(n[i]) > 1e-6) {
                if (n[i] < 0)
                    for (double& x : n) x = -x;
                break;
            }
        }
        const double d = n[0] * t.a[0] + n[1] * t.a[1] + n[2] * t.a[2];
        bool found = false;
        for (PlaneArea& p : planes) {
            if (std::fabs(p.n[0] - n[0]) < 1e-4 && std::fabs(p.n[1] - n[1]) < 1e-4 &&
                std::fabs(p.n[2] - n[2]) < 1e-4 && std::fabs(p.d - d) < 1e-4) {
                p.area += len / 2;
                found = true;
                break;
            }
        }
        if (!found) planes.push_back(PlaneArea{{n[0], n[1], n[2]}, d, len / 2});
    }
    return planes;
}

inline bool same_vertices(const typmshgrp& x, const typmshgrp& y) {
    if (x.pnt.size() != y.pnt.size() || x.ind != y.ind) return false;
    for (size_t i = 0; i < x.pnt.size(); ++i) {
        const pnttyp& a = x.pnt[i];
        const pnttyp& b = y.pnt[i];
        const float fa[8] = {a.nrm.x, a.nrm.y, a.nrm.z, a.pos.x, a.pos.y, a.pos.z, a.tu, a.tv};
        const float fb[8] = {b.nrm.x, b.nrm.y, b.nrm.z, b.pos.x, b.pos.y, b.pos.z, b.tu, b.tv};
        for (int c = 0; c < 8; ++c) {
            uint32_t ua, ub;
            std::memcpy(&ua, &fa[c], 4);
            std::memcpy(&ub, &fb[c], 4);
            if (ua != ub) return false;
        }
    }
    return true;
}

inline bool same_facets(const polyarr& x, const polyarr& y) {
    if (x.count != y.count || x.tris.size() != y.tris.size()) return false;
    return x.count == 0 || std::memcmp(x.tris.data(), y.tris.data(), sizeof(mbs_facet) * static_cast<size_t>(x.count)) == 0;
}

}  // namespace quilbet::testing_mold

// Triangle against triangle (after Moeller's interval test), with a grid of
// cells over the region where two blocks' bounds meet.
#include "triangle_check.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "mesh/mesh.hpp"

namespace quilbet {
namespace {

using V = double[3];

void sub(const V a, const V b, V out) {
    for (int k = 0; k < 3; ++k) out[k] = a[k] - b[k];
}
void cross(const V a, const V b, V out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}
double dot(const V a, const V b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Unit normal of a triangle; false for a sliver without one.
bool unit_normal(const double t[3][3], V n) {
    V e1, e2;
    sub(t[1], t[0], e1);
    sub(t[2], t[0], e2);
    cross(e1, e2, n);
    const double len = std::sqrt(dot(n, n));
    if (len < 1e-12) return false;
    for (int k = 0; k < 3; ++k) n[k] /= len;
    return true;
}

// Signed distances of t's corners from the plane (n, through p); true when
// corners lie beyond both sides by more than tol.
bool straddles(const double t[3][3], const V n, const V p, double d[3], double tol) {
    bool above = false, below = false;
    for (int i = 0; i < 3; ++i) {
        V r;
        sub(t[i], p, r);
        d[i] = dot(n, r);
        above = above || d[i] > tol;
        below = below || d[i] < -tol;
    }
    return above && below;
}

// The stretch of t along direction dir where t meets the plane its distances d refer to.
void stretch(const double t[3][3], const double d[3], const V dir, double& lo, double& hi) {
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    auto take = [&](const V p) {
        const double s = dot(dir, p);
        lo = std::min(lo, s);
        hi = std::max(hi, s);
    };
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        if (d[i] == 0) take(t[i]);
        if ((d[i] < 0 && d[j] > 0) || (d[i] > 0 && d[j] < 0)) {
            const double f = d[i] / (d[i] - d[j]);
            V p;
            for (int k = 0; k < 3; ++k) p[k] = t[i][k] + f * (t[j][k] - t[i][k]);
            take(p);
        }
    }
}

struct Tri {
    double v[3][3];
    double lo[3], hi[3];
};

struct Body {
    std::vector<Tri> tris;
    double lo[3], hi[3];
};

Body placed_body(const blocktyp& b) {
    Body body;
    for (int k = 0; k < 3; ++k) {
        body.lo[k] = std::numeric_limits<double>::infinity();
        body.hi[k] = -body.lo[k];
    }
    const size_t groups = std::min(static_cast<size_t>(std::max(b.msh.grpcnt, 0)), b.msh.grp.size());
    for (size_t g = 0; g < groups; ++g) {
        typmshgrp placed;
        grp_copy(placed, b.msh.grp[g]);
        pnt_place(placed.pnt.data(), static_cast<int32_t>(placed.pnt.size()), b.pos, b.rot);
        for (size_t i = 0; i + 2 < placed.ind.size(); i += 3) {
            Tri t;
            for (int c = 0; c < 3; ++c) {
                const Vec3f& p = placed.pnt[static_cast<size_t>(placed.ind[i + static_cast<size_t>(c)])].pos;
                t.v[c][0] = p.x;
                t.v[c][1] = p.y;
                t.v[c][2] = p.z;
            }
            for (int k = 0; k < 3; ++k) {
                t.lo[k] = std::min({t.v[0][k], t.v[1][k], t.v[2][k]});
                t.hi[k] = std::max({t.v[0][k], t.v[1][k], t.v[2][k]});
                body.lo[k] = std::min(body.lo[k], t.lo[k]);
                body.hi[k] = std::max(body.hi[k], t.hi[k]);
            }
            body.tris.push_back(t);
        }
    }
    return body;
}

bool boxes_meet(const double alo[3], const double ahi[3], const double blo[3], const double bhi[3], double tol) {
    for (int k = 0; k < 3; ++k) {
        if (alo[k] > bhi[k] + tol || blo[k] > ahi[k] + tol) return false;
    }
    return true;
}

bool linked(const blocktyp& a, int32_t b) {
    for (const BlockPort& p : a.ports) {
        if (p.linked && p.lblock == b) return true;
    }
    return false;
}

// Whether any triangle of a crosses any triangle of b, looking only where their bounds meet.
bool bodies_cross(const Body& a, const Body& b, double tol) {
    double lo[3], hi[3];
    for (int k = 0; k < 3; ++k) {
        lo[k] = std::max(a.lo[k], b.lo[k]) - tol;
        hi[k] = std::min(a.hi[k], b.hi[k]) + tol;
    }
    std::vector<const Tri*> near_a, near_b;
    for (const Tri& t : a.tris) {
        if (boxes_meet(t.lo, t.hi, lo, hi, 0)) near_a.push_back(&t);
    }
    for (const Tri& t : b.tris) {
        if (boxes_meet(t.lo, t.hi, lo, hi, 0)) near_b.push_back(&t);
    }
    if (near_a.empty() || near_b.empty()) return false;

    // b's triangles in a grid of cells over the shared region.
    const int n = std::clamp(static_cast<int>(std::cbrt(static_cast<double>(near_b.size()) / 4.0)), 1, 32);
    double cell[3];
    for (int k = 0; k < 3; ++k) cell[k] = std::max((hi[k] - lo[k]) / n, 1e-9);
    auto index = [&](double v, int k) { return std::clamp(static_cast<int>((v - lo[k]) / cell[k]), 0, n - 1); };
    std::vector<std::vector<int32_t>> cells(static_cast<size_t>(n * n * n));
    for (size_t i = 0; i < near_b.size(); ++i) {
        const Tri& t = *near_b[i];
        for (int x = index(t.lo[0], 0); x <= index(t.hi[0], 0); ++x)
            for (int y = index(t.lo[1], 1); y <= index(t.hi[1], 1); ++y)
                for (int z = index(t.lo[2], 2); z <= index(t.hi[2], 2); ++z)
                    cells[static_cast<size_t>((x * n + y) * n + z)].push_back(static_cast<int32_t>(i));
    }
    std::vector<size_t> seen(near_b.size(), SIZE_MAX);
    for (size_t i = 0; i < near_a.size(); ++i) {
        const Tri& t = *near_a[i];
        for (int x = index(t.lo[0], 0); x <= index(t.hi[0], 0); ++x)
            for (int y = index(t.lo[1], 1); y <= index(t.hi[1], 1); ++y)
                for (int z = index(t.lo[2], 2); z <= index(t.hi[2], 2); ++z)
                    for (int32_t j : cells[static_cast<size_t>((x * n + y) * n + z)]) {
                        if (seen[static_cast<size_t>(j)] == i) continue;
                        seen[static_cast<size_t>(j)] = i;
                        const Tri& u = *near_b[static_cast<size_t>(j)];
                        if (boxes_meet(t.lo, t.hi, u.lo, u.hi, tol) && triangles_cross(t.v, u.v, tol)) return true;
                    }
    }
    return false;
}

}  // namespace

bool triangles_cross(const double a[3][3], const double b[3][3], double tol) {
    V na, nb;
    if (!unit_normal(a, na) || !unit_normal(b, nb)) return false;
    double da[3], db[3];
    if (!straddles(a, nb, b[0], da, tol) || !straddles(b, na, a[0], db, tol)) return false;
    // Corners within the tolerance count as lying in the plane.
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(da[i]) <= tol) da[i] = 0;
        if (std::fabs(db[i]) <= tol) db[i] = 0;
    }
    V dir;
    cross(na, nb, dir);
    const double len = std::sqrt(dot(dir, dir));
    if (len < 1e-9) return false;   // parallel planes cannot both be straddled
    for (double& c : dir) c /= len;
    double alo, ahi, blo, bhi;
    stretch(a, da, dir, alo, ahi);
    stretch(b, db, dir, blo, bhi);
    return std::min(ahi, bhi) - std::max(alo, blo) > tol;
}

std::vector<BlockPair> crossing_blocks(const Station& st, double tolerance) {
    const int32_t n = std::min(st.block_count, static_cast<int32_t>(st.blocks.size()));
    std::vector<Body> bodies(static_cast<size_t>(std::max(n, 0)));
    for (int32_t i = 0; i < n; ++i) {
        if (st.blocks[static_cast<size_t>(i)].live) bodies[static_cast<size_t>(i)] = placed_body(st.blocks[static_cast<size_t>(i)]);
    }
    std::vector<BlockPair> out;
    for (int32_t i = 0; i < n; ++i) {
        const blocktyp& bi = st.blocks[static_cast<size_t>(i)];
        if (!bi.live || bodies[static_cast<size_t>(i)].tris.empty()) continue;
        for (int32_t j = i + 1; j < n; ++j) {
            const blocktyp& bj = st.blocks[static_cast<size_t>(j)];
            if (!bj.live || bodies[static_cast<size_t>(j)].tris.empty() || linked(bi, j) || linked(bj, i)) continue;
            const Body& a = bodies[static_cast<size_t>(i)];
            const Body& b = bodies[static_cast<size_t>(j)];
            if (!boxes_meet(a.lo, a.hi, b.lo, b.hi, tolerance)) continue;
            if (bodies_cross(a, b, tolerance)) out.push_back({i, j});
        }
    }
    return out;
}

}  // namespace quilbet

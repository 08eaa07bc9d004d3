// Polygonisation: documented cases, whole-output invariants over random
// lattices and a tube, and the fast merge against the step-by-step form.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "mold_support.hpp"

namespace quilbet {
namespace {

using namespace testing_mold;

void fill_block(mbs_grid& g, int32_t lo, int32_t hi, int32_t group = 0) {
    for (int32_t i = lo; i <= hi; ++i)
        for (int32_t j = lo; j <= hi; ++j)
            for (int32_t k = lo; k <= hi; ++k) {
                g.point(i, j, k).value = 1.0f;
                g.point(i, j, k).group = group;
            }
}

TEST(MoldPolygonise, SingleInsidePointLeavesTheGroupsEmpty) {
    mbs_grid g = make_grid(9, 2, 3);
    g.point(4, 4, 4).value = 1.0f;
    typmsh m = make_mesh(2);
    m.grp[0].pnt.resize(5);   // replaced, not appended to
    mbs_polygonise(m, 0, g);
    EXPECT_EQ(g.raw_triangle_count, 0);
    EXPECT_EQ(g.triangle_count, 0);
    EXPECT_TRUE(m.grp[0].pnt.empty());
    EXPECT_TRUE(m.grp[0].ind.empty());
    EXPECT_TRUE(m.grp[1].pnt.empty());
}

// A 3 x 3 x 3 block: only faces of its bounding box, one normal per face,
// the tangent frame of each face (the y faces from the z-axis fallback).
TEST(MoldPolygonise, BlockGivesAxisAlignedFacesWithOneNormalEach) {
    for (int32_t passes : {0, 1, 6}) {
        mbs_grid g = make_grid(11, 1, passes);
        fill_block(g, 4, 6);
        typmsh m = make_mesh(1);
        mbs_polygonise(m, 0, g);
        const typmshgrp& grp = m.grp[0];
        ASSERT_GT(g.triangle_count, 0);
        EXPECT_EQ(grp.pnt.size(), 3u * static_cast<size_t>(g.triangle_count));
        EXPECT_LE(g.triangle_count, g.raw_triangle_count);
        if (passes == 6) {
            EXPECT_EQ(g.triangle_count, 12);
        }
        const float lo = g.point(4, 0, 0).pos.x, hi = g.point(6, 0, 0).pos.x;
        for (size_t t = 0; t < grp.pnt.size(); t += 3) {
            const Vec3f n = grp.pnt[t].nrm;
            int axis = -1;
            for (int a = 0; a < 3; ++a) {
                const float c = a == 0 ? n.x : a == 1 ? n.y : n.z;
                if (std::fabs(c) == 1.0f) axis = a;
            }
            ASSERT_GE(axis, 0) << "slanted normal " << n.x << " " << n.y << " " << n.z;
            const float sign = (axis == 0 ? n.x : axis == 1 ? n.y : n.z);
            for (size_t c = 0; c < 3; ++c) {
                const pnttyp& v = grp.pnt[t + c];
                EXPECT_EQ(grp.ind[t + c], static_cast<int32_t>(t + c));
                const float pc = axis == 0 ? v.pos.x : axis == 1 ? v.pos.y : v.pos.z;
                EXPECT_EQ(pc, sign > 0 ? hi : lo);
                EXPECT_EQ(v.nrm.x, n.x);
                EXPECT_EQ(v.nrm.y, n.y);
                EXPECT_EQ(v.nrm.z, n.z);
                // Tangent frames: x faces (z, -y), y faces (+-x, -z), z faces (-+y... ) by q x (0,1,0).
                if (axis == 1) {
                    EXPECT_EQ(v.tu, sign > 0 ? v.pos.x : -v.pos.x);
                    EXPECT_EQ(v.tv, -v.pos.z);
                } else if (axis == 0) {
                    EXPECT_EQ(v.tu, sign > 0 ? v.pos.z : -v.pos.z);
                    EXPECT_EQ(v.tv, -v.pos.y);
                }
            }
        }
    }
}

TEST(MoldPolygonise, EdgeBetweenGroupsTakesTheLargerGroup) {
    mbs_grid g = make_grid(9, 2, 2);
    for (mbs_point& p : g.points) p.group = 1;
    fill_block(g, 3, 5, 0);
    typmsh m = make_mesh(4);
    m.grp[0].pnt.resize(2);
    mbs_polygonise(m, 2, g);
    EXPECT_EQ(m.grp[0].pnt.size(), 2u);   // outside the target range: untouched
    EXPECT_TRUE(m.grp[2].pnt.empty());
    EXPECT_EQ(m.grp[3].pnt.size(), 3u * static_cast<size_t>(g.triangle_count));
    EXPECT_GT(g.triangle_count, 0);
}

TEST(MoldPolygonise, RoundSidesSmoothSideNormalsAboutZ) {
    // n = 21: lattice coordinates -1 + i / 10, so 0.5 is i = 15 and 0.2 is i = 12.
    mbs_grid g = make_grid(21, 1, 0, true);
    for (int32_t i = 11; i <= 15; ++i)
        for (int32_t j = 11; j <= 16; ++j)
            for (int32_t k = 10; k <= 14; ++k) g.point(i, j, k).value = 1.0f;
    typmsh m = make_mesh(1);
    mbs_polygonise(m, 0, g);
    bool side = false, cap = false;
    const float top = g.point(0, 0, 14).pos.z;
    const typmshgrp& grp = m.grp[0];
    for (size_t t = 0; t < grp.pnt.size(); t += 3) {
        const bool on_cap = grp.pnt[t].pos.z == top && grp.pnt[t + 1].pos.z == top && grp.pnt[t + 2].pos.z == top;
        for (size_t c = 0; c < 3; ++c) {
            const pnttyp& v = grp.pnt[t + c];
            if (on_cap) {
                EXPECT_EQ(v.nrm.x, 0.0f);
                EXPECT_EQ(v.nrm.y, 0.0f);
                EXPECT_EQ(v.nrm.z, 1.0f);
                cap = true;
            } else if (v.pos.x == 0.5f && v.pos.y == 0.5f && v.pos.z == g.point(0, 0, 12).pos.z) {
                EXPECT_EQ(v.nrm.z, 0.0f);
                EXPECT_NEAR(v.nrm.x, 0.70710678, 1e-6);
                EXPECT_NEAR(v.nrm.y, 0.70710678, 1e-6);
                side = true;
            }
        }
    }
    EXPECT_TRUE(side);
    EXPECT_TRUE(cap);
}

TEST(MoldPolygonise, UnbuiltGridAndMissingGroupsAreHandled) {
    mbs_grid g;
    g.resolution = 5;
    g.group_count = 2;
    typmsh m = make_mesh(1);
    m.grp[0].pnt.resize(4);
    mbs_polygonise(m, 0, g);   // never built: empty output, nothing read
    EXPECT_TRUE(m.grp[0].pnt.empty());
    mbs_grid b = make_grid(9, 3, 2);
    fill_block(b, 2, 6, 2);
    typmsh small = make_mesh(2);   // group 2 does not exist
    mbs_polygonise(small, 0, b);
    EXPECT_GT(b.triangle_count, 0);
    // Groups written by the caller beyond group_count are clamped, not followed out of range.
    mbs_grid c = make_grid(9, 2, 2);
    fill_block(c, 2, 6, 7);
    typmsh mc = make_mesh(2);
    mbs_polygonise(mc, 0, c);
    EXPECT_EQ(mc.grp[1].pnt.size(), 3u * static_cast<size_t>(c.triangle_count));
}

struct Hull {
    typmsh mesh;
    int32_t raw = 0, tris = 0;
};

template <typename Fill>
Hull build(int32_t n, int32_t groups, int32_t passes, Fill fill, void (*merge)(polyarr&) = nullptr) {
    mbs_grid g = make_grid(n, groups, passes);
    fill(g);
    Hull h;
    h.mesh = make_mesh(groups);
    if (merge == nullptr) mbs_polygonise(h.mesh, 0, g);
    else oracle::polygonise_by_buckets(h.mesh, 0, g, merge);
    h.raw = g.raw_triangle_count;
    h.tris = g.triangle_count;
    return h;
}

// Merging keeps the surface (area per group and per plane, signed volume),
// triangles are wound along their normals, none is degenerate, the hull is
// wound outward, and the output repeats exactly.
void check_hull_invariants(int32_t n, int32_t groups, const std::function<void(mbs_grid&)>& fill) {
    const Hull raw = build(n, groups, 0, fill);
    const Hull merged = build(n, groups, 6, fill);
    const Hull again = build(n, groups, 6, fill);
    EXPECT_EQ(raw.raw, raw.tris);
    EXPECT_EQ(merged.raw, raw.raw);
    EXPECT_LT(merged.tris, merged.raw);
    double vol_raw = 0, vol_merged = 0;
    for (int32_t g = 0; g < groups; ++g) {
        const typmshgrp& a = raw.mesh.grp[static_cast<size_t>(g)];
        const typmshgrp& b = merged.mesh.grp[static_cast<size_t>(g)];
        EXPECT_TRUE(same_vertices(b, again.mesh.grp[static_cast<size_t>(g)]));
        const std::vector<Tri> ta = group_tris(a), tb = group_tris(b);
        vol_raw += signed_volume(ta);
        vol_merged += signed_volume(tb);
        std::vector<PlaneArea> pa = area_by_plane(ta), pb = area_by_plane(tb);
        ASSERT_EQ(pa.size(), pb.size()) << "group " << g;
        for (const PlaneArea& p : pa) {
            bool found = false;
            for (const PlaneArea& q : pb) {
                if (std::fabs(p.n[0] - q.n[0]) < 1e-4 && std::fabs(p.n[1] - q.n[1]) < 1e-4 &&
                    std::fabs(p.n[2] - q.n[2]) < 1e-4 && std::fabs(p.d - q.d) < 1e-4) {
                    EXPECT_NEAR(p.area, q.area, 1e-6 * (1 + p.area));
                    found = true;
                }
            }
            EXPECT_TRUE(found);
        }
        for (size_t t = 0; t < tb.size(); ++t) {
            double nn[3];
            tri_normal(tb[t], nn);
            const double len = std::sqrt(nn[0] * nn[0] + nn[1] * nn[1] + nn[2] * nn[2]);
            EXPECT_GT(len, 0.0);
            const Vec3f fn = b.pnt[3 * t].nrm;
            EXPECT_GT((nn[0] * fn.x + nn[1] * fn.y + nn[2] * fn.z) / len, 0.999);
        }
    }
    EXPECT_GT(vol_raw, 0.0);
    EXPECT_NEAR(vol_merged, vol_raw, 1e-6 * std::fabs(vol_raw));
}

TEST(MoldPolygonise, RandomBoxUnionsKeepTheirSurfaceThroughMerging) {
    for (uint32_t seed = 1; seed <= 16; ++seed) {
        SCOPED_TRACE(seed);
        check_hull_invariants(15 + 2 * (seed % 4), 3, [&](mbs_grid& g) { fill_boxes(g, seed, 1 + seed % 5); });
    }
}

TEST(MoldPolygonise, TubeKeepsItsSurfaceThroughMerging) {
    check_hull_invariants(25, 3, [](mbs_grid& g) { fill_tube(g, 10.5, 8.0, 9); });
}

// Whole polygonisations, block by block with the fast merge and bucket by
// bucket with the step-by-step merge, agree bit for bit, on snapped lattices
// of various densities and on fields with interpolated vertices; on snapped
// lattices they leave no facet of zero area or facing backwards.
TEST(MoldPolygonise, FastMergeMatchesTheReferenceOnWholeHulls) {
    std::mt19937 rng(2024);
    for (int trial = 0; trial < 24; ++trial) {
        const int32_t n = 6 + static_cast<int32_t>(rng() % 6);
        const int kind = trial % 4;
        const double density = 0.15 + 0.2 * (trial % 4);
        const uint32_t seed = rng();
        auto fill = [&](mbs_grid& g) {
            std::mt19937 local(seed);
            std::uniform_real_distribution<double> u(0, 1);
            if (kind == 3) {
                fill_blobs(g, seed, 3);
                return;
            }
            for (mbs_point& p : g.points) {
                const double r = u(local);
                if (kind == 2) p.value = float(2 * r);                 // interpolated vertices
                else p.value = r < density ? 1.0f : (r < density + 0.1 ? 0.9f : 0.0f);
                p.group = static_cast<int32_t>(local() % 3);
            }
        };
        const int32_t passes = 1 + static_cast<int32_t>(rng() % 6);
        const Hull fast = build(n, 3, passes, fill);
        const Hull ref = build(n, 3, passes, fill, mbs_merge_coplanar_tolerant);
        SCOPED_TRACE(trial);
        EXPECT_EQ(fast.tris, ref.tris);
        for (int32_t g = 0; g < 3; ++g) {
            const typmshgrp& grp = fast.mesh.grp[static_cast<size_t>(g)];
            EXPECT_TRUE(same_vertices(grp, ref.mesh.grp[static_cast<size_t>(g)]));
            // On snapped lattices collinear ears written on the way never
            // reach the hull, and no facet faces backwards. (Interpolated
            // vertices lie off any lattice; regions there are flat only
            // within the tolerance.)
            if (kind == 2) continue;
            const std::vector<Tri> tris = group_tris(grp);
            for (size_t t = 0; t < tris.size(); ++t) {
                double nn[3];
                tri_normal(tris[t], nn);
                const double len = std::sqrt(nn[0] * nn[0] + nn[1] * nn[1] + nn[2] * nn[2]);
                const Vec3f fn = grp.pnt[3 * t].nrm;
                EXPECT_TRUE(len > 0 && (nn[0] * fn.x + nn[1] * fn.y + nn[2] * fn.z) / len > 0.999) << "facet " << t;
            }
        }
    }
}

// The block-by-block walk against the bucket-by-bucket passes with the same
// merge, over lattice sizes odd and even (blocks cut off at the far border),
// one to four groups, no passes up to more passes than the lattice has
// levels, side smoothing on and off, and groups that the mesh lacks.
TEST(MoldPolygonise, BlockWalkMatchesTheBucketPasses) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 120; ++trial) {
        const int kind = trial % 3;
        // Noise lattices merge slowly (many small regions); boxes get larger lattices.
        const int32_t n = 2 + static_cast<int32_t>(rng() % (kind == 0 ? 16 : 9));
        const int32_t groups = 1 + static_cast<int32_t>(rng() % 4);
        const int32_t passes = static_cast<int32_t>(rng() % 9);
        const bool round = rng() % 2 == 0;
        const int32_t first = static_cast<int32_t>(rng() % 3);
        const uint32_t seed = rng();
        auto fill = [&](mbs_grid& g) {
            std::mt19937 local(seed);
            std::uniform_real_distribution<double> u(0, 1);
            if (kind == 0 && n > 7) {
                fill_boxes(g, seed, 1 + static_cast<int>(seed % 4));
                return;
            }
            for (mbs_point& p : g.points) {
                const double r = u(local);
                p.value = kind == 1 ? float(2 * r) : (r < 0.4 ? 1.0f : (r < 0.5 ? 0.9f : 0.0f));
                p.group = static_cast<int32_t>(local() % 5) - 1;   // -1 and group_count.. are clamped
            }
        };
        mbs_grid a = make_grid(n, groups, passes, round), b = make_grid(n, groups, passes, round);
        fill(a);
        fill(b);
        typmsh ma = make_mesh(groups + first - 1), mb = make_mesh(groups + first - 1);
        mbs_polygonise(ma, first, a);
        oracle::polygonise_by_buckets(mb, first, b, mbs_merge_coplanar);
        SCOPED_TRACE(trial);
        EXPECT_EQ(a.raw_triangle_count, b.raw_triangle_count);
        EXPECT_EQ(a.triangle_count, b.triangle_count);
        for (size_t g = 0; g < ma.grp.size(); ++g) EXPECT_TRUE(same_vertices(ma.grp[g], mb.grp[g])) << g;
    }
}

// Lattices large enough for the second thread, with interpolated vertices
// (the general cube pass) and snapped ones, several pass counts: two threads
// give the one-thread hull bit for bit.
TEST(MoldPolygonise, TwoThreadsGiveTheOneThreadHull) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        const int32_t n = 24 + static_cast<int32_t>(seed) * 3;
        const int32_t passes = 2 + static_cast<int32_t>(seed % 5);
        auto fill = [&](mbs_grid& g) {
            if (seed % 2) {
                fill_blobs(g, seed, 4);
            } else {
                fill_boxes(g, seed, 3);
            }
        };
        mbs_grid a = make_grid(n, 3, passes, seed % 3 == 0), b = make_grid(n, 3, passes, seed % 3 == 0);
        fill(a);
        fill(b);
        typmsh ma = make_mesh(3), mb = make_mesh(3);
        mbs_polygonise(ma, 0, a, false);
        mbs_polygonise(mb, 0, b, true);
        EXPECT_GT(a.triangle_count, 0);
        EXPECT_EQ(a.raw_triangle_count, b.raw_triangle_count);
        EXPECT_EQ(a.triangle_count, b.triangle_count);
        for (size_t g = 0; g < 3; ++g) EXPECT_TRUE(same_vertices(ma.grp[g], mb.grp[g])) << g;
    }
}

}  // namespace
}  // namespace quilbet

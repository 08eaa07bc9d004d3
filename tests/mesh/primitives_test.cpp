// The primitive builders: counts, positions, normals, texture coordinates and
// winding, and closed, outward-wound hulls for every closed primitive.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "mesh/primitives.hpp"

namespace quilbet {
namespace {

constexpr int32_t seg_codes[] = {0, 1, 2, 5, 8, 16};

struct Built {
    typmshgrp g;
    int32_t nv = 0, nind = 0;
};

Vec3 to_d(Vec3f v) { return Vec3{v.x, v.y, v.z}; }
Vec3 sub(Vec3 a, Vec3 b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 face_normal(const typmshgrp& g, int32_t tri) {
    const Vec3 a = to_d(g.pnt[size_t(g.ind[size_t(3 * tri)])].pos);
    const Vec3 b = to_d(g.pnt[size_t(g.ind[size_t(3 * tri + 1)])].pos);
    const Vec3 c = to_d(g.pnt[size_t(g.ind[size_t(3 * tri + 2)])].pos);
    return vec_cross(sub(b, a), sub(c, a));
}

Vec3 centroid(const typmshgrp& g, int32_t tri) {
    Vec3 s{0, 0, 0};
    for (int k = 0; k < 3; ++k) s = vec_add(s, to_d(g.pnt[size_t(g.ind[size_t(3 * tri + k)])].pos));
    return vec_scale(s, 1.0 / 3);
}

// Every index lies in the primitive's own vertex range.
void expect_indices_in(const Built& b, int32_t first_v, int32_t first_i) {
    for (int32_t i = first_i; i < b.nind; ++i) {
        ASSERT_GE(b.g.ind[size_t(i)], first_v);
        ASSERT_LT(b.g.ind[size_t(i)], b.nv);
    }
}

// The hull is closed: after welding coincident positions, each directed edge
// appears once and its reverse once (consistent winding, no holes).
void expect_closed(const Built& b) {
    std::vector<Vec3> welded;
    std::vector<int32_t> id(size_t(b.nv));
    for (int32_t i = 0; i < b.nv; ++i) {
        const Vec3 p = to_d(b.g.pnt[size_t(i)].pos);
        int32_t found = -1;
        for (size_t k = 0; k < welded.size(); ++k) {
            if (vec_len(sub(welded[k], p)) < 1e-4) {
                found = int32_t(k);
                break;
            }
        }
        if (found < 0) {
            found = int32_t(welded.size());
            welded.push_back(p);
        }
        id[size_t(i)] = found;
    }
    std::map<std::pair<int32_t, int32_t>, int> edges;
    for (int32_t t = 0; t < b.nind / 3; ++t) {
        for (int k = 0; k < 3; ++k) {
            const int32_t a = id[size_t(b.g.ind[size_t(3 * t + k)])];
            const int32_t c = id[size_t(b.g.ind[size_t(3 * t + (k + 1) % 3)])];
            ASSERT_NE(a, c) << "degenerate triangle " << t;
            ++edges[{a, c}];
        }
    }
    for (const auto& [e, n] : edges) {
        EXPECT_EQ(n, 1) << "edge " << e.first << "-" << e.second;
        const auto back = edges.find({e.second, e.first});
        ASSERT_NE(back, edges.end()) << "open edge " << e.first << "-" << e.second;
        EXPECT_EQ(back->second, 1);
    }
}

// Every triangle faces away from the centre, and agrees with its vertex
// normals (exactly parallel to them when `flat`).
void expect_outward(const Built& b, Vec3 centre, bool all_flat) {
    for (int32_t t = 0; t < b.nind / 3; ++t) {
        const Vec3 n = face_normal(b.g, t);
        ASSERT_GT(vec_len(n), 0);
        EXPECT_GT(dot(n, sub(centroid(b.g, t), centre)), 0) << "triangle " << t;
        const Vec3 un = vec_normalize(n);
        for (int k = 0; k < 3; ++k) {
            const Vec3 vn = to_d(b.g.pnt[size_t(b.g.ind[size_t(3 * t + k)])].nrm);
            const double d = dot(un, vn);
            if (all_flat) {
                EXPECT_NEAR(d, 1, 1e-5) << "triangle " << t;
            } else {
                EXPECT_GT(d, 0) << "triangle " << t;
            }
        }
    }
}

// Triangles of a prism whose normal is along the axis are cap triangles: flat.
void expect_caps_flat(const Built& b, Vec3 axis) {
    for (int32_t t = 0; t < b.nind / 3; ++t) {
        const Vec3 un = vec_normalize(face_normal(b.g, t));
        if (std::fabs(dot(un, axis)) < 0.9999) continue;
        for (int k = 0; k < 3; ++k) {
            const Vec3 vn = to_d(b.g.pnt[size_t(b.g.ind[size_t(3 * t + k)])].nrm);
            EXPECT_NEAR(dot(un, vn), 1, 1e-5);
        }
    }
}

TEST(Primitives, SegmentCodes) {
    EXPECT_EQ(segment_count(0), 4);
    EXPECT_EQ(segment_count(1), 8);
    EXPECT_EQ(segment_count(2), 16);
    EXPECT_EQ(segment_count(3), 3);
    EXPECT_EQ(segment_count(5), 5);
    EXPECT_EQ(segment_count(-1), 3);
    EXPECT_EQ(segment_count(-100000), 3);
}

TEST(Primitives, CountsAndAbsoluteIndices) {
    // A group already holding 7 vertices and 9 indices: indices are offset by nv.
    for (bool two : {false, true}) {
        const int32_t s = two ? 1 : 0;
        Built b;
        b.g.pnt.resize(7);
        b.g.ind.resize(9);
        b.nv = 7;
        b.nind = 9;
        quad_add(b.g, b.nv, b.nind, two, Vec3{}, Vec3{}, 1, 2);
        EXPECT_EQ(b.nv, 7 + 4 * (1 + s));
        EXPECT_EQ(b.nind, 9 + 6 * (1 + s));
        EXPECT_EQ(b.g.ind[9], 7);
        expect_indices_in(b, 7, 9);
        trapezoid_add(b.g, b.nv, b.nind, two, Vec3{}, Vec3{}, 1, 2, 3);
        EXPECT_EQ(b.nv, 7 + 8 * (1 + s));
        EXPECT_EQ(b.nind, 9 + 12 * (1 + s));
        const int32_t v0 = b.nv, i0 = b.nind;
        box_add(b.g, b.nv, b.nind, two, Vec3{}, Vec3{}, 1, 2, 3);
        EXPECT_EQ(b.nv - v0, 24 * (1 + s));
        EXPECT_EQ(b.nind - i0, 36 * (1 + s));
        expect_indices_in(b, 7, 9);
    }
    for (int32_t seg : seg_codes) {
        const int32_t n = segment_count(seg);
        Built b;
        b.g.pnt.resize(3);
        b.g.ind.resize(3);
        b.nv = 3;
        b.nind = 3;
        prism_add(b.g, b.nv, b.nind, Vec3{}, Vec3{}, 1, 2, seg);
        EXPECT_EQ(b.nv, 3 + 4 * n + 4);
        EXPECT_EQ(b.nind, 3 + 12 * n);
        expect_indices_in(b, 3, 3);
        for (int32_t nr = 1; nr <= 4; ++nr) {
            Built d;
            d.g.pnt.resize(5);
            d.g.ind.resize(6);
            d.nv = 5;
            d.nind = 6;
            domed_prism_add(d.g, d.nv, d.nind, Vec3{}, Vec3{}, 1, 2, 0.5, nr, seg);
            EXPECT_EQ(d.nv, 5 + 2 * (n + 1) + 2 * nr * n + 2) << seg << " " << nr;
            EXPECT_EQ(d.nind, 6 + 12 * n * nr) << seg << " " << nr;
            expect_indices_in(d, 5, 6);
        }
    }
    Built e;
    prism_add(e.g, e.nv, e.nind, Vec3{}, Vec3{}, 1, 1, 1);
    EXPECT_EQ(e.nv, 36);
    EXPECT_EQ(e.nind, 96);
}

TEST(Primitives, GrowthNeverShrinksAndAlwaysFits) {
    Built b;
    for (int i = 0; i < 500; ++i) {
        prism_add(b.g, b.nv, b.nind, Vec3{}, Vec3{double(i), 0, 0}, 1, 1, 2);
        ASSERT_GE(b.g.pnt.size(), size_t(b.nv));
        ASSERT_GE(b.g.ind.size(), size_t(b.nind));
    }
    EXPECT_EQ(b.nv, 500 * 68);
    Built pre;
    pre.g.pnt.resize(10000);
    pre.g.ind.resize(10000);
    quad_add(pre.g, pre.nv, pre.nind, false, Vec3{}, Vec3{}, 1, 1);
    EXPECT_EQ(pre.g.pnt.size(), 10000u);
    EXPECT_EQ(pre.g.ind.size(), 10000u);
    // Right at the end of a pre-sized array.
    pre.nv = 9998;
    pre.nind = 9999;
    box_add(pre.g, pre.nv, pre.nind, true, Vec3{}, Vec3{}, 1, 1, 1);
    EXPECT_GE(pre.g.pnt.size(), size_t(pre.nv));
    EXPECT_GE(pre.g.ind.size(), size_t(pre.nind));
}

TEST(Primitives, BadRequestsWriteNothing) {
    Built b;
    b.nv = -1;
    quad_add(b.g, b.nv, b.nind, false, Vec3{}, Vec3{}, 1, 1);
    EXPECT_EQ(b.nv, -1);
    EXPECT_EQ(b.nind, 0);
    EXPECT_TRUE(b.g.pnt.empty());
    Built c;
    prism_add(c.g, c.nv, c.nind, Vec3{}, Vec3{}, 1, 1, 2000000000);
    EXPECT_EQ(c.nv, 0);
    EXPECT_TRUE(c.g.pnt.empty());
    domed_prism_add(c.g, c.nv, c.nind, Vec3{}, Vec3{}, 1, 1, 1, 100000, 100000);
    EXPECT_EQ(c.nv, 0);
    // Running counts past the arrays' ends (a caller's mistake) are refused
    // rather than leaving a gap or asking for gigabytes.
    Built d;
    d.nv = 2147483600;
    box_add(d.g, d.nv, d.nind, false, Vec3{}, Vec3{}, 1, 1, 1);
    EXPECT_EQ(d.nv, 2147483600);
    EXPECT_TRUE(d.g.pnt.empty());
    Built e;
    e.g.pnt.resize(10);
    e.g.ind.resize(10);
    e.nind = 11;
    quad_add(e.g, e.nv, e.nind, false, Vec3{}, Vec3{}, 1, 1);
    EXPECT_EQ(e.nv, 0);
    EXPECT_EQ(e.nind, 11);
}

TEST(Primitives, NonPositiveCountsAreRaised) {
    Built b;
    prism_add(b.g, b.nv, b.nind, Vec3{}, Vec3{}, 1, 1, -5);
    EXPECT_EQ(b.nv, 16);  // three segments
    expect_closed(b);
    Built d;
    domed_prism_add(d.g, d.nv, d.nind, Vec3{}, Vec3{}, 1, 1, 0.5, 0, 0);
    EXPECT_EQ(d.nv, 2 * 5 + 2 * 4 + 2);  // one ring
    EXPECT_EQ(d.nind, 48);
    expect_closed(d);
}

TEST(Rectangle, CornersNormalsAndTextureCoordinates) {
    Built b;
    quad_add(b.g, b.nv, b.nind, true, Vec3{}, Vec3{}, 2, 4);
    const float xs[4] = {-1, 1, 1, -1}, zs[4] = {2, 2, -2, -2};
    const float us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
    for (int k = 0; k < 4; ++k) {
        const pnttyp& f = b.g.pnt[size_t(k)];
        EXPECT_EQ(f.pos.x, xs[k]);
        EXPECT_EQ(f.pos.y, 0);
        EXPECT_EQ(f.pos.z, zs[k]);
        EXPECT_EQ(f.nrm.y, 1);
        EXPECT_EQ(f.tu, us[k]);
        EXPECT_EQ(f.tv, vs[k]);
        // The back face is turned by pi about x: v runs the other way along z.
        const pnttyp& r = b.g.pnt[size_t(4 + k)];
        EXPECT_EQ(r.pos.x, xs[k]);
        EXPECT_EQ(r.pos.z, -zs[k]);
        EXPECT_EQ(r.nrm.y, -1);
        EXPECT_EQ(r.tu, us[k]);
        EXPECT_EQ(r.tv, vs[k]);
    }
    const int32_t expected[12] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(b.g.ind[size_t(i)], expected[i]);
}

TEST(Rectangle, WindingMatchesNormalsOnBothSides) {
    Built b;
    quad_add(b.g, b.nv, b.nind, true, Vec3{0.3, -1.1, 2.0}, Vec3{1, 2, 3}, 1.5, 0.5);
    for (int32_t t = 0; t < 4; ++t) {
        const Vec3 n = vec_normalize(face_normal(b.g, t));
        const Vec3 vn = to_d(b.g.pnt[size_t(b.g.ind[size_t(3 * t)])].nrm);
        EXPECT_NEAR(dot(n, vn), 1, 1e-5) << t;
    }
}

TEST(Trapezoid, EdgesAndMirroredBackFace) {
    Built b;
    trapezoid_add(b.g, b.nv, b.nind, true, Vec3{}, Vec3{}, 2, 1, 3);
    const float xs[4] = {-0.5f, 0.5f, 1.5f, -1.5f}, zs[4] = {1, 1, -1, -1};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(b.g.pnt[size_t(k)].pos.x, xs[k]);
        EXPECT_EQ(b.g.pnt[size_t(k)].pos.z, zs[k]);
        // Turned by pi about z: x mirrored, z kept, so u runs the other way along x.
        EXPECT_EQ(b.g.pnt[size_t(4 + k)].pos.x, -xs[k]);
        EXPECT_EQ(b.g.pnt[size_t(4 + k)].pos.z, zs[k]);
        EXPECT_EQ(b.g.pnt[size_t(4 + k)].tu, b.g.pnt[size_t(k)].tu);
        EXPECT_EQ(b.g.pnt[size_t(4 + k)].nrm.y, -1);
    }
    for (int32_t t = 0; t < 4; ++t) {
        const Vec3 n = vec_normalize(face_normal(b.g, t));
        EXPECT_NEAR(n.y, t < 2 ? 1 : -1, 1e-6) << t;
    }
}

TEST(Box, TwoCubeIsAtPlusMinusOneWithOutwardFaces) {
    Built b;
    box_add(b.g, b.nv, b.nind, false, Vec3{}, Vec3{}, 2, 2, 2);
    for (int32_t i = 0; i < b.nv; ++i) {
        const pnttyp& p = b.g.pnt[size_t(i)];
        for (float c : {p.pos.x, p.pos.y, p.pos.z}) EXPECT_NEAR(std::fabs(c), 1, 1e-6);
        // The normal is an axis, pointing the way the vertex lies.
        const float n[3] = {p.nrm.x, p.nrm.y, p.nrm.z}, q[3] = {p.pos.x, p.pos.y, p.pos.z};
        int axis = -1;
        for (int a = 0; a < 3; ++a) {
            if (std::fabs(n[a]) > 0.999f) axis = a;
            else EXPECT_NEAR(n[a], 0, 1e-6);
        }
        ASSERT_GE(axis, 0);
        EXPECT_GT(n[axis] * q[axis], 0);
    }
    // Faces come in the order +y, +x, -x, +z, -z, -y.
    const Vec3 order[6] = {{0, 1, 0}, {1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}, {0, -1, 0}};
    for (int f = 0; f < 6; ++f) {
        const Vec3f n = b.g.pnt[size_t(4 * f)].nrm;
        EXPECT_NEAR(dot(to_d(n), order[f]), 1, 1e-6) << f;
    }
    expect_closed(b);
    expect_outward(b, Vec3{}, true);
}

TEST(Box, TransformedBoxesStayClosedAndOutward) {
    Built b;
    box_add(b.g, b.nv, b.nind, false, Vec3{0.4, -2.2, 1.3}, Vec3{3, -1, 7}, 0.5, 1.5, 4);
    expect_closed(b);
    expect_outward(b, Vec3{3, -1, 7}, true);
    Built two;
    box_add(two.g, two.nv, two.nind, true, Vec3{}, Vec3{}, 1, 2, 3);
    // The second side of every face points inward.
    for (int32_t t = 0; t < two.nind / 3; ++t) {
        const bool back = (two.g.ind[size_t(3 * t)] / 4) % 2 == 1;
        EXPECT_EQ(dot(face_normal(two.g, t), centroid(two.g, t)) < 0, back) << t;
    }
}

TEST(Prism, FourSegmentsHaveAxisAlignedFaces) {
    Built b;
    prism_add(b.g, b.nv, b.nind, Vec3{}, Vec3{}, 1, 2, 0);
    const double s = std::sqrt(0.5);
    for (int32_t i = 0; i < 10; ++i) {  // both side rings
        const pnttyp& p = b.g.pnt[size_t(i)];
        EXPECT_NEAR(std::fabs(p.pos.x), s, 1e-6);
        EXPECT_NEAR(std::fabs(p.pos.y), s, 1e-6);
        EXPECT_EQ(std::fabs(p.pos.z), 1.0f);
    }
    // Vertex 0 at 45 degrees: (-sin 45, cos 45); the seam vertex repeats it with u = 4.
    EXPECT_NEAR(b.g.pnt[0].pos.x, -s, 1e-7);
    EXPECT_NEAR(b.g.pnt[0].pos.y, s, 1e-7);
    EXPECT_EQ(b.g.pnt[4].pos.x, b.g.pnt[0].pos.x);
    EXPECT_EQ(b.g.pnt[4].pos.y, b.g.pnt[0].pos.y);
    EXPECT_EQ(b.g.pnt[4].tu, 4.0f);
    EXPECT_EQ(b.g.pnt[1].tu, 1.0f);
    EXPECT_EQ(b.g.pnt[5].tv, 1.0f);  // len / (2 r)
    // Centres of the caps.
    EXPECT_EQ(b.g.pnt[18].pos.z, 1.0f);
    EXPECT_EQ(b.g.pnt[18].nrm.z, 1.0f);
    EXPECT_EQ(b.g.pnt[19].pos.z, -1.0f);
    EXPECT_EQ(b.g.pnt[19].tu, 0.5f);
    // Side triangle pattern for k = 0 and its partner at slot 3n.
    EXPECT_EQ(b.g.ind[0], 0);
    EXPECT_EQ(b.g.ind[1], 5);
    EXPECT_EQ(b.g.ind[2], 6);
    EXPECT_EQ(b.g.ind[12], 6);
    EXPECT_EQ(b.g.ind[13], 1);
    EXPECT_EQ(b.g.ind[14], 0);
    // First cap triangle: (c, rim 0, rim 1) with rim at 10 and c = 18.
    EXPECT_EQ(b.g.ind[24], 18);
    EXPECT_EQ(b.g.ind[25], 10);
    EXPECT_EQ(b.g.ind[26], 11);
    // Flat faces: every side triangle is one of the planes x or y = +-0.707.
    for (int32_t t = 0; t < 8; ++t) {
        const Vec3 n = vec_normalize(face_normal(b.g, t));
        EXPECT_NEAR(std::fabs(n.x) + std::fabs(n.y), 1, 1e-6);
    }
}

TEST(Prism, EverySegmentCodeIsClosedAndOutward) {
    for (int32_t seg : seg_codes) {
        Built b;
        prism_add(b.g, b.nv, b.nind, Vec3{}, Vec3{}, 1.3, 2.5, seg);
        expect_closed(b);
        expect_outward(b, Vec3{}, false);
        expect_caps_flat(b, Vec3{0, 0, 1});
        Built t;
        prism_add(t.g, t.nv, t.nind, Vec3{1.0, 0.5, -2.0}, Vec3{-4, 2, 9}, 0.7, 5, seg);
        expect_closed(t);
        expect_outward(t, Vec3{-4, 2, 9}, false);
    }
}

TEST(DomedPrism, EverySegmentAndRingCountIsClosedAndOutward) {
    for (int32_t seg : seg_codes) {
        for (int32_t nr = 1; nr <= 4; ++nr) {
            for (double dome_h : {0.4, 1.0, 3.0}) {
                SCOPED_TRACE(testing::Message() << "seg " << seg << " nr " << nr << " h " << dome_h);
                Built b;
                domed_prism_add(b.g, b.nv, b.nind, Vec3{}, Vec3{}, 1, 3, dome_h, nr, seg);
                expect_closed(b);
                expect_outward(b, Vec3{}, false);
                Built t;
                domed_prism_add(t.g, t.nv, t.nind, Vec3{-0.3, 2.0, 0.9}, Vec3{5, 5, -5}, 2, 1, dome_h,
                                nr, seg);
                expect_closed(t);
                expect_outward(t, Vec3{5, 5, -5}, false);
            }
        }
    }
}

TEST(DomedPrism, FirstRingLiesOnTheSideRingAndTipsOnTheAxis) {
    for (int32_t nr : {1, 4}) {
        Built b;
        domed_prism_add(b.g, b.nv, b.nind, Vec3{}, Vec3{}, 1, 2, 0.5, nr, 1);
        const int32_t n = 8, side = 2 * n + 2;
        for (int32_t k = 0; k < n; ++k) {
            const pnttyp& ring = b.g.pnt[size_t(side + k)];
            const pnttyp& edge = b.g.pnt[size_t(k)];
            EXPECT_EQ(ring.pos.x, edge.pos.x);
            EXPECT_EQ(ring.pos.y, edge.pos.y);
            EXPECT_EQ(ring.pos.z, edge.pos.z);
            EXPECT_EQ(ring.nrm.z, 0.0f);
            const pnttyp& back = b.g.pnt[size_t(side + n + k)];
            EXPECT_EQ(back.pos.z, -1.0f);
        }
        const int32_t g = side + 2 * nr * n;
        EXPECT_EQ(b.g.pnt[size_t(g)].pos.z, 1.5f);
        EXPECT_EQ(b.g.pnt[size_t(g + 1)].pos.z, -1.5f);
        EXPECT_EQ(b.g.pnt[size_t(g)].tu, 0.5f);
        // The fans close on the tips: the last 6n indices each name a tip.
        for (int32_t t = 0; t < 2 * n; ++t) {
            EXPECT_EQ(b.g.ind[size_t(b.nind - 6 * n + 3 * t)], t < n ? g : g + 1);
        }
    }
}

}  // namespace
}  // namespace quilbet

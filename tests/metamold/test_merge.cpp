// Coplanar merging of hand-made buckets, and the fast form against the
// step-by-step form.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "mold_support.hpp"

namespace quilbet {
namespace {

using namespace testing_mold;

constexpr float h = 1.0f / 30;   // the lattice step at n = 61

Vec3f at(int x, int y, int z = 0) { return Vec3f{x * h, y * h, z * h}; }

// The two facets of the lattice square (x, y)-(x+1, y+1) in z = 0, facing +z.
void add_square(polyarr& b, int x, int y) {
    const Vec3f up{0, 0, 1};
    b.tris.push_back(mbs_facet{at(x, y), at(x + 1, y), at(x + 1, y + 1), up});
    b.tris.push_back(mbs_facet{at(x, y), at(x + 1, y + 1), at(x, y + 1), up});
    b.count = static_cast<int32_t>(b.tris.size());
}

double area_z(const mbs_facet& f) {
    return ((double(f.pb.x) - f.pa.x) * (double(f.pc.y) - f.pa.y) -
            (double(f.pb.y) - f.pa.y) * (double(f.pc.x) - f.pa.x)) / 2;
}

double total_area(const polyarr& b) {
    double a = 0;
    for (int32_t i = 0; i < b.count; ++i) a += area_z(b.tris[static_cast<size_t>(i)]);
    return a;
}

// The merger's forms: every shortcut on, none, and each one off alone.
std::vector<mbs_merge_forms> every_form() {
    std::vector<mbs_merge_forms> forms(2);
    for (bool mbs_merge_forms::*shortcut :
         {&mbs_merge_forms::lattice_points, &mbs_merge_forms::plane_keys, &mbs_merge_forms::edge_lists,
          &mbs_merge_forms::cone_test}) {
        forms[1].*shortcut = false;
        forms.push_back(mbs_merge_forms{});
        forms.back().*shortcut = false;
    }
    return forms;
}

// Runs the fast form in every form and the tolerant form on copies; expects
// identical results and returns the fast one.
polyarr merged(const polyarr& in) {
    polyarr ref = in;
    mbs_merge_coplanar_tolerant(ref);
    const std::vector<mbs_merge_forms> forms = every_form();
    for (size_t i = 0; i < forms.size(); ++i) {
        polyarr fast = in;
        mbs_merger merger;
        merger.merge(mbs_merge_input{&fast, nullptr, 0, forms[i]});
        EXPECT_TRUE(same_facets(fast, ref)) << "form " << i;
        EXPECT_EQ(fast.tris.size(), static_cast<size_t>(fast.count));
    }
    polyarr fast = in;
    mbs_merge_coplanar(fast);
    return fast;
}

TEST(MoldMerge, OneSquareComesBackAsTwoFacetsWithTheSeedNormal) {
    polyarr b;
    add_square(b, 0, 0);
    b.tris[1].norm = Vec3f{0, 0, 0.5f};   // only the seed's normal may survive
    const polyarr out = merged(b);
    ASSERT_EQ(out.count, 2);
    for (const mbs_facet& f : out.tris) {
        EXPECT_EQ(f.norm.z, 1.0f);
        EXPECT_GT(area_z(f), 0);
    }
    EXPECT_NEAR(total_area(out), double(h) * h, 1e-12);
}

TEST(MoldMerge, TwoByTwoSquareBecomesTwoFacetsOnItsCorners) {
    polyarr b;
    for (int x = 0; x < 2; ++x)
        for (int y = 0; y < 2; ++y) add_square(b, x, y);
    ASSERT_EQ(b.count, 8);
    const polyarr out = merged(b);
    ASSERT_EQ(out.count, 2);
    for (const mbs_facet& f : out.tris) {
        for (const Vec3f& p : {f.pa, f.pb, f.pc}) {
            EXPECT_TRUE((p.x == 0 || p.x == 2 * h) && (p.y == 0 || p.y == 2 * h));
        }
        EXPECT_GT(area_z(f), 0);
    }
    EXPECT_NEAR(total_area(out), 4.0 * h * h, 1e-12);
}

TEST(MoldMerge, LShapeIsClippedIntoFourFacetsInsideItsOutline) {
    polyarr b;
    add_square(b, 0, 0);
    add_square(b, 1, 0);
    add_square(b, 0, 1);
    const polyarr out = merged(b);
    ASSERT_EQ(out.count, 4);
    for (const mbs_facet& f : out.tris) {
        EXPECT_GT(area_z(f), 0);
        const double cx = (double(f.pa.x) + f.pb.x + f.pc.x) / 3 / h;
        const double cy = (double(f.pa.y) + f.pb.y + f.pc.y) / 3 / h;
        const bool in_l = cx > 0 && cy > 0 && ((cx < 2 && cy < 1) || (cx < 1 && cy < 2));
        EXPECT_TRUE(in_l) << cx << ", " << cy;
    }
    EXPECT_NEAR(total_area(out), 3.0 * h * h, 1e-12);
}

TEST(MoldMerge, RingWithAHoleKeepsItsFacets) {
    polyarr b;
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            if (x != 1 || y != 1) add_square(b, x, y);
    const polyarr out = merged(b);
    EXPECT_TRUE(same_facets(out, b));
}

// How many facets of a bucket in the plane z = 0 lie over the point (x, y),
// given in lattice steps (facets of either winding count).
int facets_over(const polyarr& b, double x, double y) {
    int over = 0;
    for (int32_t i = 0; i < b.count; ++i) {
        const mbs_facet& f = b.tris[static_cast<size_t>(i)];
        const double px[3] = {f.pa.x / h, f.pb.x / h, f.pc.x / h}, py[3] = {f.pa.y / h, f.pb.y / h, f.pc.y / h};
        int positive = 0, negative = 0;
        for (int k = 0; k < 3; ++k) {
            const int l = (k + 1) % 3;
            const double side = (px[l] - px[k]) * (y - py[k]) - (py[l] - py[k]) * (x - px[k]);
            positive += side > 0;
            negative += side < 0;
        }
        over += positive == 3 || negative == 3;
    }
    return over;
}

// True when two buckets lie over every point of a fine grid on 0 .. 5 lattice
// steps equally often (the offsets keep the points off every facet edge).
bool same_cover(const polyarr& a, const polyarr& b) {
    for (int i = 0; i < 50; ++i) {
        for (int j = 0; j < 50; ++j) {
            const double x = (i + 0.3183) / 10, y = (j + 0.2718) / 10;
            if (facets_over(a, x, y) != facets_over(b, x, y)) return false;
        }
    }
    return true;
}

// Regions whose outline passes one point twice. Where the chain from edge 0
// runs through that point into the other part along its winding, the clipped
// facets are written and cover the region; where straightening joins edges
// across the point, or a part is chained against its winding, the region
// keeps its own facets.
TEST(MoldMerge, OutlinesThatTouchThemselvesAtOnePoint) {
    struct Case {
        const char* shape;
        std::vector<std::array<int, 6>> facets;   // (x, y) of three corners, counter-clockwise
        int32_t merged;                           // facets written, or 0 when the region keeps its own
        int32_t flat;                             // of them, collinear ears written with zero area
    };
    const Case cases[] = {
        {"square of four cells and a square turned by 45 degrees, meeting at a corner",
         {{1, 3, 3, 3, 2, 4}, {0, 1, 1, 2, 0, 2}, {0, 1, 1, 1, 1, 2}, {1, 1, 2, 2, 1, 2}, {1, 1, 2, 1, 2, 2},
          {0, 0, 1, 1, 0, 1}, {0, 0, 1, 0, 1, 1}, {1, 0, 2, 1, 1, 1}, {1, 0, 2, 0, 2, 1}, {2, 2, 3, 3, 1, 3}},
         6, 2},
        {"square with a triangular hole, closed through the square's corner",
         {{2, 1, 4, 0, 4, 2}, {2, 1, 4, 2, 4, 4}, {1, 2, 4, 4, 0, 4}, {1, 2, 0, 4, 0, 0}, {0, 0, 4, 0, 2, 1},
          {2, 1, 4, 4, 1, 2}},
         5, 0},
        {"two lattice squares meeting at a corner (sides in line through it)",
         {{0, 0, 1, 0, 1, 1}, {0, 0, 1, 1, 0, 1}, {1, 1, 2, 1, 2, 2}, {1, 1, 2, 2, 1, 2}},
         0, 0},
        {"triangle chained against its winding through the corner it shares with a square",
         {{1, 1, 1, 2, 0, 2}, {2, 0, 2, 1, 1, 0}, {2, 1, 1, 2, 1, 1}},
         0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        polyarr b;
        for (const auto& t : c.facets) b.tris.push_back(mbs_facet{at(t[0], t[1]), at(t[2], t[3]), at(t[4], t[5]), Vec3f{0, 0, 1}});
        b.count = static_cast<int32_t>(b.tris.size());
        const polyarr out = merged(b);
        if (c.merged > 0) {
            EXPECT_EQ(out.count, c.merged);
        } else {
            EXPECT_TRUE(same_facets(out, b));
        }
        EXPECT_TRUE(same_cover(out, b));
        int32_t flat = 0;
        for (const mbs_facet& f : out.tris) {
            EXPECT_GE(area_z(f), 0);
            flat += area_z(f) == 0;
        }
        EXPECT_EQ(flat, c.flat);
    }
}

TEST(MoldMerge, FacetsInDifferentPlanesComeBackInOrder) {
    polyarr b;
    for (int i = 0; i < 5; ++i) {
        // Each facet tilted differently about the x axis.
        b.tris.push_back(mbs_facet{at(0, 0, 0), at(1, 0, 0), at(0, 1, i + 1), Vec3f{0, 0, 1}});
    }
    b.count = 5;
    const polyarr out = merged(b);
    EXPECT_TRUE(same_facets(out, b));
}

// (A, B, D) shares the seed's edge A-B but leaves its plane: it fails on its
// edge D-A, is the only rejected facet, and comes back last and unchanged.
TEST(MoldMerge, SingleRejectedFacetIsTheLeftoverAtTheEnd) {
    polyarr b;
    const Vec3f up{0, 0, 1};
    const mbs_facet seed{at(0, 0), at(1, 0), at(1, 1), up};
    const mbs_facet off{at(0, 0), at(1, 0), at(0, -1, 1), Vec3f{0, -0.7071f, 0.7071f}};
    const mbs_facet mate{at(0, 0), at(1, 1), at(0, 1), up};
    b.tris = {seed, off, mate};
    b.count = 3;
    const polyarr out = merged(b);
    ASSERT_EQ(out.count, 3);
    EXPECT_EQ(std::memcmp(&out.tris[2], &off, sizeof off), 0);
    EXPECT_NEAR(area_z(out.tris[0]) + area_z(out.tris[1]), double(h) * h, 1e-12);
}

TEST(MoldMerge, EmptyAndOversizedCountsAreAccepted) {
    polyarr empty;
    mbs_merge_coplanar(empty);
    EXPECT_EQ(empty.count, 0);
    EXPECT_TRUE(empty.tris.empty());
    polyarr b;
    add_square(b, 0, 0);
    b.count = 9;   // more than tris holds: only the two facets are read
    const polyarr out = merged(b);
    EXPECT_EQ(out.count, 2);
}

// Random buckets of lattice squares in a few planes, both windings, shuffled,
// with slanted strays; some with points moved by less than the tolerance so
// that equal points are not identical.
TEST(MoldMerge, FastFormGivesTheReferenceFacetsOnRandomBuckets) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 600; ++trial) {
        polyarr b;
        const int squares = 1 + static_cast<int>(rng() % 14);
        const int planes = 1 + static_cast<int>(rng() % 3);
        for (int s = 0; s < squares; ++s) {
            const int x = static_cast<int>(rng() % 4), y = static_cast<int>(rng() % 4);
            const int z = static_cast<int>(rng() % static_cast<unsigned>(planes));
            const int axis = static_cast<int>(rng() % 3);
            // Some trials lift corners off their plane by amounts that put the
            // coplanarity and collinearity values close to the tolerance.
            std::uniform_real_distribution<float> lift(0.0f, trial % 5 == 3 ? 0.02f : 0.0f);
            auto p = [&](int u, int v) {
                const float c[3] = {u * h, v * h, z * h + lift(rng)};
                return Vec3f{c[axis], c[(axis + 1) % 3], c[(axis + 2) % 3]};
            };
            Vec3f q[4] = {p(x, y), p(x + 1, y), p(x + 1, y + 1), p(x, y + 1)};
            const bool flip = rng() % 2;
            if (flip) std::swap(q[1], q[3]);
            const Vec3f n = vecf_normalize(vecf_cross(vecf_sub(q[1], q[0]), vecf_sub(q[2], q[0])));
            if (rng() % 2) {
                b.tris.push_back(mbs_facet{q[0], q[1], q[2], n});
                b.tris.push_back(mbs_facet{q[0], q[2], q[3], n});
            } else {
                b.tris.push_back(mbs_facet{q[1], q[2], q[3], n});
                b.tris.push_back(mbs_facet{q[1], q[3], q[0], n});
            }
        }
        for (int s = 0, strays = static_cast<int>(rng() % 3); s < strays; ++s) {
            b.tris.push_back(mbs_facet{at(0, 0, 0), at(2, 1, 1), at(static_cast<int>(rng() % 5), 3, 2), Vec3f{0, 0, 1}});
        }
        std::shuffle(b.tris.begin(), b.tris.end(), rng);
        if (trial % 5 == 4) {
            std::uniform_real_distribution<float> jitter(-4e-6f, 4e-6f);
            for (mbs_facet& f : b.tris) f.pa.x += jitter(rng);
        }
        if (trial % 7 == 2) {
            // -0 beside +0: equal points with different bits.
            for (mbs_facet& f : b.tris) {
                if (rng() % 2 && f.pb.y == 0.0f) f.pb.y = -0.0f;
            }
        }
        b.count = static_cast<int32_t>(b.tris.size());
        const polyarr out = merged(b);
        (void)out;
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "trial " << trial;
            return;
        }
    }
}

// Coplanar squares at lattice steps from tiny to large, with corners lifted
// off the plane by amounts that put the six line tests on both sides of the
// tolerance: every form must group them as the line tests of the
// step-by-step form do.
TEST(MoldMerge, FastFormGivesTheReferenceFacetsAcrossScalesAndLifts) {
    std::mt19937 rng(11);
    const float steps[] = {1e-3f, 1.0f / 30, 0.25f, 3.0f};
    for (int trial = 0; trial < 400; ++trial) {
        const float step = steps[trial % 4];
        // Heights that make a triple product of three step-long vectors
        // about 0.1 to 10 times the tolerance.
        const float lift_scale = float(1e-5 / (double(step) * step)) * (trial % 3 == 0 ? 0.1f : trial % 3 == 1 ? 1.0f : 10.0f);
        std::uniform_real_distribution<float> lift(-lift_scale, lift_scale);
        polyarr b;
        const int squares = 2 + static_cast<int>(rng() % 8);
        for (int q = 0; q < squares; ++q) {
            const int x = static_cast<int>(rng() % 3), y = static_cast<int>(rng() % 3);
            auto p = [&](int u, int v) {
                const float z = (rng() % 4 == 0) ? lift(rng) : 0.0f;
                return Vec3f{u * step + 0.5f, v * step - 0.25f, z};
            };
            const Vec3f c[4] = {p(x, y), p(x + 1, y), p(x + 1, y + 1), p(x, y + 1)};
            const Vec3f n = vecf_normalize(vecf_cross(vecf_sub(c[1], c[0]), vecf_sub(c[2], c[0])));
            b.tris.push_back(mbs_facet{c[0], c[1], c[2], n});
            b.tris.push_back(mbs_facet{c[0], c[2], c[3], n});
        }
        std::shuffle(b.tris.begin(), b.tris.end(), rng);
        b.count = static_cast<int32_t>(b.tris.size());
        const polyarr out = merged(b);
        (void)out;
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "trial " << trial;
            return;
        }
    }
}

// The tag of a facet of lattice points of the n-point lattice.
lattice_tag tag_of(const mbs_facet& f, int32_t n) {
    uint32_t code[3];
    const Vec3f corner[3] = {f.pa, f.pb, f.pc};
    for (int c = 0; c < 3; ++c) {
        int32_t at[3];
        const float v[3] = {corner[c].x, corner[c].y, corner[c].z};
        for (int k = 0; k < 3; ++k) {
            at[k] = -1;
            for (int32_t i = 0; i < n; ++i) {
                if (lattice_coord(i, n) == v[k]) at[k] = i;
            }
        }
        code[c] = lattice_code(at[0], at[1], at[2]);
    }
    return lattice_tag_of(code[0], code[1], code[2]);
}

// Buckets of lattice points across whole lattices of several sizes, up to
// those whose spacing barely separates a lattice determinant from the
// tolerance: patches in slanted planes, long facets spanning the lattice,
// stray facets and collinear lattice triples. A merger that knows the lattice
// decides regions by plane keys and must give the step-by-step facets.
TEST(MoldMerge, LatticeKnowingMergerGivesTheReferenceFacets) {
    std::mt19937 rng(31);
    const int32_t sizes[] = {3, 9, 61, 64, 80, 93, 128};
    for (int trial = 0; trial < 700; ++trial) {
        const int32_t n = sizes[trial % 7];
        std::uniform_int_distribution<int> index(0, n - 1), small(-2, 2);
        auto point = [&](int i, int j, int k) {
            return Vec3f{lattice_coord(i, n), lattice_coord(j, n), lattice_coord(k, n)};
        };
        auto inside = [&](const int* q) { return q[0] >= 0 && q[0] < n && q[1] >= 0 && q[1] < n && q[2] >= 0 && q[2] < n; };
        polyarr b;
        auto push = [&](const int* p0, const int* p1, const int* p2) {
            const Vec3f a = point(p0[0], p0[1], p0[2]), c = point(p1[0], p1[1], p1[2]), d = point(p2[0], p2[1], p2[2]);
            const Vec3f nrm = vecf_normalize(vecf_cross(vecf_sub(c, a), vecf_sub(d, a)));
            if (vecf_len(nrm) == 0) return;
            b.tris.push_back(mbs_facet{a, c, d, nrm});
        };
        const int planes = 1 + static_cast<int>(rng() % 3);
        for (int pl = 0; pl < planes; ++pl) {
            int u[3], v[3], o[3];
            for (int k = 0; k < 3; ++k) {
                u[k] = small(rng);
                v[k] = small(rng);
                o[k] = index(rng);
            }
            // A patch of lattice squares (i, j) -> o + i u + j v, and a few long
            // triangles in the same plane.
            const int span = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < span; ++i) {
                for (int j = 0; j < span; ++j) {
                    int q[4][3];
                    for (int k = 0; k < 3; ++k) {
                        q[0][k] = o[k] + i * u[k] + j * v[k];
                        q[1][k] = q[0][k] + u[k];
                        q[2][k] = q[0][k] + u[k] + v[k];
                        q[3][k] = q[0][k] + v[k];
                    }
                    if (!inside(q[0]) || !inside(q[1]) || !inside(q[2]) || !inside(q[3])) continue;
                    push(q[0], q[1], q[2]);
                    push(q[0], q[2], q[3]);
                }
            }
            for (int t = 0, longs = static_cast<int>(rng() % 3); t < longs; ++t) {
                int q[3][3];
                const int far = std::max(1, (n - 1) / 2);
                for (int c = 0; c < 3; ++c) {
                    const int i = static_cast<int>(rng() % static_cast<unsigned>(far)), j = static_cast<int>(rng() % static_cast<unsigned>(far));
                    for (int k = 0; k < 3; ++k) q[c][k] = o[k] + i * u[k] + j * v[k];
                }
                if (inside(q[0]) && inside(q[1]) && inside(q[2])) push(q[0], q[1], q[2]);
            }
        }
        for (int t = 0, strays = static_cast<int>(rng() % 3); t < strays; ++t) {
            int q[3][3];
            for (auto& c : q) for (int& x : c) x = index(rng);
            push(q[0], q[1], q[2]);
        }
        if (trial % 9 == 8) {
            // Three lattice points on one line: kept only if float rounding
            // gives them a non-zero cross product.
            const int q0[3] = {0, 0, 0}, q1[3] = {1, 1, 1}, q2[3] = {n - 1, n - 1, n - 1};
            push(q0, q1, q2);
        }
        std::shuffle(b.tris.begin(), b.tris.end(), rng);
        b.count = static_cast<int32_t>(b.tris.size());
        merged(b);
        polyarr ref = b;
        mbs_merge_coplanar_tolerant(ref);
        // With the facets' tags, in every form. Some trials give wrong or
        // missing tags: the result must not change. Tags handed back must
        // describe the output facets, every one when the given tags did.
        std::vector<lattice_tag> given;
        for (const mbs_facet& f : b.tris) given.push_back(tag_of(f, n));
        const bool right = trial % 11 != 5 && trial % 13 != 6;
        if (trial % 11 == 5 && given.size() > 1) std::swap(given[0].code[1], given[1].code[2]);
        if (trial % 13 == 6) given.resize(given.size() / 2);
        const std::vector<mbs_merge_forms> forms = every_form();
        for (size_t f = 0; f < forms.size(); ++f) {
            polyarr tagged = b;
            std::vector<lattice_tag> tags = given;
            mbs_merger merger;
            merger.merge(mbs_merge_input{&tagged, &tags, n, forms[f]});
            EXPECT_TRUE(same_facets(tagged, ref)) << "trial " << trial << " n " << n << " form " << f;
            ASSERT_EQ(tags.size(), static_cast<size_t>(tagged.count));
            for (int32_t i = 0; i < tagged.count; ++i) {
                const lattice_tag want = tag_of(tagged.tris[static_cast<size_t>(i)], n);
                const lattice_tag& got = tags[static_cast<size_t>(i)];
                if (got.code[0] == lattice_code_none && !right) continue;
                EXPECT_TRUE(std::equal(want.code, want.code + 3, got.code) && want.same_plane(got) && want.edge2 == got.edge2)
                    << "trial " << trial << " facet " << i;
            }
        }
        if (::testing::Test::HasFailure()) return;
    }
}

}  // namespace
}  // namespace quilbet

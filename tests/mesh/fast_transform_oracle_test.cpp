// The table-driven vertex transform and primitive builders against their
// plain forms (support/plain_primitives.hpp): every vertex and index must agree bit for
// bit, over the angles the tables hold (quarter, half and whole turns of both
// signs, as the generators pass them), angles near them, and random angles,
// sizes and segment counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "maths/random.hpp"
#include "support/plain_primitives.hpp"

namespace quilbet {
namespace {

using ld = long double;

// Angles the builders and assemblies use, each in the rounding the callers
// apply (double of an extended expression), plus their neighbours one ulp away
// and values that only look alike.
std::vector<double> interesting_angles() {
    std::vector<double> a = {0.0, -0.0};
    const ld turns[] = {pi_ext / 4, pi_ext / 2, 3 * pi_ext / 4, pi_ext, 2 * pi_ext};
    for (ld t : turns) {
        for (double v : {double(t), double(-t)}) {
            a.push_back(v);
            a.push_back(std::nextafter(v, 10.0));
            a.push_back(std::nextafter(v, -10.0));
        }
    }
    a.push_back(1.5707963267948966);  // the catalogue's spelling of pi / 2
    a.push_back(double(pi_ext / 2 + 0.25L));
    a.push_back(0.7853981633974483);
    a.push_back(3.0);
    a.push_back(1e-300);
    a.push_back(1e10);
    return a;
}

double frac(Random& rnd) { return double(rnd.random_fraction()); }

bool same_bits(const pnttyp& a, const pnttyp& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expect_same(const typmshgrp& fast, int32_t nv_fast, int32_t ni_fast, const typmshgrp& plain, int32_t nv_plain,
                 int32_t ni_plain) {
    ASSERT_EQ(nv_fast, nv_plain);
    ASSERT_EQ(ni_fast, ni_plain);
    for (int32_t i = 0; i < nv_fast; ++i) {
        ASSERT_TRUE(same_bits(fast.pnt[size_t(i)], plain.pnt[size_t(i)])) << "vertex " << i;
    }
    for (int32_t i = 0; i < ni_fast; ++i) ASSERT_EQ(fast.ind[size_t(i)], plain.ind[size_t(i)]) << "index " << i;
}

aopntyp scattered_vertices(Random& rnd, int32_t n) {
    aopntyp v(static_cast<size_t>(n));
    for (pnttyp& p : v) {
        p.pos = Vec3f{float(200 * frac(rnd) - 100), float(2 * frac(rnd) - 1),
                      float(1e-3 * frac(rnd))};
        p.nrm = vecf_normalize(Vec3f{float(frac(rnd) - 0.5), float(frac(rnd) - 0.5),
                                     float(frac(rnd) - 0.5)});
        p.tu = float(frac(rnd));
        p.tv = float(frac(rnd));
    }
    v[0].pos = Vec3f{0, -0.0f, 1};
    return v;
}

TEST(FastTransformOracle, RotateTranslateMatchesPlainOnEveryAngleCombination) {
    Random rnd;
    const std::vector<double> angles = interesting_angles();
    const aopntyp start = scattered_vertices(rnd, 64);
    for (double ax : angles) {
        for (double ay : angles) {
            for (double az : {0.0, double(pi_ext / 2), double(-pi_ext), 0.3}) {
                aopntyp fast = start, plain = start;
                const Vec3 t{frac(rnd) * 10 - 5, 1e7, -0.1};
                pnt_rotate_translate(fast.data(), int32_t(fast.size()), t, Vec3{ax, ay, az});
                plain::pnt_rotate_translate(plain.data(), int32_t(plain.size()), t, Vec3{ax, ay, az});
                for (size_t i = 0; i < fast.size(); ++i) {
                    ASSERT_TRUE(same_bits(fast[i], plain[i])) << ax << " " << ay << " " << az << " vertex " << i;
                }
            }
        }
    }
}

TEST(FastTransformOracle, RotateTranslateMatchesPlainOnRandomAngles) {
    Random rnd;
    const aopntyp start = scattered_vertices(rnd, 16);
    for (int trial = 0; trial < 2000; ++trial) {
        const Vec3 ang{(frac(rnd) - 0.5) * 20, (frac(rnd) - 0.5) * 20,
                       trial % 3 == 0 ? 0.0 : (frac(rnd) - 0.5) * 20};
        aopntyp fast = start, plain = start;
        pnt_rotate_translate(fast.data(), int32_t(fast.size()), Vec3{1, 2, 3}, ang);
        plain::pnt_rotate_translate(plain.data(), int32_t(plain.size()), Vec3{1, 2, 3}, ang);
        for (size_t i = 0; i < fast.size(); ++i) ASSERT_TRUE(same_bits(fast[i], plain[i])) << trial;
    }
}

// Builds the same sequence of primitives with the fast and the plain builders.
template <class Build>
void compare_builds(Build build_both) {
    typmshgrp fast, plain;
    int32_t fv = 0, fi = 0, pv = 0, pi = 0;
    build_both(fast, fv, fi, plain, pv, pi);
    expect_same(fast, fv, fi, plain, pv, pi);
}

TEST(FastTransformOracle, BuildersMatchPlainOverRandomShapes) {
    Random rnd;
    const std::vector<double> angles = interesting_angles();
    auto pick_angle = [&] {
        return frac(rnd) < 0.7 ? angles[size_t(rnd.random_int(int32_t(angles.size())))]
                                           : (frac(rnd) - 0.5) * 7;
    };
    const int32_t segs[] = {0, 1, 2, 3, 5, 8, 16, 24, -2};
    for (int trial = 0; trial < 300; ++trial) {
        const Vec3 ang{pick_angle(), pick_angle(), pick_angle()};
        const Vec3 t{(frac(rnd) - 0.5) * 50, (frac(rnd) - 0.5) * 50, frac(rnd)};
        const double a = 0.01 + 5 * frac(rnd), b = 0.01 + 5 * frac(rnd);
        const double c = trial % 7 == 0 ? -1.5 : 0.01 + 5 * frac(rnd);
        const bool two = trial % 2 == 0;
        const int32_t seg = segs[size_t(rnd.random_int(9))];
        const int32_t rings = 1 + rnd.random_int(5);
        SCOPED_TRACE(trial);
        compare_builds([&](typmshgrp& f, int32_t& fv, int32_t& fi, typmshgrp& p, int32_t& pv, int32_t& pi) {
            quad_add(f, fv, fi, two, ang, t, a, b);
            plain::quad_add(p, pv, pi, two, ang, t, a, b);
            trapezoid_add(f, fv, fi, two, ang, t, a, b, c);
            plain::trapezoid_add(p, pv, pi, two, ang, t, a, b, c);
            box_add(f, fv, fi, two, ang, t, a, b, c);
            plain::box_add(p, pv, pi, two, ang, t, a, b, c);
            prism_add(f, fv, fi, ang, t, a, c, seg);
            plain::prism_add(p, pv, pi, ang, t, a, c, seg);
            domed_prism_add(f, fv, fi, ang, t, a, c, b, rings, seg);
            plain::domed_prism_add(p, pv, pi, ang, t, a, c, b, rings, seg);
        });
    }
}

}  // namespace
}  // namespace quilbet

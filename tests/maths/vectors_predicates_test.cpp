// Vec3 / Vec3f operations and the geometric predicates.
#include <gtest/gtest.h>

#include <cmath>

#include "maths/maths.hpp"
#include "support/vec_checks.hpp"

namespace quilbet {
namespace {

TEST(Vectors, NormalizeLeavesShortVectorsUnchanged) {
    const Vec3 zero = vec_normalize(Vec3{0, 0, 0});
    EXPECT_EQ(zero.x, 0);
    EXPECT_EQ(zero.y, 0);
    EXPECT_EQ(zero.z, 0);
    const Vec3 tiny = vec_normalize(Vec3{0.000001, 0, 0});
    EXPECT_EQ(tiny.x, 0.000001);
    const Vec3f tinyf = vecf_normalize(Vec3f{0.000001f, 0, 0});
    EXPECT_EQ(tinyf.x, 0.000001f);
    const Vec3 n = vec_normalize(Vec3{3, 0, 4});
    EXPECT_DOUBLE_EQ(n.x, 0.6);
    EXPECT_DOUBLE_EQ(n.z, 0.8);
    EXPECT_DOUBLE_EQ(vec_len(Vec3{3, 0, 4}), 5);
}

TEST(Vectors, CrossIsRightHanded) {
    const Vec3 z = vec_cross(Vec3{1, 0, 0}, Vec3{0, 1, 0});
    EXPECT_EQ(z.x, 0);
    EXPECT_EQ(z.y, 0);
    EXPECT_EQ(z.z, 1);
    const Vec3f x = vecf_cross(Vec3f{0, 1, 0}, Vec3f{0, 0, 1});
    EXPECT_EQ(x.x, 1);
    const Vec3f u = vecf_unit_cross(Vec3f{2, 0, 0}, Vec3f{0, 0, 3});
    EXPECT_EQ(u.y, -1);
}

TEST(Vectors, FloatOperations) {
    const Vec3f a{1, 2, 3}, b{4, 5, 6};
    EXPECT_EQ(vecf_dot(a, b), 32);
    EXPECT_EQ(vecf_len2(a), 14);
    const Vec3f m = vecf_mul(a, b);
    EXPECT_EQ(m.z, 18);
    const Vec3f s = vecf_scale(a, 0.5);
    EXPECT_EQ(s.y, 1);
    EXPECT_TRUE(vecf_equal(a, Vec3f{1.000009f, 2, 3}));
    EXPECT_FALSE(vecf_equal(a, Vec3f{1.00002f, 2, 3}));
    const Vec2f uv = vec2f_make(0.1, 0.2);
    EXPECT_EQ(uv.u, 0.1f);
    EXPECT_EQ(uv.v, 0.2f);
    // A float result is rounded once from extended precision.
    const Vec3f third = vecf_make(1.0 / 3.0, 0, 0);
    EXPECT_EQ(third.x, float(1.0 / 3.0));
}

TEST(Vectors, AxisRotationsTurnRightHanded) {
    Vec3f v{0, 1, 0};
    vecf_rotate_x(v, pi_d / 2);
    EXPECT_TRUE(vecf_equal(v, Vec3f{0, 0, 1}));
    Vec3f w{0, 0, 1};
    vecf_rotate_y(w, pi_d / 2);
    EXPECT_TRUE(vecf_equal(w, Vec3f{1, 0, 0}));
    Vec3f x{1, 0, 0};
    vecf_rotate_z(x, pi_d / 2);
    EXPECT_TRUE(vecf_equal(x, Vec3f{0, 1, 0}));
    // An angle of exactly zero is skipped: -0.0 components survive.
    Vec3f neg{-0.0f, 1, 2};
    vecf_rotate_x(neg, 0);
    vecf_rotate_y(neg, 0);
    vecf_rotate_z(neg, 0);
    EXPECT_TRUE(std::signbit(neg.x));
}

TEST(Predicates, Collinear) {
    EXPECT_TRUE(points_collinear(Vec3f{0, 0, 0}, Vec3f{1, 1, 1}, Vec3f{3, 3, 3}));
    EXPECT_TRUE(points_collinear(Vec3f{1, 2, 3}, Vec3f{1, 2, 3}, Vec3f{5, 0, 0}));
    EXPECT_FALSE(points_collinear(Vec3f{0, 0, 0}, Vec3f{1, 0, 0}, Vec3f{0, 0.01f, 0}));
}

TEST(Predicates, Coplanar) {
    EXPECT_TRUE(lines_coplanar(Vec3f{0, 0, 0}, Vec3f{1, 0, 0}, Vec3f{0, 1, 0}, Vec3f{1, 1, 0}));
    EXPECT_FALSE(lines_coplanar(Vec3f{0, 0, 0}, Vec3f{1, 0, 0}, Vec3f{0, 1, 1}, Vec3f{0, 2, 1}));
}

TEST(Predicates, PointInTriangle) {
    const Vec3f p{0, 0, 0}, q{2, 0, 0}, r{0, 3, 1};
    const Vec3f centroid{2.0f / 3, 1, 1.0f / 3};
    EXPECT_TRUE(point_in_triangle(p, q, r, centroid));
    EXPECT_FALSE(point_in_triangle(p, q, r, p));  // zero difference stays unnormalised
    EXPECT_FALSE(point_in_triangle(p, q, r, Vec3f{3, 3, 0}));
    EXPECT_FALSE(point_in_triangle(p, q, r, Vec3f{0.5f, 0.5f, 2}));  // off the plane
}

TEST(Predicates, PointInPolygonEvenOdd) {
    // An L shape, closed by repeating the first vertex.
    const double xs[] = {0, 4, 4, 1, 1, 0, 0};
    const double ys[] = {0, 0, 1, 1, 4, 4, 0};
    EXPECT_TRUE(point_in_polygon(6, xs, ys, 0.5, 0.5));
    EXPECT_TRUE(point_in_polygon(6, xs, ys, 3.5, 0.5));
    EXPECT_TRUE(point_in_polygon(6, xs, ys, 0.5, 3.5));
    EXPECT_FALSE(point_in_polygon(6, xs, ys, 2, 2));
    EXPECT_FALSE(point_in_polygon(6, xs, ys, -1, 0.5));
    EXPECT_FALSE(point_in_polygon(6, xs, ys, 5, 0.5));
    EXPECT_FALSE(point_in_polygon(0, xs, ys, 0.5, 0.5));
}

}  // namespace
}  // namespace quilbet

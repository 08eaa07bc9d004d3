// Matrices, quaternions and the frame and axis-angle conversions.
#include <gtest/gtest.h>

#include <cmath>

#include "maths/maths.hpp"
#include "maths/random.hpp"
#include "support/vec_checks.hpp"

namespace quilbet {
namespace {

Vec3 row_times(Vec3 v, const Mat3& m) {
    return Vec3{v.x * m.m[0] + v.y * m.m[3] + v.z * m.m[6], v.x * m.m[1] + v.y * m.m[4] + v.z * m.m[7],
                v.x * m.m[2] + v.y * m.m[5] + v.z * m.m[8]};
}

Quat random_unit_quat(Random& rnd) {
    Quat q{double(rnd.random_fraction() * 2 - 1), double(rnd.random_fraction() * 2 - 1),
           double(rnd.random_fraction() * 2 - 1), double(rnd.random_fraction() * 2 - 1)};
    return quat_normalize(q);
}

TEST(Matrices, InverseAndDeterminant) {
    Mat3 m;
    const double vals[9] = {2, 1, 0, 0, 3, 1, 1, 0, 4};
    for (int i = 0; i < 9; ++i) m.m[i] = vals[i];
    EXPECT_DOUBLE_EQ(mat_det(m), 25);
    Mat3 inv;
    mat_inverse(m, inv);
    const Mat3 p = mat_mul(m, inv);
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(p.m[i], i % 4 == 0 ? 1 : 0, 1e-15) << i;
}

TEST(Matrices, SingularInverseLeavesOutputUntouched) {
    Mat3 m;
    const double vals[9] = {1, 2, 3, 2, 4, 6, 0, 1, 1};
    for (int i = 0; i < 9; ++i) m.m[i] = vals[i];
    Mat3 out;
    for (double& e : out.m) e = 7;
    mat_inverse(m, out);
    for (double e : out.m) EXPECT_EQ(e, 7);
    Mat3 small = mat_identity();
    small.m[0] = small.m[4] = small.m[8] = 0.01;  // det 1e-6
    mat_inverse(small, out);
    for (double e : out.m) EXPECT_EQ(e, 7);
}

TEST(Matrices, CleanZeroesSmallEntries) {
    Mat3 m;
    m.m[1] = 9e-6;
    m.m[2] = -9e-6;
    m.m[3] = 1e-5;
    const Mat3 c = mat_clean(m);
    EXPECT_EQ(c.m[1], 0);
    EXPECT_EQ(c.m[2], 0);
    EXPECT_EQ(c.m[3], 1e-5);
}

TEST(Matrices, EulerRoundTrip) {
    const Vec3 e{0.3, -0.7, 2.5};
    const Vec3 back = mat_to_euler(euler_to_mat(e));
    expect_vec_near(back, e, 1e-12);
    // The rows are the images of the axes, turned about x, then y, then z.
    const Mat3 m = euler_to_mat(Vec3{0, 0, pi_d / 2});
    expect_vec_near(Vec3{m.m[0], m.m[1], m.m[2]}, Vec3{0, 1, 0});
}

TEST(Quaternions, EulerQuatMatchesEulerMatrix) {
    Random rnd;
    for (int i = 0; i < 200; ++i) {
        const double r = double(rnd.random_fraction() * 6 - 3), p = double(rnd.random_fraction() * 3 - 1.5),
                     y = double(rnd.random_fraction() * 6 - 3);
        const Quat q = euler_to_quat(r, p, y);
        const Mat3 m = euler_to_mat(Vec3{r, p, y});
        const Vec3 v{0.3, -1.2, 2.0};
        expect_vec_near(quat_rotate(q, v), row_times(v, m), 1e-12);
    }
}

TEST(Quaternions, RotateAndUnrotateQuarterTurn) {
    const Quat q{0, 0, std::sin(pi_d / 4), std::cos(pi_d / 4)};
    expect_vec_near(quat_rotate(q, Vec3{1, 0, 0}), Vec3{0, 1, 0}, 1e-15);
    expect_vec_near(quat_unrotate(q, Vec3{1, 0, 0}), Vec3{0, -1, 0}, 1e-15);
}

TEST(Quaternions, AxisAngleOfIdentity) {
    Vec3 axis;
    double angle = 5;
    quat_to_axis_angle(Quat{0, 0, 0, 1}, axis, angle);
    EXPECT_EQ(angle, 0);
    EXPECT_EQ(axis.x, 0);
    EXPECT_EQ(axis.y, 0);
    EXPECT_EQ(axis.z, 1);
}

TEST(Quaternions, AxisAngleStaysFiniteWhenWOvershootsOne) {
    Vec3 axis;
    double angle = 0;
    quat_to_axis_angle(Quat{1e-9, 0, 0, 1.0000000000000002}, axis, angle);
    EXPECT_FALSE(std::isnan(angle));
    EXPECT_EQ(angle, 0);
}

TEST(Quaternions, CompositionMatchesSuccessiveRotations) {
    Random rnd;
    for (int i = 0; i < 500; ++i) {
        const Quat a = random_unit_quat(rnd), b = random_unit_quat(rnd);
        const Vec3 v{double(rnd.random_fraction() * 4 - 2), double(rnd.random_fraction() * 4 - 2),
                     double(rnd.random_fraction() * 4 - 2)};
        expect_vec_near(quat_rotate(quat_mul(a, b), v), quat_rotate(a, quat_rotate(b, v)), 1e-9);
        expect_vec_near(quat_unrotate(a, quat_rotate(a, v)), v, 1e-9);
        // Active rotation q v q*.
        const Quat pv{v.x, v.y, v.z, 0};
        const Quat r = quat_mul(quat_mul(a, pv), quat_conj(a));
        expect_vec_near(quat_rotate(a, v), Vec3{r.x, r.y, r.z}, 1e-9);
    }
}

TEST(Frames, DirectionAlongZIsIdentity) {
    const Quat q = mat_to_quat(frame_from_dir_up(Vec3{0, 0, 1}, Vec3{0, 1, 0}));
    EXPECT_NEAR(q.x, 0, 1e-12);
    EXPECT_NEAR(q.y, 0, 1e-12);
    EXPECT_NEAR(q.z, 0, 1e-12);
    EXPECT_NEAR(q.w, 1, 1e-12);
}

TEST(Frames, DirectionAlongYUpAlongZ) {
    const Mat3 f = frame_from_dir_up(Vec3{0, 1, 0}, Vec3{0, 0, 1});
    // Columns -S, T, D with S = (1, 0, 0), T = (0, 0, 1), D = (0, 1, 0).
    const double expected[9] = {-1, 0, 0, 0, 0, 1, 0, 1, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(f.m[i], expected[i]) << i;
    const Quat q = mat_to_quat(f);
    EXPECT_NEAR(q.x, 0, 1e-5);
    EXPECT_NEAR(q.y, 0.70711, 1e-5);
    EXPECT_NEAR(q.z, 0.70711, 1e-5);
    EXPECT_NEAR(q.w, 0, 1e-5);
    expect_vec_near(quat_rotate(q, Vec3{0, 1, 0}), Vec3{0, 0, 1}, 1e-12);
    expect_vec_near(quat_rotate(q, Vec3{0, 0, 1}), Vec3{0, 1, 0}, 1e-12);
}

TEST(Frames, ParallelUpGivesIdentity) {
    const Mat3 f = frame_from_dir_up(Vec3{0, 2, 0}, Vec3{0, 1, 0});
    for (int i = 0; i < 9; ++i) EXPECT_EQ(f.m[i], i % 4 == 0 ? 1 : 0);
}

TEST(Frames, AxisDirectionAlongXLosesTheUpVector) {
    for (double sign : {1.0, -1.0}) {
        const Quat q = mat_to_quat(frame_from_dir_up(Vec3{sign, 0, 0}, Vec3{0, 0, 1}));
        Vec3 axis;
        double angle;
        quat_to_axis_angle(q, axis, angle);
        // A quarter turn about y: -pi/2 for +x, +pi/2 for -x.
        EXPECT_NEAR(angle, pi_d / 2, 1e-12);
        EXPECT_NEAR(axis.y, -sign, 1e-12);
        expect_vec_near(quat_rotate(q, Vec3{0, 0, 1}), Vec3{-sign, 0, 0}, 1e-12);
        expect_vec_near(quat_rotate(q, Vec3{0, 1, 0}), Vec3{0, 1, 0}, 1e-12);
    }
}

TEST(Frames, GeneralFrameTakesZToDirection) {
    Random rnd;
    for (int i = 0; i < 100; ++i) {
        const Vec3 d = vec_normalize(Vec3{double(rnd.random_fraction() - 0.5), double(rnd.random_fraction() - 0.5),
                                          double(rnd.random_fraction() - 0.5)});
        const Vec3 u{0, 1, 0};
        const Mat3 f = frame_from_dir_up(d, u);
        // Columns -S, T, D: the last column is the direction, the middle one
        // the up vector made perpendicular to it.
        expect_vec_near(Vec3{f.m[2], f.m[5], f.m[8]}, d, 1e-5);
        const Vec3 t{f.m[1], f.m[4], f.m[7]};
        EXPECT_NEAR(t.x * d.x + t.y * d.y + t.z * d.z, 0, 1e-5);
        EXPECT_GT(t.y, 0);
        EXPECT_NEAR(mat_det(f), 1, 1e-4);
    }
}

TEST(Rotation, RotateAboutAxisTurnsByMinusAngle) {
    expect_vec_near(rotate_about_axis(Vec3{1, 0, 0}, Vec3{0, 0, 1}, pi_d / 2), Vec3{0, -1, 0}, 1e-15);
    const Vec3f f = rotate_about_axis_f(Vec3f{1, 0, 0}, Vec3{0, 0, 1}, -pi_d / 2);
    EXPECT_TRUE(vecf_equal(f, Vec3f{0, 1, 0}));
    const Mat4 m = rotate_about_axis_matrix(Vec3{0.6, 0, 0.8}, 1.1);
    const Vec3f v{0.3f, -2.5f, 7.25f};
    const Vec3f a = mat4_rotate_f(m, v), b = rotate_about_axis_f(v, Vec3{0.6, 0, 0.8}, 1.1);
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
}

}  // namespace
}  // namespace quilbet

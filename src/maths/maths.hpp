// Vectors, matrices and quaternions shared by every part of quilbet.
//
// Conventions fixed here for the whole code base:
//  - metres and radians; right-handed axes;
//  - Mat3 is row-major (m[3r + c]) and rotates row vectors: v' = v * m, so a
//    rotation matrix's rows are the images of the x, y and z axes;
//  - Quat stores the vector part first: (x, y, z, w), identity (0, 0, 0, 1);
//  - one tolerance, `tolerance` = 1e-5, for every length, equality and cleaning test;
//  - arithmetic runs in long double (x87 extended) where a result is rounded
//    or compared afterwards; each result is rounded once to its field's width.
#pragma once

#include <cstdint>
#include <vector>

namespace quilbet {

inline constexpr double tolerance = 1e-5;
inline constexpr long double pi_ext = 3.141592653589793238462643383279502884L;

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
struct Vec3f {
    float x = 0, y = 0, z = 0;
};
struct Vec2f {
    float u = 0, v = 0;
};
struct Quat {
    double x = 0, y = 0, z = 0, w = 1;
};
using aoquat = std::vector<Quat>;
struct Mat3 {
    double m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};
struct Mat4 {
    double m[16] = {};
};

// ---- scalar helpers ----
int32_t int_max(int32_t a, int32_t b);
int32_t int_min(int32_t a, int32_t b);
long double arccos(long double x);             // atan2(sqrt(1 - x x), x)
long double arcsin(long double x);             // atan2(x, sqrt(1 - x x))
long double atan2_ext(long double y, long double x);
long double log2(long double x);
long double power(long double base, long double exponent);  // 1.0 when base <= 0
long double angle_of(long double y, long double x);         // full-circle angle, 0 at the origin

// Defined float-to-integer conversions (C++ leaves NaN and out-of-range undefined).
// Rounding is to nearest with ties to even, as the x87 FIST instruction does.
// A NaN or a value outside the target range gives the "integer indefinite"
// value of the x87 unit: INT32_MIN / INT64_MIN.
int32_t nearest_i32(long double x);
int64_t nearest_i64(long double x);
// The low 32 bits of nearest_i64(x): what a painter keeps of a large rounded value.
int32_t nearest_low32(long double x);
// Truncation toward zero with the same defined result for NaN and out-of-range values.
int32_t trunc_i32(long double x);

// Lattice coordinate of sample i of n spread evenly over [-1, 1]:
// 2 i / (n - 1) - 1 computed in extended precision and rounded once to float
// (rounding through double first gives a different float for some i).
// n < 2 has no spacing: the result is then -1.
float lattice_coord(int32_t i, int32_t n);

// ---- Vec3 (64-bit) ----
Vec3 vec_make(double x, double y, double z);
Vec3 vec_add(Vec3 a, Vec3 b);
Vec3 vec_sub(Vec3 a, Vec3 b);
Vec3 vec_scale(Vec3 v, double s);
double vec_len(Vec3 v);
Vec3 vec_normalize(Vec3 v);                    // unchanged when shorter than tolerance
Vec3 vec_cross(Vec3 a, Vec3 b);
Vec3f vec_to_f(Vec3 v);

// ---- Vec3f (32-bit) ----
Vec3f vecf_make(double x, double y, double z);
Vec2f vec2f_make(double u, double v);
Vec3f vecf_add(Vec3f a, Vec3f b);
Vec3f vecf_sub(Vec3f a, Vec3f b);
Vec3f vecf_mul(Vec3f a, Vec3f b);
Vec3f vecf_scale(Vec3f v, double s);
double vecf_dot(Vec3f a, Vec3f b);
double vecf_len2(Vec3f v);
double vecf_len(Vec3f v);
Vec3f vecf_normalize(Vec3f v);                 // unchanged when shorter than tolerance
Vec3f vecf_cross(Vec3f a, Vec3f b);
Vec3f vecf_unit_cross(Vec3f a, Vec3f b);
bool vecf_equal(Vec3f a, Vec3f b);             // every component within tolerance
void vecf_rotate_x(Vec3f& v, double a);        // skipped when a == 0
void vecf_rotate_y(Vec3f& v, double a);
void vecf_rotate_z(Vec3f& v, double a);

// ---- predicates used by the metaball mesher and the habitat lattice ----
bool points_collinear(Vec3f a, Vec3f b, Vec3f c);
bool lines_coplanar(Vec3f a, Vec3f b, Vec3f c, Vec3f d);
bool point_in_triangle(Vec3f p, Vec3f q, Vec3f r, Vec3f x);
// xs, ys hold n + 1 vertices (edge i runs from vertex i to i + 1); even-odd rule.
bool point_in_polygon(int32_t n, const double* xs, const double* ys, double px, double py);

// ---- Mat3 ----
Mat3 mat_identity();
Mat3 mat_mul(const Mat3& a, const Mat3& b);
double mat_det(const Mat3& m);
// Writes adjugate / det into out when |det| >= tolerance; otherwise out is left untouched.
void mat_inverse(const Mat3& m, Mat3& out);
Mat3 mat_clean(const Mat3& m);
Mat3 euler_to_mat(Vec3 e);                     // (roll, pitch, yaw)
Vec3 mat_to_euler(const Mat3& m);
Mat3 frame_from_dir_up(Vec3 d, Vec3 u);

// ---- Quat ----
Quat quat_mul(Quat a, Quat b);
Quat quat_conj(Quat q);
double quat_len(Quat q);
Quat quat_normalize(Quat q);
Quat euler_to_quat(double roll, double pitch, double yaw);
Quat mat_to_quat(const Mat3& m);
void quat_to_axis_angle(Quat q, Vec3& axis, double& angle);
Vec3 rotate_about_axis(Vec3 v, Vec3 a, double t);   // turns v about a by -t
Vec3f rotate_about_axis_f(Vec3f v, Vec3 a, double t);
// The 4 x 4 row-vector matrix rotate_about_axis builds (entries stored as
// doubles), and its application to a Vec3f (components widened, products
// summed in extended precision, each result rounded once to float): lets a
// caller turn many vertices with one matrix, bit for bit as rotate_about_axis_f.
Mat4 rotate_about_axis_matrix(Vec3 a, double t);
Vec3f mat4_rotate_f(const Mat4& m, Vec3f v);
Vec3 quat_rotate(Quat q, Vec3 v);              // active rotation q v q*
Vec3 quat_unrotate(Quat q, Vec3 v);            // its inverse

}  // namespace quilbet

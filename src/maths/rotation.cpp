// Rotation matrices, quaternions and the conversions between them.
//
// Matrices rotate row vectors (v' = v m): the rows of a rotation matrix are
// the images of the x, y and z axes. Euler angles (roll, pitch, yaw) turn about
// x, then y, then z. Quaternions apply as the active rotation v -> q v q*,
// carried out through an axis and angle and the Rodrigues rotation matrix.
// Everything computes in long double and rounds each stored entry once.
#include <cmath>

#include "maths/maths.hpp"

namespace quilbet {

namespace {

using ld = long double;

// The axis-angle rotation matrix (4 x 4, row-vector form) whose product turns
// a vector about `a` by -t. Its entries are stored as 64-bit values.
Mat4 axis_matrix(Vec3 a, double t) {
    const ld c = std::cos(ld(t)), s = std::sin(ld(t)), k = 1.0L - c;
    const ld ax = a.x, ay = a.y, az = a.z;
    Mat4 r;
    r.m[0] = double(c + ax * k * ax);
    r.m[1] = double(k * ax * ay - s * az);
    r.m[2] = double(k * az * ax + s * ay);
    r.m[4] = double(k * ax * ay + s * az);
    r.m[5] = double(c + ay * k * ay);
    r.m[6] = double(k * ay * az - s * ax);
    r.m[8] = double(k * az * ax - s * ay);
    r.m[9] = double(k * ay * az + s * ax);
    r.m[10] = double(c + az * k * az);
    r.m[15] = 1.0;
    return r;
}

// First three components of the row (x, y, z, 0) times m, in extended precision.
void row_times(const Mat4& m, ld x, ld y, ld z, ld out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = x * m.m[c] + y * m.m[4 + c] + z * m.m[8 + c];
}

}  // namespace

Mat3 mat_identity() { return Mat3{}; }

Mat3 mat_mul(const Mat3& a, const Mat3& b) {
    Mat3 r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r.m[3 * i + j] = double(ld(a.m[3 * i]) * b.m[j] + ld(a.m[3 * i + 1]) * b.m[3 + j] +
                                    ld(a.m[3 * i + 2]) * b.m[6 + j]);
        }
    }
    return r;
}

namespace {
ld det_ext(const Mat3& mat) {
    const double* m = mat.m;
    return (ld(m[4]) * m[8] - ld(m[7]) * m[5]) * m[0] - (ld(m[8]) * m[3] - ld(m[5]) * m[6]) * m[1] +
           (ld(m[7]) * m[3] - ld(m[4]) * m[6]) * m[2];
}
}  // namespace

double mat_det(const Mat3& m) { return double(det_ext(m)); }

void mat_inverse(const Mat3& mat, Mat3& out) {
    const ld det = det_ext(mat);
    if (!(std::fabs(det) >= tolerance)) return;
    const double* m = mat.m;
    Mat3 r;
    r.m[0] = double((ld(m[4]) * m[8] - ld(m[5]) * m[7]) / det);
    r.m[1] = double((ld(m[2]) * m[7] - ld(m[1]) * m[8]) / det);
    r.m[2] = double((ld(m[1]) * m[5] - ld(m[2]) * m[4]) / det);
    r.m[3] = double((ld(m[5]) * m[6] - ld(m[3]) * m[8]) / det);
    r.m[4] = double((ld(m[0]) * m[8] - ld(m[2]) * m[6]) / det);
    r.m[5] = double((ld(m[2]) * m[3] - ld(m[0]) * m[5]) / det);
    r.m[6] = double((ld(m[3]) * m[7] - ld(m[4]) * m[6]) / det);
    r.m[7] = double((ld(m[1]) * m[6] - ld(m[0]) * m[7]) / det);
    r.m[8] = double((ld(m[0]) * m[4] - ld(m[1]) * m[3]) / det);
    out = r;
}

Mat3 mat_clean(const Mat3& m) {
    Mat3 r = m;
    for (double& e : r.m) {
        if (std::fabs(e) < tolerance) e = 0;
    }
    return r;
}

Mat3 euler_to_mat(Vec3 e) {
    const ld sx = std::sin(ld(e.x)), cx = std::cos(ld(e.x));
    const ld sy = std::sin(ld(e.y)), cy = std::cos(ld(e.y));
    const ld sz = std::sin(ld(e.z)), cz = std::cos(ld(e.z));
    Mat3 r;
    r.m[0] = double(cy * cz);
    r.m[1] = double(cy * sz);
    r.m[2] = double(-sy);
    r.m[3] = double(sx * sy * cz - cx * sz);
    r.m[4] = double(sx * sy * sz + cx * cz);
    r.m[5] = double(sx * cy);
    r.m[6] = double(cx * sy * cz + sx * sz);
    r.m[7] = double(cx * sy * sz - sx * cz);
    r.m[8] = double(cx * cy);
    return r;
}

Vec3 mat_to_euler(const Mat3& m) {
    return Vec3{double(angle_of(m.m[5], m.m[8])), double(-arcsin(m.m[2])),
                double(angle_of(m.m[1], m.m[0]))};
}

Mat3 frame_from_dir_up(Vec3 d, Vec3 u) {
    const Mat3 identity = mat_identity();
    const Vec3 dn = vec_normalize(d);
    const Vec3 x = vec_cross(dn, u);
    Vec3 up = vec_cross(x, dn);
    if (up.x == 0 && up.y == 0 && up.z == 0) return identity;
    up = vec_normalize(up);
    const Vec3 s = vec_cross(dn, up);
    const Vec3 t = vec_cross(s, dn);
    Mat3 b;
    const Vec3 cols[3] = {s, dn, t};
    for (int c = 0; c < 3; ++c) {
        b.m[c] = cols[c].x;
        b.m[3 + c] = cols[c].y;
        b.m[6 + c] = cols[c].z;
    }
    const double half_pi = double(pi_ext / 2), pi = double(pi_ext);
    return mat_clean(mat_mul(b, euler_to_mat(Vec3{half_pi, 0, pi})));
}

Quat quat_mul(Quat a, Quat b) {
    const ld ax = a.x, ay = a.y, az = a.z, aw = a.w;
    Quat r;
    r.x = double(aw * b.x + ax * b.w + ay * b.z - az * b.y);
    r.y = double(aw * b.y + ay * b.w + az * b.x - ax * b.z);
    r.z = double(aw * b.z + az * b.w + ax * b.y - ay * b.x);
    r.w = double(aw * b.w - ax * b.x - ay * b.y - az * b.z);
    return r;
}

Quat quat_conj(Quat q) { return Quat{-q.x, -q.y, -q.z, q.w}; }

namespace {
ld quat_len_ext(Quat q) {
    const ld x = q.x, y = q.y, z = q.z, w = q.w;
    return std::sqrt(x * x + y * y + z * z + w * w);
}
}  // namespace

double quat_len(Quat q) { return double(quat_len_ext(q)); }

Quat quat_normalize(Quat q) {
    const ld l = quat_len_ext(q);
    if (!(l >= tolerance)) return q;
    return Quat{double(q.x / l), double(q.y / l), double(q.z / l), double(q.w / l)};
}

Quat euler_to_quat(double roll, double pitch, double yaw) {
    const ld sr = std::sin(ld(roll) / 2), cr = std::cos(ld(roll) / 2);
    const ld sp = std::sin(ld(pitch) / 2), cp = std::cos(ld(pitch) / 2);
    const ld sy = std::sin(ld(yaw) / 2), cy = std::cos(ld(yaw) / 2);
    Quat q;
    q.x = double(sr * cp * cy - cr * sp * sy);
    q.y = double(cr * sp * cy + sr * cp * sy);
    q.z = double(cr * cp * sy - sr * sp * cy);
    q.w = double(cr * cp * cy + sr * sp * sy);
    return quat_normalize(q);
}

Quat mat_to_quat(const Mat3& m) {
    const Vec3 e = mat_to_euler(mat_clean(m));
    return euler_to_quat(e.x, e.y, e.z);
}

void quat_to_axis_angle(Quat q, Vec3& axis, double& angle) {
    const ld x = q.x, y = q.y, z = q.z;
    const ld h = std::sqrt(x * x + y * y + z * z);
    if (h != 0) {
        // A product of unit quaternions can carry |w| a rounding step above 1;
        // clamping keeps the angle finite (0 or 2 pi) instead of NaN.
        ld w = q.w;
        if (w > 1) w = 1;
        if (w < -1) w = -1;
        angle = double(2 * arccos(w));
        axis = Vec3{double(x / h), double(y / h), double(z / h)};
    } else {
        angle = 0;
        axis = Vec3{0, 0, 1};
    }
    axis = vec_normalize(axis);
}

Vec3 rotate_about_axis(Vec3 v, Vec3 a, double t) {
    const Mat4 m = axis_matrix(a, t);
    ld r[3];
    row_times(m, v.x, v.y, v.z, r);
    return Vec3{double(r[0]), double(r[1]), double(r[2])};
}

Vec3f rotate_about_axis_f(Vec3f v, Vec3 a, double t) { return mat4_rotate_f(axis_matrix(a, t), v); }

Vec3f mat4_rotate_f(const Mat4& m, Vec3f v) {
    ld r[3];
    row_times(m, v.x, v.y, v.z, r);
    return Vec3f{float(r[0]), float(r[1]), float(r[2])};
}

Vec3 quat_rotate(Quat q, Vec3 v) {
    Vec3 axis;
    double angle;
    quat_to_axis_angle(q, axis, angle);
    return rotate_about_axis(v, axis, -angle);
}

Vec3 quat_unrotate(Quat q, Vec3 v) {
    Vec3 axis;
    double angle;
    quat_to_axis_angle(q, axis, angle);
    return rotate_about_axis(v, axis, angle);
}

Mat4 rotate_about_axis_matrix(Vec3 a, double t) { return axis_matrix(a, t); }

}  // namespace quilbet

// Geometric predicates for the metaball mesher (collinearity, coplanarity,
// point in triangle by the angle-sum test) and the even-odd crossing test for
// points in a polygon (crossings to the right of the point).
#include <cmath>

#include "maths/maths.hpp"

namespace quilbet {

namespace {
using ld = long double;
inline constexpr ld two_pi_ext = 2 * pi_ext;
}  // namespace

bool points_collinear(Vec3f a, Vec3f b, Vec3f c) {
    const Vec3f u = vecf_sub(b, a);
    const Vec3f w = vecf_sub(a, c);
    const ld sum = std::fabs(ld(u.y) * w.z - ld(u.z) * w.y) +
                   std::fabs(ld(u.z) * w.x - ld(u.x) * w.z) +
                   std::fabs(ld(u.x) * w.y - ld(u.y) * w.x);
    return sum < tolerance;
}

bool lines_coplanar(Vec3f a, Vec3f b, Vec3f c, Vec3f d) {
    const Vec3f n = vecf_cross(vecf_sub(b, a), vecf_sub(d, c));
    return std::fabs(vecf_dot(vecf_sub(c, a), n)) < tolerance;
}

bool point_in_triangle(Vec3f p, Vec3f q, Vec3f r, Vec3f x) {
    const Vec3f e1 = vecf_normalize(vecf_sub(p, x));
    const Vec3f e2 = vecf_normalize(vecf_sub(q, x));
    const Vec3f e3 = vecf_normalize(vecf_sub(r, x));
    const float d12 = float(vecf_dot(e1, e2));
    const float d23 = float(vecf_dot(e2, e3));
    const float d31 = float(vecf_dot(e3, e1));
    const float sum = float(arccos(d12) + arccos(d23) + arccos(d31));
    return std::fabs(ld(sum) - two_pi_ext) < 0.01L;
}

bool point_in_polygon(int32_t n, const double* xs, const double* ys, double px, double py) {
    bool inside = false;
    if (xs == nullptr || ys == nullptr) return false;
    for (int32_t i = 0; i < n; ++i) {
        const bool above_i = py > ys[i];
        const bool above_j = py > ys[i + 1];
        if (above_i == above_j) continue;
        const ld t = (ld(py) - ys[i]) * (ld(xs[i + 1]) - xs[i]) / (ld(ys[i + 1]) - ys[i]);
        if (t > ld(px) - xs[i]) inside = !inside;
    }
    return inside;
}

}  // namespace quilbet

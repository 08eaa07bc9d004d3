// Merge stage 5, triangles: ear clipping of the chained polygon. The corner
// at q is an ear unless it turns against the region's normal or a polygon
// point passes point_in_triangle for (previous, next, corner); each ear is
// written as (previous, corner, next) and cut off, and the search restarts
// at q = 0 until three points are left. Plain form: point_in_triangle for
// every polygon point. Fast form: points that a cone test shows to be
// outside skip the test's three arc cosines.
#include <cmath>

#include "metamold/merge_work.hpp"

namespace quilbet::merging {

namespace {

inline bool same_point(Vec3f a, Vec3f b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// For x a corner of the triangle: the test holds only when the triangle's
// angle at x is within 0.01 of pi, so a cosine above -0.999 settles it.
inline bool corner_angle_open(Vec3f x, Vec3f u, Vec3f v) {
    const double ux = double(u.x) - x.x, uy = double(u.y) - x.y, uz = double(u.z) - x.z;
    const double vx = double(v.x) - x.x, vy = double(v.y) - x.y, vz = double(v.z) - x.z;
    const double uu = ux * ux + uy * uy + uz * uz, vv = vx * vx + vy * vy + vz * vz;
    if (!(uu > 0) || !(vv > 0)) return false;
    return (ux * vx + uy * vy + uz * vz) > -0.999 * std::sqrt(uu * vv);
}

// True when point_in_triangle(p, q, r, x) is certainly false: seen from x,
// all three corners lie within acos(0.11) of the direction to the centroid,
// so the angle sum is at most 2 pi sin(acos(0.11)) < 2 pi - 0.01.
inline bool surely_outside(Vec3f p, Vec3f q, Vec3f r, Vec3f x) {
    if (same_point(x, p)) return corner_angle_open(x, q, r);
    if (same_point(x, q)) return corner_angle_open(x, p, r);
    if (same_point(x, r)) return corner_angle_open(x, p, q);
    const double ux = (double(p.x) + q.x + r.x) / 3 - x.x;
    const double uy = (double(p.y) + q.y + r.y) / 3 - x.y;
    const double uz = (double(p.z) + q.z + r.z) / 3 - x.z;
    const double uu = ux * ux + uy * uy + uz * uz;
    for (const Vec3f& v : {p, q, r}) {
        const double wx = double(v.x) - x.x, wy = double(v.y) - x.y, wz = double(v.z) - x.z;
        const double wu = wx * ux + wy * uy + wz * uz;
        if (!(wu > 0) || !(wu * wu > 0.0121 * (wx * wx + wy * wy + wz * wz) * uu)) return false;
    }
    return true;
}

}  // namespace

bool clip_ears(work& w, Vec3f normal) {
    std::vector<int32_t>& poly = w.poly;
    w.triangles.clear();
    size_t m = poly.size(), q = 0;
    for (;;) {
        const size_t qp = q == 0 ? m - 1 : q - 1, qn = q == m - 1 ? 0 : q + 1;
        const Vec3f c = w.points[size_t(poly[q])], p = w.points[size_t(poly[qp])], n = w.points[size_t(poly[qn])];
        bool rejected = facing(normal, c, n, p) < 0;
        for (size_t x = 0; x < m && !rejected; ++x) {
            const Vec3f px = w.points[size_t(poly[x])];
            if (w.forms.cone_test && surely_outside(p, n, c, px)) continue;
            rejected = point_in_triangle(p, n, c, px);
        }
        if (rejected) {
            if (++q < m) continue;
            w.triangles.clear();
            return false;
        }
        // A collinear ear is written too, as a facet of zero area (it never
        // seeds a region in a later pass: grow_regions).
        w.triangles.push_back(id_triangle{poly[qp], poly[q], poly[qn]});
        poly.erase(poly.begin() + static_cast<std::ptrdiff_t>(q));
        q = 0;
        if (--m > 3) continue;
        // The last three points must turn along the normal like an ear.
        const Vec3f a = w.points[size_t(poly[0])], b = w.points[size_t(poly[1])], d = w.points[size_t(poly[2])];
        if (facing(normal, b, d, a) < 0) {
            w.triangles.clear();
            return false;
        }
        w.triangles.push_back(id_triangle{poly[0], poly[1], poly[2]});
        return true;
    }
}

}  // namespace quilbet::merging

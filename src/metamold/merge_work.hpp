// The working record of the fast coplanar merge and its stages, which
// merge.cpp runs in this order for every bucket:
//   ids        every distinct point gets an integer id   (merge_ids.cpp)
//   regions    facets grouped by the seed's plane         (merge_regions.cpp)
//   outline    edges no other facet of the region has     (merge_outline.cpp)
//   polygon    outline straightened and chained           (merge_polygon.cpp)
//   triangles  the polygon ear-clipped                    (merge_triangles.cpp)
// Each stage has its plain form and at most one fast form, chosen by the
// merger's mbs_merge_forms and by what the ids stage found out about the
// points. docs/merge.md gives the arguments behind the fast forms.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "metamold/merge.hpp"

namespace quilbet {

// An outline edge from the point with id a to the point with id b.
struct id_edge {
    int32_t a, b;
};

// A facet to write, as the ids of its corners in order.
struct id_triangle {
    int32_t a, b, c;
};

struct mbs_merger::work {
    mbs_merge_forms forms;

    // The bucket's facets and, when `tagged`, one lattice tag per facet.
    std::vector<mbs_facet> facets;
    std::vector<lattice_tag> tags;
    bool tagged = false;
    // The lattice the tags refer to: coordinate per index and spacing.
    int32_t resolution = 0;
    std::vector<float> lattice;
    double spacing = 0;

    // ids: three point ids per facet, the point of each id and, when
    // on_lattice (every point is the lattice point its tags name), its
    // lattice code and the box of lattice indices around all points.
    std::vector<int32_t> ids;
    std::vector<Vec3f> points;
    std::vector<uint32_t> codes;
    bool on_lattice = false;
    int32_t box_lo[3] = {}, box_hi[3] = {};
    std::vector<int32_t> slots;   // hash table of ids
    std::vector<int32_t> order;   // ids sorted by x, for the search for close points

    // regions: facet indices region after region, the end of each region in
    // `members`, and the facet left over from growing (-1 if none).
    std::vector<int32_t> members;
    std::vector<int32_t> region_end;
    int32_t leftover = -1;
    std::vector<int32_t> pending, rejected;

    // outline and polygon: the region's outline edges (straightened in
    // place) and the chained polygon as point ids.
    std::vector<id_edge> edges;
    std::vector<uint8_t> marked, chained;
    std::vector<int32_t> first_edge, next_edge;
    std::vector<uint64_t> edge_key;
    std::vector<int32_t> poly;

    // triangles: the facets clipped from the polygon, and as written.
    std::vector<id_triangle> triangles;
    std::vector<mbs_facet> written;
};

namespace merging {

using work = mbs_merger::work;

// Gives every distinct point an id and decides on_lattice. False when ids
// cannot stand for points: a coordinate that is not finite, or distinct
// points that are equal within the tolerance (the tolerant merge then runs).
bool assign_ids(work& w);
// Splits the facets into regions as the seed's line tests do.
void grow_regions(work& w);
// The outline edges of the region of `count` facets listed at `members`, facet
// by facet and edge by edge.
void find_outline(work& w, const int32_t* members, int32_t count);
// Straightens the outline and chains it from edge 0; true when it closes into
// one loop of every edge with at least three points (then in w.poly).
bool make_polygon(work& w);
// Ear-clips w.poly (four or more points) with the region's normal into
// w.triangles; false, with w.triangles empty, when no ear is left.
bool clip_ears(work& w, Vec3f normal);

// points_collinear of three points by id. On a lattice of at most 128 points
// per axis the collinearity sum is within 4e-6 of h^2 times an integer, and
// h^2 > 2.4e-4, so the exact integer test gives the same answer.
inline bool collinear_ids(const work& w, int32_t a, int32_t b, int32_t c) {
    if (w.on_lattice) return lattice_collinear(w.codes[size_t(a)], w.codes[size_t(b)], w.codes[size_t(c)]);
    return points_collinear(w.points[size_t(a)], w.points[size_t(b)], w.points[size_t(c)]);
}

// vecf_dot(n, vecf_cross(vecf_sub(a, o), vecf_sub(b, o))) written out to be
// inlined: the same extended-precision operations and float roundings.
inline double facing(Vec3f n, Vec3f a, Vec3f b, Vec3f o) {
    using ld = long double;
    const float ux = float(ld(a.x) - o.x), uy = float(ld(a.y) - o.y), uz = float(ld(a.z) - o.z);
    const float wx = float(ld(b.x) - o.x), wy = float(ld(b.y) - o.y), wz = float(ld(b.z) - o.z);
    const float cx = float(ld(uy) * wz - ld(uz) * wy), cy = float(ld(uz) * wx - ld(ux) * wz),
                cz = float(ld(ux) * wy - ld(uy) * wx);
    return double(ld(n.x) * cx + ld(n.y) * cy + ld(n.z) * cz);
}

// Area of a facet, worked out in double from its float corners.
inline double facet_area(const mbs_facet& f) {
    const double ux = double(f.pb.x) - f.pa.x, uy = double(f.pb.y) - f.pa.y, uz = double(f.pb.z) - f.pa.z;
    const double vx = double(f.pc.x) - f.pa.x, vy = double(f.pc.y) - f.pa.y, vz = double(f.pc.z) - f.pa.z;
    const double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
    return 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
}

// True when facets written for a region cover it: their area sum (in double,
// in writing order) is within a relative 1e-5 of the region's own.
inline bool covers_region(double written, double region) { return std::fabs(written - region) <= 1e-5 * region; }

}  // namespace merging
}  // namespace quilbet

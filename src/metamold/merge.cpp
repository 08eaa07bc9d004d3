// Coplanar patch merging, the fast form. It gives exactly the facets of the
// step-by-step form in merge_reference.cpp, in the same order, and differs
// only in how it finds them:
//  - every distinct point of the bucket gets an integer id (from the lattice
//    codes of the facets' tags, or by exact hashing); when no two distinct
//    points are within the equality tolerance of each other, "equal"
//    (vecf_equal) is the same as "same id", so the outline, straightening and
//    chaining steps compare ids. A bucket with points that are distinct but
//    tolerance-equal, a -0 coordinate or a value that is not finite takes the
//    step-by-step form instead;
//  - shared outline edges are found through a table of point pairs (or by
//    sorting the region's edge keys) instead of comparing every pair of
//    facets;
//  - straightening follows the two edges at each outline point instead of
//    rescanning all pairs after every join;
//  - ear clipping skips point-in-triangle tests that provably fail: when all
//    three corners, seen from the tested point, lie within a cone of half-angle
//    acos(0.11) around one direction, the angle sum of the test is at most
//    2 pi sin(acos(0.11)) = 6.245 < 2 pi - 0.01, so the test is false;
//  - line-coplanarity and collinearity are first decided in double with a
//    bound on the rounding of the float predicates; only values too close to
//    the tolerance to tell go to the predicates themselves. On a lattice
//    (every point a lattice point of a known grid, lattice_tag.hpp)
//    collinearity is exact integer arithmetic, and a facet's region is
//    decided by comparing exact integer plane keys wherever a rounding bound
//    proves that the float line tests agree with exact plane membership; only
//    facets too long for that bound are tested edge by edge.
// Region growing keeps one scan over the remaining facets per region.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "metamold/merge.hpp"
#include "metamold/lattice_tag.hpp"

namespace quilbet {

namespace {

// An outline edge from point ia to point ib (ids; the points are points[id]).
struct id_edge {
    int32_t ia, ib;
};

struct key_slot {
    uint64_t key;
    int32_t slot;   // 3 * facet position in the region + edge number
};

inline void facet_edge(const mbs_facet& f, int e, Vec3f& p, Vec3f& q) {
    switch (e) {
        case 0: p = f.pa; q = f.pb; break;
        case 1: p = f.pb; q = f.pc; break;
        default: p = f.pc; q = f.pa; break;
    }
}

// Quick verdicts on lines_coplanar and points_collinear, worked out in double
// from the float inputs. Each of those predicates rounds its differences and
// cross product to float (relative error 2^-24 per rounding), so its value
// lies within 4 * 2^-24 * |x|1 |y|1 |z|1 < 1e-6 * |x|1 |y|1 |z|1 of the exact
// one. A verdict is given only when the exact value is farther than that from
// the tolerance: +1 certainly true, -1 certainly false, 0 undecided (also for
// values that are not finite).
inline double l1(double x, double y, double z) { return std::fabs(x) + std::fabs(y) + std::fabs(z); }

inline int coplanar_verdict(Vec3f a, Vec3f b, Vec3f c, Vec3f d) {
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double wx = double(d.x) - c.x, wy = double(d.y) - c.y, wz = double(d.z) - c.z;
    const double sx = double(c.x) - a.x, sy = double(c.y) - a.y, sz = double(c.z) - a.z;
    const double v = sx * (uy * wz - uz * wy) + sy * (uz * wx - ux * wz) + sz * (ux * wy - uy * wx);
    const double err = 1e-6 * l1(ux, uy, uz) * l1(wx, wy, wz) * l1(sx, sy, sz);
    const double av = std::fabs(v);
    if (av > tolerance + err) return -1;
    if (av < tolerance - err) return 1;
    return 0;
}

inline int collinear_verdict(Vec3f a, Vec3f b, Vec3f c) {
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double wx = double(a.x) - c.x, wy = double(a.y) - c.y, wz = double(a.z) - c.z;
    const double sum = std::fabs(uy * wz - uz * wy) + std::fabs(uz * wx - ux * wz) + std::fabs(ux * wy - uy * wx);
    const double err = 1e-6 * l1(ux, uy, uz) * l1(wx, wy, wz);
    if (sum > tolerance + err) return -1;
    if (sum < tolerance - err) return 1;
    return 0;
}

inline bool collinear(Vec3f a, Vec3f b, Vec3f c) {
    const int v = collinear_verdict(a, b, c);
    return v != 0 ? v > 0 : points_collinear(a, b, c);
}

bool joins_seed_plane_exact(const mbs_facet& seed, const mbs_facet& f) {
    for (int e = 0; e < 3; ++e) {
        Vec3f c, d;
        facet_edge(f, e, c, d);
        if (!lines_coplanar(seed.pb, seed.pc, c, d) || !lines_coplanar(seed.pa, seed.pb, c, d)) {
            return false;
        }
    }
    return true;
}

// The seed's plane, for the quick acceptance below: a unit normal (any
// direction will do for the bound; the seed's own normal in double is the
// useful one), the seed's points, and the heights of A and C above the plane
// through B.
struct seed_plane {
    bool usable = false;
    double nx = 0, ny = 0, nz = 0;
    double bx = 0, by = 0, bz = 0;
    double height = 0;                 // largest |height| of A and C
    double lo[3] = {}, hi[3] = {};     // bounding box of A, B, C
};

inline double height_above(const seed_plane& s, Vec3f x) {
    return s.nx * (double(x.x) - s.bx) + s.ny * (double(x.y) - s.by) + s.nz * (double(x.z) - s.bz);
}

seed_plane make_seed_plane(const mbs_facet& seed) {
    seed_plane s;
    const Vec3f a = seed.pa, b = seed.pb, c = seed.pc;
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
    const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(len > 0) || !std::isfinite(len)) return s;
    s.nx = nx / len;
    s.ny = ny / len;
    s.nz = nz / len;
    s.bx = b.x;
    s.by = b.y;
    s.bz = b.z;
    s.height = std::max(std::fabs(height_above(s, a)), std::fabs(height_above(s, c)));
    const float* pts[3] = {&a.x, &b.x, &c.x};
    for (int k = 0; k < 3; ++k) {
        s.lo[k] = std::min({double(pts[0][k]), double(pts[1][k]), double(pts[2][k])});
        s.hi[k] = std::max({double(pts[0][k]), double(pts[1][k]), double(pts[2][k])});
    }
    s.usable = std::isfinite(s.height);
    return s;
}

// True when all six line tests of f against the seed certainly pass. Each
// test is a triple product det(s, u, w) of differences of the six points.
// With unit normal n, write every difference as its part in the plane plus
// its height along n: det of three vectors of one plane is 0, and the terms
// with one height remain, so |det(s, u, w)| <= |hs||u||w| + |hu||s||w| +
// |hw||s||u| <= 6 H D^2, where H bounds the heights of the six points (a
// difference has height at most 2H) and D is the sum of the extents of their
// bounding box (no difference is longer). The float predicates are within
// 1e-6 D^3 of the exact value (see coplanar_verdict), so 6 H D^2 + 1e-6 D^3
// below the tolerance settles every test as passed. H carries a margin far
// above the rounding of the heights worked out in double.
inline bool surely_in_seed_plane(const seed_plane& s, const mbs_facet& f) {
    const Vec3f p[3] = {f.pa, f.pb, f.pc};
    double d = 0;
    for (int k = 0; k < 3; ++k) {
        const double a = (&p[0].x)[k], b = (&p[1].x)[k], c = (&p[2].x)[k];
        d += std::max({s.hi[k], a, b, c}) - std::min({s.lo[k], a, b, c});
    }
    double h = s.height;
    for (const Vec3f& x : p) h = std::max(h, std::fabs(height_above(s, x)));
    h += 1e-9 * d;
    return 6 * h * d * d + 1e-6 * d * d * d < tolerance * (1 - 1e-6);
}

// A facet joins the seed's region when every one of its edges passes both
// line tests; any certain failure decides, certain passes everywhere decide,
// anything else asks the predicates themselves.
inline bool joins_seed_plane(const mbs_facet& seed, const mbs_facet& f) {
    bool certain = true;
    for (int e = 0; e < 3; ++e) {
        Vec3f c, d;
        facet_edge(f, e, c, d);
        const int v1 = coplanar_verdict(seed.pb, seed.pc, c, d);
        if (v1 < 0) return false;
        const int v2 = coplanar_verdict(seed.pa, seed.pb, c, d);
        if (v2 < 0) return false;
        if (v1 == 0 || v2 == 0) certain = false;
    }
    return certain || joins_seed_plane_exact(seed, f);
}

inline void write_facet(polyarr& bucket, const mbs_facet& f) {
    if (static_cast<size_t>(bucket.count) >= bucket.tris.size()) bucket.tris.push_back(f);
    else bucket.tris[static_cast<size_t>(bucket.count)] = f;
    ++bucket.count;
}

// Bit pattern of a coordinate. A point's id stands for its exact coordinates
// (outline points are written from them), so a bucket with a -0 coordinate,
// equal to +0 but not the same, takes the step-by-step form.
constexpr uint32_t negative_zero = 0x80000000u;
inline uint32_t coord_bits(float v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

inline uint64_t mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// True when the point-in-triangle test of x against (p, q, r) is certainly
// false: all three corners lie within acos(0.11) of the direction from x to
// the centroid.
// When x is one of the corners its own direction is the zero vector (left
// unnormalised), two of the three angles are pi/2 and the test holds only if
// the triangle's angle at that corner is within 0.01 of pi; a cosine above
// -0.999 (angle below pi - 0.044) settles it as false.
inline bool corner_angle_open(Vec3f x, Vec3f u, Vec3f v) {
    const double ux = double(u.x) - x.x, uy = double(u.y) - x.y, uz = double(u.z) - x.z;
    const double vx = double(v.x) - x.x, vy = double(v.y) - x.y, vz = double(v.z) - x.z;
    const double uu = ux * ux + uy * uy + uz * uz, vv = vx * vx + vy * vy + vz * vz;
    if (!(uu > 0) || !(vv > 0)) return false;
    return (ux * vx + uy * vy + uz * vz) > -0.999 * std::sqrt(uu * vv);
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

inline bool same_point(Vec3f a, Vec3f b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

inline bool surely_outside(Vec3f p, Vec3f q, Vec3f r, Vec3f x) {
    if (same_point(x, p)) return corner_angle_open(x, q, r);
    if (same_point(x, q)) return corner_angle_open(x, p, r);
    if (same_point(x, r)) return corner_angle_open(x, p, q);
    const double ux = (double(p.x) + q.x + r.x) / 3 - x.x;
    const double uy = (double(p.y) + q.y + r.y) / 3 - x.y;
    const double uz = (double(p.z) + q.z + r.z) / 3 - x.z;
    const double uu = ux * ux + uy * uy + uz * uz;
    const Vec3f corners[3] = {p, q, r};
    for (const Vec3f& v : corners) {
        const double wx = double(v.x) - x.x, wy = double(v.y) - x.y, wz = double(v.z) - x.z;
        const double wu = wx * ux + wy * uy + wz * uz;
        if (!(wu > 0)) return false;
        if (!(wu * wu > 0.0121 * (wx * wx + wy * wy + wz * wz) * uu)) return false;
    }
    return true;
}

}  // namespace

struct mbs_merger::scratch {
    // Whole bucket.
    std::vector<mbs_facet> facets;     // the input facets
    std::vector<int32_t> ids;          // three point ids per input facet
    std::vector<Vec3f> points;         // distinct points, by id
    std::vector<uint64_t> table;       // hash slots: (id + 1), 0 = empty
    std::vector<int32_t> work, rejected;
    std::vector<int32_t> region_facets;   // facet indices of all regions, region by region
    std::vector<int32_t> region_ends;     // end offset of each region in region_facets
    std::vector<uint8_t> region_planar;   // per region: all its facets in the seed's lattice plane
    const lattice_tag* plane_tag = nullptr;   // while writing a planar region: its seed's tag
    std::vector<int32_t> order;           // separation check: point ids sorted by cell
    std::vector<int64_t> cells;           // separation check: cell coordinates per id
    // One region.
    std::vector<key_slot> keys;
    std::vector<uint8_t> marked;
    std::vector<id_edge> edges;
    std::vector<uint8_t> chained;
    std::vector<int32_t> incident;        // straightening: two outline edges per point id, -1 between regions
    std::vector<uint8_t> alive;           // straightening: edge not removed
    // Buckets with at most small_points distinct points: per unordered pair of
    // point ids (lower id first) the first facet with that edge in the current
    // region and whether a second facet has it; reset after every region.
    static constexpr size_t small_points = 64;
    struct pair_entry {
        uint32_t stamp = 0;
        int32_t owner = -1;
        int32_t shared = 0;
    };
    std::vector<pair_entry> pairs;
    uint32_t pair_stamp = 0;
    // Small buckets: hash slots of point ids (0xFF = empty), for assign_ids.
    uint8_t small_table[256] = {};
    std::vector<Vec3f> poly;
    // The lattice (set_lattice): coordinate per index, spacing, and the
    // rounding that the plane-key form of region growing tolerates.
    std::vector<float> lattice;
    double spacing = 0;
    double lattice_margin = 0;
    // Per bucket: whether every point has a lattice code (then tags holds one
    // tag per input facet and point_code one code per point id), and whether
    // region growing compares plane keys.
    bool coded = false;
    bool keyed = false;
    double diameter = 0;                    // of the bucket's box of lattice points
    std::vector<lattice_tag> tags;          // per input facet
    std::vector<uint32_t> point_code;       // per point id
    // Ids from codes: per lattice point of the bucket's box, (generation << 32) | id.
    std::vector<uint64_t> slots;
    uint32_t generation = 0;
    std::vector<uint32_t> first_corner;     // per point id: 3 * facet + corner where it first occurs
    // The caller's box of lattice indices that holds every facet point, if given.
    bool box_given = false;
    bool tags_made = false;   // tags made by the polygoniser: not checked against the points
    int32_t box_lo[3] = {}, box_hi[3] = {};
    // The caller's tags (merge_lattice), rewritten with the output facets.
    std::vector<lattice_tag>* tags_out = nullptr;
    std::vector<lattice_tag> out_tags;
    std::vector<int32_t> poly_ids;          // point ids of poly

    bool assign_ids();
    bool ids_from_codes();
    bool codes_from_points();
    void prepare_keys();
    double key_edge_limit(const lattice_tag& seed) const;
    bool collinear_ids(int32_t ia, int32_t ib, int32_t ic) const;
    void put(polyarr& bucket, const mbs_facet& f, const lattice_tag& tag);
    void put_new(polyarr& bucket, const mbs_facet& f, int32_t ia, int32_t ib, int32_t ic);
    bool separated();
    void grow_regions();
    void write_region(polyarr& bucket, const int32_t* members, int32_t count);
    void outline(const int32_t* members, int32_t count);
    void emit_outline(const int32_t* members, int32_t count);
    bool joinable(size_t j, size_t k, id_edge& joined) const;
    void straighten_scan();
    void straighten();
    bool chain();
    bool clip_ears(polyarr& bucket, Vec3f normal);
};

// Gives every distinct point an id; false when a coordinate is not finite or
// is -0.
bool mbs_merger::scratch::assign_ids() {
    const size_t n = facets.size() * 3;
    points.clear();
    ids.resize(n);
    if (n <= 96) {
        // Few points (at most 96, fewer than the 255 ids a byte slot holds):
        // a table of 256 byte slots, cleared with one memset.
        std::memset(small_table, 0xFF, sizeof small_table);
        for (size_t f = 0; f < facets.size(); ++f) {
            const Vec3f corner[3] = {facets[f].pa, facets[f].pb, facets[f].pc};
            for (int c = 0; c < 3; ++c) {
                const Vec3f v = corner[c];
                if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
                const uint32_t bx = coord_bits(v.x), by = coord_bits(v.y), bz = coord_bits(v.z);
                if (bx == negative_zero || by == negative_zero || bz == negative_zero) return false;
                uint32_t h = (bx * 0x9E3779B1u) ^ (by * 0x85EBCA77u) ^ (bz * 0xC2B2AE3Du);
                h = (h ^ (h >> 16)) & 0xFFu;
                int32_t id;
                for (;;) {
                    const uint8_t slot = small_table[h];
                    if (slot == 0xFF) {
                        id = static_cast<int32_t>(points.size());
                        points.push_back(v);
                        small_table[h] = static_cast<uint8_t>(id);
                        break;
                    }
                    const Vec3f& w = points[slot];
                    if (w.x == v.x && w.y == v.y && w.z == v.z) {
                        id = slot;
                        break;
                    }
                    h = (h + 1) & 0xFFu;
                }
                ids[3 * f + static_cast<size_t>(c)] = id;
            }
        }
        return true;
    }
    size_t cap = 16;
    while (cap < 2 * n) cap <<= 1;
    table.assign(cap, 0);
    points.clear();
    ids.resize(n);
    for (size_t f = 0; f < facets.size(); ++f) {
        const Vec3f corner[3] = {facets[f].pa, facets[f].pb, facets[f].pc};
        for (int c = 0; c < 3; ++c) {
            const Vec3f v = corner[c];
            if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
            const uint32_t bx = coord_bits(v.x), by = coord_bits(v.y), bz = coord_bits(v.z);
            if (bx == negative_zero || by == negative_zero || bz == negative_zero) return false;
            size_t h = mix((uint64_t(bx) << 32 | by) ^ mix(bz)) & (cap - 1);
            int32_t id = -1;
            for (;;) {
                const uint64_t s = table[h];
                if (s == 0) {
                    id = static_cast<int32_t>(points.size());
                    points.push_back(v);
                    table[h] = uint64_t(id) + 1;
                    break;
                }
                const Vec3f& w = points[s - 1];
                if (w.x == v.x && w.y == v.y && w.z == v.z) {
                    id = static_cast<int32_t>(s - 1);
                    break;
                }
                h = (h + 1) & (cap - 1);
            }
            ids[3 * f + static_cast<size_t>(c)] = id;
        }
    }
    return true;
}

// True when no two distinct points are vecf_equal, so that equality of
// points is equality of ids.
bool mbs_merger::scratch::separated() {
    const size_t d = points.size();
    // Any coordinate difference below 1e-5 shows as below 1e-4 in float.
    auto near = [](const Vec3f& a, const Vec3f& b) {
        return std::fabs(a.x - b.x) < 1e-4f && std::fabs(a.y - b.y) < 1e-4f &&
               std::fabs(a.z - b.z) < 1e-4f && vecf_equal(a, b);
    };
    if (d <= 48) {
        for (size_t i = 0; i < d; ++i) {
            for (size_t j = i + 1; j < d; ++j) {
                if (near(points[i], points[j])) return false;
            }
        }
        return true;
    }
    // Cells of 2^-12 (> 1e-5): tolerance-equal points lie in the same or
    // neighbouring cells.
    constexpr double scale = 4096.0;
    cells.resize(3 * d);
    for (size_t i = 0; i < d; ++i) {
        const Vec3f& p = points[i];
        if (!(std::fabs(p.x) < 1e9f && std::fabs(p.y) < 1e9f && std::fabs(p.z) < 1e9f)) return false;
        cells[3 * i] = static_cast<int64_t>(std::floor(p.x * scale));
        cells[3 * i + 1] = static_cast<int64_t>(std::floor(p.y * scale));
        cells[3 * i + 2] = static_cast<int64_t>(std::floor(p.z * scale));
    }
    order.resize(d);
    for (size_t i = 0; i < d; ++i) order[i] = static_cast<int32_t>(i);
    auto cell_less = [&](int32_t a, int32_t b) {
        const int64_t* ca = &cells[3 * static_cast<size_t>(a)];
        const int64_t* cb = &cells[3 * static_cast<size_t>(b)];
        if (ca[0] != cb[0]) return ca[0] < cb[0];
        if (ca[1] != cb[1]) return ca[1] < cb[1];
        return ca[2] < cb[2];
    };
    std::sort(order.begin(), order.end(), cell_less);
    for (size_t i = 0; i < d; ++i) {
        const Vec3f& p = points[i];
        const int64_t* c = &cells[3 * i];
        const double f[3] = {p.x * scale - double(c[0]), p.y * scale - double(c[1]), p.z * scale - double(c[2])};
        int lo[3], hi[3];
        for (int a = 0; a < 3; ++a) {
            lo[a] = f[a] < 0.05 ? -1 : 0;
            hi[a] = f[a] > 0.95 ? 1 : 0;
        }
        for (int dx = lo[0]; dx <= hi[0]; ++dx) {
            for (int dy = lo[1]; dy <= hi[1]; ++dy) {
                for (int dz = lo[2]; dz <= hi[2]; ++dz) {
                    const int64_t want[3] = {c[0] + dx, c[1] + dy, c[2] + dz};
                    auto it = std::lower_bound(order.begin(), order.end(), 0, [&](int32_t a, int) {
                        const int64_t* ca = &cells[3 * static_cast<size_t>(a)];
                        if (ca[0] != want[0]) return ca[0] < want[0];
                        if (ca[1] != want[1]) return ca[1] < want[1];
                        return ca[2] < want[2];
                    });
                    for (; it != order.end(); ++it) {
                        const int64_t* ca = &cells[3 * static_cast<size_t>(*it)];
                        if (ca[0] != want[0] || ca[1] != want[1] || ca[2] != want[2]) break;
                        if (static_cast<size_t>(*it) != i && near(p, points[static_cast<size_t>(*it)])) {
                            return false;
                        }
                    }
                }
            }
        }
    }
    return true;
}

// Point ids, points and point codes from the lattice codes of the facets'
// tags: a table over the bucket's box of lattice points, stamped per bucket
// so that it is never cleared. Distinct lattice points are a lattice spacing
// (far above the tolerance) apart, so equal points are points with one code.
// False when a code is not a point of the lattice or not its facet corner's.
bool mbs_merger::scratch::ids_from_codes() {
    const size_t corners = 3 * facets.size();
    const int32_t n = static_cast<int32_t>(lattice.size());
    if (corners == 0) {
        ids.clear();
        points.clear();
        point_code.clear();
        diameter = 0;
        return true;
    }
    int32_t lo[3], hi[3];
    if (box_given) {
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::max(box_lo[k], 0);
            hi[k] = std::min(box_hi[k], n - 1);
            if (lo[k] > hi[k]) return false;
        }
    } else {
        for (int k = 0; k < 3; ++k) {
            lo[k] = 255;
            hi[k] = 0;
        }
        for (const lattice_tag& t : tags) {
            for (const uint32_t code : t.code) {
                if (code > 0xFFFFFFu) return false;
                for (int k = 0; k < 3; ++k) {
                    lo[k] = std::min(lo[k], lattice_code_axis(code, k));
                    hi[k] = std::max(hi[k], lattice_code_axis(code, k));
                }
            }
        }
        if (hi[0] >= n || hi[1] >= n || hi[2] >= n) return false;
    }
    ids.resize(corners);
    const uint32_t ex = static_cast<uint32_t>(hi[0] - lo[0] + 1), ey = static_cast<uint32_t>(hi[1] - lo[1] + 1),
                   ez = static_cast<uint32_t>(hi[2] - lo[2] + 1);
    const size_t cells = size_t(ex) * ey * ez;
    if (slots.size() < cells) slots.resize(cells, 0);
    if (++generation == 0) {
        std::fill(slots.begin(), slots.end(), 0);
        generation = 1;
    }
    const uint64_t tag = uint64_t(generation) << 32;
    first_corner.resize(corners);
    // Plain pointers: the stores below cannot make the compiler reload them.
    const lattice_tag* tag_of = tags.data();
    uint64_t* slot_of = slots.data();
    uint32_t* first = first_corner.data();
    int32_t* id_of = ids.data();
    const uint32_t lo0 = static_cast<uint32_t>(lo[0]), lo1 = static_cast<uint32_t>(lo[1]), lo2 = static_cast<uint32_t>(lo[2]);
    uint32_t count = 0;
    for (uint32_t at = 0; at < corners; ++at) {
        const uint32_t code = tag_of[at / 3].code[at % 3];
        // Offsets in the box; a code outside it (or not a code) fails.
        const uint32_t di = (code & 0xFFu) - lo0, dj = ((code >> 8) & 0xFFu) - lo1, dk = (code >> 16) - lo2;
        if ((di >= ex) | (dj >= ey) | (dk >= ez)) return false;
        uint64_t& slot = slot_of[(size_t(di) * ey + dj) * ez + dk];
        // Branch-free: a point seen before keeps its id, a new one takes the
        // next id and remembers its first corner.
        const bool fresh = (slot & ~uint64_t(0xFFFFFFFFu)) != tag;
        const uint32_t id = fresh ? count : static_cast<uint32_t>(slot);
        slot = tag | id;
        first[count] = at;
        count += fresh ? 1u : 0u;
        id_of[at] = static_cast<int32_t>(id);
    }
    points.resize(count);
    point_code.resize(count);
    // Every point is checked once against the coordinates of its code,
    // unless the tags come from the polygoniser, which makes them from the
    // very lattice points it writes.
    if (tags_made) {
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t at = first_corner[i];
            const mbs_facet& f = facets[at / 3];
            points[i] = at % 3 == 0 ? f.pa : at % 3 == 1 ? f.pb : f.pc;
            point_code[i] = tags[at / 3].code[at % 3];
        }
        const double sx = ex - 1.0, sy = ey - 1.0, sz = ez - 1.0;
        diameter = spacing * std::sqrt(sx * sx + sy * sy + sz * sz) * (1 + 1e-9);
        return true;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t at = first_corner[i];
        const mbs_facet& f = facets[at / 3];
        const Vec3f& v = at % 3 == 0 ? f.pa : at % 3 == 1 ? f.pb : f.pc;
        const uint32_t code = tags[at / 3].code[at % 3];
        const Vec3f want{lattice[static_cast<size_t>(lattice_code_axis(code, 0))],
                         lattice[static_cast<size_t>(lattice_code_axis(code, 1))],
                         lattice[static_cast<size_t>(lattice_code_axis(code, 2))]};
        if (std::memcmp(&want, &v, sizeof want) != 0) return false;
        points[i] = v;
        point_code[i] = code;
    }
    const double sx = ex - 1.0, sy = ey - 1.0, sz = ez - 1.0;
    diameter = spacing * std::sqrt(sx * sx + sy * sy + sz * sz) * (1 + 1e-9);
    return true;
}

// Lattice codes for points that got their ids by hashing, and the facets'
// tags; false when a point is not a lattice point (or no lattice is known).
bool mbs_merger::scratch::codes_from_points() {
    const int32_t n = static_cast<int32_t>(lattice.size());
    tags.assign(facets.size(), lattice_tag{});
    if (n < 2) return false;
    const size_t d = points.size();
    point_code.resize(d);
    int32_t lo[3] = {n, n, n}, hi[3] = {-1, -1, -1};
    const double scale = 0.5 * (n - 1);
    for (size_t i = 0; i < d; ++i) {
        const float c[3] = {points[i].x, points[i].y, points[i].z};
        int32_t at[3];
        for (int k = 0; k < 3; ++k) {
            const double t = (double(c[k]) + 1.0) * scale + 0.5;
            if (!(t > 0 && t < n)) return false;
            // t is positive and in range: truncation is the nearest index, and
            // the comparison catches any coordinate off the lattice.
            at[k] = static_cast<int32_t>(t);
            if (coord_bits(lattice[static_cast<size_t>(at[k])]) != coord_bits(c[k])) return false;
            lo[k] = std::min(lo[k], at[k]);
            hi[k] = std::max(hi[k], at[k]);
        }
        point_code[i] = lattice_code(at[0], at[1], at[2]);
    }
    for (size_t f = 0; f < facets.size(); ++f) {
        tags[f] = lattice_tag_of(point_code[static_cast<size_t>(ids[3 * f])], point_code[static_cast<size_t>(ids[3 * f + 1])],
                                 point_code[static_cast<size_t>(ids[3 * f + 2])]);
    }
    double extent2 = 0;
    for (int k = 0; k < 3; ++k) extent2 += double(hi[k] - lo[k]) * (hi[k] - lo[k]);
    diameter = d == 0 ? 0 : spacing * std::sqrt(extent2) * (1 + 1e-9);
    return true;
}

// Integer plane keys for region growing. On a lattice of spacing h, each line
// test of region growing is a triple product of point differences whose
// exact value, on the ideal lattice positions, is h^3 times an integer
// determinant. For a seed whose corners are not collinear, all six
// determinants of a facet that is not degenerate vanish exactly when the
// facet's corners lie in the seed's plane (an edge leaving the plane could
// only meet both seed lines at their common corner, and two edges of one
// triangle cannot both run through it). So the growing step is "same plane"
// wherever the float tests stay within a margin of the exact values (see
// key_edge_limit). Unused when a facet of the bucket is degenerate on the
// lattice.
void mbs_merger::scratch::prepare_keys() {
    keyed = false;
    if (!coded || !(lattice_margin > 0) || facets.empty()) return;
    for (const lattice_tag& t : tags) {
        if (t.degenerate()) return;
    }
    keyed = true;
}

// The longest facet edge (squared, in lattice steps) for which the seed's
// line tests are decided by the plane keys. A line test is |s . (u x w)| < tol
// with s = c - a, u = b - a and w = d - c worked out in float from float
// lattice coordinates, each within 2^-25 of its ideal value (coordinates lie
// in [-1, 1]). Coordinate and difference roundings move each vector by at
// most 2^-24 (sqrt 3 + length), and the float cross product by 2^-24 |u| |w|,
// so the test's value is within
//   2^-24 (sqrt 3 (|u||w| + |s||w| + |s||u|) + 4 |s||u||w|)
// of h^3 times its integer determinant (taken 1.5 times for the products of
// small terms). Here |s| is at most the bucket's diameter, |u| the longer of
// the seed's edges A-B and B-C, and |w| the facet's longest edge, all ideal
// lengths. With that error below the margin (the smaller of tol and
// h^3 - tol), a vanishing determinant passes and any other fails.
double mbs_merger::scratch::key_edge_limit(const lattice_tag& seed) const {
    constexpr double sqrt3 = 1.7320508075688772;
    const double c = 1.5 * 0x1p-24;
    auto steps2 = [](uint32_t a, uint32_t b) {
        double d = 0;
        for (int k = 0; k < 3; ++k) {
            const double e = lattice_code_axis(a, k) - lattice_code_axis(b, k);
            d += e * e;
        }
        return d;
    };
    const double u = spacing * std::sqrt(std::max(steps2(seed.code[0], seed.code[1]), steps2(seed.code[1], seed.code[2])));
    const double s = diameter;
    const double limit = (lattice_margin / c - sqrt3 * s * u) / (sqrt3 * (u + s) + 4 * s * u);
    if (!(limit > 0)) return -1.0;
    const double in_steps = limit / spacing;
    return in_steps * in_steps;
}

inline bool mbs_merger::scratch::collinear_ids(int32_t ia, int32_t ib, int32_t ic) const {
    // On the lattice (up to 128 points per axis) the collinearity sum is
    // within 4e-6 of h^2 times an integer and h^2 > 2.4e-4: exact.
    if (coded) {
        return lattice_collinear(point_code[static_cast<size_t>(ia)], point_code[static_cast<size_t>(ib)],
                                 point_code[static_cast<size_t>(ic)]);
    }
    return collinear(points[static_cast<size_t>(ia)], points[static_cast<size_t>(ib)], points[static_cast<size_t>(ic)]);
}

void mbs_merger::scratch::grow_regions() {
    region_facets.clear();
    region_ends.clear();
    region_planar.clear();
    work.resize(facets.size());
    for (size_t i = 0; i < facets.size(); ++i) work[i] = static_cast<int32_t>(i);
    while (!work.empty()) {
        const int32_t seed_at = work[0];
        const mbs_facet& seed = facets[static_cast<size_t>(seed_at)];
        // The seed's plane is worked out only when a facet needs the line tests.
        seed_plane plane;
        bool plane_made = false;
        const lattice_tag* seed_tag = keyed ? &tags[static_cast<size_t>(seed_at)] : nullptr;
        const double limit = keyed ? key_edge_limit(*seed_tag) : -1.0;
        // The six line tests of one facet against the seed.
        auto joins = [&](int32_t f) {
            if (keyed && tags[static_cast<size_t>(f)].edge2 <= limit) {
                return tags[static_cast<size_t>(f)].same_plane(*seed_tag);
            }
            const mbs_facet& facet = facets[static_cast<size_t>(f)];
            if (!plane_made) {
                plane = make_seed_plane(seed);
                plane_made = true;
            }
            // Facets that face along the seed (or against it) are most likely
            // in its plane: try the cheap certain acceptance first.
            const bool aligned = plane.usable && std::fabs(double(facet.norm.x) * plane.nx +
                                                           double(facet.norm.y) * plane.ny +
                                                           double(facet.norm.z) * plane.nz) > 0.999;
            return (aligned && surely_in_seed_plane(plane, facet)) || joins_seed_plane(seed, facet);
        };
        region_facets.push_back(seed_at);
        rejected.clear();
        // Whether every facet of the region lies in the seed's lattice plane
        // (then so does every facet written for it).
        bool planar = coded;
        for (size_t i = 1; i < work.size(); ++i) {
            const int32_t f = work[i];
            if (joins(f)) {
                region_facets.push_back(f);
                if (planar && !tags[static_cast<size_t>(f)].same_plane(tags[static_cast<size_t>(seed_at)])) planar = false;
            } else {
                rejected.push_back(f);
            }
        }
        region_ends.push_back(static_cast<int32_t>(region_facets.size()));
        region_planar.push_back(planar ? 1 : 0);
        if (rejected.size() < 2) break;   // a single rejected facet stays in `rejected` as the leftover
        work.swap(rejected);
    }
}

// Outline edges of a region: the facet edges that no other facet of the
// region has (in either direction), facet by facet and edge by edge.
void mbs_merger::scratch::outline(const int32_t* members, int32_t count) {
    const size_t d = points.size();
    if (d <= small_points) {
        // Few points: one table entry per unordered point pair holds the first
        // facet that has the edge and whether another facet has it too. Entries
        // count only when stamped with this region's stamp, so the table is
        // never cleared.
        if (++pair_stamp == 0) {
            std::fill(pairs.begin(), pairs.end(), pair_entry{});
            pair_stamp = 1;
        }
        auto entry = [&](int32_t a, int32_t b) -> pair_entry& {
            return a < b ? pairs[static_cast<size_t>(a) * d + static_cast<size_t>(b)]
                         : pairs[static_cast<size_t>(b) * d + static_cast<size_t>(a)];
        };
        for (int32_t j = 0; j < count; ++j) {
            const int32_t* id = &ids[3 * static_cast<size_t>(members[j])];
            for (int e = 0; e < 3; ++e) {
                pair_entry& pe = entry(id[e], id[e == 2 ? 0 : e + 1]);
                if (pe.stamp != pair_stamp) pe = pair_entry{pair_stamp, j, 0};
                else if (pe.owner != j) pe.shared = 1;
            }
        }
        edges.resize(3 * static_cast<size_t>(count));
        size_t used = 0;
        for (int32_t j = 0; j < count; ++j) {
            const int32_t* id = &ids[3 * static_cast<size_t>(members[j])];
            if (!entry(id[0], id[1]).shared) edges[used++] = id_edge{id[0], id[1]};
            if (!entry(id[1], id[2]).shared) edges[used++] = id_edge{id[1], id[2]};
            if (!entry(id[2], id[0]).shared) edges[used++] = id_edge{id[2], id[0]};
        }
        edges.resize(used);
        return;
    }
    keys.resize(3 * static_cast<size_t>(count));
    for (int32_t j = 0; j < count; ++j) {
        const int32_t* id = &ids[3 * static_cast<size_t>(members[j])];
        for (int e = 0; e < 3; ++e) {
            const uint32_t a = static_cast<uint32_t>(id[e]);
            const uint32_t b = static_cast<uint32_t>(id[(e + 1) % 3]);
            const uint64_t key = a < b ? (uint64_t(a) << 32 | b) : (uint64_t(b) << 32 | a);
            keys[3 * static_cast<size_t>(j) + static_cast<size_t>(e)] = key_slot{key, 3 * j + e};
        }
    }
    marked.assign(keys.size(), 1);
    std::sort(keys.begin(), keys.end(), [](const key_slot& x, const key_slot& y) {
        return x.key != y.key ? x.key < y.key : x.slot < y.slot;
    });
    for (size_t g = 0; g < keys.size();) {
        size_t h = g + 1;
        bool shared = false;
        while (h < keys.size() && keys[h].key == keys[g].key) {
            if (keys[h].slot / 3 != keys[g].slot / 3) shared = true;
            ++h;
        }
        if (shared) {
            for (size_t i = g; i < h; ++i) marked[static_cast<size_t>(keys[i].slot)] = 0;
        }
        g = h;
    }
    emit_outline(members, count);
}

// The marked facet edges as outline edges, facet by facet and edge by edge.
void mbs_merger::scratch::emit_outline(const int32_t* members, int32_t count) {
    edges.resize(3 * static_cast<size_t>(count));
    size_t used = 0;
    for (int32_t j = 0; j < count; ++j) {
        const int32_t* id = &ids[3 * static_cast<size_t>(members[j])];
        const uint8_t* mark = &marked[3 * static_cast<size_t>(j)];
        if (mark[0]) edges[used++] = id_edge{id[0], id[1]};
        if (mark[1]) edges[used++] = id_edge{id[1], id[2]};
        if (mark[2]) edges[used++] = id_edge{id[2], id[0]};
    }
    edges.resize(used);
}

// One straightening test of the edge pair (j, k), j before k: true when
// their shared point lies between collinear ends; `joined` is then the edge
// (P, N) that replaces j (k goes).
bool mbs_merger::scratch::joinable(size_t j, size_t k, id_edge& joined) const {
    const id_edge& ej = edges[j];
    const id_edge& ek = edges[k];
    int32_t ip, is, in;
    if (ej.ia == ek.ia) { ip = ek.ib; is = ej.ia; in = ej.ib; }
    else if (ej.ib == ek.ia) { ip = ej.ia; is = ej.ib; in = ek.ib; }
    else if (ej.ia == ek.ib) { ip = ek.ia; is = ej.ia; in = ej.ib; }
    else if (ej.ib == ek.ib) { ip = ej.ia; is = ej.ib; in = ek.ia; }
    else return false;
    if (!collinear_ids(ip, is, in)) return false;
    joined = id_edge{ip, in};
    return true;
}

// Joins collinear neighbouring edges until no pair joins, scanning pairs
// (j, k), j before k, and restarting from the first pair after every join
// (k is removed, j replaced). Equivalent to that: after joining (j, k) only
// pairs that involve the new edge j can have changed, so the pairs (i, j)
// with i < j are tried first, and then the scan goes on from (j, j + 1).
void mbs_merger::scratch::straighten_scan() {
    // Most pairs share no point; they are passed over without a test.
    auto meet = [this](size_t j, size_t k) {
        const id_edge& ej = edges[j];
        const id_edge& ek = edges[k];
        return ej.ia == ek.ia || ej.ib == ek.ia || ej.ia == ek.ib || ej.ib == ek.ib;
    };
    auto try_join = [this](size_t j, size_t k) {
        id_edge joined;
        if (!joinable(j, k, joined)) return false;
        edges.erase(edges.begin() + static_cast<std::ptrdiff_t>(k));
        edges[j] = joined;
        return true;
    };
    size_t j = 0;
    while (j < edges.size()) {
        size_t k = j + 1;
        bool joined = false;
        for (; k < edges.size(); ++k) {
            if (meet(j, k) && try_join(j, k)) {
                joined = true;
                break;
            }
        }
        if (!joined) {
            ++j;
            continue;
        }
        for (;;) {
            size_t i = 0;
            while (i < j && !(meet(i, j) && try_join(i, j))) ++i;
            if (i == j) break;
            j = i;
        }
    }
}

// straighten_scan for an outline in which every point has exactly two edges
// (listed in `incident`, which is left cleared):
// the only edges that meet an edge are the other edges at its two ends, so
// the scan visits just those (in edge order), and removed edges are only
// marked until the end. Should a join ever close an edge onto itself (both
// ends one point), the rest is left to the full scan.
void mbs_merger::scratch::straighten() {
    const int32_t count = static_cast<int32_t>(edges.size());
    alive.assign(static_cast<size_t>(count), 1);
    auto other = [this](int32_t point, int32_t e) {
        const int32_t* at = &incident[2 * static_cast<size_t>(point)];
        return at[0] == e ? at[1] : at[0];
    };
    // The edges other than j at j's ends, in edge order.
    auto neighbours = [&](int32_t j, int32_t out[2]) {
        int32_t a = other(edges[static_cast<size_t>(j)].ia, j), b = other(edges[static_cast<size_t>(j)].ib, j);
        if (a > b) std::swap(a, b);
        out[0] = a;
        out[1] = b == a ? -1 : b;
    };
    bool degenerate = false;
    auto join = [&](int32_t j, int32_t k) {
        id_edge joined;
        if (!joinable(static_cast<size_t>(j), static_cast<size_t>(k), joined)) return false;
        alive[static_cast<size_t>(k)] = 0;
        edges[static_cast<size_t>(j)] = joined;
        for (const int32_t p : {joined.ia, joined.ib}) {
            int32_t* at = &incident[2 * static_cast<size_t>(p)];
            if (at[0] == k) at[0] = j;
            if (at[1] == k) at[1] = j;
        }
        if (joined.ia == joined.ib) degenerate = true;
        return true;
    };
    int32_t j = 0;
    while (j < count && !degenerate) {
        int32_t near[2];
        neighbours(j, near);
        bool joined = false;
        for (const int32_t k : near) {
            if (k > j && join(j, k)) {
                joined = true;
                break;
            }
        }
        if (!joined) {
            do ++j;
            while (j < count && !alive[static_cast<size_t>(j)]);
            continue;
        }
        while (!degenerate) {
            neighbours(j, near);
            int32_t found = -1;
            for (const int32_t i : near) {
                if (i >= 0 && i < j && join(i, j)) {
                    found = i;
                    break;
                }
            }
            if (found < 0) break;
            j = found;
        }
    }
    for (int32_t e = 0; e < count; ++e) {
        // Every point of the region's outline had its two slots filled from
        // the edges as they came; the ends of live edges are among them.
        for (const int32_t p : {edges[static_cast<size_t>(e)].ia, edges[static_cast<size_t>(e)].ib}) {
            incident[2 * static_cast<size_t>(p)] = -1;
            incident[2 * static_cast<size_t>(p) + 1] = -1;
        }
    }
    size_t used = 0;
    for (int32_t e = 0; e < count; ++e) {
        if (alive[static_cast<size_t>(e)]) edges[used++] = edges[static_cast<size_t>(e)];
    }
    edges.resize(used);
    if (degenerate) straighten_scan();
}

// Chains the outline from edge 0; true when it closes on edge 0's first point
// with every edge used. poly then holds one point per edge.
bool mbs_merger::scratch::chain() {
    const size_t count = edges.size();
    chained.assign(count, 0);
    chained[0] = 1;
    poly.clear();
    poly_ids.clear();
    poly.push_back(points[static_cast<size_t>(edges[0].ia)]);
    poly.push_back(points[static_cast<size_t>(edges[0].ib)]);
    poly_ids.push_back(edges[0].ia);
    poly_ids.push_back(edges[0].ib);
    int32_t end = edges[0].ib;
    size_t used = 1;
    bool closed = false;
    size_t first_open = 1;   // edges before it are all chained
    for (;;) {
        while (first_open < count && chained[first_open]) ++first_open;
        size_t found = count;
        int32_t next_id = -1;
        for (size_t i = first_open; i < count; ++i) {
            if (chained[i]) continue;
            if (edges[i].ia == end) { next_id = edges[i].ib; found = i; break; }
            if (edges[i].ib == end) { next_id = edges[i].ia; found = i; break; }
        }
        if (found == count) break;
        chained[found] = 1;
        ++used;
        end = next_id;
        if (end == edges[0].ia) {
            closed = true;
            break;
        }
        poly.push_back(points[static_cast<size_t>(next_id)]);
        poly_ids.push_back(next_id);
    }
    return closed && used == count;
}

bool mbs_merger::scratch::clip_ears(polyarr& bucket, Vec3f normal) {
    const int32_t start = bucket.count;
    size_t m = poly.size();
    size_t q = 0;
    for (;;) {
        const size_t qp = q == 0 ? m - 1 : q - 1, qn = q == m - 1 ? 0 : q + 1;
        const Vec3f c = poly[q];
        const Vec3f p = poly[qp];
        const Vec3f n = poly[qn];
        bool rejected = facing(normal, c, n, p) < 0;
        for (size_t x = 0; x < m && !rejected; ++x) {
            const Vec3f& px = poly[x];
            if (surely_outside(p, n, c, px)) continue;
            if (point_in_triangle(p, n, c, px)) rejected = true;
        }
        if (rejected) {
            if (++q == m) {
                bucket.count = start;
                if (tags_out != nullptr) out_tags.resize(static_cast<size_t>(start));
                return false;
            }
            continue;
        }
        // An ear whose corners are collinear covers nothing: its corner is
        // cut off without writing a facet of zero area.
        const int32_t ip = poly_ids[qp], ic = poly_ids[q], in = poly_ids[qn];
        if (!collinear_ids(ip, ic, in)) put_new(bucket, mbs_facet{p, c, n, normal}, ip, ic, in);
        poly.erase(poly.begin() + static_cast<std::ptrdiff_t>(q));
        poly_ids.erase(poly_ids.begin() + static_cast<std::ptrdiff_t>(q));
        --m;
        q = 0;
        if (m == 3) {
            if (!collinear_ids(poly_ids[0], poly_ids[1], poly_ids[2])) {
                put_new(bucket, mbs_facet{poly[0], poly[1], poly[2], normal}, poly_ids[0], poly_ids[1], poly_ids[2]);
            }
            return true;
        }
    }
}

// Writes a facet at the bucket's count position, with its tag when the
// caller keeps tags.
void mbs_merger::scratch::put(polyarr& bucket, const mbs_facet& f, const lattice_tag& tag) {
    write_facet(bucket, f);
    if (tags_out != nullptr) out_tags.push_back(tag);   // in step with the bucket's count
}

// Writes a facet made of the points ia, ib, ic. In a planar region its plane
// is the seed's; only the corners and the longest edge are new.
void mbs_merger::scratch::put_new(polyarr& bucket, const mbs_facet& f, int32_t ia, int32_t ib, int32_t ic) {
    if (tags_out == nullptr || !coded) {
        put(bucket, f, lattice_tag{});
        return;
    }
    const uint32_t a = point_code[static_cast<size_t>(ia)], b = point_code[static_cast<size_t>(ib)],
                   c = point_code[static_cast<size_t>(ic)];
    if (plane_tag == nullptr) {
        put(bucket, f, lattice_tag_of(a, b, c));
        return;
    }
    lattice_tag tag = *plane_tag;
    tag.code[0] = a;
    tag.code[1] = b;
    tag.code[2] = c;
    tag.edge2 = lattice_longest_edge2(a, b, c);
    put(bucket, f, tag);
}

void mbs_merger::scratch::write_region(polyarr& bucket, const int32_t* members, int32_t count) {
    auto keep = [&] {
        for (int32_t i = 0; i < count; ++i) {
            const size_t f = static_cast<size_t>(members[i]);
            put(bucket, facets[f], tags_out != nullptr ? tags[f] : lattice_tag{});   // tags always sized
        }
    };
    if (count == 1) {
        keep();
        return;
    }
    outline(members, count);
    if (edges.empty()) {
        keep();
        return;
    }
    // An outline point with other than two edges is a place where the outline
    // touches itself (or is open): the region keeps its facets. The two edges
    // of every point go to `incident` for straightening.
    bool simple = true;
    const int32_t edge_count = static_cast<int32_t>(edges.size());
    for (int32_t e = 0; e < edge_count; ++e) {
        for (const int32_t p : {edges[static_cast<size_t>(e)].ia, edges[static_cast<size_t>(e)].ib}) {
            int32_t* at = &incident[2 * static_cast<size_t>(p)];
            if (at[0] < 0) at[0] = e;
            else if (at[1] < 0) at[1] = e;
            else simple = false;
        }
    }
    for (const id_edge& e : edges) {
        if (incident[2 * static_cast<size_t>(e.ia) + 1] < 0 || incident[2 * static_cast<size_t>(e.ib) + 1] < 0) simple = false;
    }
    if (!simple) {
        for (const id_edge& e : edges) {
            incident[2 * static_cast<size_t>(e.ia)] = incident[2 * static_cast<size_t>(e.ia) + 1] = -1;
            incident[2 * static_cast<size_t>(e.ib)] = incident[2 * static_cast<size_t>(e.ib) + 1] = -1;
        }
        keep();
        return;
    }
    straighten();
    if (!chain() || poly.size() < 3) {
        keep();
        return;
    }
    const Vec3f normal = facets[static_cast<size_t>(members[0])].norm;
    if (edges.size() == 3) {
        if (collinear_ids(poly_ids[0], poly_ids[1], poly_ids[2])) {
            keep();
            return;
        }
        const Vec3f p0 = poly[0], p1 = poly[1], p2 = poly[2];
        if (facing(normal, p0, p1, p2) > 0) {
            put_new(bucket, mbs_facet{p0, p1, p2, normal}, poly_ids[0], poly_ids[1], poly_ids[2]);
        } else {
            put_new(bucket, mbs_facet{p2, p1, p0, normal}, poly_ids[2], poly_ids[1], poly_ids[0]);
        }
        return;
    }
    if (!clip_ears(bucket, normal)) keep();
}

mbs_merger::mbs_merger() : s_(std::make_unique<scratch>()) {}
mbs_merger::~mbs_merger() = default;

void mbs_merger::merge(polyarr& bucket) { run(bucket, true, nullptr); }

void mbs_merger::merge_apart(polyarr& bucket) { run(bucket, false, nullptr); }

void mbs_merger::merge_lattice(polyarr& bucket, std::vector<lattice_tag>& tags) {
    const size_t count = std::min(static_cast<size_t>(std::max(bucket.count, 0)), bucket.tris.size());
    if (tags.size() < count) tags.resize(count);   // the missing ones unknown
    s_->box_given = false;
    s_->tags_made = false;
    run(bucket, true, &tags);
}

void mbs_merger::merge_lattice(polyarr& bucket, std::vector<lattice_tag>& tags, const int32_t lo[3], const int32_t hi[3]) {
    run_in_box(bucket, tags, lo, hi, false);
}

void mbs_merger::merge_lattice_made(polyarr& bucket, std::vector<lattice_tag>& tags, const int32_t lo[3],
                                    const int32_t hi[3]) {
    run_in_box(bucket, tags, lo, hi, true);
}

void mbs_merger::run_in_box(polyarr& bucket, std::vector<lattice_tag>& tags, const int32_t lo[3], const int32_t hi[3],
                            bool made) {
    const size_t count = std::min(static_cast<size_t>(std::max(bucket.count, 0)), bucket.tris.size());
    if (tags.size() < count) {
        tags.resize(count);   // the missing ones unknown
        made = false;
    }
    s_->box_given = true;
    s_->tags_made = made;
    for (int k = 0; k < 3; ++k) {
        s_->box_lo[k] = lo[k];
        s_->box_hi[k] = hi[k];
    }
    run(bucket, true, &tags);
}

void mbs_merger::set_lattice(int32_t n) {
    scratch& s = *s_;
    s.lattice.clear();
    s.lattice_margin = 0;
    s.spacing = 0;
    if (n < 2 || n > lattice_tag_max_resolution) return;
    s.lattice.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) s.lattice[static_cast<size_t>(i)] = lattice_coord(i, n);
    // A non-zero determinant is worth at least h^3; 1% kept in reserve.
    s.spacing = 2.0 / (n - 1);
    const double h = s.spacing;
    s.lattice_margin = 0.99 * std::min(tolerance, h * h * h - tolerance);
}

// Points that are equal without being identical (or not finite): the
// step-by-step merge compares them as written. Tags of its output are unknown.
void mbs_merger::fall_back(polyarr& bucket, size_t count) {
    bucket.tris.swap(s_->facets);
    bucket.count = static_cast<int32_t>(count);
    mbs_merge_coplanar_reference(bucket);
    if (s_->tags_out != nullptr) s_->tags_out->assign(static_cast<size_t>(bucket.count), lattice_tag{});
}

void mbs_merger::run(polyarr& bucket, bool check_apart, std::vector<lattice_tag>* caller_tags) {
    scratch& s = *s_;
    const size_t count = std::min(static_cast<size_t>(std::max(bucket.count, 0)), bucket.tris.size());
    // The input moves to the scratch (the bucket gets the scratch's old
    // storage, to be overwritten with the output), and so do the tags.
    s.facets.swap(bucket.tris);
    s.facets.resize(count);
    s.tags_out = caller_tags;
    s.coded = false;
    if (caller_tags != nullptr && !s.lattice.empty()) {
        s.tags.swap(*caller_tags);
        s.tags.resize(count);
        s.coded = s.ids_from_codes();
    }
    if (!s.coded) {
        // Tags missing or wrong: points by value. Lattice points need no
        // separation check.
        if (!s.assign_ids()) {
            fall_back(bucket, count);
            return;
        }
        s.coded = s.codes_from_points();
        if (check_apart && !s.coded && !s.separated()) {
            fall_back(bucket, count);
            return;
        }
    }
    s.out_tags.clear();
    bucket.count = 0;
    s.incident.assign(2 * s.points.size(), -1);
    if (s.points.size() <= scratch::small_points) {
        const size_t d = s.points.size();
        if (s.pairs.size() < d * d) s.pairs.resize(d * d);
    }
    s.prepare_keys();
    s.grow_regions();
    int32_t begin = 0;
    for (size_t r = 0; r < s.region_ends.size(); ++r) {
        const int32_t end = s.region_ends[r];
        s.plane_tag = s.region_planar[r] ? &s.tags[static_cast<size_t>(s.region_facets[static_cast<size_t>(begin)])] : nullptr;
        s.write_region(bucket, s.region_facets.data() + begin, end - begin);
        begin = end;
    }
    const bool leftover = !s.facets.empty() && s.rejected.size() == 1;
    bucket.tris.resize(static_cast<size_t>(bucket.count));
    if (leftover) {
        const size_t f = static_cast<size_t>(s.rejected[0]);
        s.put(bucket, s.facets[f], caller_tags != nullptr ? s.tags[f] : lattice_tag{});
    }
    if (caller_tags != nullptr) caller_tags->swap(s.out_tags);
}

void mbs_merge_coplanar(polyarr& bucket) {
    mbs_merger merger;
    merger.merge(bucket);
}

}  // namespace quilbet

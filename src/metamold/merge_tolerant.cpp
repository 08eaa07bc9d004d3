// Coplanar patch merging written step by step, every point comparison by the
// tolerance test: region growing by edge-line coplanarity, outline edges by
// comparing every pair of facets, straightening that restarts after every
// join, chaining by linear search, and ear clipping by the angle-sum
// point-in-triangle test. The fast form (merge.cpp) gives the same facets
// and hands this form the buckets whose points it cannot number; the tests
// hold the fast form against it.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "metamold/merge_work.hpp"

namespace quilbet {

namespace {

struct outline_edge {
    Vec3f a, b;
};

struct edge_flags {
    uint8_t f[3] = {1, 1, 1};
};

// The working record of one region.
struct dablock {
    std::vector<mbs_facet> tris;
    int32_t count = 0;
    std::vector<outline_edge> edges;
    std::vector<edge_flags> flags;
    std::vector<Vec3f> poly;
};

void facet_edge(const mbs_facet& f, int e, Vec3f& p, Vec3f& q) {
    switch (e) {
        case 0: p = f.pa; q = f.pb; break;
        case 1: p = f.pb; q = f.pc; break;
        default: p = f.pc; q = f.pa; break;
    }
}

bool joins_seed_plane(const mbs_facet& seed, const mbs_facet& f) {
    for (int e = 0; e < 3; ++e) {
        Vec3f c, d;
        facet_edge(f, e, c, d);
        if (!lines_coplanar(seed.pb, seed.pc, c, d) || !lines_coplanar(seed.pa, seed.pb, c, d)) {
            return false;
        }
    }
    return true;
}

void write_facet(polyarr& bucket, const mbs_facet& f) {
    if (static_cast<size_t>(bucket.count) >= bucket.tris.size()) bucket.tris.push_back(f);
    else bucket.tris[static_cast<size_t>(bucket.count)] = f;
    ++bucket.count;
}

void write_region_facets(polyarr& bucket, const dablock& r) {
    for (int32_t i = 0; i < r.count; ++i) write_facet(bucket, r.tris[static_cast<size_t>(i)]);
}

void mark_outline(dablock& r) {
    r.flags.assign(static_cast<size_t>(r.count), edge_flags{});
    for (int32_t j = 0; j < r.count; ++j) {
        for (int32_t k = j + 1; k < r.count; ++k) {
            for (int ej = 0; ej < 3; ++ej) {
                Vec3f j1, j2;
                facet_edge(r.tris[static_cast<size_t>(j)], ej, j1, j2);
                for (int ek = 0; ek < 3; ++ek) {
                    Vec3f k1, k2;
                    facet_edge(r.tris[static_cast<size_t>(k)], ek, k1, k2);
                    if ((vecf_equal(j1, k1) && vecf_equal(j2, k2)) ||
                        (vecf_equal(j1, k2) && vecf_equal(j2, k1))) {
                        r.flags[static_cast<size_t>(j)].f[ej] = 0;
                        r.flags[static_cast<size_t>(k)].f[ek] = 0;
                    }
                }
            }
        }
    }
    r.edges.clear();
    for (int32_t j = 0; j < r.count; ++j) {
        for (int e = 0; e < 3; ++e) {
            if (r.flags[static_cast<size_t>(j)].f[e] == 0) continue;
            outline_edge oe;
            facet_edge(r.tris[static_cast<size_t>(j)], e, oe.a, oe.b);
            r.edges.push_back(oe);
        }
    }
}

// Finds the shared point of two outline edges; false when they share none.
bool shared_corner(const outline_edge& j, const outline_edge& k, Vec3f& p, Vec3f& s, Vec3f& n) {
    if (vecf_equal(j.a, k.a)) { p = k.b; s = j.a; n = j.b; return true; }
    if (vecf_equal(j.b, k.a)) { p = j.a; s = j.b; n = k.b; return true; }
    if (vecf_equal(j.a, k.b)) { p = k.a; s = j.a; n = j.b; return true; }
    if (vecf_equal(j.b, k.b)) { p = j.a; s = j.b; n = k.a; return true; }
    return false;
}

void straighten(dablock& r) {
    bool changed = true;
    while (changed) {
        changed = false;
        for (size_t j = 0; j < r.edges.size() && !changed; ++j) {
            for (size_t k = j + 1; k < r.edges.size(); ++k) {
                Vec3f p, s, n;
                if (!shared_corner(r.edges[j], r.edges[k], p, s, n)) continue;
                if (!points_collinear(p, s, n)) continue;
                r.edges.erase(r.edges.begin() + static_cast<std::ptrdiff_t>(k));
                r.edges[j] = outline_edge{p, n};
                changed = true;
                break;
            }
        }
    }
}

// Chains the outline from edge 0; true when the chain closes on edge 0's
// first point with every edge used.
bool chain(dablock& r) {
    const size_t count = r.edges.size();
    r.flags.assign(count, edge_flags{});
    r.flags[0].f[0] = 0;
    r.poly.clear();
    r.poly.push_back(r.edges[0].a);
    r.poly.push_back(r.edges[0].b);
    Vec3f end = r.edges[0].b;
    bool closed = false;
    for (;;) {
        size_t found = count;
        Vec3f next;
        for (size_t i = 0; i < count; ++i) {
            if (r.flags[i].f[0] == 0) continue;
            if (vecf_equal(r.edges[i].a, end)) { next = r.edges[i].b; found = i; break; }
            if (vecf_equal(r.edges[i].b, end)) { next = r.edges[i].a; found = i; break; }
        }
        if (found == count) break;
        r.flags[found].f[0] = 0;
        end = next;
        if (vecf_equal(end, r.edges[0].a)) {
            closed = true;
            break;
        }
        r.poly.push_back(end);
    }
    for (size_t i = 0; i < count; ++i) {
        if (r.flags[i].f[0] != 0) return false;
    }
    return closed;
}

// Ear clipping of the closed polygon; false (and nothing left written) when no ear exists.
bool clip_ears(polyarr& bucket, dablock& r, Vec3f normal) {
    const int32_t start = bucket.count;
    std::vector<Vec3f>& poly = r.poly;
    size_t m = poly.size();
    size_t q = 0;
    for (;;) {
        const Vec3f c = poly[q];
        const Vec3f p = poly[q == 0 ? m - 1 : q - 1];
        const Vec3f n = poly[q == m - 1 ? 0 : q + 1];
        bool rejected = vecf_dot(normal, vecf_cross(vecf_sub(c, p), vecf_sub(n, p))) < 0;
        for (size_t x = 0; x < m && !rejected; ++x) {
            if (point_in_triangle(p, n, c, poly[x])) rejected = true;
        }
        if (rejected) {
            if (++q == m) {
                bucket.count = start;
                return false;
            }
            continue;
        }
        // A collinear ear is written too, as a facet of zero area (it never
        // seeds a region in a later pass).
        write_facet(bucket, mbs_facet{p, c, n, normal});
        poly.erase(poly.begin() + static_cast<std::ptrdiff_t>(q));
        --m;
        q = 0;
        if (m == 3) {
            // The last three points must turn along the normal like an ear.
            if (vecf_dot(normal, vecf_cross(vecf_sub(poly[1], poly[0]), vecf_sub(poly[2], poly[0]))) < 0) {
                bucket.count = start;
                return false;
            }
            write_facet(bucket, mbs_facet{poly[0], poly[1], poly[2], normal});
            return true;
        }
    }
}

double area_sum(const mbs_facet* f, int32_t count) {
    double sum = 0;
    for (int32_t i = 0; i < count; ++i) sum += merging::facet_area(f[i]);
    return sum;
}

// Writes the polygon's facets (one facet for three edges, ear clipping
// otherwise); false, with nothing left written, when no ear exists.
bool write_polygon(polyarr& bucket, dablock& r) {
    const Vec3f normal = r.tris[0].norm;
    if (r.edges.size() == 3) {
        const Vec3f p0 = r.poly[0], p1 = r.poly[1], p2 = r.poly[2];
        if (vecf_dot(normal, vecf_cross(vecf_sub(p0, p2), vecf_sub(p1, p2))) > 0) {
            write_facet(bucket, mbs_facet{p0, p1, p2, normal});
        } else {
            write_facet(bucket, mbs_facet{p2, p1, p0, normal});
        }
        return true;
    }
    return clip_ears(bucket, r, normal);
}

void write_region(polyarr& bucket, dablock& r) {
    if (r.count == 1) {
        write_facet(bucket, r.tris[0]);
        return;
    }
    mark_outline(r);
    // Facets that cover each other completely leave no outline at all.
    if (r.edges.empty()) {
        write_region_facets(bucket, r);
        return;
    }
    straighten(r);
    if (!chain(r) || r.poly.size() < 3) {
        write_region_facets(bucket, r);
        return;
    }
    // Facets that do not cover the region are withdrawn like a failed clipping.
    const int32_t start = bucket.count;
    if (!write_polygon(bucket, r) || !merging::covers_region(area_sum(bucket.tris.data() + start, bucket.count - start),
                                                             area_sum(r.tris.data(), r.count))) {
        bucket.count = start;
        write_region_facets(bucket, r);
    }
}

}  // namespace

void mbs_merge_coplanar_tolerant(polyarr& bucket) {
    const size_t count = std::min(static_cast<size_t>(std::max(bucket.count, 0)), bucket.tris.size());
    std::vector<mbs_facet> work(bucket.tris.begin(), bucket.tris.begin() + static_cast<std::ptrdiff_t>(count));
    bucket.count = 0;

    std::vector<dablock> regions;
    std::vector<mbs_facet> rejected;
    std::vector<mbs_facet> leftovers;
    while (!work.empty()) {
        // A facet of zero area lies in every plane through its line: as a seed
        // it would gather facets of several planes. The first facet with an
        // area seeds instead (those of zero area may still join it); only when
        // none is left does a facet of zero area make a region of its own.
        size_t at = 0;
        while (at < work.size() && points_collinear(work[at].pa, work[at].pb, work[at].pc)) ++at;
        if (at == work.size()) at = 0;
        const mbs_facet seed = work[at];
        const bool flat_seed = points_collinear(seed.pa, seed.pb, seed.pc);
        regions.emplace_back();
        dablock& r = regions.back();
        r.tris.resize(work.size());
        r.tris[0] = seed;
        r.count = 1;
        rejected.clear();
        for (size_t i = 0; i < work.size(); ++i) {
            if (i == at) continue;
            if (!flat_seed && joins_seed_plane(seed, work[i])) r.tris[static_cast<size_t>(r.count++)] = work[i];
            else rejected.push_back(work[i]);
        }
        if (rejected.size() < 2) {
            leftovers.insert(leftovers.end(), rejected.begin(), rejected.end());
            break;
        }
        work.swap(rejected);
    }

    for (dablock& r : regions) write_region(bucket, r);

    bucket.tris.resize(static_cast<size_t>(bucket.count) + leftovers.size());
    for (const mbs_facet& f : leftovers) bucket.tris[static_cast<size_t>(bucket.count++)] = f;
}

}  // namespace quilbet

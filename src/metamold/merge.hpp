// Merging of coplanar facets of one bucket into larger, re-triangulated polygons.
//
// A bucket's facets are grouped into regions that lie in the plane of their
// first facet (each facet edge tested against two of the seed's edge lines
// with lines_coplanar); a facet of zero area seeds a region only when no
// facet with an area is left, and then takes no other. Each region's outline (edges not shared with another
// facet of the region) is straightened (collinear neighbours joined), chained
// from its first edge into one closed polygon and ear-clipped (a collinear
// ear is written too, as a facet of zero area). A region keeps
// its facets when its outline does not chain into one loop, when no ear is
// left, or when the facets written for it do not cover it (their area sum
// differs from the region's by more than a relative 1e-5). Point equality is
// vecf_equal (every coordinate within 1e-5). docs/merge.md explains the
// stages of the fast form and why its shortcuts give the same facets.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "metamold/grid.hpp"
#include "metamold/lattice_tag.hpp"

namespace quilbet {

// Replaces the bucket's count facets by merged ones, in region order; a facet
// left over from region growing goes last. Every facet written for a merged
// region carries the normal of the region's first facet and keeps its winding
// (right-hand normal along that normal). The area of every region is kept.
// On return tris has exactly count elements. A count of 0 (or a count larger
// than tris, which is clamped) is accepted.
void mbs_merge_coplanar(polyarr& bucket);

// The same merge with every point comparison made by the tolerance test, step
// by step. Gives exactly the facets of mbs_merge_coplanar; the fast form hands
// it the buckets whose distinct points are not all a tolerance apart (or that
// hold a -0 or a value that is not finite).
void mbs_merge_coplanar_tolerant(polyarr& bucket);

// The shortcuts the merger may take (all by default). Each one only changes
// how the facets are found, never which: benchmarks and tests switch them off.
struct mbs_merge_forms {
    bool lattice_points = true;   // tagged lattice points are a spacing apart: no search for close points
    bool plane_keys = true;       // regions from exact lattice plane keys instead of line tests
    bool edge_lists = true;       // shared edges met through per-point edge lists, not all facet pairs
    bool cone_test = true;        // ear clipping skips angle sums that a cone around the corners settles
};

// A bucket for mbs_merger::merge and what its caller knows about its facets.
struct mbs_merge_input {
    polyarr* bucket = nullptr;
    // Optional: the lattice tags of the bucket's facets (tags[i] for tris[i]),
    // on the lattice of `resolution` points per axis laid out by
    // mbs_build_grid. On return they are the tags of the output facets, one
    // per facet (unknown where a point is off the lattice). Tags that do not
    // describe their facets leave the result unchanged and only cost speed.
    std::vector<lattice_tag>* tags = nullptr;
    int32_t resolution = 0;
    mbs_merge_forms forms;
};

// mbs_merge_coplanar with working memory kept between calls, for merging many
// buckets in a row (polygonisation).
class mbs_merger {
public:
    mbs_merger();
    ~mbs_merger();
    mbs_merger(const mbs_merger&) = delete;
    mbs_merger& operator=(const mbs_merger&) = delete;

    // Merges input.bucket as mbs_merge_coplanar does (and rewrites the tags,
    // when given). A null bucket is ignored.
    void merge(const mbs_merge_input& input);

    struct work;

private:
    std::unique_ptr<work> w_;
};

}  // namespace quilbet

// Merging of coplanar facets of one bucket into larger, re-triangulated polygons.
//
// A bucket's facets are grouped into regions that lie in the plane of their
// first facet (each facet edge tested against two of the seed's edge lines
// with lines_coplanar), each region's outline is found (edges not shared with
// another facet of the region), straightened (collinear neighbours joined),
// chained into one closed polygon and ear-clipped. Regions whose outline is
// not one simple closed loop, or that have no ear, keep their facets. Point
// equality is vecf_equal (every coordinate within 1e-5).
#pragma once

#include <memory>

#include <vector>

#include "metamold/grid.hpp"
#include "metamold/lattice_tag.hpp"

namespace quilbet {

// Replaces the bucket's count facets by merged ones, in region order; a facet
// left over from region growing goes last. Every facet written for a merged
// region carries the normal of the region's first facet and keeps its winding
// (right-hand normal along that normal). No surface is lost. On return tris
// has exactly count elements. A count of 0 (or a count larger than tris,
// which is clamped) is accepted.
void mbs_merge_coplanar(polyarr& bucket);

// The plain, step-by-step form of the same merge (quadratic and worse in the
// region size). Gives exactly the facets of mbs_merge_coplanar; kept as the
// oracle that the fast form is checked against.
void mbs_merge_coplanar_reference(polyarr& bucket);

// mbs_merge_coplanar with working memory kept between calls, for merging many
// buckets in a row (polygonisation). Results are those of mbs_merge_coplanar.
class mbs_merger {
public:
    mbs_merger();
    ~mbs_merger();
    mbs_merger(const mbs_merger&) = delete;
    mbs_merger& operator=(const mbs_merger&) = delete;

    void merge(polyarr& bucket);
    // merge for a bucket whose caller knows that no two distinct points of
    // its facets are equal within the tolerance (points of a lattice whose
    // spacing is far above 1e-5): the search for such points is skipped.
    // Points that are not that far apart still give whole facets, but not
    // necessarily those of merge.
    void merge_apart(polyarr& bucket);
    // Tells the merger that facet points usually are points of the lattice
    // of n points per axis that mbs_build_grid lays out. Results do not
    // change; buckets whose points all lie on it are merged faster. Lattices
    // above lattice_tag_max_resolution points per axis are not used.
    void set_lattice(int32_t n);
    // merge for a bucket whose facets come with their lattice tags (of the
    // lattice given to set_lattice): tags[i] describes tris[i]. On return
    // tags holds the tags of the output facets, exactly count of them (a tag
    // of a point off the lattice is unknown). The facets are those of merge
    // whatever the tags; tags that match their facets make it faster.
    void merge_lattice(polyarr& bucket, std::vector<lattice_tag>& tags);
    // merge_lattice for facets whose points the caller knows to lie in the
    // box of lattice indices lo .. hi (inclusive, per axis); a point outside
    // it only costs the faster path.
    void merge_lattice(polyarr& bucket, std::vector<lattice_tag>& tags, const int32_t lo[3], const int32_t hi[3]);
    // merge_lattice for tags that the polygoniser made from the very lattice
    // points of the facets (and merges kept): they are not checked against
    // the points. Tags that do not match give wrong facets.
    void merge_lattice_made(polyarr& bucket, std::vector<lattice_tag>& tags, const int32_t lo[3], const int32_t hi[3]);

    struct scratch;

private:
    void run(polyarr& bucket, bool check_apart, std::vector<lattice_tag>* tags);
    void fall_back(polyarr& bucket, size_t count);
    void run_in_box(polyarr& bucket, std::vector<lattice_tag>& tags, const int32_t lo[3], const int32_t hi[3], bool made);

    std::unique_ptr<scratch> s_;
};

}  // namespace quilbet

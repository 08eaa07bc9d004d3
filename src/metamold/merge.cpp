// Coplanar patch merging, the fast form: the stages of merge_work.hpp run on
// point ids. It gives exactly the facets of the step-by-step form
// (merge_tolerant.cpp), in the same order; buckets whose points ids cannot
// stand for are handed to that form.
#include <algorithm>

#include "metamold/merge_work.hpp"

namespace quilbet {

namespace {

using merging::work;

// Makes the tags usable for `resolution` (lattice coordinates, spacing);
// false for lattices whose points do not fit a tag.
bool set_lattice(work& w, int32_t resolution) {
    if (resolution < 2 || resolution > lattice_tag_max_resolution) return false;
    if (resolution != w.resolution) {
        w.resolution = resolution;
        w.lattice.resize(size_t(resolution));
        for (int32_t i = 0; i < resolution; ++i) w.lattice[size_t(i)] = lattice_coord(i, resolution);
        w.spacing = 2.0 / (resolution - 1);
    }
    return true;
}

class region_writer {
public:
    region_writer(work& w, polyarr& bucket, std::vector<lattice_tag>* tags) : w_(w), bucket_(bucket), tags_(tags) {}

    // Writes the merged facets of the region of `count` facets at `members`,
    // or the region's own facets where the merge keeps them.
    void region(const int32_t* members, int32_t count) {
        if (count > 1 && merged(members, count)) return;
        for (int32_t i = 0; i < count; ++i) facet(members[i]);
    }

    // Writes input facet f as it came.
    void facet(int32_t f) {
        put(w_.facets[size_t(f)], w_.on_lattice ? w_.tags[size_t(f)] : lattice_tag{});
    }

private:
    work& w_;
    polyarr& bucket_;
    std::vector<lattice_tag>* tags_;

    void put(const mbs_facet& f, const lattice_tag& tag) {
        bucket_.tris.push_back(f);
        ++bucket_.count;
        if (tags_ != nullptr) tags_->push_back(tag);
    }

    // Outline, polygon and triangles; false when the region keeps its facets.
    bool merged(const int32_t* members, int32_t count) {
        merging::find_outline(w_, members, count);
        if (w_.edges.empty() || !merging::make_polygon(w_)) return false;
        const Vec3f normal = w_.facets[size_t(members[0])].norm;
        if (w_.poly.size() == 3) {
            const int32_t* p = w_.poly.data();
            const bool along = merging::facing(normal, w_.points[size_t(p[0])], w_.points[size_t(p[1])], w_.points[size_t(p[2])]) > 0;
            w_.triangles.assign({along ? id_triangle{p[0], p[1], p[2]} : id_triangle{p[2], p[1], p[0]}});
        } else if (!merging::clip_ears(w_, normal)) {
            return false;
        }
        std::vector<mbs_facet>& out = w_.written;
        out.clear();
        double written = 0, region = 0;
        for (const id_triangle& t : w_.triangles) {
            out.push_back(mbs_facet{w_.points[size_t(t.a)], w_.points[size_t(t.b)], w_.points[size_t(t.c)], normal});
            written += merging::facet_area(out.back());
        }
        for (int32_t i = 0; i < count; ++i) region += merging::facet_area(w_.facets[size_t(members[i])]);
        if (!merging::covers_region(written, region)) return false;
        for (size_t i = 0; i < out.size(); ++i) {
            const id_triangle& t = w_.triangles[i];
            put(out[i], w_.on_lattice ? lattice_tag_of(w_.codes[size_t(t.a)], w_.codes[size_t(t.b)], w_.codes[size_t(t.c)])
                                      : lattice_tag{});
        }
        return true;
    }
};

}  // namespace

mbs_merger::mbs_merger() : w_(std::make_unique<work>()) {}
mbs_merger::~mbs_merger() = default;

void mbs_merger::merge(const mbs_merge_input& input) {
    if (input.bucket == nullptr) return;
    polyarr& bucket = *input.bucket;
    work& w = *w_;
    w.forms = input.forms;
    const size_t count = std::min(static_cast<size_t>(std::max(bucket.count, 0)), bucket.tris.size());
    // The input moves to the work record; the bucket keeps the storage of the
    // previous input for its output.
    w.facets.swap(bucket.tris);
    w.facets.resize(count);
    std::vector<lattice_tag>* tags = input.tags;
    w.tagged = tags != nullptr && tags->size() >= count && set_lattice(w, input.resolution);
    if (w.tagged) {
        w.tags.swap(*tags);
        w.tags.resize(count);
    }
    if (!merging::assign_ids(w)) {
        bucket.tris.swap(w.facets);
        bucket.count = static_cast<int32_t>(count);
        mbs_merge_coplanar_tolerant(bucket);
        if (tags != nullptr) tags->assign(size_t(bucket.count), lattice_tag{});
        return;
    }
    bucket.tris.clear();
    bucket.count = 0;
    if (tags != nullptr) tags->clear();
    merging::grow_regions(w);
    region_writer out(w, bucket, tags);
    int32_t begin = 0;
    for (const int32_t end : w.region_end) {
        out.region(w.members.data() + begin, end - begin);
        begin = end;
    }
    if (w.leftover >= 0) out.facet(w.leftover);
}

void mbs_merge_coplanar(polyarr& bucket) {
    mbs_merge_input input;
    input.bucket = &bucket;
    mbs_merger merger;
    merger.merge(input);
}

}  // namespace quilbet

// Merge stage 1, ids: every distinct point of a bucket gets an integer id, so
// that the later stages compare ids where the merge compares points with
// vecf_equal. That holds when no two distinct points are within the
// tolerance of each other. Plain form: points hashed by their exact bits,
// then searched for close pairs. Fast form: when the facets' lattice tags
// name exactly their points, the points are lattice points, far more than
// the tolerance apart, and the search is skipped.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "metamold/merge_work.hpp"

namespace quilbet::merging {

namespace {

inline uint32_t hash_bits(Vec3f v) {
    uint32_t b[3];
    std::memcpy(b, &v, sizeof b);
    const uint32_t h = b[0] * 0x9E3779B1u ^ (b[1] + 0x7F4A7C15u) * 0x85EBCA77u ^ b[2] * 0xC2B2AE3Du;
    return h ^ (h >> 15);
}

inline bool same_bits(Vec3f a, Vec3f b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// True when the lattice code names exactly the point v.
bool code_names(const work& w, uint32_t code, Vec3f v) {
    if (code > 0xFFFFFFu) return false;
    const int32_t i = lattice_code_axis(code, 0), j = lattice_code_axis(code, 1), k = lattice_code_axis(code, 2);
    if (i >= w.resolution || j >= w.resolution || k >= w.resolution) return false;
    const Vec3f want{w.lattice[size_t(i)], w.lattice[size_t(j)], w.lattice[size_t(k)]};
    return same_bits(want, v);
}

// True when no two distinct points are vecf_equal. Close points differ by
// less than 1e-4 in x, so a sweep over the points sorted by x finds them.
bool points_apart(work& w) {
    std::vector<int32_t>& order = w.order;
    order.resize(w.points.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return w.points[size_t(a)].x < w.points[size_t(b)].x; });
    for (size_t i = 0; i < order.size(); ++i) {
        const Vec3f p = w.points[size_t(order[i])];
        for (size_t j = i + 1; j < order.size(); ++j) {
            const Vec3f q = w.points[size_t(order[j])];
            if (q.x - p.x >= 1e-4f) break;
            if (vecf_equal(p, q)) return false;
        }
    }
    return true;
}

void find_box(work& w) {
    for (int k = 0; k < 3; ++k) {
        w.box_lo[k] = w.resolution;
        w.box_hi[k] = 0;
    }
    for (const uint32_t code : w.codes) {
        for (int k = 0; k < 3; ++k) {
            w.box_lo[k] = std::min(w.box_lo[k], lattice_code_axis(code, k));
            w.box_hi[k] = std::max(w.box_hi[k], lattice_code_axis(code, k));
        }
    }
}

}  // namespace

bool assign_ids(work& w) {
    const size_t corners = 3 * w.facets.size();
    size_t cap = 16;
    while (cap < 2 * corners) cap <<= 1;
    w.slots.assign(cap, -1);
    w.ids.resize(corners);
    w.points.clear();
    w.codes.clear();
    bool on_lattice = w.tagged;
    for (size_t at = 0; at < corners; ++at) {
        const mbs_facet& f = w.facets[at / 3];
        const Vec3f v = at % 3 == 0 ? f.pa : at % 3 == 1 ? f.pb : f.pc;
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
        size_t h = hash_bits(v) & (cap - 1);
        while (w.slots[h] >= 0 && !same_bits(w.points[size_t(w.slots[h])], v)) h = (h + 1) & (cap - 1);
        const uint32_t code = on_lattice ? w.tags[at / 3].code[at % 3] : lattice_code_none;
        if (w.slots[h] < 0) {
            w.slots[h] = static_cast<int32_t>(w.points.size());
            w.points.push_back(v);
            on_lattice = on_lattice && code_names(w, code, v);
            if (on_lattice) w.codes.push_back(code);
        } else {
            on_lattice = on_lattice && w.codes[size_t(w.slots[h])] == code;
        }
        w.ids[at] = w.slots[h];
    }
    w.on_lattice = on_lattice;
    if (on_lattice) find_box(w);
    return (on_lattice && w.forms.lattice_points) || points_apart(w);
}

}  // namespace quilbet::merging

// Merge stage 1, ids: every distinct point of a bucket gets an integer id, so
// that the later stages compare ids where the merge compares points with
// vecf_equal. That holds when no two distinct points are within the
// tolerance of each other. Points are numbered by their lattice codes when
// the facets' tags name them exactly, by their exact bits otherwise. Plain
// form: then a search for close pairs. Fast form: lattice points are far
// more than the tolerance apart, so their search is skipped.
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

// A hash table of 2^k >= 2 n slots for n keys, all empty.
size_t clear_slots(work& w, size_t n) {
    size_t cap = 16;
    while (cap < 2 * n) cap <<= 1;
    w.slots.assign(cap, -1);
    return cap - 1;
}

// Ids keyed by the tags' lattice codes; false when a code does not name its
// corner's point exactly.
bool ids_from_codes(work& w) {
    const size_t corners = 3 * w.facets.size(), mask = clear_slots(w, corners);
    w.ids.resize(corners);
    w.points.clear();
    w.codes.clear();
    for (size_t f = 0; f < w.facets.size(); ++f) {
        const Vec3f corner[3] = {w.facets[f].pa, w.facets[f].pb, w.facets[f].pc};
        for (int c = 0; c < 3; ++c) {
            const uint32_t code = w.tags[f].code[c];
            const uint32_t mixed = code * 0x9E3779B1u;
            size_t h = (mixed ^ (mixed >> 15)) & mask;
            while (w.slots[h] >= 0 && w.codes[size_t(w.slots[h])] != code) h = (h + 1) & mask;
            if (w.slots[h] < 0) {
                if (!code_names(w, code, corner[c])) return false;
                w.slots[h] = static_cast<int32_t>(w.points.size());
                w.points.push_back(corner[c]);
                w.codes.push_back(code);
            } else if (!same_bits(w.points[size_t(w.slots[h])], corner[c])) {
                return false;
            }
            w.ids[3 * f + size_t(c)] = w.slots[h];
        }
    }
    return true;
}

// Ids keyed by the points' exact bits; false for a coordinate that is not
// finite (ids cannot stand for such points).
bool ids_from_bits(work& w) {
    const size_t corners = 3 * w.facets.size(), mask = clear_slots(w, corners);
    w.ids.resize(corners);
    w.points.clear();
    for (size_t f = 0; f < w.facets.size(); ++f) {
        const Vec3f corner[3] = {w.facets[f].pa, w.facets[f].pb, w.facets[f].pc};
        for (int c = 0; c < 3; ++c) {
            const Vec3f v = corner[c];
            if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
            size_t h = hash_bits(v) & mask;
            while (w.slots[h] >= 0 && !same_bits(w.points[size_t(w.slots[h])], v)) h = (h + 1) & mask;
            if (w.slots[h] < 0) {
                w.slots[h] = static_cast<int32_t>(w.points.size());
                w.points.push_back(v);
            }
            w.ids[3 * f + size_t(c)] = w.slots[h];
        }
    }
    return true;
}

}  // namespace

bool assign_ids(work& w) {
    w.on_lattice = w.tagged && ids_from_codes(w);
    if (w.on_lattice) {
        find_box(w);
        if (w.forms.lattice_points) return true;
    } else if (!ids_from_bits(w)) {
        return false;
    }
    return points_apart(w);
}

}  // namespace quilbet::merging

// Merge stage 3, outline: a facet edge is an outline edge unless another
// facet of the region has an edge between the same two points, in either
// direction. Plain form: every pair of facets compared edge by edge. Fast
// form: the region's edges sorted by their (unordered) pair of point ids, so
// that shared edges sit side by side.
#include <algorithm>

#include "metamold/merge_work.hpp"

namespace quilbet::merging {

namespace {

inline uint64_t pair_key(int32_t a, int32_t b) {
    const uint32_t lo = static_cast<uint32_t>(std::min(a, b)), hi = static_cast<uint32_t>(std::max(a, b));
    return uint64_t(lo) << 32 | hi;
}

void clear_shared_by_pairs(work& w, const int32_t* members, int32_t count) {
    for (int32_t j = 0; j < count; ++j) {
        const int32_t* a = &w.ids[3 * size_t(members[j])];
        for (int32_t k = j + 1; k < count; ++k) {
            const int32_t* b = &w.ids[3 * size_t(members[k])];
            for (int ej = 0; ej < 3; ++ej) {
                for (int ek = 0; ek < 3; ++ek) {
                    if (pair_key(a[ej], a[(ej + 1) % 3]) == pair_key(b[ek], b[(ek + 1) % 3])) {
                        w.marked[3 * size_t(j) + size_t(ej)] = 0;
                        w.marked[3 * size_t(k) + size_t(ek)] = 0;
                    }
                }
            }
        }
    }
}

// Sort keys: the point pair above 22 bits of edge slot (3 * facet + edge).
void clear_shared_by_keys(work& w, const int32_t* members, int32_t count) {
    std::vector<uint64_t>& keys = w.keys;
    keys.clear();
    for (int32_t j = 0; j < count; ++j) {
        const int32_t* id = &w.ids[3 * size_t(members[j])];
        for (int e = 0; e < 3; ++e) {
            const uint64_t pair = pair_key(id[e], id[(e + 1) % 3]);
            keys.push_back((pair >> 32) << 43 | (pair & 0x1FFFFFu) << 22 | uint64_t(3 * j + e));
        }
    }
    std::sort(keys.begin(), keys.end());
    for (size_t g = 0; g < keys.size();) {
        size_t h = g + 1;
        bool shared = false;
        while (h < keys.size() && keys[h] >> 22 == keys[g] >> 22) {
            shared = shared || (keys[h] & 0x3FFFFFu) / 3 != (keys[g] & 0x3FFFFFu) / 3;
            ++h;
        }
        for (size_t i = g; shared && i < h; ++i) w.marked[keys[i] & 0x3FFFFFu] = 0;
        g = h;
    }
}

}  // namespace

void find_outline(work& w, const int32_t* members, int32_t count) {
    w.marked.assign(3 * size_t(count), 1);
    // Keys hold 21 bits of point id and 22 of edge slot.
    const bool keys_fit = w.points.size() < (size_t(1) << 21) && 3 * size_t(count) < (size_t(1) << 22);
    if (w.forms.edge_keys && keys_fit) clear_shared_by_keys(w, members, count);
    else clear_shared_by_pairs(w, members, count);
    w.edges.clear();
    for (int32_t j = 0; j < count; ++j) {
        const int32_t* id = &w.ids[3 * size_t(members[j])];
        for (int e = 0; e < 3; ++e) {
            if (w.marked[3 * size_t(j) + size_t(e)]) w.edges.push_back(id_edge{id[e], id[(e + 1) % 3]});
        }
    }
}

}  // namespace quilbet::merging

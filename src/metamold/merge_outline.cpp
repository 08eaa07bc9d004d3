// Merge stage 3, outline: a facet edge is an outline edge unless another
// facet of the region has an edge between the same two points, in either
// direction. Every pair of facets is compared edge by edge: regions stay small
// because the passes merge small blocks first.
#include <algorithm>

#include "metamold/merge_work.hpp"

namespace quilbet::merging {

namespace {

inline uint64_t pair_key(int32_t a, int32_t b) {
    const uint32_t lo = static_cast<uint32_t>(std::min(a, b)), hi = static_cast<uint32_t>(std::max(a, b));
    return uint64_t(lo) << 32 | hi;
}

}  // namespace

void find_outline(work& w, const int32_t* members, int32_t count) {
    w.marked.assign(3 * size_t(count), 1);
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
    w.edges.clear();
    for (int32_t j = 0; j < count; ++j) {
        const int32_t* id = &w.ids[3 * size_t(members[j])];
        for (int e = 0; e < 3; ++e) {
            if (w.marked[3 * size_t(j) + size_t(e)]) w.edges.push_back(id_edge{id[e], id[(e + 1) % 3]});
        }
    }
}

}  // namespace quilbet::merging

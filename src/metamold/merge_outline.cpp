// Merge stage 3, outline: a facet edge is an outline edge unless another
// facet of the region has an edge between the same two points, in either
// direction. Plain form: every pair of facets compared edge by edge. Fast
// form: each edge is compared only with the earlier edges that start from
// the same lower point id (a list per point), so every pair of edges with the
// same two points is still met once.
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

// w.first_edge (one entry per point id, -1 between regions) heads each
// point's list of edge slots (3 * facet + edge), linked through w.next_edge.
void clear_shared_by_lists(work& w, const int32_t* members, int32_t count) {
    w.first_edge.resize(w.points.size(), -1);
    w.next_edge.resize(3 * size_t(count));
    w.edge_key.resize(3 * size_t(count));
    for (int32_t j = 0; j < count; ++j) {
        const int32_t* id = &w.ids[3 * size_t(members[j])];
        for (int32_t e = 0; e < 3; ++e) {
            const int32_t slot = 3 * j + e;
            const uint64_t key = pair_key(id[e], id[e == 2 ? 0 : e + 1]);
            int32_t& head = w.first_edge[size_t(key >> 32)];
            // Slots below 3 j belong to earlier facets.
            for (int32_t other = head; other >= 0; other = w.next_edge[size_t(other)]) {
                if (w.edge_key[size_t(other)] == key && other < 3 * j) w.marked[size_t(other)] = w.marked[size_t(slot)] = 0;
            }
            w.edge_key[size_t(slot)] = key;
            w.next_edge[size_t(slot)] = head;
            head = slot;
        }
    }
    for (int32_t slot = 0; slot < 3 * count; ++slot) w.first_edge[size_t(w.edge_key[size_t(slot)] >> 32)] = -1;
}

}  // namespace

void find_outline(work& w, const int32_t* members, int32_t count) {
    w.marked.assign(3 * size_t(count), 1);
    if (w.forms.edge_lists) clear_shared_by_lists(w, members, count);
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

// Merge stage 4, polygon: straighten the outline, then chain it from edge 0.
// Straightening scans pairs of edges j < k (j outer); when they meet at a
// point S between collinear far ends P and N, edge k goes, edge j becomes
// (P, N) and the scan restarts from the first pair (without re-testing the
// pairs that a restart would only find failing again). Chaining follows the
// first unchained edge that continues the chain until it returns to edge 0's
// first point.
#include "metamold/merge_work.hpp"

namespace quilbet::merging {

namespace {

// Straightening's test of the edges j < k: true when they meet at a point
// between collinear ends; `joined` is then the edge (P, N) that replaces j.
bool joinable(const work& w, size_t j, size_t k, id_edge& joined) {
    const id_edge ej = w.edges[j], ek = w.edges[k];
    int32_t p, s, n;
    if (ej.a == ek.a) { p = ek.b; s = ej.a; n = ej.b; }
    else if (ej.b == ek.a) { p = ej.a; s = ej.b; n = ek.b; }
    else if (ej.a == ek.b) { p = ek.a; s = ej.a; n = ej.b; }
    else if (ej.b == ek.b) { p = ej.a; s = ej.b; n = ek.a; }
    else return false;
    if (!collinear_ids(w, p, s, n)) return false;
    joined = id_edge{p, n};
    return true;
}

// After a join at (j, k) the restarted scan can first join only a pair that
// holds the new edge j: (i, j) for i < j, then (j, k') for k' > j.
void straighten(work& w) {
    auto join = [&](size_t j, size_t k) {
        id_edge joined;
        if (!joinable(w, j, k, joined)) return false;
        w.edges.erase(w.edges.begin() + static_cast<std::ptrdiff_t>(k));
        w.edges[j] = joined;
        return true;
    };
    size_t j = 0;
    while (j < w.edges.size()) {
        bool joined = false;
        for (size_t k = j + 1; k < w.edges.size() && !joined; ++k) joined = join(j, k);
        if (!joined) {
            ++j;
            continue;
        }
        for (size_t i = 0; i < j;) {
            if (join(i, j)) {
                j = i;
                i = 0;
            } else {
                ++i;
            }
        }
    }
}

bool chain(work& w) {
    const std::vector<id_edge>& e = w.edges;
    const size_t count = e.size();
    w.chained.assign(count, 0);
    w.poly.assign({e[0].a, e[0].b});
    int32_t end = e[0].b;
    size_t used = 1, open = 1;   // edges before `open` are all chained
    for (;;) {
        while (open < count && w.chained[open]) ++open;
        size_t i = open;
        while (i < count && (w.chained[i] || (e[i].a != end && e[i].b != end))) ++i;
        if (i == count) return false;
        w.chained[i] = 1;
        ++used;
        end = e[i].a == end ? e[i].b : e[i].a;
        if (end == e[0].a) return used == count;
        w.poly.push_back(end);
    }
}

}  // namespace

bool make_polygon(work& w) {
    straighten(w);
    return chain(w) && w.poly.size() >= 3;
}

}  // namespace quilbet::merging

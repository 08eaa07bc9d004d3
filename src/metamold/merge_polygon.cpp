// Merge stage 4, polygon: straighten the outline, then chain it from edge 0.
// Straightening scans pairs of edges j < k (j outer); when they meet at a
// point S between collinear far ends P and N, edge k goes, edge j becomes
// (P, N) and the scan restarts from the first pair. Plain form: that scan,
// without re-testing the pairs a restart would only find failing again.
// Fast form: when every outline point has exactly two edges, the edges that
// meet edge j are the other edges at its two ends, so only those are tried.
// Chaining follows the first unchained edge that continues the chain until
// it returns to edge 0's first point.
#include <algorithm>

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
void straighten_scan(work& w) {
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

// Fills w.incident with the two edges at each outline point; false when a
// point has another number of edges (the outline touches itself there).
bool two_edges_each(work& w) {
    w.incident.resize(2 * w.points.size(), -1);
    bool two = true;
    for (size_t e = 0; e < w.edges.size(); ++e) {
        for (const int32_t p : {w.edges[e].a, w.edges[e].b}) {
            int32_t* at = &w.incident[2 * size_t(p)];
            if (at[0] < 0 && at[1] < 0) w.touched.push_back(p);
            if (at[0] < 0) at[0] = static_cast<int32_t>(e);
            else if (at[1] < 0) at[1] = static_cast<int32_t>(e);
            else two = false;
        }
    }
    for (const int32_t p : w.touched) two = two && w.incident[2 * size_t(p) + 1] >= 0;
    return two;
}

// straighten_scan restricted to the edges at each edge's two ends; removed
// edges are only marked until the end.
void straighten_follow(work& w) {
    const int32_t count = static_cast<int32_t>(w.edges.size());
    w.alive.assign(size_t(count), 1);
    auto other = [&](int32_t p, int32_t e) {
        const int32_t* at = &w.incident[2 * size_t(p)];
        return at[0] == e ? at[1] : at[0];
    };
    auto join = [&](int32_t j, int32_t k) {
        id_edge joined;
        if (!joinable(w, size_t(j), size_t(k), joined)) return false;
        w.alive[size_t(k)] = 0;
        w.edges[size_t(j)] = joined;
        for (const int32_t p : {joined.a, joined.b}) {
            for (int32_t* at = &w.incident[2 * size_t(p)]; at != &w.incident[2 * size_t(p) + 2]; ++at) {
                if (*at == k) *at = j;
            }
        }
        return true;
    };
    // The neighbours of j beyond it (after = true) or before it, in edge order.
    auto join_near = [&](int32_t j, bool after) {
        int32_t near[2] = {other(w.edges[size_t(j)].a, j), other(w.edges[size_t(j)].b, j)};
        if (near[0] > near[1]) std::swap(near[0], near[1]);
        for (const int32_t k : near) {
            if (after ? k > j && join(j, k) : k < j && join(k, j)) return k;
        }
        return int32_t(-1);
    };
    int32_t j = 0;
    while (j < count) {
        if (!w.alive[size_t(j)] || join_near(j, true) < 0) {
            ++j;
            continue;
        }
        for (int32_t i; (i = join_near(j, false)) >= 0;) j = i;
    }
    size_t used = 0;
    for (int32_t e = 0; e < count; ++e) {
        if (w.alive[size_t(e)]) w.edges[used++] = w.edges[size_t(e)];
    }
    w.edges.resize(used);
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
    w.touched.clear();
    if (w.forms.follow_outline && two_edges_each(w)) straighten_follow(w);
    else straighten_scan(w);
    for (const int32_t p : w.touched) w.incident[2 * size_t(p)] = w.incident[2 * size_t(p) + 1] = -1;
    return chain(w) && w.poly.size() >= 3;
}

}  // namespace quilbet::merging

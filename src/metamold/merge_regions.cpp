// Merge stage 2, regions: the first facet still unassigned is the seed; every
// other one joins its region when each of its three edges lies on a line
// coplanar with the seed's lines A-B and B-C. A facet of zero area seeds only
// when no other is left, and then takes none. Growing stops when fewer than
// two facets were rejected; a single rejected facet is the leftover.
// Plain form: the six lines_coplanar tests. Fast form: on a lattice, a facet
// and a seed that are not degenerate pass all six tests exactly when their
// integer plane keys agree, as long as rounding cannot move a test across the
// tolerance; that bounds the facet's longest edge (key_edge_limit).
#include <algorithm>
#include <cmath>

#include "metamold/merge_work.hpp"

namespace quilbet::merging {

namespace {

bool joins_seed_plane(const mbs_facet& seed, const mbs_facet& f) {
    const Vec3f corner[4] = {f.pa, f.pb, f.pc, f.pa};
    for (int e = 0; e < 3; ++e) {
        if (!lines_coplanar(seed.pb, seed.pc, corner[e], corner[e + 1]) ||
            !lines_coplanar(seed.pa, seed.pb, corner[e], corner[e + 1])) {
            return false;
        }
    }
    return true;
}

// The longest facet edge (squared, in lattice steps) up to which plane keys
// decide the line tests in this bucket, or -1: the rounding bound of a test
// (docs/merge.md) must stay below the margin min(tol, h^3 - tol).
double key_edge_limit(const work& w) {
    const double h = w.spacing;
    const double margin = 0.99 * std::min(tolerance, h * h * h - tolerance);
    if (!(margin > 0)) return -1;
    int32_t longest2 = 0;
    for (const lattice_tag& t : w.tags) longest2 = std::max(longest2, t.edge2);
    double box2 = 0;
    for (int k = 0; k < 3; ++k) box2 += double(w.box_hi[k] - w.box_lo[k]) * (w.box_hi[k] - w.box_lo[k]);
    constexpr double sqrt3 = 1.7320508075688772, c = 1.5 * 0x1p-24;
    const double s = h * std::sqrt(box2) * (1 + 1e-9), u = h * std::sqrt(double(longest2)) * (1 + 1e-9);
    const double limit = (margin / c - sqrt3 * s * u) / (sqrt3 * (u + s) + 4 * s * u);
    return limit > 0 ? (limit / h) * (limit / h) : -1;
}

// Where the next seed stands in w.pending: the first facet whose corners are
// not collinear, or 0 when every one's are.
size_t seed_position(const work& w) {
    for (size_t i = 0; i < w.pending.size(); ++i) {
        const mbs_facet& f = w.facets[size_t(w.pending[i])];
        if (!points_collinear(f.pa, f.pb, f.pc)) return i;
    }
    return 0;
}

}  // namespace

void grow_regions(work& w) {
    w.members.clear();
    w.region_end.clear();
    w.leftover = -1;
    w.pending.resize(w.facets.size());
    for (size_t i = 0; i < w.facets.size(); ++i) w.pending[i] = static_cast<int32_t>(i);
    const double limit = w.on_lattice && w.forms.plane_keys ? key_edge_limit(w) : -1;
    while (!w.pending.empty()) {
        // A facet of zero area lies in every plane through its line: as a seed
        // it would gather facets of several planes. The first facet with an
        // area seeds instead (those of zero area may still join it); only
        // when none is left does a facet of zero area make a region of its own.
        const size_t at = seed_position(w);
        const int32_t seed = w.pending[at];
        const mbs_facet& s = w.facets[size_t(seed)];
        const bool flat_seed = points_collinear(s.pa, s.pb, s.pc);
        const lattice_tag* seed_tag = limit >= 0 && !w.tags[size_t(seed)].degenerate() ? &w.tags[size_t(seed)] : nullptr;
        w.members.push_back(seed);
        w.rejected.clear();
        for (size_t i = 0; i < w.pending.size(); ++i) {
            const int32_t f = w.pending[i];
            if (i == at) continue;
            if (flat_seed) {
                w.rejected.push_back(f);
                continue;
            }
            const lattice_tag* tag = seed_tag != nullptr ? &w.tags[size_t(f)] : nullptr;
            const bool joins = tag != nullptr && !tag->degenerate() && tag->edge2 <= limit
                                   ? tag->same_plane(*seed_tag)
                                   : joins_seed_plane(w.facets[size_t(seed)], w.facets[size_t(f)]);
            (joins ? w.members : w.rejected).push_back(f);
        }
        w.region_end.push_back(static_cast<int32_t>(w.members.size()));
        if (w.rejected.size() < 2) {
            if (!w.rejected.empty()) w.leftover = w.rejected[0];
            return;
        }
        w.pending.swap(w.rejected);
    }
}

}  // namespace quilbet::merging

// Station survey: figures from the block-type table, placement through the
// module's own build loop and placement, overlaps by box trees and, for blocks
// that are not linked, by their triangles.
#include "generate/station_survey.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "blocks/station.hpp"
#include "entry/station_budget.hpp"
#include "entry/station_build.hpp"
#include "generate/block_choice.hpp"
#include "generate/box_overlap.hpp"
#include "generate/station_grower.hpp"
#include "generate/surface_crossing.hpp"

namespace quilbet {
namespace {

// True when box a lies inside box b.
bool inside(const Box3& a, const Box3& b) {
    for (int k = 0; k < 3; ++k) {
        if (a.lo[k] < b.lo[k] || a.hi[k] > b.hi[k]) return false;
    }
    return true;
}

// Surfaces of unlinked blocks cutting into each other by less than this are
// taken as touching (the rounding of placed float geometry).
constexpr double surface_tolerance = 0.001;

std::string thousands(int64_t v) {
    std::string s = std::to_string(v);
    for (int i = static_cast<int>(s.size()) - 3; i > (v < 0 ? 1 : 0); i -= 3) s.insert(static_cast<size_t>(i), ",");
    return s;
}

std::string share(int64_t value, int64_t limit) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f%%", limit > 0 ? 100.0 * static_cast<double>(value) / static_cast<double>(limit) : 0.0);
    return buf;
}

}  // namespace

StationSurvey survey_station(const BlobStation& records, ShapeCache& cache) {
    StationSurvey s;
    s.blocks = static_cast<int64_t>(records.records.size());
    Station st;
    std::vector<BlockChoice> choices(static_cast<size_t>(std::max(records.block_count, 0)));
    build_records(st, records, [&](const BlobRecord& r, blocktyp& b) {
        if (find_block_type(r.btype) == nullptr) return false;
        const BlockChoice c = choice_of_record(r);
        const int32_t id = b.id;
        b = make_instance(c);
        b.id = id;
        choices[static_cast<size_t>(id)] = c;
        s.figures += choice_figures(c);
        if (type_spec(c.type).category == Category::habitats) ++s.habitats;
        return true;
    });
    if (st.root < 0) return s;
    place_station(st);

    struct Placed {
        int32_t slot;
        std::shared_ptr<const BlockShape> shape;
        Pose pose;
        Box3 bounds;
    };
    std::vector<Placed> placed;
    bool any = false;
    for (const BlobRecord& r : records.records) {
        const blocktyp& b = st.blocks[static_cast<size_t>(r.id)];
        if (!b.live) continue;
        for (int32_t k = 0; k < b.nports && static_cast<size_t>(k) < b.ports.size(); ++k) {
            const BlockPort& p = b.ports[static_cast<size_t>(k)];
            if (!p.linked && p.kind == static_cast<int32_t>(PortKind::docking)) ++s.free_docking_ports;
        }
        Placed pl{r.id, cache.shape(choices[static_cast<size_t>(r.id)]), pose_from(b.pos, b.rot), {}};
        if (pl.shape->nodes.empty()) continue;
        pl.bounds = placed_bounds(*pl.shape, pl.pose);
        for (int axis = 0; axis < 3; ++axis) {
            s.extent.lo[axis] = any ? std::min(s.extent.lo[axis], pl.bounds.lo[axis]) : pl.bounds.lo[axis];
            s.extent.hi[axis] = any ? std::max(s.extent.hi[axis], pl.bounds.hi[axis]) : pl.bounds.hi[axis];
        }
        any = true;
        placed.push_back(std::move(pl));
    }

    std::set<std::pair<int32_t, int32_t>> linked;
    for (const BlobRecord& r : records.records) {
        for (const BlobPort& e : r.ports) {
            if (e.flag != 0) linked.insert({std::min(r.id, e.block), std::max(r.id, e.block)});
        }
    }
    // Shapes with their triangles, built only for blocks whose boxes cut into
    // an unlinked block's.
    std::map<BlockChoice, BlockShape> exact;
    const auto exact_shape = [&](int32_t slot) -> const BlockShape& {
        const BlockChoice& c = choices[static_cast<size_t>(slot)];
        auto it = exact.find(c);
        if (it == exact.end()) it = exact.emplace(c, build_block_shape(c, true)).first;
        return it->second;
    };
    for (size_t i = 0; i < placed.size(); ++i) {
        for (size_t j = i + 1; j < placed.size(); ++j) {
            const Placed& a = placed[i];
            const Placed& b = placed[j];
            if (!bounds_meet(a.bounds, b.bounds, 0)) continue;
            const std::pair<int32_t, int32_t> pair{std::min(a.slot, b.slot), std::max(a.slot, b.slot)};
            const bool is_linked = linked.count(pair) != 0;
            if (!shapes_overlap(*a.shape, a.pose, *b.shape, b.pose, is_linked ? linked_depth : touching_depth)) continue;
            // Linked neighbours press into each other at their joint, where
            // only the boxes' depth tells a joint from a block pushed through.
            // Unlinked blocks overlap where their surfaces cross, or where one
            // lies wholly within the other's bounds (inside a hull, crossing
            // nothing).
            const bool overlap = is_linked || inside(a.bounds, b.bounds) || inside(b.bounds, a.bounds) ||
                                 surfaces_cross(exact_shape(a.slot), a.pose, exact_shape(b.slot), b.pose, surface_tolerance);
            if (overlap) s.overlaps.push_back({pair.first, pair.second, is_linked});
        }
    }
    return s;
}

std::vector<std::string> overlap_messages(const StationSurvey& s, const StationText& st) {
    std::vector<std::string> out;
    for (const BlockOverlap& o : s.overlaps) {
        out.push_back("blocks \"" + st.id_of(o.a) + "\" and \"" + st.id_of(o.b) + "\"" +
                      (o.linked ? " are linked but cut deeper into each other than a port joint allows"
                                : " cut into each other (their geometry crosses); the host builds them, but they overlap"));
    }
    return out;
}

std::string survey_text(const StationSurvey& s) {
    char size[96];
    std::snprintf(size, sizeof size, "%.1f x %.1f x %.1f m", s.extent.hi[0] - s.extent.lo[0], s.extent.hi[1] - s.extent.lo[1],
                  s.extent.hi[2] - s.extent.lo[2]);
    const bool built = s.built_groups >= 0;
    const int64_t groups = built ? s.built_groups : s.figures.groups;
    const int64_t vertices = built ? s.built_vertices : s.figures.vertices;
    const auto count = [](int64_t n, const char* one, const char* many) {
        return thousands(n) + " " + (n == 1 ? one : many);
    };
    std::string out = "station: " + count(s.blocks, "block", "blocks") + ", " + count(s.habitats, "habitat", "habitats") +
                      ", " + count(s.free_docking_ports, "free docking port", "free docking ports") + ", " + size + "\n";
    out += std::string(built ? "built:" : "estimate:") + " mesh groups " + thousands(groups) + " of the host's " +
           thousands(station_budget.groups) + " (" + share(groups, station_budget.groups) + "), vertices " +
           thousands(vertices) + " of " + thousands(station_budget.vertices) + " (" +
           share(vertices, station_budget.vertices) + ")\n";
    out += "estimate: texture pixels " + thousands(s.figures.pixels) + " of " + thousands(station_budget.pixels) + " (" +
           share(s.figures.pixels, station_budget.pixels) + "), build work " + share(s.figures.work, station_budget.work) +
           " of the station budget\n";
    return out;
}

nlohmann::ordered_json survey_json(const StationSurvey& s) {
    using oj = nlohmann::ordered_json;
    auto figure = [](int64_t value, int64_t limit) {
        oj o = oj::object();
        o["value"] = value;
        o["limit"] = limit;
        return o;
    };
    oj doc = oj::object();
    doc["blocks"] = s.blocks;
    doc["habitats"] = s.habitats;
    doc["free_docking_ports"] = s.free_docking_ports;
    doc["extent_m"] = oj::array({s.extent.hi[0] - s.extent.lo[0], s.extent.hi[1] - s.extent.lo[1], s.extent.hi[2] - s.extent.lo[2]});
    doc["bounds_m"] = oj::object({{"min", oj::array({s.extent.lo[0], s.extent.lo[1], s.extent.lo[2]})},
                                  {"max", oj::array({s.extent.hi[0], s.extent.hi[1], s.extent.hi[2]})}});
    oj estimate = oj::object();
    estimate["mesh_groups"] = figure(s.figures.groups, station_budget.groups);
    estimate["vertices"] = figure(s.figures.vertices, station_budget.vertices);
    estimate["texture_pixels"] = figure(s.figures.pixels, station_budget.pixels);
    estimate["build_work"] = figure(s.figures.work, station_budget.work);
    doc["estimate"] = estimate;
    if (s.built_groups >= 0) {
        oj built = oj::object();
        built["mesh_groups"] = figure(s.built_groups, station_budget.groups);
        built["vertices"] = figure(s.built_vertices, station_budget.vertices);
        doc["built"] = built;
    }
    oj overlaps = oj::array();
    for (const BlockOverlap& o : s.overlaps) overlaps.push_back(oj::object({{"a", o.a}, {"b", o.b}, {"linked", o.linked}}));
    doc["overlaps"] = overlaps;
    return doc;
}

}  // namespace quilbet

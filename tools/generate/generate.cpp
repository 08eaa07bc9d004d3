// Generation: the seed's random numbers, the palette, the style's layout,
// the constraints' last pieces and the figures of the result.
#include "generate/generate.hpp"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "generate/designer.hpp"
#include "generate/motifs.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

// Blocks of a type at free ports that fit it, outermost first, until the
// requirement's minimum is met or nothing more fits. A category's minimum is
// met with its ordinary types: the Test_Article only when asked for by name.
void meet_minimum(Designer& d, const Requirement& r) {
    for (const BlockTypeSpec& t : block_types()) {
        const BlockType type = t.type;
        if (!r.counts(type) || (r.category && type == BlockType::test_article)) continue;
        const BlockChoice choice = draw_design(type, d.rng);
        const blocktyp probe = make_instance(choice);
        for (PortKind kind : {PortKind::habitat, PortKind::axial, PortKind::height_face, PortKind::width_face}) {
            for (const PortRef& p : d.free_ports_outermost(kind)) {
                if (d.counted(r) >= r.min) return;
                for (int32_t k = 0; k < probe.nports; ++k) {
                    if (probe.ports[static_cast<size_t>(k)].kind == static_cast<int32_t>(kind) && d.add(p, choice, k) >= 0) break;
                }
            }
        }
    }
}

void meet_docking(Designer& d, int32_t n) {
    for (const PortRef& p : d.free_ports_outermost(PortKind::habitat)) {
        if (d.free_docking() >= n) return;
        if (d.faces_out(p)) add_dock(d, p);
    }
    for (int32_t round = 0; round < 4 && d.free_docking() < n; ++round) add_outer_aux_ports(d, 1);
}

std::string range_text(const Requirement& r) {
    return r.min == r.max ? std::to_string(r.min) : std::to_string(r.min) + ".." + std::to_string(r.max);
}

StationFigures measure(const Designer& d) {
    StationFigures f;
    const StationGrower& g = d.grower;
    f.habitats = d.habitats();
    f.power = d.power();
    f.free_docking = d.free_docking();
    const Box3 box = g.bounds();
    for (int a = 0; a < 3; ++a) f.extent[a] = box.hi[a] - box.lo[a];
    // A block has a twin when, under every transform, each of its ports lands
    // on a port of one block of the same design.
    for (int32_t b = 0; b < g.count(); ++b) {
        bool twinned = d.symmetry.size() > 1;
        for (int32_t t = 1; t < d.symmetry.size() && twinned; ++t) {
            int32_t twin = -1;
            for (int32_t k = 0; k < g.port_count(b) && twinned; ++k) {
                const PortRef q = port_at(g, d.symmetry.map_point(t, g.port_position({b, k})),
                                          d.symmetry.map_direction(t, g.port_direction({b, k})), g.port_kind({b, k}));
                if (q.block < 0 || (twin >= 0 && q.block != twin) || !(g.choice_of(q.block) == g.choice_of(b))) twinned = false;
                twin = q.block;
            }
        }
        f.twinned += twinned ? 1 : 0;
    }
    // Free ports of different blocks that face each other across a small
    // gap: the clearance between their geometry, which reaches past the ports.
    for (int32_t a = 0; a < g.count(); ++a) {
        for (int32_t k = 0; k < g.port_count(a); ++k) {
            if (!g.port_free({a, k})) continue;
            for (int32_t b = a + 1; b < g.count(); ++b) {
                for (int32_t j = 0; j < g.port_count(b); ++j) {
                    if (!g.port_free({b, j}) || g.port_kind({b, j}) != g.port_kind({a, k})) continue;
                    const Vec3 da = g.port_direction({a, k}), db = g.port_direction({b, j});
                    if (da.x * db.x + da.y * db.y + da.z * db.z > -0.999) continue;
                    // Hull to hull along the ports' direction: ends that face
                    // each other slightly off one axis still meet face to face.
                    const Vec3 apart = vec_sub(g.port_position({b, j}), g.port_position({a, k}));
                    if (vec_len(apart) >= 1.0) continue;
                    const double along = apart.x * da.x + apart.y * da.y + apart.z * da.z;
                    f.closing_gap = std::max(f.closing_gap, along - g.reach_past({a, k}) - g.reach_past({b, j}));
                    f.closing_offset = std::max(f.closing_offset, vec_len(vec_sub(apart, vec_scale(da, along))));
                }
            }
        }
    }
    return f;
}

}  // namespace

const char* style_name(StationStyle style) {
    switch (style) {
    case StationStyle::core: return "core";
    case StationStyle::spine: return "spine";
    case StationStyle::ring: return "ring";
    case StationStyle::random: return "random";
    }
    return "core";
}

bool parse_style(const std::string& text, StationStyle& style) {
    for (StationStyle s : {StationStyle::core, StationStyle::spine, StationStyle::ring, StationStyle::random}) {
        if (text == style_name(s)) {
            style = s;
            return true;
        }
    }
    return false;
}

SymmetrySetting style_symmetry(StationStyle style) {
    switch (style) {
    case StationStyle::core:
    case StationStyle::ring: return {SymmetryKind::radial, 4};
    case StationStyle::spine: return {SymmetryKind::mirror, 0};
    case StationStyle::random: return {};
    }
    return {};
}

std::string generate_options_problem(const GenerateOptions& options) {
    if (options.blocks < 1 || options.blocks > max_generated_blocks) {
        return "the block count must lie between 1 and " + std::to_string(max_generated_blocks) + ", not " +
               std::to_string(options.blocks);
    }
    if (options.variation < 0) return "the variation must be 0 or more";
    return {};
}

GeneratedStation generate_station(const GenerateOptions& options, ShapeCache& cache) {
    if (const std::string problem = generate_options_problem(options); !problem.empty()) {
        throw std::invalid_argument(problem);
    }
    GeneratedStation out;
    // A user's station has no symmetry of the style's to follow.
    out.symmetry = !options.style_symmetry ? options.symmetry : options.from ? SymmetrySetting{} : style_symmetry(options.style);
    // The style and the symmetry go into the random state, the block count
    // does not: a larger count continues the same sequence of pieces.
    const uint64_t salt = (static_cast<uint64_t>(options.style) << 32) |
                          (static_cast<uint64_t>(out.symmetry.kind) << 24) | static_cast<uint64_t>(out.symmetry.order);
    SeededRandom rng(options.seed, salt);
    Palette palette = draw_palette(rng);
    if (options.variation > 0) vary_palette(palette, options.seed, options.variation);
    // The budget keeps its reserve for the largest station, whatever the count,
    // so that what it affords does not depend on the count either.
    StationGrower grower(cache, max_generated_blocks);
    Designer designer(grower, rng, palette, options.blocks, out.symmetry, options.constraints);
    if (!options.from) {
        switch (options.style) {
        case StationStyle::core: grow_core(designer); break;
        case StationStyle::spine: grow_spine(designer); break;
        case StationStyle::ring: grow_ring(designer); break;
        case StationStyle::random: grow_random(designer); break;
        }
    } else if (designer.start_from(options.from->station)) {
        switch (options.style) {
        case StationStyle::core: grow_core_around(designer); break;
        case StationStyle::spine:
        case StationStyle::ring: grow_girders_around(designer); break;
        case StationStyle::random: grow_random_around(designer); break;
        }
    }
    out.reached_count = designer.halted() || designer.count() >= options.blocks;
    out.taken_back = designer.take_back_to_power();
    out.largest_piece = designer.largest_piece();
    if (!designer.problem().empty()) {
        const bool from_refused = options.from && grower.kept() == 0;
        out.unmet.push_back((from_refused ? "--from " + options.from_path : "--symmetry " + symmetry_name(out.symmetry)) + ": " +
                            designer.problem());
    }

    const GenerateConstraints& c = options.constraints;
    if (c.any()) {
        designer.unlimit();
        // In twins first; what twins would overshoot (or cannot reach) is
        // then placed one block at a time.
        for (int32_t pass = 0; pass < 2; ++pass) {
            if (pass == 1) designer.symmetry = StationSymmetry{};
            for (const Requirement& r : c.requirements) meet_minimum(designer, r);
            if (c.docking > 0) meet_docking(designer, c.docking);
        }
        for (const Requirement& r : c.requirements) {
            const int32_t n = designer.counted(r);
            if (n < r.min || n > r.max) {
                out.unmet.push_back("--require " + r.name + "=" + range_text(r) + ": the station has " + std::to_string(n));
            }
        }
        if (c.docking >= 0 && designer.free_docking() != c.docking) {
            out.unmet.push_back("--docking " + std::to_string(c.docking) + ": the station has " +
                                std::to_string(designer.free_docking()) + " free docking ports");
        }
        // A maximum that stopped the style's own pieces leaves a station the
        // style cannot finish: said rather than written short.
        if (!out.reached_count && !designer.capped_by().empty()) {
            out.unmet.push_back(designer.capped_by() + ": the station stops at " + std::to_string(designer.count()) + " of " +
                                std::to_string(options.blocks) + " blocks; the " + style_name(options.style) +
                                " style grows with the blocks this keeps out");
        }
    }
    out.figures = measure(designer);
    if (c.has_max_size) {
        const double* e = out.figures.extent;
        if (e[0] > c.max_size.x || e[1] > c.max_size.y || e[2] > c.max_size.z) {
            std::ostringstream s;
            s << "--max-size " << c.max_size.x << "," << c.max_size.y << "," << c.max_size.z << ": the smallest station is "
              << e[0] << "," << e[1] << "," << e[2] << " m";
            out.unmet.push_back(s.str());
        }
    }
    out.station = grower.to_blob();
    out.candidates = grower.tried();
    out.overlapping = grower.overlapped();
    out.overlapping_kept = grower.overlapping_pairs();
    return out;
}

}  // namespace quilbet

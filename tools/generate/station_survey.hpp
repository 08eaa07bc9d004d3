// What a station description amounts to before it is built: the figures the
// host's limits apply to (mesh groups, vertices, texture pixels, build work),
// its extent in metres, its free docking ports and habitats, and the pairs of
// blocks whose geometry cuts into each other. One survey serves `describe`,
// `build` and the designer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "entry/blob.hpp"
#include "generate/block_shape.hpp"

namespace quilbet {

struct BlockOverlap {
    int32_t a = -1, b = -1;   // block slots, a < b
    bool linked = false;      // linked neighbours that press in deeper than a port allows
};

struct StationSurvey {
    int64_t blocks = 0;
    BuildFigures figures;            // the block-type table's estimate (what the station budget checks)
    int64_t built_groups = -1;       // what a build handed to the host; -1 before a build
    int64_t built_vertices = -1;
    Box3 extent;                     // station frame, metres; all zero without triangles
    int32_t free_docking_ports = 0;
    int32_t habitats = 0;            // blocks of the habitats category
    std::vector<BlockOverlap> overlaps;
};

// Surveys a description that validate_station accepted (a tree of links from
// the first record): places every block as the module does, from the block
// shapes of its type and parameter values (built once per distinct block and
// kept in cache). Blocks that are not linked may touch but not cut into each
// other; linked blocks may press in as far as the generator allows.
StationSurvey survey_station(const BlobStation& st, ShapeCache& cache = ShapeCache::shared());

// Three lines for people: the station, then each figure against the limit
// the host or the station budget applies, with its share. Overlaps are
// reported as warnings through overlap_messages.
std::string survey_text(const StationSurvey& s);
nlohmann::ordered_json survey_json(const StationSurvey& s);

// One warning text per overlap, naming both blocks by the ids written
// (name_of(slot)).
template <typename Namer>
std::vector<std::string> overlap_messages(const StationSurvey& s, const Namer& name_of) {
    std::vector<std::string> out;
    for (const BlockOverlap& o : s.overlaps) {
        out.push_back("blocks \"" + name_of(o.a) + "\" and \"" + name_of(o.b) + "\"" +
                      (o.linked ? " are linked but cut deeper into each other than a port joint allows"
                                : " cut into each other (their geometry crosses); the host builds them, but they overlap"));
    }
    return out;
}

}  // namespace quilbet

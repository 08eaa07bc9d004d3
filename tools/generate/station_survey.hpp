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
#include "station/station_json.hpp"

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

// One warning text per overlap, naming both blocks by the ids st was written with.
std::vector<std::string> overlap_messages(const StationSurvey& s, const StationText& st);

}  // namespace quilbet

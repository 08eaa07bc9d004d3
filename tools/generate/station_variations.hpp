// Variations of any station description, hand-made or generated: the same
// blocks, ids and links, with two or three of its designs drawn anew, the
// way `quilbet generate --variation` varies a generated station's palette.
//
// A design is a type with the values of all its parameters (the written ones
// over the type's defaults); blocks that share one (twins, or blocks that are
// merely equal) keep sharing it, so they all change together. The designs
// that may change are the generator's varied ones: habitats (their length
// kept, so the layout holds), power wings, solar wings, solar panels and
// tanks; new values come from the generator's grids (draw_design), inside the
// catalogue's ranges.
#pragma once

#include <chrono>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "generate/block_choice.hpp"
#include "generate/block_shape.hpp"
#include "station/station_json.hpp"

namespace quilbet {

// Draws tried for one variation before it is given up.
inline constexpr int32_t variation_draws = 8;

struct StationVariation {
    bool found = false;              // false: no draw passed (see why)
    std::string why;                 // when not found, for people
    StationText text;                // when found: the station, its names, title and schema kept
    std::vector<int32_t> redrawn;    // slots whose values changed, ascending
    int32_t designs = 0;             // designs redrawn
    int32_t draws = 0;               // draws tried
};

class StationVariations {
public:
    // Takes a station that validate_station_text accepted. Surveys it once:
    // the pairs of blocks that already overlap in it are the only ones a
    // variation may have (a hand-made station may overlap; a variation adds
    // no overlap of its own). Shapes come from `cache`.
    explicit StationVariations(const StationText& station, ShapeCache& cache = ShapeCache::shared());

    // The variation-th variation (variation >= 1): the same for the same
    // station and number on every machine. Each draw redraws two or three
    // designs (fewer when the station has fewer) and is kept when the result
    // passes validate_station_text with no new overlap; otherwise the next
    // draw is tried, up to variation_draws, and not past `give_up` (checked
    // before each draw). Not found, with the reason, when the station has no
    // design that may change or no draw passed.
    StationVariation make(int32_t variation,
                          std::chrono::steady_clock::time_point give_up = std::chrono::steady_clock::time_point::max()) const;

    // The designs that may change: each the indices in station.records of
    // the blocks that share it, in the order the station first names them.
    const std::vector<std::vector<int32_t>>& designs() const { return designs_; }

private:
    StationText station_;
    ShapeCache& cache_;
    uint64_t seed_ = 0;                                  // from the station's blob bytes
    std::vector<BlockChoice> values_;                    // each record's design, by record index
    std::vector<std::vector<int32_t>> designs_;          // record indices sharing a changeable design
    std::set<std::pair<int32_t, int32_t>> overlapping_;  // slot pairs that overlap already
};

}  // namespace quilbet

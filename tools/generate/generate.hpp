// Seeded station generation: from a seed, a block count and a style, a
// station description that passes the description checks without a warning,
// stays within the station budget, and has no two blocks overlapping. The
// same seed, count and style give the same description on every machine.
#pragma once

#include <cstdint>
#include <string>

#include "entry/blob.hpp"
#include "generate/block_shape.hpp"

namespace quilbet {

enum class StationStyle { core, spine, ring, random };

inline constexpr int32_t default_generated_blocks = 25;
inline constexpr int32_t max_generated_blocks = 200;

struct GenerateOptions {
    uint64_t seed = 1;
    int32_t blocks = default_generated_blocks;   // the block count aimed at, 1 .. max_generated_blocks
    StationStyle style = StationStyle::core;
};

struct GeneratedStation {
    BlobStation station;       // the root first, every parameter written
    int64_t candidates = 0;    // blocks tried
    int64_t overlapping = 0;   // of those, turned down for overlapping
    int32_t layouts = 0;       // layouts tried (more than one when the first boxed itself in)
};

// The style's name as the command line writes it ("core", "spine", "ring", "random").
const char* style_name(StationStyle style);
// Reads a style name; false for anything else.
bool parse_style(const std::string& text, StationStyle& style);

// Empty when the options can be generated; otherwise why not (the block count's range).
std::string generate_options_problem(const GenerateOptions& options);

// Generates the station of these options (which must pass
// generate_options_problem). Block shapes come from `cache`, which keeps them
// for later calls. It ends with about options.blocks blocks: never more than a
// tenth above, below only when nothing more fits.
GeneratedStation generate_station(const GenerateOptions& options, ShapeCache& cache = ShapeCache::shared());

}  // namespace quilbet

// Seeded station generation: from a seed, a block count and a style, a
// station description that passes the description checks without a warning,
// stays within the station budget, and has no two blocks overlapping. The
// same seed, count and style give the same description on every machine.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "entry/blob.hpp"
#include "generate/block_shape.hpp"
#include "generate/generate_constraints.hpp"
#include "generate/station_symmetry.hpp"
#include "station/station_json.hpp"

namespace quilbet {

enum class StationStyle { core, spine, ring, random };

inline constexpr int32_t default_generated_blocks = 25;
inline constexpr int32_t max_generated_blocks = 200;

struct GenerateOptions {
    uint64_t seed = 1;
    int32_t blocks = default_generated_blocks;   // the block count aimed at, 1 .. max_generated_blocks
    StationStyle style = StationStyle::core;
    bool style_symmetry = true;     // the style's own symmetry; otherwise `symmetry`
    SymmetrySetting symmetry;
    GenerateConstraints constraints;
    int32_t variation = 0;          // 0: the station itself; K > 0: its K-th variation
    // A user's station to grow around (it passed the description checks),
    // and its path as the command line gave it; null: grow from a root of
    // the style's own. Its blocks are the first of the result, unchanged; the
    // style then grows at its free ports, with no symmetry unless one is set.
    std::shared_ptr<const StationText> from;
    std::string from_path;
};

// What a generated station has, as the quality sweep reports it.
struct StationFigures {
    int32_t habitats = 0;        // habitat modules (nodes not counted)
    int32_t power = 0;           // power wings, solar wings and panels
    int32_t free_docking = 0;    // free docking ports
    int32_t twinned = 0;         // blocks with a twin (or themselves) at their image under the symmetry
    // Widest clearance between the geometry of two blocks whose free ports
    // face each other across less than 1 m (the ports' distance along their
    // direction less how far each block reaches past its port); -1: none.
    double closing_gap = -1;
    // Of those ports, the widest offset across their direction (0: on one axis).
    double closing_offset = 0;
    double extent[3] = {0, 0, 0};   // the station's box, metres
};

struct GeneratedStation {
    BlobStation station;       // the root first, every parameter written
    int64_t candidates = 0;    // blocks tried
    int64_t overlapping = 0;   // of those, turned down for overlapping
    int64_t overlapping_kept = 0;   // pairs of blocks in the result that overlap (checked again; always 0)
    int32_t layouts = 1;
    // True when the layout went on until the block count stopped it; false
    // when it ended short because nothing more fitted (boxed in by its own
    // blocks, or the budget).
    bool reached_count = true;
    int32_t largest_piece = 1;   // the most blocks of one piece and its twins (placed, or the one that halted)
    // Blocks taken back at the end so that every habitat has its power block
    // (the layout halted or ended between habitats and their power).
    int32_t taken_back = 0;
    SymmetrySetting symmetry;  // the symmetry it was laid out with
    StationFigures figures;
    // Empty when the symmetry and every constraint were met; otherwise one
    // line for each that was not, saying what was reached.
    std::vector<std::string> unmet;
};

// The style's own symmetry: core and ring radial:4, spine mirror, random none.
SymmetrySetting style_symmetry(StationStyle style);

// The style's name as the command line writes it ("core", "spine", "ring", "random").
const char* style_name(StationStyle style);
// Reads a style name; false for anything else.
bool parse_style(const std::string& text, StationStyle& style);

// Empty when the options can be generated; otherwise why not (the block count's range).
std::string generate_options_problem(const GenerateOptions& options);

// Generates the station of these options (which must pass
// generate_options_problem). Block shapes come from `cache`, which keeps them
// for later calls. It ends with about options.blocks blocks: a tenth above at
// most, or half a piece of twins, below only when nothing more fits; for one
// seed, style and symmetry the station of K blocks is a prefix of the station
// of any larger count (every block, parameter and link the same). The user's
// constraints are met or reported in `unmet`.
GeneratedStation generate_station(const GenerateOptions& options, ShapeCache& cache = ShapeCache::shared());

}  // namespace quilbet

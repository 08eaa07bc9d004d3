// Generation: the seed's random numbers, the palette, the style's layout.
#include "generate/generate.hpp"

#include <stdexcept>

#include "generate/designer.hpp"
#include "generate/styles.hpp"

namespace quilbet {
namespace {

// Layouts tried before the fullest one is taken.
constexpr int32_t max_layout_attempts = 8;

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

std::string generate_options_problem(const GenerateOptions& options) {
    if (options.blocks < 1 || options.blocks > max_generated_blocks) {
        return "the block count must lie between 1 and " + std::to_string(max_generated_blocks) + ", not " +
               std::to_string(options.blocks);
    }
    return {};
}

GeneratedStation generate_station(const GenerateOptions& options, ShapeCache& cache) {
    if (const std::string problem = generate_options_problem(options); !problem.empty()) {
        throw std::invalid_argument(problem);
    }
    // A layout that boxes itself in before it reaches four fifths of the
    // target is laid out again from the next stream of the seed; the style,
    // the count and the attempt go into the random state, so the styles of
    // one seed are not the same choices laid out differently.
    const int32_t enough = (4 * options.blocks + 4) / 5;
    GeneratedStation best;
    for (int32_t attempt = 0; attempt < max_layout_attempts; ++attempt) {
        const uint64_t salt = (static_cast<uint64_t>(attempt) << 40) | (static_cast<uint64_t>(options.style) << 32) |
                              static_cast<uint32_t>(options.blocks);
        SeededRandom rng(options.seed, salt);
        const Palette palette = draw_palette(rng);
        StationGrower grower(cache, options.blocks);
        Designer designer(grower, rng, palette);
        switch (options.style) {
        case StationStyle::core: grow_core(designer); break;
        case StationStyle::spine: grow_spine(designer); break;
        case StationStyle::ring: grow_ring(designer); break;
        case StationStyle::random: grow_random(designer); break;
        }
        best.layouts = attempt + 1;
        best.candidates += grower.tried();
        best.overlapping += grower.overlapped();
        if (attempt == 0 || grower.count() > static_cast<int32_t>(best.station.records.size())) {
            best.station = grower.to_blob();
        }
        if (grower.count() >= enough) break;
    }
    return best;
}

}  // namespace quilbet

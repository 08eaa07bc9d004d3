// Generation: the seed's random numbers, the palette, the style's layout.
#include "generate.hpp"

#include <stdexcept>

#include "designer.hpp"
#include "styles.hpp"

namespace quilbet {

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
    // The style and the count go into the random state, so that the styles of
    // one seed are not the same choices laid out differently.
    const uint64_t salt = (static_cast<uint64_t>(options.style) << 32) | static_cast<uint32_t>(options.blocks);
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
    GeneratedStation out;
    out.station = grower.to_blob();
    out.candidates = grower.tried();
    out.overlapping = grower.overlapped();
    return out;
}

}  // namespace quilbet

// The generator's quality sweep: 100 seeds per style at 40 blocks, with the
// style's own symmetry; per style the share of blocks with a twin, power
// blocks per habitat (and the stations with fewer power blocks than
// habitats), free docking ports (mean and least), the widest closing gap
// between two facing hulls (and the stations with two free ends facing
// across less than a metre) and the widest offset of such ends off one axis,
// the box's longest over shortest side, overlaps as the station survey finds
// them and description messages (these two must be 0), and the blocks.
// Not a test and not timed:  build/release/bench/generate_sweep [SEEDS] [BLOCKS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "generate/generate.hpp"
#include "generate/station_survey.hpp"
#include "station/validate.hpp"

using namespace quilbet;

int main(int argc, char** argv) {
    const int seeds = argc > 1 ? std::atoi(argv[1]) : 100;
    const int blocks = argc > 2 ? std::atoi(argv[2]) : 40;
    if (argc > 3 || seeds <= 0 || blocks <= 0) {
        std::fprintf(stderr, "usage: generate_sweep [SEEDS (default 100)] [BLOCKS (default 40)]\n");
        return 2;
    }
    std::printf("%-7s %7s %9s %8s %11s %12s %7s %12s %9s %9s %8s\n", "style", "twinned", "power/hab", "short", "docks(min)",
                "gap (closed)", "offset", "box long/sh", "overlaps", "messages", "blocks");
    for (StationStyle style : {StationStyle::core, StationStyle::spine, StationStyle::ring, StationStyle::random}) {
        double twinned = 0, power = 0, habitats = 0, docks = 0, gap = -1, offset = 0, proportion = 0, count = 0;
        int min_docks = 1 << 30, overlaps = 0, messages = 0, short_of_power = 0, closed = 0;
        for (int i = 0; i < seeds; ++i) {
            GenerateOptions o;
            o.style = style;
            o.seed = static_cast<uint64_t>(1000 + i);
            o.blocks = blocks;
            const GeneratedStation g = generate_station(o);
            const StationFigures& f = g.figures;
            const double n = static_cast<double>(g.station.records.size());
            twinned += f.twinned / n;
            const StationSurvey survey = survey_station(g.station);
            power += f.power;
            habitats += f.habitats;
            short_of_power += f.power < f.habitats ? 1 : 0;
            docks += survey.free_docking_ports;
            min_docks = std::min(min_docks, survey.free_docking_ports);
            gap = std::max(gap, f.closing_gap);
            offset = std::max(offset, f.closing_offset);
            closed += f.closing_gap >= 0 ? 1 : 0;
            const double lo = std::max(1.0, std::min({f.extent[0], f.extent[1], f.extent[2]}));
            proportion += std::max({f.extent[0], f.extent[1], f.extent[2]}) / lo;
            count += n;
            Diagnostics diag;
            validate_station(g.station, [](int32_t slot) { return std::to_string(slot); }, diag);
            messages += static_cast<int>(diag.list().size());
            overlaps += static_cast<int>(survey.overlaps.size());
        }
        std::printf("%-7s %6.0f%% %9.2f %8d %6.1f(%d) %7.3f(%3d) %7.3f %12.2f %9d %9d %8.1f\n", style_name(style), 100 * twinned / seeds,
                    habitats > 0 ? power / habitats : 0.0, short_of_power, docks / seeds, min_docks, gap, closed, offset, proportion / seeds,
                    overlaps, messages, count / seeds);
    }
    return 0;
}

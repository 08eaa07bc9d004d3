// Generated stations over many seeds, every style and block counts from 5 to
// 120: each passes the description checks without a message, builds, and has
// no two blocks that are not linked crossing each other; over all of them
// every block type appears. (How near a station ends to its count is the
// rule Generate.EveryStyleChecksCleanMeetsItsCountAndGrowsByPrefix checks.)
//
// The default run takes a few seeds per style; QUILBET_GENERATE_SWEEP=N runs
// N seeds per style (300 for the full sweep, some minutes):
//   QUILBET_GENERATE_SWEEP=300 build/release/test_generate --gtest_filter='Sweep.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <iostream>

#include "blocks/block_types.hpp"
#include "station_checks.hpp"

namespace quilbet {
namespace {

int32_t seeds_per_style() {
    const char* env = std::getenv("QUILBET_GENERATE_SWEEP");
    const int32_t n = env != nullptr ? std::atoi(env) : 0;
    return n > 0 ? n : 2;
}

// Block counts 5 .. 120 spread over the seeds by a stride prime to 116.
int32_t target_for(int32_t i) { return 5 + (i * 37) % 116; }

TEST(Sweep, EveryStationChecksBuildsAndHasNoCrossingBlocks) {
    const int32_t seeds = seeds_per_style();
    std::set<int32_t> seen_types;
    for (StationStyle style : {StationStyle::core, StationStyle::spine, StationStyle::ring, StationStyle::random}) {
        double least = 10, most = 0;   // block count / target
        int32_t laid_out_again = 0;
        for (int32_t i = 0; i < seeds; ++i) {
            GenerateOptions o;
            o.style = style;
            o.seed = static_cast<uint64_t>(1000 + i);
            o.blocks = target_for(i);
            const StationCheck c = check_generated(o, &test_module());
            const std::string who = describe_options(o);
            EXPECT_TRUE(c.messages.empty()) << who << ": " << c.messages.front();
            EXPECT_TRUE(c.built) << who << ": " << c.build_error;
            EXPECT_TRUE(c.crossings.empty()) << who << ": " << c.crossings.size() << " crossing pairs, first "
                                             << (c.crossings.empty() ? "" : c.crossings.front());
            seen_types.insert(c.types.begin(), c.types.end());
            const double ratio = static_cast<double>(c.blocks) / o.blocks;
            least = std::min(least, ratio);
            most = std::max(most, ratio);
            laid_out_again += c.layouts > 1 ? 1 : 0;
        }
        std::cout << "[ sweep    ] " << style_name(style) << ": blocks / target " << least << " to " << most << ", "
                  << laid_out_again << " of " << seeds << " laid out more than once\n";
    }
    std::cout << "[ sweep    ] " << seeds << " seeds per style, " << seen_types.size() << " of "
              << block_types().size() << " types seen\n";
    if (seeds >= 100) {
        for (const BlockTypeSpec& t : block_types()) EXPECT_TRUE(seen_types.count(t.btype())) << t.name << " never appears";
    }
}

}  // namespace
}  // namespace quilbet

// Generated stations without building them: every style over a table of
// seeds and block counts passes the description checks with no message and
// ends within a fifth of its target (never more than a tenth above); the same
// options give the same bytes, with a warm or a cold shape cache; other seeds
// give other stations; the generated examples come out byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "generate/generated_text.hpp"
#include "entry/blob.hpp"
#include "station_checks.hpp"

namespace quilbet {
namespace {

constexpr StationStyle all_styles[] = {StationStyle::core, StationStyle::spine, StationStyle::ring, StationStyle::random};

TEST(Generate, EveryStyleChecksCleanAndMeetsItsCount) {
    const int32_t targets[] = {1, 5, 12, 25, 40, 120, 200};
    for (StationStyle style : all_styles) {
        for (size_t i = 0; i < std::size(targets); ++i) {
            GenerateOptions o;
            o.style = style;
            o.seed = 31 + i;
            o.blocks = targets[i];
            const StationCheck c = check_generated(o, nullptr);
            const std::string who = describe_options(o);
            EXPECT_TRUE(c.messages.empty()) << who << ": " << c.messages.front();
            EXPECT_GE(c.blocks * 5, o.blocks * 4) << who << ": " << c.blocks << " blocks";
            EXPECT_LE(c.blocks, o.blocks + o.blocks / 10) << who << ": " << c.blocks << " blocks";
        }
    }
}

TEST(Generate, SameOptionsSameBytesOtherSeedsOtherStations) {
    for (StationStyle style : all_styles) {
        GenerateOptions o;
        o.style = style;
        o.seed = 12345678901234567ull;
        o.blocks = 30;
        generate_station(o);   // fills the shared cache with this station's shapes
        const GeneratedStation warm = generate_station(o);
        ShapeCache cold;
        const GeneratedStation fresh = generate_station(o, cold);
        EXPECT_EQ(generated_json(fresh.station, o), generated_json(warm.station, o)) << style_name(style);
        EXPECT_EQ(encode_blob(fresh.station), encode_blob(warm.station)) << style_name(style);
        GenerateOptions other = o;
        other.seed = o.seed + 1;
        EXPECT_NE(encode_blob(generate_station(other).station), encode_blob(warm.station))
            << style_name(style);
    }
}

TEST(Generate, StylesOfOneSeedDiffer) {
    std::set<std::vector<uint8_t>> blobs;
    for (StationStyle style : all_styles) {
        GenerateOptions o;
        o.style = style;
        o.seed = 5;
        blobs.insert(encode_blob(generate_station(o).station));
    }
    EXPECT_EQ(blobs.size(), std::size(all_styles));
}

// The examples say in their comment how they were generated.
TEST(Generate, ExamplesComeOutByteForByte) {
    const std::regex how("quilbet generate --seed ([0-9]+) --blocks ([0-9]+) --style ([a-z]+)");
    int32_t found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QUILBET_SOURCE_DIR) + "/examples")) {
        if (entry.path().filename().string().rfind("generated_", 0) != 0) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::smatch m;
        const std::string s = text.str();
        ASSERT_TRUE(std::regex_search(s, m, how)) << entry.path();
        GenerateOptions o;
        o.seed = std::stoull(m[1].str());
        o.blocks = std::stoi(m[2].str());
        ASSERT_TRUE(parse_style(m[3].str(), o.style)) << entry.path();
        EXPECT_EQ(generated_json(generate_station(o).station, o), s) << entry.path();
        ++found;
    }
    EXPECT_EQ(found, 3);
}

TEST(Generate, OptionsOutsideTheirRangesAreRefused) {
    for (int32_t blocks : {0, -1, max_generated_blocks + 1}) {
        GenerateOptions o;
        o.blocks = blocks;
        EXPECT_FALSE(generate_options_problem(o).empty()) << blocks;
        EXPECT_THROW(generate_station(o), std::invalid_argument) << blocks;
    }
    StationStyle s = StationStyle::core;
    for (StationStyle style : all_styles) {
        EXPECT_TRUE(parse_style(style_name(style), s));
        EXPECT_EQ(s, style);
    }
    EXPECT_FALSE(parse_style("Core", s));
    EXPECT_FALSE(parse_style("", s));
}

}  // namespace
}  // namespace quilbet

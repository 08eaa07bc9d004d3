// Generated stations without building them: every style over a table of
// seeds and block counts passes the description checks with no message,
// overlaps nothing, ends near its count and grows by prefix; the same
// options give the same bytes, with a warm or a cold shape cache; other seeds
// give other stations; the generated examples come out byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "blocks/block_types.hpp"
#include "generate/generated_text.hpp"
#include "generate/station_survey.hpp"
#include "station/load_station.hpp"
#include "station/validate.hpp"
#include "entry/blob.hpp"
#include "station_checks.hpp"

namespace quilbet {
namespace {

constexpr StationStyle all_styles[] = {StationStyle::core, StationStyle::spine, StationStyle::ring, StationStyle::random};

bool is_power_type(int32_t btype) {
    const BlockTypeSpec* t = find_block_type(btype);
    return t != nullptr && (t->category == Category::power || t->category == Category::solar);
}

// Record i of the smaller station, with its parameters and every link it
// has, is record i of the larger one (ports free in the smaller may be taken).
std::string prefix_problem(const BlobStation& small, const BlobStation& large) {
    if (small.records.size() > large.records.size()) return "the larger station has fewer blocks";
    for (size_t i = 0; i < small.records.size(); ++i) {
        const BlobRecord& a = small.records[i];
        const BlobRecord& b = large.records[i];
        bool same = a.btype == b.btype && a.params.size() == b.params.size();
        for (size_t k = 0; same && k < a.params.size(); ++k) {
            same = a.params[k].id == b.params[k].id && a.params[k].value == b.params[k].value;
        }
        if (!same) return "block " + std::to_string(i) + " differs";
        for (size_t k = 0; k < a.ports.size(); ++k) {
            if (a.ports[k].flag != 0 && (b.ports[k].flag == 0 || a.ports[k].block != b.ports[k].block ||
                                         a.ports[k].port != b.ports[k].port)) {
                return "block " + std::to_string(i) + " port " + std::to_string(k) + " is linked elsewhere";
            }
        }
    }
    return {};
}

// One sweep over styles, seeds and counts. Each station passes the
// description checks without a message and the survey finds no overlap. It
// ends within half its largest piece of twins of its count, or a tenth above
// (the designer halts at the first piece that would take it past the count
// unless that piece brings it nearer); below by up to a whole piece and the
// room it kept for the power its habitats lack when that room stopped it;
// below when nothing more fitted, which the generator says, or by the blocks
// it took back to keep a power block per habitat. From 25 blocks each
// station has a power block per habitat, from 40 a free docking port; a
// ring is closed, its corner nodes within a few centimetres of the rim. The
// station of K blocks is a prefix of the station of K + 10.
TEST(Generate, EveryStyleChecksCleanMeetsItsCountAndGrowsByPrefix) {
    const int32_t targets[] = {1, 5, 12, 25, 40, 60, 120, 200};
    for (StationStyle style : all_styles) {
        for (size_t i = 0; i < std::size(targets); ++i) {
            GenerateOptions o;
            o.style = style;
            o.seed = 31 + i;
            o.blocks = targets[i];
            const std::string who = describe_options(o);
            const GeneratedStation g = generate_station(o);
            const int32_t blocks = static_cast<int32_t>(g.station.records.size());
            Diagnostics diag;
            validate_station(g.station, [](int32_t slot) { return std::to_string(slot); }, diag);
            EXPECT_TRUE(diag.list().empty()) << who << ": " << diag.list().front().text;
            const StationSurvey survey = survey_station(g.station);
            EXPECT_TRUE(survey.overlaps.empty()) << who << ": blocks " << survey.overlaps.front().a << " and "
                                                 << survey.overlaps.front().b;
            const int32_t slack = std::max(o.blocks / 10, g.largest_piece / 2);
            EXPECT_LE(blocks, o.blocks + slack) << who << ": " << blocks << " blocks";
            int32_t power = 0;
            for (const BlobRecord& r : g.station.records) power += is_power_type(r.btype) ? 1 : 0;
            const int32_t kept_for_power = std::max(0, g.figures.habitats - power);
            if (g.reached_count) {
                const int32_t short_by = kept_for_power > 0 || g.taken_back > 0 ? g.largest_piece : g.largest_piece / 2;
                EXPECT_GE(blocks + kept_for_power + g.taken_back, o.blocks - short_by) << who << ": " << blocks << " blocks";
            }
            if (o.blocks >= 25) EXPECT_GE(power, g.figures.habitats) << who;
            if (o.blocks >= 40) EXPECT_GE(survey.free_docking_ports, 1) << who;
            if (style == StationStyle::ring) {
                // Hull to hull, -1 when open: closed from 25 blocks, the facing ends on one axis within a hand's width.
                EXPECT_LT(g.figures.closing_gap, 0.05) << who;
                EXPECT_LT(g.figures.closing_offset, 0.2) << who;
                if (o.blocks >= 25) EXPECT_GE(g.figures.closing_gap, 0.0) << who;
            }
            GenerateOptions more = o;
            more.blocks = std::min(o.blocks + 10, max_generated_blocks);
            EXPECT_EQ(prefix_problem(g.station, generate_station(more).station), "") << who;
        }
    }
}

// Constraints are met exactly, or the station is refused with one line per
// constraint missed, naming the option and what was reached; a maximum that
// stops a style's own pieces short of the count is such a line. A type no
// style places (the Test_Article) is placed where it fits.
TEST(Generate, ConstraintsAreMetOrRefusedSayingWhatWasReached) {
    const std::vector<std::vector<std::string>> asks = {
        {"--require", "Hab_B=2"}, {"--require", "habitats=3..5", "--docking", "4"}, {"--require", "Solar power=6.."},
        {"--docking", "0"}, {"--max-size", "60,60,60"}, {"--require", "Test_Article=1", "--docking", "9"},
        {"--max-size", "5,5,5"}, {"--require", "Test_Article=1"}, {"--require", "habitats=0..2"}};
    int32_t met = 0, refused = 0, test_articles = 0;
    for (StationStyle style : all_styles) {
        for (const std::vector<std::string>& ask : asks) {
            GenerateOptions o;
            o.style = style;
            o.seed = 77;
            o.blocks = 30;
            std::string who = style_name(style);
            for (size_t i = 0; i + 1 < ask.size(); i += 2) {
                who += " " + ask[i] + " " + ask[i + 1];
                std::string why;
                if (ask[i] == "--docking") o.constraints.docking = std::stoi(ask[i + 1]);
                if (ask[i] == "--max-size") ASSERT_TRUE(parse_max_size(ask[i + 1], o.constraints.max_size)) << who;
                o.constraints.has_max_size = o.constraints.has_max_size || ask[i] == "--max-size";
                if (ask[i] != "--require") continue;
                Requirement r;
                std::string range = ask[i + 1];
                if (range.size() > 2 && range.compare(range.size() - 2, 2, "..") == 0) range += "200";
                ASSERT_TRUE(parse_requirement(range, r, why)) << who << ": " << why;
                o.constraints.requirements.push_back(r);
            }
            const GeneratedStation g = generate_station(o);
            if (style == StationStyle::core && ask[1] == "habitats=0..2") EXPECT_FALSE(g.unmet.empty()) << who;
            if (!g.unmet.empty()) {
                ++refused;
                for (const std::string& line : g.unmet) {
                    EXPECT_TRUE(line.rfind("--require", 0) == 0 || line.rfind("--docking", 0) == 0 ||
                                line.rfind("--max-size", 0) == 0) << who << ": " << line;
                    EXPECT_NE(line.find("the s"), std::string::npos) << who << ": " << line;   // "the station has", "the smallest station is"
                }
                continue;
            }
            ++met;
            test_articles += ask.size() == 2 && ask[1] == "Test_Article=1" ? 1 : 0;
            const StationSurvey survey = survey_station(g.station);
            EXPECT_TRUE(survey.overlaps.empty()) << who;
            for (const Requirement& r : o.constraints.requirements) {
                int32_t n = 0;
                for (const BlobRecord& rec : g.station.records) n += r.counts(static_cast<BlockType>(rec.btype)) ? 1 : 0;
                EXPECT_TRUE(n >= r.min && n <= r.max) << who << ": " << n;
            }
            if (o.constraints.docking >= 0) EXPECT_EQ(survey.free_docking_ports, o.constraints.docking) << who;
            if (o.constraints.has_max_size) {
                const double m[3] = {o.constraints.max_size.x, o.constraints.max_size.y, o.constraints.max_size.z};
                for (int a = 0; a < 3; ++a) EXPECT_LE(survey.extent.hi[a] - survey.extent.lo[a], m[a] + 1e-6) << who;
            }
            if (ask[1] == "Solar power=6..") {   // the comment quotes a category written with a space
                EXPECT_NE(generated_json(g.station, o).find("--require \\\"Solar power=6..200\\\""), std::string::npos) << who;
            }
        }
    }
    EXPECT_GT(met, 0);
    EXPECT_GT(refused, 0);
    EXPECT_GE(test_articles, 3);
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

// Grown around a user's description, in every style: each of its blocks and
// links is written as it was (the description's own written form), the new
// blocks overlap nothing, and the same options give the same bytes with a
// cold cache.
TEST(Generate, FromKeepsTheUsersBlocksByteForByte) {
    for (const char* file : {"small_station.json", "habitats.json"}) {
        auto from = std::make_shared<StationText>();
        Diagnostics read;
        ASSERT_TRUE(load_station(std::string(QUILBET_SOURCE_DIR) + "/examples/" + file, *from, read)) << file;
        const nlohmann::ordered_json own = station_to_json(*from);
        for (StationStyle style : all_styles) {
            GenerateOptions o;
            o.style = style;
            o.blocks = 40;
            o.from = from;
            o.from_path = file;
            const std::string who = std::string(file) + " " + style_name(style);
            const GeneratedStation g = generate_station(o);
            ASSERT_TRUE(g.unmet.empty()) << who << ": " << g.unmet.front();
            const std::string text = generated_json(g.station, o);
            const nlohmann::ordered_json out = nlohmann::ordered_json::parse(text);
            EXPECT_GT(out["blocks"].size(), own["blocks"].size() + 10) << who;
            for (size_t i = 0; i < own["blocks"].size(); ++i) EXPECT_EQ(out["blocks"][i].dump(), own["blocks"][i].dump()) << who;
            for (const auto& [from_port, to_port] : own["links"].items()) EXPECT_EQ(out["links"][from_port], to_port) << who;
            Diagnostics diag;
            validate_station(g.station, [](int32_t slot) { return std::to_string(slot); }, diag);
            EXPECT_TRUE(diag.list().empty()) << who << ": " << diag.list().front().text;
            for (const BlockOverlap& v : survey_station(g.station).overlaps) {
                EXPECT_LT(v.b, static_cast<int32_t>(from->station.records.size())) << who << ": new block " << v.b << " overlaps " << v.a;
            }
            ShapeCache cold;
            EXPECT_EQ(generated_json(generate_station(o, cold).station, o), text) << who;
        }
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

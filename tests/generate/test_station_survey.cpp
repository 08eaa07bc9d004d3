// The station survey against what the host really receives: the estimated
// mesh groups are the built ones, the vertex estimate never falls short and
// pixels and work are the station budget's own, for every example (which
// describes without a message) and for a station near the host's group limit;
// generated stations survey without an overlap, and a wing whose girder runs
// through a habitat is reported with both ids.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "blocks/block_types.hpp"
#include "generate/generate.hpp"
#include "generate/station_survey.hpp"
#include "station/load_station.hpp"
#include "station/station_outputs.hpp"
#include "support/sanitizer_share.hpp"

namespace quilbet {
namespace {

// Eleven Power_wing_C chained face to face: 968 of the host's 1000 mesh groups.
std::string station_at_968_groups() {
    std::string blocks, links;
    for (int i = 0; i < 11; ++i) {
        const std::string id = "\"w" + std::to_string(i);
        blocks += (i ? ", {\"id\": " : "{\"id\": ") + id + "\", \"type\": \"Power_wing_C\"}";
        if (i > 0) links += (i > 1 ? ", \"w" : "\"w") + std::to_string(i - 1) + ".0\": " + id + ".1\"";
    }
    return "{\"blocks\": [" + blocks + "], \"links\": {" + links + "}}";
}

TEST(StationSurvey, AgreesWithTheBuildAndTheBudgetAndWarnsOfNothingForEveryExampleAndAStationAt968Groups) {
    std::vector<std::pair<std::string, std::string>> stations;   // name, description text
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QUILBET_SOURCE_DIR) + "/examples")) {
        if (entry.path().extension() != ".json") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        stations.push_back({entry.path().filename().string(), {std::istreambuf_iterator<char>(in), {}}});
    }
    // A check of figures, not of memory: the sanitizer build builds stations of
    // this size in the module's own budget tests and leaves this one out.
    if (!sanitized_build) stations.push_back({"968 groups", station_at_968_groups()});
    for (const auto& [name, text] : stations) {
        SCOPED_TRACE(name);
        StationText st;
        Diagnostics diag;
        ASSERT_TRUE(load_station_bytes(std::vector<uint8_t>(text.begin(), text.end()), false, st, diag));
        const StationSurvey s = survey_station(st.station);
        // What `describe` would print besides the figures: nothing.
        for (const Diagnostic& d : diag.list()) ADD_FAILURE() << d.text;
        for (const std::string& w : overlap_messages(s, st)) ADD_FAILURE() << w;

        BuildOptions opt;
        opt.glb = "unused.glb";
        std::vector<OutputFile> files;
        std::string error;
        HandedOver handed;
        ASSERT_TRUE(build_station_files(st.station, st.names, opt, files, error, &handed)) << error;
        EXPECT_EQ(s.blocks, static_cast<int64_t>(st.station.records.size()));
        EXPECT_EQ(s.figures.groups, handed.groups);
        if (name == "968 groups") {
            EXPECT_EQ(handed.groups, 968);
        }
        EXPECT_GE(s.figures.vertices, handed.vertices);
        for (int axis = 0; axis < 3; ++axis) EXPECT_GT(s.extent.hi[axis], s.extent.lo[axis]);
        // The pixels and work shown are those the module's station budget checks.
        BuildFigures budget;
        for (const BlobRecord& r : st.station.records) {
            budget += block_build_figures(type_instance(*find_block_type(r.btype), r.params));
        }
        EXPECT_EQ(s.figures.pixels, budget.pixels);
        EXPECT_EQ(s.figures.work, budget.work);
    }
}

TEST(StationSurvey, GeneratedStationsOverlapNothingAndACrossingIsNamed) {
    for (StationStyle style : {StationStyle::core, StationStyle::spine, StationStyle::ring, StationStyle::random}) {
        GenerateOptions o;
        o.style = style;
        o.seed = 5;
        o.blocks = 30;
        const StationSurvey s = survey_station(generate_station(o).station);
        EXPECT_TRUE(s.overlaps.empty()) << style_name(style) << ": blocks " << s.overlaps.front().a << " and "
                                        << s.overlaps.front().b;
        EXPECT_GE(s.free_docking_ports + s.habitats, 1) << style_name(style);
    }
    // A power wing whose hub girder runs through the habitat its truss hangs
    // from and whose panels cut the solar wing. Its panels' leaf boxes also
    // take in the node, the other habitat and the docking port, which its
    // surfaces pass clear of: those are not named.
    StationText st;
    Diagnostics diag;
    const std::string text = R"({"blocks": [{"id": "node", "type": "Hab_Node_A"},
        {"id": "hab", "type": "Hab_A", "params": {"Windows": 2, "Round": true, "Length": 10}}, {"id": "dock", "type": "DG_Hab_Port"},
        {"id": "lab", "type": "Hab_B", "params": {"Length": 8}}, {"id": "truss", "type": "Truss_A", "params": {"Block_count": 3}},
        {"id": "power", "type": "Power_wing_A", "params": {"Panel rotation": 0.3}}, {"id": "solar", "type": "Solar_wing_A"}],
        "links": {"node.0": "hab.1", "hab.0": "dock.0", "node.1": "lab.0", "lab.2": "truss.1", "truss.4": "power.1", "truss.0": "solar.0"}})";
    ASSERT_TRUE(parse_station_json(text, st, diag) && validate_station_text(st, diag));
    const StationSurvey crossing = survey_station(st.station);
    const std::vector<std::string> warnings = overlap_messages(crossing, st);
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("\"lab\" and \"power\""), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("\"power\" and \"solar\""), std::string::npos) << warnings[1];
}

}  // namespace
}  // namespace quilbet

// The station survey against what the host really receives: the estimated
// mesh groups are the built ones and the vertex estimate never falls short,
// for every example; generated stations survey without an overlap, and a wing
// whose girder runs through a habitat is reported with both ids.
#include <gtest/gtest.h>

#include <filesystem>

#include "generate/generate.hpp"
#include "generate/station_survey.hpp"
#include "station/load_station.hpp"
#include "station/station_outputs.hpp"

namespace quilbet {
namespace {

TEST(StationSurvey, AgreesWithTheBuildOfEveryExample) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QUILBET_SOURCE_DIR) + "/examples")) {
        if (entry.path().extension() != ".json") continue;
        const std::string name = entry.path().filename().string();
        StationText st;
        Diagnostics diag;
        ASSERT_TRUE(load_station(entry.path().string(), st, diag)) << name;
        const StationSurvey s = survey_station(st.station);
        BuildOptions opt;
        opt.glb = "unused.glb";
        std::vector<OutputFile> files;
        std::string error;
        HandedOver handed;
        ASSERT_TRUE(build_station_files(st.station, st.names, opt, files, error, &handed)) << name << ": " << error;
        EXPECT_EQ(s.blocks, static_cast<int64_t>(st.station.records.size())) << name;
        EXPECT_EQ(s.figures.groups, handed.groups) << name;
        EXPECT_GE(s.figures.vertices, handed.vertices) << name;
        for (int axis = 0; axis < 3; ++axis) EXPECT_GT(s.extent.hi[axis], s.extent.lo[axis]) << name;
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
    // A power wing whose hub girder runs through the habitat its truss hangs from.
    StationText st;
    Diagnostics diag;
    const std::string text = R"({"blocks": [{"id": "lab", "type": "Hab_B", "params": {"Length": 8}},
        {"id": "truss", "type": "Truss_A", "params": {"Block_count": 3}}, {"id": "power", "type": "Power_wing_A"}],
        "links": {"lab.2": "truss.1", "truss.4": "power.1"}})";
    ASSERT_TRUE(parse_station_json(text, st, diag) && validate_station_text(st, diag));
    const StationSurvey crossing = survey_station(st.station);
    const std::vector<std::string> warnings = overlap_messages(crossing, st);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("\"lab\" and \"power\""), std::string::npos) << warnings[0];
}

}  // namespace
}  // namespace quilbet

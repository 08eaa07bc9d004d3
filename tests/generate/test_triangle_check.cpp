// The independent overlap check itself: crossing, touching and apart
// triangles, and whole stations built by the module, one with two power wings
// on neighbouring bays (they overlap) and the hand-made examples (they do not).
#include <gtest/gtest.h>

#include <string>

#include "station/load_station.hpp"
#include "station/station_runner.hpp"
#include "station_checks.hpp"
#include "triangle_check.hpp"

namespace quilbet {
namespace {

struct T3 {
    double v[3][3];
};

TEST(TrianglesCross, CasesByTable) {
    const T3 flat = {{{-1, -1, 0}, {2, -1, 0}, {-1, 2, 0}}};
    struct Case {
        const char* what;
        T3 other;
        bool cross;
    } cases[] = {
        {"pierces through the middle", {{{0, 0, -1}, {0.5, 0, 1}, {0, 0.5, 1}}}, true},
        {"stands on the face", {{{0, 0, 0}, {0.5, 0, 1}, {0, 0.5, 1}}}, false},
        {"lies within a tolerance above it", {{{0, 0, 0.0005}, {0.5, 0, 1}, {0, 0.5, 1}}}, false},
        {"sinks deeper than the tolerance", {{{0, 0, -0.01}, {0.5, 0, 1}, {0, 0.5, 1}}}, true},
        {"coplanar and overlapping", {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}, false},
        {"crosses the plane beside the triangle", {{{5, 5, -1}, {6, 5, 1}, {5, 6, 1}}}, false},
        {"edge meets edge", {{{2, -1, -1}, {2, -1, 1}, {3, -1, 0}}}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(triangles_cross(flat.v, c.other.v, 1e-3), c.cross) << c.what;
        EXPECT_EQ(triangles_cross(c.other.v, flat.v, 1e-3), c.cross) << c.what << " (swapped)";
    }
}

std::vector<BlockPair> crossings_of(const std::string& json) {
    StationText st;
    Diagnostics diag;
    EXPECT_TRUE(load_station_bytes(std::vector<uint8_t>(json.begin(), json.end()), false, st, diag));
    BuildResult r;
    std::string error;
    EXPECT_TRUE(run_station(test_module(), encode_blob(st.station), r, error)) << error;
    return crossing_blocks(test_module().station(), 1e-3);
}

TEST(CrossingBlocks, FindsWingsOnNeighbouringBaysAndSkipsLinkedBlocks) {
    // Both wings are linked to the girder, not to each other.
    const std::vector<BlockPair> found = crossings_of(R"({
      "blocks": [ { "id": "t", "type": "Truss_A", "params": { "Block_count": 7 } },
                  { "id": "w1", "type": "Power_wing_A" }, { "id": "w2", "type": "Power_wing_A" } ],
      "links": { "t.12": "w1.1", "t.16": "w2.1" } })");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].a, 1);
    EXPECT_EQ(found[0].b, 2);

    // The same wings on opposite faces of one bay keep apart.
    EXPECT_TRUE(crossings_of(R"({
      "blocks": [ { "id": "t", "type": "Truss_A", "params": { "Block_count": 7 } },
                  { "id": "w1", "type": "Power_wing_A" }, { "id": "w2", "type": "Power_wing_A" } ],
      "links": { "t.12": "w1.1", "t.13": "w2.1" } })").empty());
}

}  // namespace
}  // namespace quilbet

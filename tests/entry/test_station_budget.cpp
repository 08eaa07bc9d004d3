// The station budget: descriptions within every per-field limit that would
// still overwhelm the host are refused before anything is built, the previous
// station kept; the largest stations within it build and hand over whole.
#include <gtest/gtest.h>

#include <functional>

#include "entry/mesh_handover.hpp"
#include "entry/station_budget.hpp"
#include "entry_support.hpp"

namespace quilbet::test {
namespace {

// n blocks of one type chained end to end: port a of block i to port b of block i + 1.
std::vector<int32_t> chain(int32_t n, int32_t type, int32_t nports, int32_t a, int32_t b,
                           std::vector<std::pair<int32_t, double>> params = {}) {
    std::vector<Rec> recs;
    for (int32_t i = 0; i < n; ++i) {
        Rec r{i, type, params, std::vector<std::array<int32_t, 3>>(static_cast<size_t>(nports), free_port())};
        if (i + 1 < n) r.ports[static_cast<size_t>(a)] = link(i + 1, b);
        if (i > 0) r.ports[static_cast<size_t>(b)] = link(i - 1, a);
        recs.push_back(std::move(r));
    }
    return make_blob(n, recs);
}

// habitats Hab_A chained through their axial ports, a DG_Hab_Port on the last.
std::vector<int32_t> habitats_then_dock(int32_t habitats) {
    std::vector<Rec> recs;
    for (int32_t i = 0; i < habitats; ++i) {
        Rec r{i, 51, {}, std::vector<std::array<int32_t, 3>>(6, free_port())};
        r.ports[0] = link(i + 1, i + 1 < habitats ? 1 : 0);
        if (i > 0) r.ports[1] = link(i - 1, 0);
        recs.push_back(std::move(r));
    }
    recs.push_back({habitats, 55, {}, {link(habitats - 1, 0), free_port()}});
    return make_blob(habitats + 1, recs);
}

TEST(StationBudget, OverwhelmingStationsAreRefusedAndThePreviousKept) {
    struct Row {
        const char* what;
        const char* budget;   // the words the refusal must contain
        std::vector<int32_t> blob;
    };
    const Row rows[] = {
        {"150 Power_wing_C", "13200 mesh groups", chain(150, 13, 2, 0, 1)},
        {"1024 Power_wing_C", "mesh groups", chain(1024, 13, 2, 0, 1)},
        {"120 Power_wing_C", "10560 mesh groups", chain(120, 13, 2, 0, 1)},
        {"12 Power_wing_C", "1056 mesh groups", chain(12, 13, 2, 0, 1)},
        {"1000 Truss_B of 64 bays, 1000 m", "vertices", chain(1000, 42, 258, 0, 1, {{1, 1000.0}, {2, 64.0}})},
        {"250 Hab_A and a DG_Hab_Port", "mesh groups", habitats_then_dock(250)},
        {"35 Hab_A", "build work", chain(35, 51, 6, 0, 1)},
    };
    TestModule t;
    const auto previous = make_blob(2, {{0, 71, {}, {free_port(), link(1, 0)}}, {1, 81, {}, {link(0, 1)}}});
    VesselCall base(t.m, previous);
    ASSERT_TRUE(t.lines.empty());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        t.lines.clear();
        VesselCall call(t.m, row.blob);
        ASSERT_EQ(t.lines.size(), 1u);
        EXPECT_NE(t.lines[0].find("station budget"), std::string::npos) << t.lines[0];
        EXPECT_NE(t.lines[0].find(row.budget), std::string::npos) << t.lines[0];
        EXPECT_NE(t.lines[0].find("previous station kept"), std::string::npos);
        EXPECT_EQ(t.m.station().block_count, 2);
        EXPECT_EQ(t.m.station().blocks[1].btype, 81);
        EXPECT_EQ(call.p, base.p);
    }
}

TEST(StationBudget, LargestStationsWithinItBuildAndHandOverWhole) {
    TestModule t;
    InProcessHost host;
    t.m.initint(host.table());
    // 11 Power_wing_C: 968 groups, the most groups that fit.
    VesselCall call(t.m, chain(11, 13, 2, 0, 1));
    ASSERT_TRUE(t.lines.empty()) << t.lines[0];
    t.m.make_vesselmesh(host.mesh());
    ASSERT_TRUE(t.lines.empty()) << t.lines[0];
    EXPECT_EQ(station_group_count(t.m.station()), 968);
    EXPECT_EQ(host.group(967).flags, 0u);
    EXPECT_EQ(host.group(968).flags, 2u);
}

TEST(StationBudget, UnknownTypeClearsTheStationAndSaysWhy) {
    TestModule t;
    VesselCall call(t.m, make_blob(2, {{0, 71, {}, {free_port(), link(1, 0)}}, {1, 77}}));
    ASSERT_EQ(t.lines.size(), 1u);
    EXPECT_NE(t.lines[0].find("type id 77 is not in the catalogue"), std::string::npos) << t.lines[0];
    EXPECT_EQ(t.m.station().root, -1);
    EXPECT_EQ(call.i32(852), 0);
}

TEST(StationBudget, ProblemNamesTheFirstBudgetExceeded) {
    EXPECT_EQ(station_budget_problem(station_budget), "");
    BuildFigures over = station_budget;
    over.work += 1000;
    EXPECT_NE(station_budget_problem(over).find("build work"), std::string::npos);
    over.vertices += 1;
    EXPECT_NE(station_budget_problem(over).find("1000001 vertices"), std::string::npos);
}

}  // namespace
}  // namespace quilbet::test

// Growing a station: a kept block's port meets its parent's port, facing it;
// what does not fit (taken port, other kind, overlap, budget) changes nothing;
// rolling back frees the ports and the figures again.
#include <gtest/gtest.h>

#include "entry/station_budget.hpp"
#include "generate/station_grower.hpp"
#include "generate/station_palette.hpp"

namespace quilbet {
namespace {

BlockChoice girder(int32_t bays) { return default_choice(BlockType::truss_a).set(param::bay_count, bays); }

TEST(StationGrower, KeptBlocksMeetTheirParentsPort) {
    ShapeCache cache;
    StationGrower g(cache, 10);
    g.start(default_choice(BlockType::hab_node_a));
    const int32_t hab = g.attach({0, 4}, default_choice(BlockType::hab_b), 1);
    ASSERT_GE(hab, 0);
    const int32_t truss = g.attach({hab, 3}, girder(3), 1);
    ASSERT_GE(truss, 0);
    const int32_t tank = g.attach({truss, 0}, default_choice(BlockType::tank_a), 0);
    ASSERT_GE(tank, 0);
    for (const auto& [parent, child] : {std::pair{PortRef{0, 4}, PortRef{hab, 1}}, std::pair{PortRef{hab, 3}, PortRef{truss, 1}},
                                        std::pair{PortRef{truss, 0}, PortRef{tank, 0}}}) {
        const Vec3 a = g.port_position(parent), b = g.port_position(child);
        const Vec3 da = g.port_direction(parent), db = g.port_direction(child);
        EXPECT_NEAR(a.x, b.x, 1e-9);
        EXPECT_NEAR(a.y, b.y, 1e-9);
        EXPECT_NEAR(a.z, b.z, 1e-9);
        EXPECT_NEAR(da.x + db.x, 0, 1e-9);
        EXPECT_NEAR(da.y + db.y, 0, 1e-9);
        EXPECT_NEAR(da.z + db.z, 0, 1e-9);
    }
    const BlobStation blob = g.to_blob();
    ASSERT_EQ(blob.records.size(), 4u);
    EXPECT_EQ(blob.records[2].ports[1].flag, 1);
    EXPECT_EQ(blob.records[2].ports[1].block, hab);
    EXPECT_EQ(blob.records[1].ports[3].block, truss);
}

TEST(StationGrower, RefusalsChangeNothing) {
    ShapeCache cache;
    StationGrower g(cache, 10);
    g.start(girder(7));
    ASSERT_GE(g.attach({0, 12}, default_choice(BlockType::power_wing_a), 1), 0);
    const BuildFigures before = g.figures();
    struct Case {
        const char* what;
        PortRef at;
        BlockChoice choice;
        int32_t child_port;
        AttachResult why;
    } cases[] = {
        {"port taken", {0, 12}, default_choice(BlockType::power_wing_a), 1, AttachResult::port_taken},
        {"kinds differ", {0, 0}, default_choice(BlockType::power_wing_a), 1, AttachResult::kinds_differ},
        {"no such child port", {0, 0}, default_choice(BlockType::tank_a), 5, AttachResult::kinds_differ},
        {"wing on the next bay", {0, 16}, default_choice(BlockType::power_wing_a), 1, AttachResult::overlaps},
        {"wing through the girder", {0, 10}, default_choice(BlockType::power_wing_a), 2, AttachResult::overlaps},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(g.attach(c.at, c.choice, c.child_port), -1) << c.what;
        EXPECT_EQ(g.last_result(), c.why) << c.what;
        EXPECT_EQ(g.count(), 2) << c.what;
        EXPECT_EQ(g.figures().work, before.work) << c.what;
    }
    EXPECT_TRUE(g.port_free({0, 16}));
}

// Habitats end to end while the budget lets the grower (or, with
// use_reserve, the affordable() check) take one more; how many it took.
int32_t habitat_chain(StationGrower& g, bool use_reserve) {
    const BlockChoice hab = default_choice(BlockType::hab_a);
    g.start(hab);
    int32_t last = 0;
    while (!use_reserve || g.affordable(hab)) {
        const int32_t next = g.attach({last, 0}, hab, 1);
        if (next < 0) break;
        last = next;
    }
    return g.count();
}

TEST(StationGrower, BudgetRefusesAndKeepsAReserveForBlocksToCome) {
    ShapeCache cache;
    StationGrower unbounded(cache, 1);
    const int32_t most = habitat_chain(unbounded, false);
    EXPECT_EQ(unbounded.last_result(), AttachResult::over_budget);
    EXPECT_TRUE(station_budget_problem(unbounded.figures()).empty());
    BuildFigures one_more = unbounded.figures();
    one_more += choice_figures(default_choice(BlockType::hab_a));
    EXPECT_FALSE(station_budget_problem(one_more).empty());

    // Aiming at 150 blocks, the habitats stop early enough that the other
    // blocks still fit, each with its reserve.
    StationGrower planned(cache, 150);
    const int32_t taken = habitat_chain(planned, true);
    EXPECT_LT(taken, most);
    BuildFigures rest = planned.figures();
    for (int32_t i = taken; i < 150; ++i) rest += reserve_per_block;
    EXPECT_TRUE(station_budget_problem(rest).empty());
}

TEST(StationGrower, RollbackFreesPortsAndFigures) {
    ShapeCache cache;
    StationGrower g(cache, 10);
    g.start(default_choice(BlockType::hab_node_a));
    const BuildFigures root = g.figures();
    const int32_t mark = g.mark();
    const int32_t hab = g.attach({0, 0}, default_choice(BlockType::hab_c), 1);
    ASSERT_GE(g.attach({hab, 0}, default_choice(BlockType::dg_hab_port), 0), 0);
    g.rollback(mark);
    EXPECT_EQ(g.count(), 1);
    EXPECT_TRUE(g.port_free({0, 0}));
    EXPECT_EQ(g.figures().work, root.work);
    EXPECT_EQ(g.figures().groups, root.groups);
    EXPECT_GE(g.attach({0, 0}, default_choice(BlockType::hab_c), 1), 0);
}

}  // namespace
}  // namespace quilbet

// make_vessel: the parse into the block table, the vessel definition and the
// walk for habitats and docking ports, as the host receives them.
#include <gtest/gtest.h>

#include <cmath>

#include "entry_support.hpp"
#include "support/vec_checks.hpp"

namespace quilbet::test {
namespace {

constexpr int32_t tank_a = 71;
constexpr int32_t hab_a = 51;
constexpr int32_t hab_b = 52;
constexpr int32_t hab_c = 54;
constexpr int32_t dg_hab_port = 55;
constexpr int32_t aux_port_a = 81;

TEST(StationBuild, OneBlockStationSitsAtTheOriginWithBaseCounts) {
    TestModule t;
    VesselCall call(t.m, make_blob(1, {{0, tank_a}}));
    const Station& st = t.m.station();
    ASSERT_EQ(st.block_count, 1);
    EXPECT_EQ(st.root, 0);
    const blocktyp& b = st.blocks[0];
    EXPECT_TRUE(b.live);
    EXPECT_EQ(b.btype, tank_a);
    EXPECT_EQ(b.id, 0);
    EXPECT_EQ(b.pos.x, 0.0);
    EXPECT_EQ(b.pos.y, 0.0);
    EXPECT_EQ(b.pos.z, 0.0);
    EXPECT_EQ(b.rot.w, 1.0);
    EXPECT_EQ(b.rot.x, 0.0);
    EXPECT_GT(b.msh.grpcnt, 0);

    // Counts of the definition the host received, and the host lists behind them.
    const int32_t expected[9] = {2, 20, 21, 1, 0, 0, 0, 0, 0};
    const std::size_t count_at[9] = {820, 824, 832, 836, 840, 844, 848, 852, 856};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(call.i32(count_at[k]), expected[k]) << "list " << k;
        EXPECT_EQ(list_length(call.v.list[k]), expected[k]) << "list " << k;
        if (expected[k] > 0) {
            EXPECT_EQ(list_refcount(call.v.list[k]), 1);
        }
    }
    EXPECT_EQ(call.i32(828), 15);
    EXPECT_TRUE(t.lines.empty());
}

TEST(StationBuild, DefinitionBytesAreIdenticalFromBuildToBuild) {
    TestModule t;
    const auto blob = make_blob(2, {{0, tank_a, {{1, 12.0}}, {link(1, 0)}}, {1, tank_a, {}, {link(0, 0)}}});
    VesselCall first(t.m, blob);
    VesselCall second(t.m, blob);
    EXPECT_EQ(first.p, second.p);
    for (int k = 0; k < 4; ++k) {
        const std::size_t n = vessel_entry_size[k] * static_cast<std::size_t>(list_length(first.v.list[k]));
        ASSERT_EQ(list_length(first.v.list[k]), list_length(second.v.list[k]));
        EXPECT_EQ(std::memcmp(first.v.list[k], second.v.list[k], n), 0) << "list " << k;
        // The host owns copies: its lists are not the module's.
        EXPECT_NE(first.v.list[k], t.m.vessel().data.list[k]);
    }
}

TEST(StationBuild, HeaderValuesSitAtTheirOffsets) {
    TestModule t;
    VesselCall call(t.m, make_blob(1, {{0, tank_a}}));
    EXPECT_EQ(static_cast<uint32_t>(call.i32(0)), 0xAEAADBDCu);
    for (std::size_t base : {std::size_t{4}, std::size_t{259}}) {
        EXPECT_EQ(std::memcmp(call.p.data() + base, "station_vrt", 11), 0);
        for (std::size_t i = 11; i < 255; ++i) ASSERT_EQ(call.p[base + i], 0) << base + i;
    }
    EXPECT_EQ(call.p[760], 255);
    EXPECT_EQ(call.p[761], 33);
    EXPECT_EQ(call.p[762], 51);
    EXPECT_EQ(call.p[763], 196);
    EXPECT_EQ(call.f64(520), 100.0);
    EXPECT_EQ(call.f64(528), 11000.0);
    EXPECT_EQ(call.vec(560).y, 186.9);
    // No habitat: the constant habitat position stays.
    EXPECT_EQ(call.vec(680).y, 1.467);
    EXPECT_EQ(call.vec(680).z, 6.782);
    EXPECT_EQ(call.f64(808), 0.0015);
    EXPECT_EQ(call.i32(752), 1);
    EXPECT_EQ(call.i32(756), 4);

    // List entries: values, the constant fields and the unused group ids.
    EXPECT_EQ(call.entry_f64(0, 0, 0), 12900.0);
    EXPECT_EQ(call.entry_f64(0, 1, 0), 600.0);
    EXPECT_EQ(call.entry_vec(1, 2, 24).z, -0.99911317);
    EXPECT_EQ(call.entry_f64(1, 2, 48), 34000.0);
    EXPECT_EQ(call.entry_f64(1, 19, 48), 5000.0);
    EXPECT_EQ(call.entry_f64(1, 0, 72), 101400.0);
    EXPECT_EQ(call.entry_i32(1, 10, 84), 3);
    EXPECT_EQ(call.entry_i32(1, 10, 88), 11);
    EXPECT_EQ(call.entry_i32(1, 10, 92), 9999);
    EXPECT_EQ(call.entry_i32(1, 0, 116 - 4), 9999);
    EXPECT_EQ(call.entry_i32(2, 4, 8), 1);
    EXPECT_EQ(call.entry_vec(2, 6, 32).x, 3.0);
    EXPECT_EQ(call.entry_i32(2, 20, 0), 19);
    EXPECT_EQ(call.entry_f64(2, 20, 16), 0.7);
    EXPECT_EQ(call.entry_i32(3, 0, 256), 1);
    EXPECT_EQ(call.entry_i32(3, 0, 260), 0);
    EXPECT_EQ(call.entry_i32(3, 0, 264), 3);
}

TEST(StationBuild, FirstRecordNamesTheRoot) {
    TestModule t;
    VesselCall call(t.m, make_blob(4, {{3, tank_a, {}, {free_port(), link(0, 0)}}, {0, tank_a, {}, {link(3, 1)}}}));
    const Station& st = t.m.station();
    EXPECT_EQ(st.root, 3);
    EXPECT_EQ(st.block_count, 4);
    EXPECT_FALSE(st.blocks[1].live);
    EXPECT_FALSE(st.blocks[2].live);
    expect_vec_near(st.blocks[3].pos, {0, 0, 0});
    // Tank_A's far port at (0, 0, 10) meets the second tank's base port.
    expect_vec_near(st.blocks[0].pos, {0, 0, 10});
}

TEST(StationBuild, ProgressIsReportedNPlusOneTimes) {
    TestModule t;
    std::vector<std::pair<int32_t, double>> seen;
    t.m.set_progress_callback([&](int32_t phase, double f) { seen.emplace_back(phase, f); });
    VesselCall call(t.m, make_blob(3, {{0, tank_a}, {1, tank_a}, {2, tank_a}}));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], std::make_pair(1, 0.0));
    EXPECT_EQ(seen[1], std::make_pair(1, 1.0 / 3.0));
    EXPECT_EQ(seen[2], std::make_pair(1, 2.0 / 3.0));
    EXPECT_EQ(seen[3], std::make_pair(1, 1.0));

    // An unknown type stops the parse: 0.0 and the blocks before it.
    seen.clear();
    VesselCall stop(t.m, make_blob(3, {{0, tank_a}, {1, 12345}, {2, tank_a}}));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].second, 1.0 / 3.0);
}

TEST(StationBuild, CatalogueProgressAtStartUp) {
    Module m;
    std::vector<double> fractions;
    m.set_diagnostic_sink({});
    m.set_progress_callback([&](int32_t phase, double f) {
        EXPECT_EQ(phase, 0);
        fractions.push_back(f);
    });
    ASSERT_TRUE(m.startup(StartupOptions{false}));
    ASSERT_EQ(fractions.size(), 26u);
    EXPECT_EQ(fractions.front(), 1.0 / 26.0);
    EXPECT_EQ(fractions.back(), 1.0);
}

TEST(StationBuild, HabitatsAddUpAndTheLastHabAOrHabCSetsThePosition) {
    TestModule t;
    // Hab_A 0 --(0,1)-- Hab_B 1 --(0,1)-- Hab_A 2, walked in this order.
    VesselCall call(t.m, make_blob(3, {{0, hab_a, {}, {link(1, 1)}},
                                       {1, hab_b, {}, {link(2, 1), link(0, 0)}},
                                       {2, hab_a, {}, {free_port(), link(1, 0)}}}));
    const Station& st = t.m.station();
    expect_vec_near(st.blocks[2].pos, {0, 0, 16}, 1e-6);
    EXPECT_EQ(call.i32(856), 1);  // counts list 8 now
    ASSERT_EQ(list_length(call.v.list[8]), 1);
    EXPECT_EQ(call.entry_i32(8, 0, 72), 7);
    const Vec3 hp = call.vec(680);
    EXPECT_EQ(hp.x, st.blocks[2].pos.x);
    EXPECT_EQ(hp.y, st.blocks[2].pos.y);
    EXPECT_EQ(hp.z, st.blocks[2].pos.z);
    // No docking port: the origin, +y and the extent 2.
    expect_vec_near(call.entry_vec(8, 0, 0), {0, 0, 0}, 0);
    expect_vec_near(call.entry_vec(8, 0, 24), {0, 1, 0}, 0);
    expect_vec_near(call.entry_vec(8, 0, 48), {2, 2, 2}, 0);
    EXPECT_EQ(call.i32(852), 0);
}

TEST(StationBuild, HabCCountsThreeAndADockingPortPlacesTheHabitatEntry) {
    TestModule t;
    // Hab_C's +z habitat port linked to a DG_Hab_Port whose kind-11 port stays free.
    VesselCall call(t.m, make_blob(2, {{0, hab_c, {}, {link(1, 0)}}, {1, dg_hab_port, {}, {link(0, 0)}}}));
    EXPECT_EQ(call.entry_i32(8, 0, 72), 3);
    ASSERT_EQ(call.i32(852), 1);
    ASSERT_EQ(list_length(call.v.list[7]), 1);
    const Vec3 dock = call.entry_vec(7, 0, 0);
    expect_vec_near(call.entry_vec(8, 0, 0), dock, 0);
    expect_vec_near(call.entry_vec(8, 0, 24), call.entry_vec(7, 0, 24), 0);
    EXPECT_GT(dock.z, 4.0);  // beyond Hab_C's +z end
}

TEST(StationBuild, FreeKind11PortsBecomeDockingPortsLinkedOnesDoNot) {
    TestModule t;
    {
        VesselCall call(t.m, make_blob(1, {{0, aux_port_a, {{1, 6.0}}}}));
        ASSERT_EQ(call.i32(852), 1);
        expect_vec_near(call.entry_vec(7, 0, 0), {0, 0, 8.5});
        expect_vec_near(call.entry_vec(7, 0, 24), {0, 0, 1});
        expect_vec_near(call.entry_vec(7, 0, 48), {0, 1, 0});
        EXPECT_EQ(list_length(call.v.list[8]), 0);
        EXPECT_EQ(call.i32(856), 0);
    }
    {
        VesselCall call(t.m, make_blob(2, {{0, aux_port_a, {}, {free_port(), link(1, 1)}},
                                           {1, aux_port_a, {}, {free_port(), link(0, 1)}}}));
        EXPECT_EQ(call.i32(852), 0);
        EXPECT_EQ(list_length(call.v.list[7]), 0);
    }
    {
        // A docking port turned by its block: the second port block hangs
        // off the first one's kind-2 base, so its world direction differs.
        VesselCall call(t.m, make_blob(2, {{0, 41, {}, {free_port(), free_port(), link(1, 0)}},
                                           {1, aux_port_a, {}, {link(0, 2)}}}));
        ASSERT_EQ(call.i32(852), 1);
        expect_vec_near(call.entry_vec(7, 0, 24), {1, 0, 0}, 1e-9);
    }
}

TEST(StationBuild, UnknownTypeClearsTheStation) {
    TestModule t;
    VesselCall good(t.m, make_blob(1, {{0, aux_port_a}}));
    ASSERT_EQ(t.m.station().root, 0);
    VesselCall call(t.m, make_blob(2, {{0, tank_a}, {1, 777}}));
    EXPECT_EQ(t.m.station().root, -1);
    EXPECT_EQ(t.m.station().block_count, 0);
    EXPECT_EQ(call.i32(820), 2);
    EXPECT_EQ(call.i32(852), 0);
    EXPECT_EQ(list_length(call.v.list[7]), 0);
}

TEST(StationBuild, ParameterValuesByIdAndUnknownIdsSkipped) {
    TestModule t;
    // Solar_Panel_A with 19 rows (outside the catalogue range, inside the hard
    // limit) and a parameter id it lacks.
    VesselCall call(t.m, make_blob(1, {{0, 31, {{3, 19.0}, {42, 5.0}}}}));
    EXPECT_TRUE(t.lines.empty());
    EXPECT_EQ(param_int(t.m.station().blocks[0], 3), 19);
    EXPECT_EQ(param_value(t.m.station().blocks[0], 42), 0.0);
}

TEST(StationBuild, RemoveBlockPassesTheRootOn) {
    TestModule t;
    VesselCall call(t.m, make_blob(2, {{0, tank_a, {}, {free_port(), link(1, 0)}}, {1, tank_a, {}, {link(0, 1)}}}));
    Station& st = t.m.station();
    remove_block(st, 0);
    EXPECT_FALSE(st.blocks[0].live);
    EXPECT_EQ(st.root, 1);
    EXPECT_FALSE(st.blocks[1].ports[0].linked);
    EXPECT_EQ(st.blocks[1].ports[0].lblock, -1);
    expect_vec_near(st.blocks[1].pos, {0, 0, 0}, 0);
}

TEST(VesselLists, SharedBlocksAreCopiedOnResize) {
    void* list = nullptr;
    ASSERT_TRUE(list_resize(list, 8, 2));
    double v = 3.5;
    std::memcpy(list, &v, 8);
    int32_t two = 2;
    std::memcpy(static_cast<uint8_t*>(list) - 8, &two, 4);  // a second holder
    void* mine = list;
    ASSERT_TRUE(list_resize(mine, 8, 3));
    EXPECT_NE(mine, list);
    EXPECT_EQ(list_refcount(list), 1);
    EXPECT_EQ(list_refcount(mine), 1);
    EXPECT_EQ(list_length(mine), 3);
    double got;
    std::memcpy(&got, mine, 8);
    EXPECT_EQ(got, 3.5);
    std::memcpy(&got, static_cast<uint8_t*>(mine) + 16, 8);
    EXPECT_EQ(got, 0.0);
    ASSERT_TRUE(list_resize(mine, 8, 0));
    EXPECT_EQ(mine, nullptr);
    ASSERT_TRUE(list_resize(list, 8, 0));
}

}  // namespace
}  // namespace quilbet::test

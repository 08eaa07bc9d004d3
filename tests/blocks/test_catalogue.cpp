// The catalogue, the parameter accessors and the geometry dispatch: entries and
// parameters, each type's ports, and invariants of placed trees of real blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "blocks/catalogue.hpp"
#include "blocks/geometry.hpp"
#include "blocks/placement.hpp"
#include "generators/panel_truss.hpp"
#include "support/vec_checks.hpp"

namespace quilbet {
namespace {

// One catalogue for the whole program, with the progress calls of its build.
struct Built {
    Context ctx;
    Catalogue cat;
    std::vector<std::pair<int32_t, double>> progress;
    Built() {
        cat.build_catalogue(ctx, [this](int32_t phase, double f) { progress.emplace_back(phase, f); });
    }
};
const Built& built() {
    static const Built* b = new Built();
    return *b;
}
const blocktyp& entry(const std::string& name) {
    const int32_t i = built().cat.find_name(name);
    EXPECT_GE(i, 0) << name;
    return built().cat.entries()[static_cast<size_t>(i)];
}

// An instance of a catalogue type with some parameters changed, regenerated.
blocktyp instance(Context& ctx, const std::string& name, std::vector<std::pair<int32_t, double>> values) {
    blocktyp b;
    copy_block(b, entry(name), true);
    for (auto [id, val] : values)
        for (paramtyp& p : b.params)
            if (p.id == id) p.val = val;
    build_block_geometry(ctx, b, true);
    return b;
}

double largest_vertex_distance(const typmsh& m) {
    double r = 0;
    for (const typmshgrp& g : m.grp)
        for (const pnttyp& p : g.pnt) r = std::max(r, std::sqrt(double(p.pos.x) * p.pos.x + double(p.pos.y) * p.pos.y +
                                                                  double(p.pos.z) * p.pos.z));
    return r;
}

TEST(ParamAccessors, ValuesSwitchesAndRounding) {
    blocktyp b;
    define_block_type(b, "Probe", 7, 0, 4, 0);
    define_param(b.params[0], "A", 1, param_whole, 7.5, 0, 10);
    define_param(b.params[1], "B", 2, param_whole, 6.5, 0, 10);
    define_param(b.params[2], "C", 3, param_switch, -1.0, 0, 0);
    define_param(b.params[3], "A again", 1, param_real, 99, 0, 0);
    EXPECT_EQ(b.params[0].def, 7.5);
    EXPECT_EQ(b.params[0].val, 7.5);
    EXPECT_EQ(b.id, -1);
    EXPECT_EQ(b.size, 1.0);
    EXPECT_EQ(param_value(b, 1), 7.5);  // first match wins
    EXPECT_EQ(param_int(b, 1), 8);
    EXPECT_EQ(param_int(b, 2), 6);
    EXPECT_EQ(param_int(b, 3), -1);
    EXPECT_FALSE(param_bool(b, 3));
    b.params[2].val = 1;
    EXPECT_TRUE(param_bool(b, 3));
    b.params[2].val = 0.5;
    EXPECT_TRUE(param_bool(b, 3));
    b.params[2].val = 0;
    EXPECT_FALSE(param_bool(b, 3));
    // Missing parameters read 0 and off; only the first nparams entries count.
    EXPECT_EQ(param_value(b, 42), 0.0);
    EXPECT_EQ(param_int(b, 42), 0);
    EXPECT_FALSE(param_bool(b, 42));
    b.nparams = 1;
    EXPECT_EQ(param_value(b, 2), 0.0);
    b.nparams = 9;  // more than the array holds
    EXPECT_EQ(param_value(b, 2), 6.5);
    b.params[1].val = std::nan("");
    EXPECT_EQ(param_int(b, 2), nearest_i32(std::nan("")));
}

TEST(Catalogue, EntriesCategoriesAndProgress) {
    const Catalogue& cat = built().cat;
    const char* names[26] = {"Power_wing_A", "Power_wing_B", "Power_wing_C", "Solar_wing_A", "Solar_wing_B",
                             "Solar_wing_C", "Solar_wing_D", "Test_Article", "Solar_Panel_A", "Solar_Panel_B",
                             "Solar_Panel_C", "Solar_Panel_D", "Truss_A", "Truss_B", "Truss_C", "Hab_A", "Hab_B",
                             "Hab_Node_A", "Adaptor_A", "Adaptor_B", "Tank_A", "DG_Aux_Port_A", "DG_Aux_Port_B",
                             "Hab_C", "DG_Hab_Port", "Tank_B"};
    const int32_t types[26] = {11, 12, 13, 21, 22, 23, 24, 99, 31, 32, 33, 34, 41,
                               42, 43, 51, 52, 53, 61, 62, 71, 81, 82, 54, 55, 72};
    const int32_t cats[26] = {0, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 5, 6, 6, 3, 6, 5};
    const int32_t nparams[26] = {3, 3, 3, 2, 1, 1, 1, 0, 3, 2, 2, 2, 5, 5, 5, 3, 3, 0, 1, 1, 2, 1, 1, 2, 1, 2};
    ASSERT_EQ(cat.catalogue_count(), 26);
    for (int i = 0; i < 26; ++i) {
        const blocktyp& e = cat.entries()[i];
        EXPECT_EQ(e.live, 1);
        EXPECT_EQ(e.name, names[i]);
        EXPECT_EQ(e.btype, types[i]);
        EXPECT_EQ(e.cat, cats[i]) << names[i];
        EXPECT_EQ(e.nparams, nparams[i]) << names[i];
        EXPECT_EQ(e.params.size(), size_t(nparams[i]));
        EXPECT_EQ(e.id, -1);
        EXPECT_EQ(cat.find_type(types[i]), i);
        for (const paramtyp& p : e.params) EXPECT_EQ(p.val, p.def);
    }
    EXPECT_EQ(cat.find_type(5), -1);
    ASSERT_EQ(cat.category_count(), 7);
    EXPECT_EQ(cat.names()[0], "Power blocks");
    EXPECT_EQ(cat.names()[6], "Ports");
    EXPECT_EQ(cat.entries()[24].cat, 6);

    const auto& progress = built().progress;
    ASSERT_EQ(progress.size(), 26u);
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(progress[i].first, 0);
        EXPECT_EQ(progress[i].second, double(i + 1) / 26.0);
    }
}

TEST(Catalogue, ParametersAndDerivedRanges) {
    auto expect_param = [](const std::string& type, size_t k, const char* name, int32_t id, int32_t kind, double def,
                           double min, double max) {
        const paramtyp& p = entry(type).params.at(k);
        EXPECT_EQ(p.name, name) << type;
        EXPECT_EQ(p.id, id) << type << " " << name;
        EXPECT_EQ(p.kind, kind) << type << " " << name;
        EXPECT_EQ(p.def, def) << type << " " << name;
        EXPECT_EQ(p.min, min) << type << " " << name;
        EXPECT_EQ(p.max, max) << type << " " << name;
    };
    expect_param("Power_wing_C", 0, "Panel type", 1, 1, 0, 0, 4);
    expect_param("Power_wing_A", 1, "Panel rotation", 2, 2, 0, 0, 1.5707963267948966);
    expect_param("Power_wing_B", 2, "Rotation shear", 3, 2, 0, 0, 0.5);
    expect_param("Solar_wing_A", 1, "Rotation shear", 2, 2, 0, 0, 0.5);
    expect_param("Solar_wing_D", 0, "Panel rotation", 1, 2, 0, 0, 1.5707963267948966);
    expect_param("Solar_Panel_A", 1, "Rotation shear", 2, 2, 0.1, 0, 0.5);
    expect_param("Solar_Panel_A", 2, "Rows", 3, 1, 8, 1, 15);
    expect_param("Solar_Panel_B", 0, "Smalling", 1, 0, -1, 0, 0);
    expect_param("Solar_Panel_B", 1, "Rows", 3, 1, 19, 1, 15);
    expect_param("Solar_Panel_C", 1, "Rows", 3, 1, 4, 1, 15);
    expect_param("Solar_Panel_D", 1, "Rows", 3, 1, 5, 1, 15);
    expect_param("Truss_B", 0, "Block_length", 1, 2, 8, 2, 32);
    expect_param("Truss_B", 1, "Block_count", 2, 1, 7, 1, 28);
    expect_param("Truss_A", 2, "Cross_A", 3, 0, 1, 0, 0);
    expect_param("Truss_A", 3, "Cross_B", 4, 0, -1, 0, 0);
    expect_param("Truss_B", 4, "Cross_C", 5, 0, -1, 0, 0);
    expect_param("Truss_C", 2, "Cover_A", 3, 0, 1, 0, 0);
    expect_param("Truss_C", 4, "Cover_C", 5, 0, 1, 0, 0);
    expect_param("Hab_B", 0, "Windows", 1, 1, 1, 0, 5);
    expect_param("Hab_A", 1, "Round", 2, 0, 1, 0, 0);
    expect_param("Hab_A", 2, "Length", 3, 2, 8, 4, 16);
    expect_param("Hab_C", 1, "Length", 3, 2, 8, 4, 16);
    expect_param("DG_Hab_Port", 0, "Length", 3, 2, 8, 4, 16);
    expect_param("Adaptor_B", 0, "Length", 1, 2, 4, 2, 8);
    expect_param("Tank_B", 0, "Length", 1, 2, 10, 5, 20);
    expect_param("Tank_A", 1, "Radius", 2, 2, 2, 1, 4);
    expect_param("DG_Aux_Port_B", 0, "Length", 1, 2, 6, 2, 8);
}

TEST(Catalogue, SolarPanelBUsesItsNineteenRows) {
    // The same generator with 19 rows gives the same vertex counts; 15 rows does not.
    auto counts = [](int32_t rows) {
        Context ctx;
        std::vector<typmshgrp> g(2);
        panel_spec spec;
        spec.rows = rows;
        spec.variant = 1;
        spec.dim_a = 5;
        spec.dim_b = 2;
        spec.spine = 2;
        spec.smalling = 0;
        EXPECT_EQ(gen_solar_panel(ctx, g.data(), 2, {}, spec, {}), 2);
        return std::make_pair(g[0].pnt.size(), g[1].pnt.size());
    };
    const blocktyp& e = entry("Solar_Panel_B");
    ASSERT_EQ(e.msh.grpcnt, 2);
    const auto got = std::make_pair(e.msh.grp[0].pnt.size(), e.msh.grp[1].pnt.size());
    EXPECT_EQ(got, counts(19));
    EXPECT_NE(got, counts(15));
}

TEST(Catalogue, EveryEntryIsConsistent) {
    for (const blocktyp& e : built().cat.entries()) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.msh.used, 1);
        EXPECT_EQ(size_t(e.msh.grpcnt), e.msh.grp.size());
        EXPECT_GT(e.msh.grpcnt, 0);
        EXPECT_NEAR(e.size, largest_vertex_distance(e.msh), 1e-9);
        EXPECT_GT(e.size, 0.0);
        ASSERT_EQ(size_t(e.nports), e.ports.size());
        EXPECT_GT(e.nports, 0);
        for (const BlockPort& p : e.ports) {
            EXPECT_NEAR(vec_len(p.ldir), 1.0, 1e-15);
            EXPECT_NEAR(vec_len(p.lup), 1.0, 1e-15);
            EXPECT_EQ(p.linked, 0);
            EXPECT_TRUE(p.kind == 1 || p.kind == 2 || p.kind == 3 || p.kind == 10 || p.kind == 11) << p.kind;
        }
    }
}

TEST(Ports, CatalogueDefaults) {
    const blocktyp& t = entry("Truss_A");
    ASSERT_EQ(t.nports, 30);
    expect_vec_near(t.ports[0].lpos, {0, 0, 28}, 1e-12);
    expect_vec_near(t.ports[1].lpos, {0, 0, -28}, 1e-12);
    expect_vec_near(t.ports[2].lpos, {2, 0, -24}, 1e-12);
    expect_vec_near(t.ports[3].lpos, {-2, 0, -24}, 1e-12);
    expect_vec_near(t.ports[4].lpos, {0, 1.5, -24}, 1e-12);
    expect_vec_near(t.ports[5].lpos, {0, -1.5, -24}, 1e-12);
    for (int i = 26; i < 30; ++i) EXPECT_EQ(t.ports[i].lpos.z, 24);
    EXPECT_EQ(t.ports[2].kind, 2);
    EXPECT_EQ(t.ports[4].kind, 3);
    expect_vec_near(t.ports[5].lup, {-1, 0, 0}, 1e-12);

    const blocktyp& ta = entry("Test_Article");
    ASSERT_EQ(ta.nports, 3);
    expect_vec_near(ta.ports[0].lpos, {0, 0, 28}, 1e-12);
    expect_vec_near(ta.ports[1].lpos, {4, 0, 0}, 1e-12);
    expect_vec_near(ta.ports[2].lpos, {0, 1.5, 0}, 1e-12);

    EXPECT_EQ(entry("Power_wing_A").nports, 4);
    expect_vec_near(entry("Power_wing_B").ports[3].lpos, {0, 0, -2}, 1e-12);
    EXPECT_EQ(entry("Power_wing_B").ports[3].kind, 2);
    ASSERT_EQ(entry("Power_wing_C").nports, 2);
    expect_vec_near(entry("Power_wing_C").ports[1].lpos, {0, -10, 0}, 1e-12);
    EXPECT_EQ(entry("Solar_wing_C").nports, 1);
    expect_vec_near(entry("Solar_Panel_D").ports[0].ldir, {0, 0, -1}, 1e-12);

    // Habitat side offsets 3, 2, 3 (node, on y first) and 2.75.
    expect_vec_near(entry("Hab_A").ports[2].lpos, {3, 0, 0}, 1e-12);
    expect_vec_near(entry("Hab_A").ports[0].lpos, {0, 0, 4}, 1e-12);
    expect_vec_near(entry("Hab_B").ports[4].lpos, {0, 2, 0}, 1e-12);
    expect_vec_near(entry("Hab_B").ports[4].lup, {1, 0, 0}, 1e-12);
    expect_vec_near(entry("Hab_Node_A").ports[2].lpos, {0, 3, 0}, 1e-12);
    expect_vec_near(entry("Hab_Node_A").ports[1].lpos, {0, 0, -3}, 1e-12);
    EXPECT_EQ(entry("Hab_Node_A").ports[5].kind, 10);
    expect_vec_near(entry("Hab_C").ports[3].lpos, {-2.75, 0, 0}, 1e-12);
    EXPECT_EQ(entry("Hab_C").ports[3].kind, 1);
    EXPECT_EQ(entry("Adaptor_A").ports[0].kind, 2);
    EXPECT_EQ(entry("Adaptor_B").ports[0].kind, 3);
    expect_vec_near(entry("Adaptor_B").ports[1].lpos, {0, 0, 4}, 1e-12);
    EXPECT_EQ(entry("DG_Aux_Port_B").ports[0].kind, 3);
}

TEST(Ports, FollowTheParameters) {
    Context ctx;
    const blocktyp empty_truss = instance(ctx, "Truss_B", {{2, 0}});
    ASSERT_EQ(empty_truss.nports, 2);
    EXPECT_EQ(empty_truss.ports[0].lpos.z, 0);
    EXPECT_EQ(empty_truss.ports[1].lpos.z, 0);
    // A negative count is built as a truss without bays.
    EXPECT_EQ(instance(ctx, "Truss_C", {{2, -3}}).nports, 2);
    const blocktyp long_truss = instance(ctx, "Truss_A", {{1, 4}, {2, 3}});
    ASSERT_EQ(long_truss.nports, 14);
    expect_vec_near(long_truss.ports[0].lpos, {0, 0, 6}, 1e-12);
    expect_vec_near(long_truss.ports[10].lpos, {2, 0, 4}, 1e-12);

    const blocktyp tank = instance(ctx, "Tank_A", {{1, 12}});
    expect_vec_near(tank.ports[1].lpos, {0, 0, 12}, 1e-12);
    const blocktyp aux = instance(ctx, "DG_Aux_Port_A", {{1, 6}});
    expect_vec_near(aux.ports[1].lpos, {0, 0, 8.5}, 1e-12);
    EXPECT_EQ(aux.ports[1].kind, 11);
    EXPECT_EQ(aux.ports[0].kind, 2);
    const blocktyp hp = instance(ctx, "DG_Hab_Port", {{3, 8}});
    ASSERT_EQ(hp.nports, 2);
    expect_vec_near(hp.ports[0].lpos, {0, 0, -4}, 1e-12);
    EXPECT_EQ(hp.ports[0].kind, 10);
    expect_vec_near(hp.ports[1].lpos, {0, 0, 8.0 / 11}, 1e-12);
    EXPECT_EQ(hp.ports[1].kind, 11);
}

TEST(Dispatch, WithoutPortsAndUnknownTypes) {
    Context ctx;
    for (const blocktyp& e : built().cat.entries()) {
        SCOPED_TRACE(e.name);
        blocktyp b;
        copy_block(b, e, true);
        b.nports = 1;
        b.ports.resize(1);
        define_port(b.ports[0], {1, 2, 3}, {0, 0, 1}, {0, 1, 0}, 77);
        b.ports[0].linked = 1;
        b.ports[0].lblock = 5;
        build_block_geometry(ctx, b, false);
        EXPECT_EQ(b.nports, 1);
        ASSERT_EQ(b.ports.size(), 1u);
        EXPECT_EQ(b.ports[0].kind, 77);
        EXPECT_NEAR(b.size, largest_vertex_distance(b.msh), 1e-9);
        // Rebuilding with ports keeps the link fields of the entries that remain.
        build_block_geometry(ctx, b, true);
        EXPECT_EQ(b.nports, e.nports);
        EXPECT_EQ(b.ports[0].linked, 1);
        EXPECT_EQ(b.ports[0].lblock, 5);
        EXPECT_EQ(b.ports[0].kind, e.ports[0].kind);
    }
    blocktyp odd;
    copy_block(odd, entry("Tank_A"), false);
    odd.btype = 5;
    build_block_geometry(ctx, odd, true);
    EXPECT_EQ(odd.msh.grpcnt, 0);
    EXPECT_TRUE(odd.msh.grp.empty());
    EXPECT_EQ(odd.size, 0.0);
    EXPECT_EQ(odd.nports, 2);
    expect_vec_near(odd.ports[1].lpos, {0, 0, 10}, 1e-12);
}

TEST(AddBlockByName, IgnoresCaseAndRefusesUnknownNames) {
    Station st;
    const int32_t hab = add_block_by_name(st, built().cat, "hab_a", -1, 0, 0);
    ASSERT_EQ(hab, 0);
    EXPECT_EQ(st.blocks[0].name, "Hab_A");
    EXPECT_EQ(st.blocks[0].msh.grpcnt, entry("Hab_A").msh.grpcnt);  // geometry copied
    EXPECT_EQ(add_block_by_name(st, built().cat, "", -1, 0, 0), -1);
    EXPECT_EQ(add_block_by_name(st, built().cat, "Hab_D", -1, 0, 0), -1);
    // Kind 1 side port of the habitat takes a tank end; the kind 10 end does not.
    EXPECT_EQ(add_block_by_name(st, built().cat, "TANK_B", hab, 0, 2), 1);
    EXPECT_EQ(add_block_by_name(st, built().cat, "tank_b", hab, 0, 0), -1);
    EXPECT_EQ(st.block_count, 2);
}

// Every linked pair meets at one world point with opposite world directions
// and the same frame up; every block reachable from the root is visited.
void check_placed_station(const Station& st) {
    std::vector<int> reached(st.block_count, 0);
    std::vector<int32_t> todo{st.root};
    reached[st.root] = 1;
    while (!todo.empty()) {
        const int32_t k = todo.back();
        todo.pop_back();
        const blocktyp& b = st.blocks[k];
        EXPECT_EQ(b.visited, 1);
        for (int32_t i = 0; i < b.nports; ++i) {
            const BlockPort& p = b.ports[i];
            expect_vec_near(p.wpos, vec_add(b.pos, quat_rotate(b.rot, p.lpos)), 1e-9);
            if (!p.linked) continue;
            const blocktyp& c = st.blocks[p.lblock];
            const BlockPort& t = c.ports[p.lport];
            EXPECT_EQ(t.lblock, k);
            EXPECT_EQ(t.lport, i);
            expect_vec_near(p.wpos, t.wpos, 1e-4);
            expect_vec_near(quat_rotate(b.rot, p.ldir), vec_scale(quat_rotate(c.rot, t.ldir), -1.0), 1e-6);
            const Vec3 up_b = quat_rotate(b.rot, quat_unrotate(p.qframe, {0, 1, 0}));
            const Vec3 up_c = quat_rotate(c.rot, quat_unrotate(t.qframe, {0, 1, 0}));
            expect_vec_near(up_b, up_c, 1e-6);
            if (!reached[p.lblock]) {
                reached[p.lblock] = 1;
                todo.push_back(p.lblock);
            }
        }
    }
    for (int32_t k = 0; k < st.block_count; ++k) EXPECT_TRUE(reached[k]) << k;
}

TEST(PlacementInvariants, EveryTypeAgainstEveryMatchingPort) {
    // Each catalogue type hangs with each of its ports from every matching
    // port of a root truss or habitat node.
    const auto& entries = built().cat.entries();
    for (const char* root_name : {"Truss_A", "Hab_Node_A", "Test_Article"}) {
        const blocktyp& root = entry(root_name);
        for (const blocktyp& e : entries) {
            for (int32_t cp = 0; cp < e.nports; ++cp) {
                Station st;
                ASSERT_EQ(add_block(st, root, -1, 0, 0), 0);
                st.root = 0;
                for (int32_t pp = 0; pp < root.nports; ++pp)
                    if (root.ports[pp].kind == e.ports[cp].kind) add_block(st, e, 0, cp, pp);
                place_block(st, 0, {}, {}, true);
                SCOPED_TRACE(std::string(root_name) + " <- " + e.name + " port " + std::to_string(cp));
                check_placed_station(st);
            }
        }
    }
}

TEST(PlacementInvariants, RandomTrees) {
    const auto& entries = built().cat.entries();
    std::mt19937 rng(20240611);
    for (int trial = 0; trial < 40; ++trial) {
        Station st;
        const size_t first = rng() % entries.size();
        ASSERT_EQ(add_block(st, entries[first], -1, 0, 0), 0);
        st.root = 0;
        for (int step = 0; step < 30; ++step) {
            const int32_t parent = int32_t(rng() % uint32_t(st.block_count));
            const blocktyp& pb = st.blocks[parent];
            std::vector<int32_t> free_ports;
            for (int32_t i = 0; i < pb.nports; ++i)
                if (!pb.ports[i].linked) free_ports.push_back(i);
            if (free_ports.empty()) continue;
            const int32_t pp = free_ports[rng() % free_ports.size()];
            const int32_t kind = pb.ports[pp].kind;
            std::vector<std::pair<size_t, int32_t>> candidates;
            for (size_t e = 0; e < entries.size(); ++e)
                for (int32_t cp = 0; cp < entries[e].nports; ++cp)
                    if (entries[e].ports[cp].kind == kind) candidates.emplace_back(e, cp);
            if (candidates.empty()) continue;
            const auto [e, cp] = candidates[rng() % candidates.size()];
            const int32_t before = st.block_count;
            ASSERT_EQ(add_block(st, entries[e], parent, cp, pp), before);
        }
        // Scramble the old placement: the full placement must not depend on it.
        for (int32_t k = 0; k < st.block_count; ++k) st.blocks[k].pos = {1e3, -1e3, 7};
        place_block(st, 0, {}, {}, true);
        SCOPED_TRACE("trial " + std::to_string(trial));
        check_placed_station(st);
        expect_vec_near(st.blocks[0].pos, {0, 0, 0}, 0);
    }
}

}  // namespace
}  // namespace quilbet

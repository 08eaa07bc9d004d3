// Port symmetries: every symmetry found really maps each block's ports onto
// ports of the same kind, and the equivalents a twin goes to are the ones a
// person would pick on a node, a habitat and a girder.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "station/port_symmetry.hpp"

namespace quilbet {
namespace {

std::vector<PortDef> ports_of(BlockType type) { return instance_ports(*find_block_type(static_cast<int32_t>(type)), {}); }

TEST(PortSymmetry, EverySymmetryOfEveryTypeIsAKindPreservingPermutation) {
    for (const BlockTypeSpec& t : block_types()) {
        const std::vector<PortDef> ports = instance_ports(t, {});
        const PortSymmetries s = find_port_symmetries(ports);
        std::vector<std::vector<int32_t>> maps;
        for (const PortMirror& m : s.mirrors) maps.push_back(m.image);
        for (const PortRotation& r : s.rotations) maps.push_back(r.step);
        for (const std::vector<int32_t>& map : maps) {
            ASSERT_EQ(map.size(), ports.size()) << t.name;
            EXPECT_EQ(std::set<int32_t>(map.begin(), map.end()).size(), ports.size()) << t.name;
            for (size_t k = 0; k < map.size(); ++k) EXPECT_EQ(ports[map[k]].kind, ports[k].kind) << t.name;
        }
        // Turning a port `order` times about its axis brings it back.
        for (const PortRotation& r : s.rotations) {
            for (size_t k = 0; k < ports.size(); ++k) {
                int32_t at = static_cast<int32_t>(k);
                for (int32_t i = 0; i < r.order; ++i) at = r.step[at];
                EXPECT_EQ(at, static_cast<int32_t>(k)) << t.name;
            }
        }
    }
}

TEST(PortSymmetry, EquivalentsOnNodeHabitatAndGirder) {
    // The node's four waist ports go round its axis; its ends have 4-fold axes across it.
    const std::vector<PortDef> node = ports_of(BlockType::hab_node_a);
    const PortSymmetries ns = find_port_symmetries(node);
    const std::vector<int32_t> waist = radial_equivalents(ns, 4, 4, {0, 0, 1});
    ASSERT_EQ(waist.size(), 4u);
    EXPECT_EQ(std::set<int32_t>(waist.begin(), waist.end()), (std::set<int32_t>{2, 3, 4, 5}));
    EXPECT_EQ(waist[2], 5);   // half a turn: the opposite side
    EXPECT_EQ(largest_radial_order(ns, 0), 4);
    EXPECT_EQ(radial_equivalents(ns, 0, 3, {0, 0, 1}).size(), 3u);   // about a body diagonal
    EXPECT_EQ(radial_equivalents(ns, 0, 5), std::vector<int32_t>{0});

    // A habitat's side port mirrors to the opposite side, its front end to its back end.
    const PortSymmetries hs = find_port_symmetries(ports_of(BlockType::hab_a));
    EXPECT_EQ(mirror_equivalents(hs, 2), (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(mirror_equivalents(hs, 0), (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(mirror_equivalents(hs, 2, {0, 0, 1}), (std::vector<int32_t>{2, 3}));   // no plane across moves it

    // A girder's first bay port mirrors across the middle to the last bay; asked
    // for the plane along the girder, to the other face of the same bay.
    const std::vector<PortDef> truss = ports_of(BlockType::truss_a);
    const PortSymmetries ts = find_port_symmetries(truss);
    const std::vector<int32_t> across = mirror_equivalents(ts, 2);
    ASSERT_EQ(across.size(), 2u);
    EXPECT_NEAR(truss[across[1]].pos.z, -truss[2].pos.z, 1e-9);
    EXPECT_EQ(mirror_equivalents(ts, 2, {1, 0, 0}), (std::vector<int32_t>{2, 3}));

    // A block without symmetry leaves every port alone; out of range is empty.
    const PortSymmetries as = find_port_symmetries(ports_of(BlockType::test_article));
    EXPECT_EQ(mirror_equivalents(as, 1), std::vector<int32_t>{1});
    EXPECT_TRUE(mirror_equivalents(as, 7).empty());
}

}  // namespace
}  // namespace quilbet

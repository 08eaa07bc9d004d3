// make_vesselmesh against the in-process host: groups, materials, textures
// and the guards around host capacity and the host table.
#include <gtest/gtest.h>

#include "entry/mesh_handover.hpp"
#include "entry_support.hpp"

namespace quilbet::test {
namespace {

HostInterface table_of(const InProcessHost& h) {
    HostInterface t;
    copy_host_interface(t, h.table());
    return t;
}

// One live block at the origin whose single group is fully known.
Station hand_made_station(float specpow) {
    Station st;
    st.blocks.resize(1);
    st.block_count = 1;
    st.root = 0;
    blocktyp& b = st.blocks[0];
    b.live = 1;
    b.msh.used = 1;
    b.msh.grpcnt = 1;
    b.msh.grp.resize(1);
    typmshgrp& g = b.msh.grp[0];
    grp_reset(g);
    pnttyp p;
    p.nrm = {0, 1, 0};
    p.pos = {1, 2, 3};
    p.tu = 0.25f;
    p.tv = 0.5f;
    g.pnt = {p, p, p};
    g.ind = {0, 1, 2};
    g.diffuse = rgba_pack(255, 128, 0, 255);
    g.emissive = rgba_pack(0, 0, 255, 0);
    g.specular = rgba_pack(51, 102, 153, 204);
    g.specpow = specpow;
    // 3 x 2 pixels, an odd width so a row/column swap shows.
    g.texw = 3;
    g.texh = 2;
    g.texpix = PixelBlock(new uint32_t[6]{0x80FF0000u, 0x000000FFu, 0x0000FF00u, 0x11223344u, 0, 0xFFFFFFFFu});
    return st;
}

TEST(MeshHandover, GdiColourDropsTheTopByte) {
    EXPECT_EQ(gdi_colour(0x80FF0000u), 0x00FF0000u);
    EXPECT_EQ(gdi_colour(0x11223344u), 0x00223344u);
}

TEST(MeshHandover, OneGroupReachesTheHostExactly) {
    InProcessHost host;
    Station st = hand_made_station(0.0f);
    const int32_t before = InProcessHost::surfaces_created();
    make_vesselmesh(st, table_of(host), host.mesh(), {});

    const HostGroup& g = host.group(0);
    EXPECT_EQ(g.flags, 0u);
    ASSERT_EQ(g.nvtx, 3u);
    ASSERT_EQ(g.nidx, 3u);
    const HostVertex& v = host.vertices(0)[1];
    const float expected[8] = {1, 2, 3, 0, 1, 0, 0.25f, 0.5f};
    EXPECT_EQ(std::memcmp(&v, expected, sizeof(expected)), 0);
    EXPECT_EQ(host.indices(0)[2], 2);
    for (int32_t k = 1; k < InProcessHost::mesh_size; ++k) ASSERT_EQ(host.group(k).flags, 2u) << k;

    const HostMaterial& m = host.material(0);
    EXPECT_EQ(m.diffuse[0], 1.0f);
    EXPECT_EQ(m.diffuse[1], static_cast<float>(128.0L / 255.0L));
    EXPECT_FLOAT_EQ(m.diffuse[1], 0.50196081f);
    EXPECT_EQ(m.diffuse[2], 0.0f);
    EXPECT_EQ(m.diffuse[3], 1.0f);
    EXPECT_EQ(m.emissive[2], 1.0f);
    EXPECT_EQ(m.emissive[3], 0.0f);
    // specpow 0: the placeholder's specular colour and power stay.
    EXPECT_EQ(m.specular[0], 1.0f);
    EXPECT_EQ(m.power, 0.0f);

    // Texture 1, pixel by pixel: 0x80FF0000 is blue 255 in the bitmap.
    EXPECT_EQ(InProcessHost::surfaces_created() - before, 1);
    ASSERT_EQ(host.texture_width(1), 3);
    ASSERT_EQ(host.texture_height(1), 2);
    const std::vector<uint8_t> rgba = host.texture_rgba(1);
    EXPECT_EQ(rgba[0], 0);
    EXPECT_EQ(rgba[1], 0);
    EXPECT_EQ(rgba[2], 255);
    EXPECT_EQ(rgba[4], 255);  // 0x000000FF: red
    EXPECT_EQ(rgba[4 * 3 + 0], 0x44);  // row 1, column 0
    EXPECT_EQ(rgba[4 * 3 + 1], 0x33);
    EXPECT_EQ(rgba[4 * 3 + 2], 0x22);
    EXPECT_EQ(host.texture_words(1)[0], 0x000000FFu);
    EXPECT_EQ(host.open_dcs(), 0);
    EXPECT_EQ(host.material_calls(), 1000);
    EXPECT_EQ(host.group_calls(), 1000);
    // The block's own group keeps its pixels.
    EXPECT_NE(st.blocks[0].msh.grp[0].texpix, nullptr);
}

TEST(MeshHandover, SpecularPassesOnlyWithAPower) {
    InProcessHost host;
    Station st = hand_made_station(45.0f);
    make_vesselmesh(st, table_of(host), host.mesh(), {});
    const HostMaterial& m = host.material(0);
    EXPECT_EQ(m.specular[0], static_cast<float>(51.0L / 255.0L));
    EXPECT_EQ(m.specular[3], static_cast<float>(204.0L / 255.0L));
    EXPECT_EQ(m.power, 45.0f);
}

TEST(MeshHandover, GroupsBeyondTheHostCountAreNeverTouched) {
    InProcessHost host;
    host.set_reported_group_count(1);
    Station st = hand_made_station(0.0f);
    st.blocks[0].msh.grp.push_back(st.blocks[0].msh.grp[0]);
    st.blocks[0].msh.grpcnt = 2;
    std::vector<std::string> lines;
    make_vesselmesh(st, table_of(host), host.mesh(), [&](const std::string& l) { lines.push_back(l); });
    EXPECT_EQ(host.group_calls_out_of_range(), 0);
    EXPECT_EQ(host.group(0).flags, 0u);
    EXPECT_EQ(host.group(1).vtx, nullptr);
    EXPECT_EQ(host.group(1).flags, 0u);  // not reported by the host: untouched
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("left out"), std::string::npos);
}

TEST(MeshHandover, GroupsTooLargeFor16BitIndicesAreLeftOut) {
    InProcessHost host;
    Station st = hand_made_station(0.0f);
    st.blocks[0].msh.grp[0].pnt.resize(max_group_vertices + 1);
    std::vector<std::string> lines;
    make_vesselmesh(st, table_of(host), host.mesh(), [&](const std::string& l) { lines.push_back(l); });
    EXPECT_EQ(host.group(0).flags, 2u);
    EXPECT_EQ(host.group(0).vtx, nullptr);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("65537 vertices"), std::string::npos);
}

TEST(MeshHandover, ModuleStationMeshAndRepeatedHandOver) {
    TestModule t;
    InProcessHost host;
    t.m.initint(host.table());
    VesselCall call(t.m, make_blob(2, {{0, 71, {}, {free_port(), link(1, 0)}}, {1, 81, {}, {link(0, 1)}}}));
    const Station& st = t.m.station();
    const int32_t groups = st.blocks[0].msh.grpcnt + st.blocks[1].msh.grpcnt;
    ASSERT_GT(groups, 1);

    t.m.make_vesselmesh(host.mesh());
    EXPECT_TRUE(t.lines.empty());
    std::vector<std::vector<uint32_t>> first;
    for (int32_t i = 0; i < groups; ++i) {
        EXPECT_EQ(host.group(i).flags, 0u);
        first.push_back(host.texture_words(i + 1));
    }
    EXPECT_EQ(host.group(groups).flags, 2u);
    // Block 1 sits beyond the tank: its vertices reach the host moved along +z.
    const HostGroup& g = host.group(st.blocks[0].msh.grpcnt);
    float min_z = 1e9f;
    for (uint32_t k = 0; k < g.nvtx; ++k) min_z = std::min(min_z, host.vertices(st.blocks[0].msh.grpcnt)[k].z);
    EXPECT_GT(min_z, 9.0f);

    // A second hand-over without a rebuild uploads the same textures again.
    t.m.make_vesselmesh(host.mesh());
    for (int32_t i = 0; i < groups; ++i) EXPECT_EQ(host.texture_words(i + 1), first[static_cast<std::size_t>(i)]) << i;
}

TEST(MeshHandover, NoLiveBlockFlagsEveryGroupAndCreatesNoSurface) {
    TestModule t;
    InProcessHost host;
    t.m.initint(host.table());
    VesselCall call(t.m, make_blob(1, {{0, 4242}}));
    const int32_t before = InProcessHost::surfaces_created();
    t.m.make_vesselmesh(host.mesh());
    for (int32_t k = 0; k < InProcessHost::mesh_size; ++k) ASSERT_EQ(host.group(k).flags, 2u) << k;
    EXPECT_EQ(InProcessHost::surfaces_created(), before);
}

TEST(MeshHandover, BeforeInitintNothingIsCalled) {
    TestModule t;
    InProcessHost host;
    VesselCall call(t.m, make_blob(1, {{0, 71}}));
    t.m.make_vesselmesh(host.mesh());
    EXPECT_EQ(host.group_calls(), 0);
    ASSERT_EQ(t.lines.size(), 1u);
    EXPECT_NE(t.lines[0].find("initint"), std::string::npos);

    // The second initint replaces the first table.
    InProcessHost other;
    t.m.initint(host.table());
    t.m.initint(other.table());
    t.m.make_vesselmesh(other.mesh());
    EXPECT_EQ(other.group_calls(), 1000);
    EXPECT_EQ(host.group_calls(), 0);
}

}  // namespace
}  // namespace quilbet::test

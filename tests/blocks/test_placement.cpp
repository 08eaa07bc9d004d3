// Port frames, the placement tree and the block-table operations, on small
// hand-made blocks (no catalogue needed).
#include <gtest/gtest.h>

#include <cmath>

#include "blocks/placement.hpp"
#include "support/vec_checks.hpp"

namespace quilbet {
namespace {

// A live block with the given ports (position, direction, up, kind).
struct PortDef {
    Vec3 pos, dir, up;
    int32_t kind;
};
blocktyp make_block(const std::vector<PortDef>& defs) {
    blocktyp b;
    b.live = 1;
    b.name = "Hand_made";
    b.nports = static_cast<int32_t>(defs.size());
    b.ports.resize(defs.size());
    for (size_t i = 0; i < defs.size(); ++i) define_port(b.ports[i], defs[i].pos, defs[i].dir, defs[i].up, defs[i].kind);
    return b;
}

void link(Station& st, int32_t a, int32_t pa, int32_t b, int32_t pb) {
    BlockPort& x = st.blocks[a].ports[pa];
    BlockPort& y = st.blocks[b].ports[pb];
    x.linked = 1;
    x.lblock = b;
    x.lport = pb;
    y.linked = 1;
    y.lblock = a;
    y.lport = pa;
}

Station make_station(std::vector<blocktyp> blocks, int32_t root = 0) {
    Station st;
    st.blocks = std::move(blocks);
    st.block_count = static_cast<int32_t>(st.blocks.size());
    for (int32_t i = 0; i < st.block_count; ++i) st.blocks[i].id = i;
    st.root = root;
    return st;
}

// A block with two axial ports: 0 at (0, 0, 1) facing +z, 1 at (0, 0, -1) facing -z.
blocktyp rod() { return make_block({{{0, 0, 1}, {0, 0, 1}, {0, 1, 0}, 1}, {{0, 0, -1}, {0, 0, -1}, {0, -1, 0}, 1}}); }

TEST(DefinePort, FramesAndDefaults) {
    BlockPort p;
    p.linked = 1;
    p.lblock = 7;
    p.lport = 3;
    define_port(p, {1, 2, 3}, {0, 1, 0}, {0, 0, 1}, 5);
    expect_vec_near(p.lpos, {1, 2, 3}, 0);
    expect_vec_near(p.wpos, {1, 2, 3}, 0);
    EXPECT_EQ(p.kind, 5);
    EXPECT_EQ(p.linked, 1);  // link fields untouched
    EXPECT_EQ(p.lblock, 7);
    EXPECT_EQ(p.lport, 3);
    EXPECT_EQ(p.wrot.w, 1.0);
    // The frame takes the direction to +z and the up vector to +y.
    expect_vec_near(quat_rotate(p.qframe, {0, 1, 0}), {0, 0, 1}, 1e-12);
    expect_vec_near(quat_rotate(p.qframe, {0, 0, 1}), {0, 1, 0}, 1e-12);
    // qframe_inv undoes it; qmate takes the reversed direction to +z.
    expect_vec_near(quat_rotate(p.qframe_inv, {0, 0, 1}), {0, 1, 0}, 1e-12);
    expect_vec_near(quat_rotate(p.qmate, {0, -1, 0}), {0, 0, 1}, 1e-12);
}

TEST(DefinePort, DirectionAlongXLosesTheUpVector) {
    BlockPort p;
    define_port(p, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, 1);
    // A quarter turn about y: +x goes to +z and the frame's up is +y.
    expect_vec_near(quat_rotate(p.qframe, {1, 0, 0}), {0, 0, 1}, 1e-12);
    expect_vec_near(quat_rotate(p.qframe, {0, 1, 0}), {0, 1, 0}, 1e-12);
}

TEST(DefinePort, InverseFrameIsAlwaysTheInverse) {
    // Frames whose Euler form is gimbal-locked (truss side ports) and a plain one.
    const Vec3 cases[][2] = {{{-1, 0, 0}, {0, -1, 0}}, {{0, 1, 0}, {1, 0, 0}}, {{0, -1, 0}, {-1, 0, 0}},
                             {{1, 0, 0}, {0, 0, 1}},   {{0, 1, 0}, {0, 0, 1}}, {{0, 0, -1}, {0, 1, 0}}};
    for (const auto& c : cases) {
        BlockPort p;
        define_port(p, {0, 0, 0}, c[0], c[1], 1);
        const Quat one = quat_mul(p.qframe, p.qframe_inv);
        EXPECT_NEAR(one.x, 0, 1e-12);
        EXPECT_NEAR(one.y, 0, 1e-12);
        EXPECT_NEAR(one.z, 0, 1e-12);
    }
    // Where the inverse matrix converts cleanly it is used as it comes.
    BlockPort p;
    define_port(p, {0, 0, 0}, {0, 1, 0}, {0, 0, 1}, 1);
    Mat3 inv = mat_identity();
    mat_inverse(frame_from_dir_up({0, 1, 0}, {0, 0, 1}), inv);
    const Quat literal = mat_to_quat(inv);
    EXPECT_EQ(p.qframe_inv.x, literal.x);
    EXPECT_EQ(p.qframe_inv.y, literal.y);
    EXPECT_EQ(p.qframe_inv.z, literal.z);
    EXPECT_EQ(p.qframe_inv.w, literal.w);
}

TEST(PlaceBlock, ChildThroughAGimbalLockedPortMeetsItsPartner) {
    // The child hangs by a port facing +y with up +x, as a truss's top face.
    Station st = make_station({make_block({{{0, 0, 1}, {0, 0, 1}, {0, 1, 0}, 3}}),
                               make_block({{{0.5, 1.5, -2}, {0, 1, 0}, {1, 0, 0}, 3}})});
    link(st, 0, 0, 1, 0);
    place_block(st, 0, {}, {}, true);
    const blocktyp& c = st.blocks[1];
    expect_vec_near(c.ports[0].wpos, {0, 0, 1});
    expect_vec_near(quat_rotate(c.rot, c.ports[0].ldir), {0, 0, -1});
}

TEST(PlaceBlock, SingleRootStaysAtOrigin) {
    Station st = make_station({rod()});
    st.blocks[0].pos = {4, 5, 6};
    place_block(st, 0, {}, {}, true);
    expect_vec_near(st.blocks[0].pos, {0, 0, 0}, 0);
    EXPECT_EQ(st.blocks[0].rot.w, 1.0);
    for (const BlockPort& p : st.blocks[0].ports) expect_vec_near(p.wpos, p.lpos, 0);
    EXPECT_EQ(st.blocks[0].visited, 1);
}

TEST(PlaceBlock, FacingAxialPortsTurnTheChildHalfAboutY) {
    const PortDef end{{0, 0, 1}, {0, 0, 1}, {0, 1, 0}, 1};
    Station st = make_station({make_block({end}), make_block({end})});
    link(st, 0, 0, 1, 0);
    place_block(st, 0, {}, {}, true);
    const blocktyp& c = st.blocks[1];
    expect_vec_near(c.pos, {0, 0, 2});
    expect_vec_near(quat_rotate(c.rot, {1, 0, 0}), {-1, 0, 0});
    expect_vec_near(quat_rotate(c.rot, {0, 1, 0}), {0, 1, 0});
    expect_vec_near(quat_rotate(c.rot, {0, 0, 1}), {0, 0, -1});
    expect_vec_near(st.blocks[0].ports[0].wpos, {0, 0, 1});
    expect_vec_near(c.ports[0].wpos, {0, 0, 1});
}

TEST(PlaceBlock, SidePortAlongXKeepsTheChildUpOnY) {
    Station st = make_station({make_block({{{1, 0, 0}, {1, 0, 0}, {0, 0, 1}, 1}}),
                               make_block({{{0, 0, -2}, {0, 0, -1}, {0, 1, 0}, 1}})});
    link(st, 0, 0, 1, 0);
    place_block(st, 0, {}, {}, true);
    const blocktyp& c = st.blocks[1];
    expect_vec_near(c.pos, {3, 0, 0});
    // A quarter turn about +y: z goes to x; y stays.
    expect_vec_near(quat_rotate(c.rot, {0, 0, 1}), {1, 0, 0});
    expect_vec_near(quat_rotate(c.rot, {0, 1, 0}), {0, 1, 0});
    expect_vec_near(c.ports[0].wpos, {1, 0, 0});
    expect_vec_near(quat_rotate(c.rot, c.ports[0].ldir), {-1, 0, 0});
}

TEST(PlaceBlock, UnreachableBlocksStayWhereTheyStand) {
    Station st = make_station({rod(), rod(), rod(), rod()});
    link(st, 0, 0, 1, 1);
    link(st, 2, 0, 3, 1);  // 2 and 3 are not reachable from the root 0
    const Quat turn = quat_normalize({0.3, -0.2, 0.5, 0.8});
    st.blocks[2].pos = {5, 6, 7};
    st.blocks[2].rot = turn;
    place_block(st, 0, {}, {}, true);
    expect_vec_near(st.blocks[1].pos, {0, 0, 2});
    expect_vec_near(st.blocks[2].pos, {5, 6, 7}, 0);
    EXPECT_EQ(st.blocks[2].rot.x, turn.x);
    EXPECT_EQ(st.blocks[2].rot.w, turn.w);
    // Its subtree is placed from where it stands.
    expect_vec_near(st.blocks[3].pos, vec_add({5, 6, 7}, quat_rotate(turn, {0, 0, 2})));
    expect_vec_near(st.blocks[2].ports[0].wpos, vec_add({5, 6, 7}, quat_rotate(turn, {0, 0, 1})));
}

TEST(PlaceBlock, CyclesTerminateAndTheFirstPathWins) {
    // 0 -> 1 -> 2 -> back to 0 through ports that cannot all agree.
    Station st = make_station({rod(), rod(), rod()});
    link(st, 0, 0, 1, 1);
    link(st, 1, 0, 2, 1);
    link(st, 2, 0, 0, 1);
    place_block(st, 0, {}, {}, true);
    // Depth first: 2 is reached through 1 before 0's port 1 is looked at.
    expect_vec_near(st.blocks[1].pos, {0, 0, 2});
    expect_vec_near(st.blocks[2].pos, {0, 0, 4});
    expect_vec_near(st.blocks[0].pos, {0, 0, 0}, 0);
    for (const blocktyp& b : st.blocks) EXPECT_EQ(b.visited, 1);
}

TEST(PlaceBlock, PartialPlacementAndNoRoot) {
    Station st = make_station({rod(), rod()}, -1);
    link(st, 0, 0, 1, 1);
    st.blocks[0].pos = {1, 1, 1};
    place_block(st, 0, {}, {}, true);  // no root: every block stays, links still placed below it
    expect_vec_near(st.blocks[0].pos, {1, 1, 1}, 0);
    expect_vec_near(st.blocks[1].pos, {1, 1, 3});
    // A partial call does not clear the visited flags, so nothing moves.
    place_block(st, 0, {9, 9, 9}, {}, false);
    expect_vec_near(st.blocks[0].pos, {1, 1, 1}, 0);
    clear_visited(st);
    place_block(st, 0, {9, 9, 9}, {}, false);
    expect_vec_near(st.blocks[1].pos, {9, 9, 11});
}

TEST(PlaceBlock, BrokenLinksAreNeverFollowed) {
    Station st = make_station({make_block({{{0, 0, 1}, {0, 0, 1}, {0, 1, 0}, 1},
                                           {{0, 0, -1}, {0, 0, -1}, {0, -1, 0}, 1},
                                           {{1, 0, 0}, {1, 0, 0}, {0, 1, 0}, 1},
                                           {{-1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, 1}}),
                               rod(), rod()});
    BlockPort* p = st.blocks[0].ports.data();
    p[0].linked = 1, p[0].lblock = 99, p[0].lport = 0;   // beyond the table
    p[1].linked = 1, p[1].lblock = -5, p[1].lport = 0;   // negative id
    p[2].linked = 1, p[2].lblock = 1, p[2].lport = 7;    // port the block lacks
    p[3].linked = 1, p[3].lblock = 2, p[3].lport = 0;    // an empty slot
    st.blocks[2].live = 0;
    st.blocks[1].pos = {8, 8, 8};
    st.blocks[2].pos = {7, 7, 7};
    st.blocks.resize(200);  // slots past the count are never read
    place_block(st, 0, {}, {}, true);
    expect_vec_near(st.blocks[1].pos, {8, 8, 8}, 0);
    expect_vec_near(st.blocks[2].pos, {7, 7, 7}, 0);
    EXPECT_EQ(st.blocks[2].visited, 0);
}

TEST(PlaceBlock, LongChainDoesNotRecurse) {
    const int32_t n = 50000;
    Station st = make_station(std::vector<blocktyp>(n, rod()));
    for (int32_t i = 0; i + 1 < n; ++i) link(st, i, 0, i + 1, 1);
    place_block(st, 0, {}, {}, true);
    expect_vec_near(st.blocks[n - 1].pos, {0, 0, 2.0 * (n - 1)}, 1e-6);
}

TEST(CopyBlock, CopiesRecordsAndClearsLinks) {
    blocktyp entry = rod();
    entry.btype = 41;
    entry.cat = 2;
    entry.id = -1;
    entry.size = 3.5;
    entry.nparams = 1;
    entry.params.resize(1);
    entry.params[0] = {"Block_length", 1, 2, 8, 2, 32, 8};
    entry.ports[1].linked = 1;
    entry.ports[1].lblock = 4;
    entry.ports[1].lport = 2;
    entry.msh.used = 1;
    entry.msh.grpcnt = 1;
    entry.msh.grp.resize(1);
    entry.msh.grp[0].pnt.resize(3);

    blocktyp inst;
    inst.id = 12;
    inst.cat = 9;
    inst.visited = 1;
    inst.pos = {1, 2, 3};
    copy_block(inst, entry, true);
    EXPECT_EQ(inst.live, 1);
    EXPECT_EQ(inst.name, "Hand_made");
    EXPECT_EQ(inst.btype, 41);
    EXPECT_EQ(inst.size, 3.5);
    EXPECT_EQ(inst.id, 12);  // left to the caller
    EXPECT_EQ(inst.cat, 9);
    EXPECT_EQ(inst.visited, 0);
    expect_vec_near(inst.pos, {0, 0, 0}, 0);
    ASSERT_EQ(inst.params.size(), 1u);
    EXPECT_EQ(inst.params[0].name, "Block_length");
    EXPECT_EQ(inst.params[0].max, 32);
    EXPECT_EQ(inst.ports[1].linked, 0);
    EXPECT_EQ(inst.ports[1].lblock, 4);
    EXPECT_EQ(inst.ports[1].lport, 2);
    EXPECT_TRUE(inst.msh.grp.empty());  // geometry skipped

    copy_block(inst, entry, false);
    ASSERT_EQ(inst.msh.grp.size(), 1u);
    EXPECT_EQ(inst.msh.grp[0].pnt.size(), 3u);

    blocktyp dead;
    blocktyp target = rod();
    copy_block(target, dead, false);
    EXPECT_EQ(target.live, 0);
    EXPECT_EQ(target.name, "Hand_made");  // nothing else copied
}

TEST(AddBlock, GrowsAFullTableAndReusesFreeSlots) {
    Station st = make_station({rod(), rod(), rod()});
    const blocktyp entry = rod();
    EXPECT_EQ(add_block(st, entry, -1, 0, 0), 3);
    EXPECT_EQ(st.block_count, 4);
    ASSERT_EQ(st.blocks.size(), 7u);
    EXPECT_EQ(st.blocks[3].id, 3);
    EXPECT_EQ(st.blocks[3].live, 1);
    for (int i = 4; i < 7; ++i) EXPECT_EQ(st.blocks[i].live, 0);

    st.blocks[1].live = 0;
    EXPECT_EQ(add_block(st, entry, 0, 1, 0), 1);
    EXPECT_EQ(st.block_count, 4);
    // Linked on both sides.
    EXPECT_EQ(st.blocks[0].ports[0].linked, 1);
    EXPECT_EQ(st.blocks[0].ports[0].lblock, 1);
    EXPECT_EQ(st.blocks[0].ports[0].lport, 1);
    EXPECT_EQ(st.blocks[1].ports[1].linked, 1);
    EXPECT_EQ(st.blocks[1].ports[1].lblock, 0);
    EXPECT_EQ(st.blocks[1].ports[1].lport, 0);
    EXPECT_EQ(st.blocks[1].ports[0].linked, 0);
}

TEST(AddBlock, Refusals) {
    Station st = make_station({rod()});
    blocktyp other = make_block({{{0, 0, 0}, {0, 0, -1}, {0, 1, 0}, 2}});
    ASSERT_EQ(add_block(st, rod(), 0, 1, 0), 1);
    const Station before = st;
    EXPECT_EQ(add_block(st, rod(), 0, 1, 0), -1);    // port 0 of the parent is linked
    EXPECT_EQ(add_block(st, other, 0, 0, 1), -1);    // kind 2 against kind 1
    EXPECT_EQ(add_block(st, rod(), 0, 5, 1), -1);    // child port the entry lacks
    EXPECT_EQ(add_block(st, rod(), 0, 0, 9), -1);    // parent port the parent lacks
    EXPECT_EQ(add_block(st, rod(), 7, 0, 0), -1);    // parent outside the table
    EXPECT_EQ(add_block(st, blocktyp{}, -1, 0, 0), -1);  // undefined entry
    EXPECT_EQ(st.block_count, before.block_count);
    EXPECT_EQ(st.blocks.size(), before.blocks.size());
    EXPECT_EQ(st.blocks[0].ports[1].linked, 0);
}

}  // namespace
}  // namespace quilbet

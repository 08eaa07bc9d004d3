// Every way a description blob is refused: the previous station stays, the
// definition is still built and copied, and the diagnostic names the field.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "entry/limits.hpp"

#include "entry_support.hpp"

namespace quilbet::test {
namespace {

struct BadBlob {
    const char* what;      // a word the diagnostic must contain
    std::vector<int32_t> words;
    int32_t length = whole_length;  // bytes
};

std::vector<BadBlob> bad_blobs() {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<BadBlob> b;
    auto good = make_blob(2, {{0, 71, {{1, 12.0}}, {free_port(), link(1, 0)}}, {1, 71, {}, {link(0, 1)}}});

    b.push_back({"wrong magic", {0x01010102, 1, 0, 71, 0, 0}});
    b.push_back({"too short", {blob_magic}, 3});
    b.push_back({"block count", {blob_magic}});
    b.push_back({"block count N = -1", make_blob(-1, {{0, 71}})});
    b.push_back({"block count N = 2000000", make_blob(2000000, {{0, 71}})});
    b.push_back({"no block record", make_blob(1, {})});
    {
        auto w = make_blob(1, {{0, 71}});
        w.pop_back();
        b.push_back({"record 0 (word 2): record header cut", w});
    }
    b.push_back({"block id 1 outside", make_blob(1, {{1, 71}})});
    b.push_back({"block id -5 outside", make_blob(1, {{-5, 71}})});
    b.push_back({"block id 0 repeated", make_blob(2, {{0, 71}, {0, 71}})});
    {
        auto w = make_blob(1, {{0, 71}});
        w[4] = -1;
        b.push_back({"parameter count P = -1", w});
    }
    {
        auto w = make_blob(1, {{0, 71}});
        w[5] = 100000;
        b.push_back({"port count Q = 100000", w});
    }
    {
        auto w = make_blob(1, {{0, 71, {{1, 12.0}}}});
        w.pop_back();
        b.push_back({"parameter entries cut", w});
    }
    b.push_back({"is not a finite number", make_blob(1, {{0, 71, {{1, nan}}}})});
    b.push_back({"is not a finite number", make_blob(1, {{0, 71, {{2, inf}}}})});
    b.push_back({"is not a finite number", make_blob(1, {{0, 71, {{9, -inf}}}})});
    b.push_back({"\"Rows\" value", make_blob(1, {{0, 31, {{3, 65.0}}}})});
    b.push_back({"\"Block_count\" value", make_blob(1, {{0, 41, {{2, -1.0}}}})});
    b.push_back({"\"Block_count\" value", make_blob(1, {{0, 41, {{2, 1e12}}}})});
    b.push_back({"\"Windows\" value", make_blob(1, {{0, 51, {{1, 33.0}}}})});
    b.push_back({"\"Length\" value", make_blob(1, {{0, 71, {{1, -2.0}}}})});
    b.push_back({"\"Radius\" value", make_blob(1, {{0, 71, {{2, 5000.0}}}})});
    b.push_back({"\"Panel type\" value", make_blob(1, {{0, 11, {{1, 7.0}}}})});
    b.push_back({"\"Panel rotation\" value", make_blob(1, {{0, 11, {{2, 1e300}}}})});
    {
        auto w = make_blob(1, {{0, 71, {}, {free_port()}}});
        w.pop_back();
        w[5] = 1;
        b.push_back({"port entries cut", w});
    }
    {
        auto w = make_blob(2, {{0, 71, {}, {link(1, 0)}}});
        w.pop_back();
        b.push_back({"port entry 0: link cut", w});
    }
    b.push_back({"link target block 2 outside", make_blob(2, {{0, 71, {}, {link(2, 0)}}})});
    b.push_back({"link target block -1 outside", make_blob(2, {{0, 71, {}, {link(-1, 0)}}})});
    b.push_back({"link target port -3", make_blob(2, {{0, 71, {}, {link(1, -3)}}})});
    // A later record is checked too, even though the first is fine.
    {
        auto w = good;
        w.push_back(5);
        b.push_back({"record 2", w});
    }
    // A length that is not a whole number of words cuts the last word.
    b.push_back({"cut", good, static_cast<int32_t>(good.size() * 4 - 1)});
    b.push_back({"negative length", good, -8});
    return b;
}

TEST(BlobRefusal, EveryRefusalKeepsThePreviousStation) {
    TestModule t;
    const auto good = make_blob(3, {{0, 71, {{1, 12.0}}, {free_port(), link(2, 0)}}, {2, 81, {}, {link(0, 1)}}});
    VesselCall base(t.m, good);
    ASSERT_TRUE(t.lines.empty());
    const Station& st = t.m.station();
    ASSERT_EQ(st.root, 0);
    const Vec3 far = st.blocks[2].pos;
    const int32_t groups = st.blocks[2].msh.grpcnt;

    for (const BadBlob& bad : bad_blobs()) {
        SCOPED_TRACE(bad.what);
        t.lines.clear();
        VesselCall call(t.m, bad.words, bad.length);
        ASSERT_EQ(t.lines.size(), 1u);
        EXPECT_NE(t.lines[0].find(bad.what), std::string::npos) << t.lines[0];
        EXPECT_NE(t.lines[0].find("previous station kept"), std::string::npos);
        EXPECT_EQ(t.m.last_error(), t.lines[0]);
        // The station is the one before, placed where it was ...
        EXPECT_EQ(st.block_count, 3);
        EXPECT_EQ(st.root, 0);
        EXPECT_TRUE(st.blocks[0].live);
        EXPECT_FALSE(st.blocks[1].live);
        EXPECT_EQ(st.blocks[2].btype, 81);
        EXPECT_EQ(st.blocks[2].msh.grpcnt, groups);
        EXPECT_EQ(st.blocks[2].pos.z, far.z);
        EXPECT_EQ(param_value(st.blocks[0], 1), 12.0);
        // ... and the definition is built over it and copied all the same.
        EXPECT_EQ(call.p, base.p);
        EXPECT_EQ(call.i32(852), 1);
        EXPECT_EQ(list_length(call.v.list[7]), 1);
    }
}

TEST(BlobRefusal, CheckAcceptsWhatTheParseCanRead) {
    TestModule t;
    const Catalogue& cat = t.m.catalogue();
    // Outside the catalogue's range but inside the hard limits.
    auto w = make_blob(1, {{0, 32, {{3, 19.0}}}});
    EXPECT_TRUE(check_blob(cat, w.data(), static_cast<int32_t>(w.size() * 4)).accepted);
    // Trailing bytes short of a word are ignored (length / 4 words).
    EXPECT_TRUE(check_blob(cat, w.data(), static_cast<int32_t>(w.size() * 4 + 3)).accepted);
    // An unknown type ends the check: whatever follows is never read.
    auto u = make_blob(2, {{0, 999}});
    u.push_back(12345);
    EXPECT_TRUE(check_blob(cat, u.data(), static_cast<int32_t>(u.size() * 4)).accepted);
    // A port entry beyond the block's ports is read and discarded.
    auto q = make_blob(2, {{0, 71, {}, {free_port(), free_port(), free_port(), link(1, 7)}}, {1, 71}});
    EXPECT_TRUE(check_blob(cat, q.data(), static_cast<int32_t>(q.size() * 4)).accepted);
    EXPECT_FALSE(check_blob(cat, nullptr, 0).accepted);
}

TEST(BlobRefusal, WrongMagicOnAFreshModuleBuildsAnEmptyDefinition) {
    TestModule t;
    VesselCall call(t.m, {0, 1, 0, 71, 0, 0});
    EXPECT_EQ(t.m.station().root, -1);
    EXPECT_EQ(call.i32(820), 2);
    EXPECT_EQ(call.i32(852), 0);
}

TEST(BlobRefusal, NotStartedModuleDoesNothing) {
    Module m;
    std::vector<std::string> lines;
    m.set_diagnostic_sink([&](const std::string& l) { lines.push_back(l); });
    auto w = make_blob(1, {{0, 71}});
    std::array<uint8_t, 864> p{};
    HostVesselRecord v = InProcessHost::make_vessel_record(w.data(), static_cast<int32_t>(w.size() * 4));
    m.make_vessel(p.data(), &v);
    m.make_vesselmesh(nullptr);
    EXPECT_EQ(lines.size(), 2u);
    EXPECT_EQ(p, (std::array<uint8_t, 864>{}));
    EXPECT_EQ(v.list[0], nullptr);
}

}  // namespace
}  // namespace quilbet::test

namespace quilbet::test {
namespace {

// Every hard limit's end values are accepted and build groups that fit the
// host: at most 65,536 vertices, indices in range, finite positions.
TEST(BlobRefusal, HardLimitEndsBuildGroupsThatFitTheHost) {
    TestModule t;
    for (const BlockTypeSpec& type : block_types()) {
        for (const ParamSpec& l : type.params) {
            if (l.hard_hi >= general_value_limit) continue;
            for (double value : {l.hard_lo, l.hard_hi}) {
                SCOPED_TRACE(std::string(l.name) + " of type " + type.name + " = " + std::to_string(value));
                t.lines.clear();
                VesselCall call(t.m, make_blob(1, {{0, type.btype(), {{l.id, value}}}}));
                ASSERT_TRUE(t.lines.empty()) << t.lines[0];
                const blocktyp& b = t.m.station().blocks[0];
                ASSERT_EQ(b.btype, type.btype());
                for (const typmshgrp& g : b.msh.grp) {
                    ASSERT_LE(g.pnt.size(), std::size_t{65536});
                    ASSERT_EQ(g.ind.size() % 3, 0u);
                    for (int32_t i : g.ind) ASSERT_LT(static_cast<std::size_t>(i), g.pnt.size());
                    for (const pnttyp& p : g.pnt) ASSERT_TRUE(std::isfinite(p.pos.x + p.pos.y + p.pos.z));
                }
            }
        }
    }
}

}  // namespace
}  // namespace quilbet::test

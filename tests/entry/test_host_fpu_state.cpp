// The module under whatever floating-point state its host keeps: a host that
// unmasks exceptions, lowers the x87 precision or flushes denormals gets the
// very stations (vertices, indices, texture words, vessel data) the plain
// host gets, survives the zero sizes that divide by zero inside, and finds
// its own state as it left it after every call. Zero and tiny sizes give only
// finite vertices; a station reaching past the budget's extent is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "entry/station_budget.hpp"
#include "entry/station_check.hpp"
#include "entry_support.hpp"
#include "platform/fpu.hpp"

namespace quilbet::test {
namespace {

// What a host can observe of one station: the vessel definition and every
// host group's vertices, indices and texture.
struct Observed {
    std::array<uint8_t, 864> def{};
    std::vector<std::vector<uint8_t>> vertices;
    std::vector<std::vector<uint16_t>> indices;
    std::vector<std::vector<uint32_t>> textures;
    bool all_finite = true;
    bool host_state_kept = true;
};

bool same_control(const FpuControl& a, const FpuControl& b) { return a.x87 == b.x87 && a.mxcsr == b.mxcsr; }

// Starts a module and builds and hands over each blob in turn, every call
// made under the host state `host` (the state a scope sets is what the
// module's entries find).
std::vector<Observed> build_under(const FpuControl& host, const std::vector<std::vector<int32_t>>& blobs) {
    std::vector<Observed> out;
    Module m;
    m.set_diagnostic_sink({});
    InProcessHost h;
    bool started_kept = true;
    {
        const FpuScope host_state(host);
        m.startup(StartupOptions{false});
        started_kept = same_control(fpu_control(), host);
        m.initint(h.table());
    }
    for (const std::vector<int32_t>& blob : blobs) {
        Observed& o = out.emplace_back();
        {
            const FpuScope host_state(host);
            HostVesselRecord v = InProcessHost::make_vessel_record(blob.data(), static_cast<int32_t>(blob.size() * 4));
            m.make_vessel(o.def.data(), &v);
            o.host_state_kept = started_kept && same_control(fpu_control(), host);
            InProcessHost::release_vessel(v);
            m.make_vesselmesh(h.mesh());
            o.host_state_kept = o.host_state_kept && same_control(fpu_control(), host);
        }
        for (int32_t g = 0; g < InProcessHost::mesh_size && h.group(g).flags == 0; ++g) {
            const HostVertex* v = h.vertices(g);
            const auto* bytes = reinterpret_cast<const uint8_t*>(v);
            o.vertices.emplace_back(bytes, bytes + sizeof(HostVertex) * h.group(g).nvtx);
            o.indices.emplace_back(h.indices(g), h.indices(g) + h.group(g).nidx);
            o.textures.push_back(h.texture_words(g + 1));
            for (uint32_t k = 0; k < h.group(g).nvtx; ++k) {
                for (float f : {v[k].x, v[k].y, v[k].z, v[k].nx, v[k].ny, v[k].nz, v[k].tu, v[k].tv}) {
                    o.all_finite = o.all_finite && std::isfinite(f);
                }
            }
        }
    }
    return out;
}

std::vector<int32_t> one_block(int32_t type, std::vector<std::pair<int32_t, double>> params) {
    return make_blob(1, {{0, type, std::move(params)}});
}

TEST(HostFpuState, EveryHostStateGetsTheSameStationsAndKeepsItsOwn) {
    struct HostState {
        const char* what;
        FpuControl control;
    };
    const HostState hosts[] = {
        {"24-bit x87 precision", {0x007F, sse_default_mxcsr}},
        {"invalid, zero-divide and overflow unmasked", {0x0372, sse_default_mxcsr & ~0x0680u}},
        {"flush to zero, denormals are zero, rounding down", {0x077F, sse_default_mxcsr | 0x8040u | 0x2000u}},
    };
    struct Case {
        const char* what;
        std::vector<int32_t> blob;
    };
    const Case cases[] = {
        {"a habitat on a truss with a tank and a port",
         make_blob(4, {{0, 41, {}, {free_port(), link(1, 0), link(2, 0)}},
                       {1, 71, {}, {link(0, 1)}},
                       {2, 61, {}, {link(0, 2), link(3, 0)}},
                       {3, 52, {}, {link(2, 1)}}})},
        {"Tank_A Radius 0", one_block(71, {{2, 0.0}})},
        {"Tank_B Radius 1e-300", one_block(72, {{2, 1e-300}})},
        {"Tank_A Length and Radius 0", one_block(71, {{1, 0.0}, {2, 0.0}})},
        {"Adaptor_A Length 0", one_block(61, {{1, 0.0}})},
        {"DG_Aux_Port_A Length 0", one_block(81, {{1, 0.0}})},
        {"Hab_B Length 0", one_block(52, {{3, 0.0}})},
        {"Hab_B Length -0", one_block(52, {{3, -0.0}})},
        {"Truss_A Block_length 0", one_block(41, {{1, 0.0}})},
    };
    std::vector<std::vector<int32_t>> blobs;
    for (const Case& c : cases) blobs.push_back(c.blob);
    const std::vector<Observed> plain = build_under(FpuControl{}, blobs);
    for (const HostState& host : hosts) {
        SCOPED_TRACE(host.what);
        const std::vector<Observed> got = build_under(host.control, blobs);
        for (std::size_t i = 0; i < blobs.size(); ++i) {
            SCOPED_TRACE(cases[i].what);
            EXPECT_FALSE(plain[i].vertices.empty());
            EXPECT_TRUE(plain[i].all_finite);
            EXPECT_TRUE(got[i].host_state_kept);
            // Compared whole, without printing megabytes on a failure.
            EXPECT_TRUE(got[i].def == plain[i].def);
            EXPECT_TRUE(got[i].vertices == plain[i].vertices);
            EXPECT_TRUE(got[i].indices == plain[i].indices);
            EXPECT_TRUE(got[i].textures == plain[i].textures);
        }
    }
}

TEST(HostFpuState, TheLastCheckNamesBlockAndGroupAndBoundsTheExtent) {
    // A station that slipped a non-finite texture coordinate past its generator.
    Station st;
    st.block_count = 2;
    st.blocks.resize(2);
    for (blocktyp& b : st.blocks) {
        b.live = 1;
        b.name = "Tank_A";
        b.msh.grpcnt = 2;
        b.msh.grp.resize(2);
        b.msh.grp[1].pnt.resize(3);
    }
    EXPECT_EQ(station_handover_problem(st), "");
    st.blocks[1].msh.grp[1].pnt[2].tv = std::numeric_limits<float>::infinity();
    EXPECT_EQ(station_handover_problem(st), "block 1 (Tank_A) group 1 has a non-finite vertex");
    st.blocks[1].msh.grp[1].pnt[2].tv = 0;
    st.blocks[1].pos = {station_extent_limit - 1, 0, 0};
    EXPECT_EQ(station_handover_problem(st), "");
    st.blocks[1].msh.grp[1].pnt[0].pos = {0, 2, 0};
    const std::string just_beyond = std::to_string(static_cast<long long>(station_extent_limit) + 1);
    EXPECT_NE(station_handover_problem(st).find("station budget: vertices " + just_beyond + " m"), std::string::npos);

    // Through make_vessel: three trusses of 64 bays of 1000 m in a line reach
    // tens of kilometres out and are refused like any station over budget;
    // the one before is kept.
    TestModule t;
    { VesselCall ok(t.m, one_block(52, {})); }
    const int32_t kept = t.m.station().blocks[0].btype;
    const std::vector<std::pair<int32_t, double>> far_bays = {{1, 1000.0}, {2, 64.0}};
    {
        VesselCall far(t.m, make_blob(3, {{0, 41, far_bays, {free_port(), link(1, 0)}},
                                          {1, 41, far_bays, {link(0, 1), link(2, 0)}},
                                          {2, 41, far_bays, {link(1, 1)}}}));
    }
    ASSERT_FALSE(t.lines.empty());
    EXPECT_NE(t.lines.back().find("previous station kept: station budget: vertices"), std::string::npos) << t.lines.back();
    EXPECT_EQ(t.m.station().blocks[0].btype, kept);
}

}  // namespace
}  // namespace quilbet::test

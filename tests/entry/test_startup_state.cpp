// The module's start-up against the plain one: a catalogue whose default
// geometry is built at once on a fresh context with nothing around it. The
// module defers that geometry to its first use and reuses freed large blocks
// on Windows (which come back holding what their last owner left), yet it
// must leave the same random and noise state, the same progress reports, an
// empty block table, and, once built, the same catalogue (entries,
// parameters, ports, meshes bit for bit, texture words), whichever entry is
// asked for first.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "blocks/catalogue.hpp"
#include "entry/module.hpp"
#include "platform/block_reuse.hpp"

namespace quilbet {
namespace {

using Reports = std::vector<std::pair<int32_t, double>>;

template <typename T>
bool same_bytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

void expect_same_group(const typmshgrp& a, const typmshgrp& b, const std::string& where) {
    SCOPED_TRACE(where);
    ASSERT_EQ(a.pnt.size(), b.pnt.size());
    EXPECT_EQ(std::memcmp(a.pnt.data(), b.pnt.data(), a.pnt.size() * sizeof(pnttyp)), 0);
    EXPECT_EQ(a.ind, b.ind);
    EXPECT_EQ(a.texw, b.texw);
    EXPECT_EQ(a.texh, b.texh);
    ASSERT_EQ(a.texpix == nullptr, b.texpix == nullptr);
    if (a.texpix) {
        EXPECT_EQ(std::memcmp(a.texpix.get(), b.texpix.get(), sizeof(uint32_t) * a.texw * a.texh), 0);
    }
    EXPECT_EQ(a.diffuse, b.diffuse);
    EXPECT_EQ(a.emissive, b.emissive);
    EXPECT_EQ(a.specular, b.specular);
    EXPECT_TRUE(same_bytes(a.specpow, b.specpow));
}

void expect_same_entry(const blocktyp& a, const blocktyp& b) {
    SCOPED_TRACE(a.name);
    EXPECT_EQ(a.live, b.live);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.btype, b.btype);
    EXPECT_EQ(a.cat, b.cat);
    EXPECT_EQ(a.id, b.id);
    EXPECT_TRUE(same_bytes(a.size, b.size));
    EXPECT_EQ(a.visited, b.visited);
    EXPECT_TRUE(same_bytes(a.pos, b.pos));
    EXPECT_TRUE(same_bytes(a.rot, b.rot));
    EXPECT_EQ(a.nparams, b.nparams);
    ASSERT_EQ(a.params.size(), b.params.size());
    for (std::size_t k = 0; k < a.params.size(); ++k) {
        const paramtyp& p = a.params[k];
        const paramtyp& q = b.params[k];
        EXPECT_TRUE(p.name == q.name && p.id == q.id && p.kind == q.kind && same_bytes(p.val, q.val) &&
                    same_bytes(p.min, q.min) && same_bytes(p.max, q.max) && same_bytes(p.def, q.def))
            << "parameter " << k;
    }
    EXPECT_EQ(a.nports, b.nports);
    ASSERT_EQ(a.ports.size(), b.ports.size());
    for (std::size_t k = 0; k < a.ports.size(); ++k) {
        const BlockPort& p = a.ports[k];
        const BlockPort& q = b.ports[k];
        EXPECT_TRUE(same_bytes(p.lpos, q.lpos) && same_bytes(p.ldir, q.ldir) && same_bytes(p.lup, q.lup) &&
                    p.kind == q.kind && same_bytes(p.qframe, q.qframe) && same_bytes(p.qframe_inv, q.qframe_inv) &&
                    same_bytes(p.qmate, q.qmate) && same_bytes(p.wpos, q.wpos) && same_bytes(p.wrot, q.wrot) &&
                    p.linked == q.linked && p.lblock == q.lblock && p.lport == q.lport)
            << "port " << k;
    }
    EXPECT_EQ(a.msh.used, b.msh.used);
    EXPECT_EQ(a.msh.grpcnt, b.msh.grpcnt);
    ASSERT_EQ(a.msh.grp.size(), b.msh.grp.size());
    for (std::size_t g = 0; g < a.msh.grp.size(); ++g) {
        expect_same_group(a.msh.grp[g], b.msh.grp[g], "group " + std::to_string(g));
    }
    EXPECT_EQ(a.tex, b.tex);
}

// Where a block's address goes so that its allocation cannot be left out.
void* volatile escape = nullptr;

// Frees large blocks full of a pattern that no start-up result holds, so that
// a start-up inside the same reuse scope is handed them back.
void leave_patterned_blocks() {
    for (std::size_t size : {std::size_t(160) << 10, std::size_t(300) << 10, std::size_t(600) << 10,
                             std::size_t(1200) << 10, std::size_t(2) << 20, std::size_t(4600) << 10}) {
        std::vector<uint8_t> junk(size, 0xA5);
        escape = junk.data();
    }
}

TEST(StartupState, EqualsThePlainCatalogueBuild) {
    // The plain start-up: the catalogue on a fresh context, no scope around it.
    Context plain_ctx;
    plain_ctx.threads = false;
    Catalogue plain;
    Reports plain_reports;
    plain.build_catalogue(plain_ctx, [&](int32_t phase, double f) { plain_reports.emplace_back(phase, f); },
                          DefaultGeometry::now);

    Module m;
    m.set_diagnostic_sink({});
    Reports reports;
    m.set_progress_callback([&](int32_t phase, double f) { reports.emplace_back(phase, f); });
    [[maybe_unused]] const long long reused_before = block_reuse_counts().reused;
    {
        // Start-up and the entries' later builds inside one scope that holds
        // patterned blocks for them.
        const BlockReuse primed;
        leave_patterned_blocks();
        ASSERT_TRUE(m.startup(StartupOptions{false}));

        EXPECT_EQ(m.catalogue().built_count(), 0);
        EXPECT_EQ(reports, plain_reports);
        EXPECT_EQ(m.context().random.state(), plain_ctx.random.state());
        EXPECT_EQ(std::memcmp(m.context().noise.noise_perm, plain_ctx.noise.noise_perm, sizeof plain_ctx.noise.noise_perm), 0);
        EXPECT_EQ(std::memcmp(m.context().noise.noise_grad, plain_ctx.noise.noise_grad, sizeof plain_ctx.noise.noise_grad), 0);
        EXPECT_EQ(m.station().block_count, 0);

        // A late entry first: the entries before it are built on the way.
        ASSERT_EQ(m.catalogue().catalogue_count(), plain.catalogue_count());
        expect_same_entry(m.catalogue().entry(20), plain.entries()[20]);
        EXPECT_EQ(m.catalogue().built_count(), 21);
        for (int32_t i = 0; i < plain.catalogue_count(); ++i) {
            expect_same_entry(m.catalogue().entries()[static_cast<std::size_t>(i)],
                              plain.entries()[static_cast<std::size_t>(i)]);
        }
    }
#if defined(_WIN32)
    // The builds were handed kept blocks, the patterned ones among them.
    EXPECT_GT(block_reuse_counts().reused, reused_before + 6);
#endif
    EXPECT_EQ(m.catalogue().names(), plain.names());
    // Building the entries leaves the module's own context alone.
    EXPECT_EQ(m.context().random.state(), plain_ctx.random.state());
    // After start-up, stations may use a second thread again.
    EXPECT_TRUE(m.context().threads);
    EXPECT_EQ(block_reuse_counts().kept_blocks, 0);
}

}  // namespace
}  // namespace quilbet

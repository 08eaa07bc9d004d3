// An allocation that fails anywhere inside make_vessel changes nothing: the
// station, the random state, the vessel data, the definition buffer and the
// host's lists stay exactly as they were, and the module builds on normally.
//
// This program replaces the global operator new with one that can be told to
// fail after a given number of allocations, on any thread. The Windows build
// of the module replaces operator new itself (to reuse large blocks), so this
// test runs in the native builds only.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "entry_support.hpp"

namespace {

// Allocations left before the next one fails; negative when disarmed.
std::atomic<long> allocations_left{-1};

void* allocate(std::size_t n) {
    if (allocations_left.load(std::memory_order_relaxed) >= 0 && allocations_left.fetch_sub(1) == 0) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace quilbet::test {
namespace {

// Everything a build leaves behind, as bytes: each live block's type, place,
// parameters, ports, vertices, indices and pixels, and the random state.
std::string digest(Module& m) {
    std::string d;
    auto put = [&d](const void* p, size_t n) { d.append(static_cast<const char*>(p), n); };
    const Station& st = m.station();
    put(&st.block_count, 4);
    put(&st.root, 4);
    for (const blocktyp& b : st.blocks) {
        if (!b.live) continue;
        put(&b.btype, 4);
        put(&b.pos, sizeof b.pos);
        put(&b.rot, sizeof b.rot);
        for (const paramtyp& p : b.params) put(&p.val, 8);
        for (const BlockPort& p : b.ports) {
            put(&p.wpos, sizeof p.wpos);
            put(&p.linked, 1);
            put(&p.lblock, 4);
        }
        for (const typmshgrp& g : b.msh.grp) {
            put(g.pnt.data(), g.pnt.size() * sizeof(pnttyp));
            put(g.ind.data(), g.ind.size() * 4);
            if (g.texpix) put(g.texpix.get(), static_cast<size_t>(g.texw) * g.texh * 4);
        }
    }
    const uint32_t state = m.context().random.state();
    put(&state, 4);
    return d;
}

TEST(AllocationFailure, AFailedBuildChangesNothing) {
    // A habitat (painted on a second thread), a tank and a docking port.
    const auto first = make_blob(2, {{0, 71, {}, {free_port(), link(1, 0)}}, {1, 81, {}, {link(0, 1)}}});
    const auto second = make_blob(3, {{0, 51, {{3, 10.0}}, {link(1, 0), free_port(), free_port(), free_port(),
                                                            free_port(), link(2, 0)}},
                                      {1, 72, {}, {link(0, 0), free_port()}},
                                      {2, 61, {}, {link(0, 5), free_port()}}});
    // What the second build gives when nothing fails, on a module of its own.
    std::string expected;
    {
        TestModule ok;
        VesselCall a(ok.m, first);
        VesselCall b(ok.m, second);
        expected = digest(ok.m);
    }

    TestModule t;
    VesselCall base(t.m, first);
    const std::string before = digest(t.m);
    long failures = 0;
    // Fail the 1st, 2nd, 4th ... allocation until a build gets through.
    for (long k = 0;; k = k == 0 ? 1 : k * 3 / 2 + 1) {
        SCOPED_TRACE("allocation " + std::to_string(k) + " fails");
        t.lines.clear();
        std::array<uint8_t, 864> p;
        p.fill(0xA5);
        const std::array<uint8_t, 864> untouched = p;
        HostVesselRecord v = base.v;   // the host's lists of the first build
        v.blob = second.data();
        v.blob_length = static_cast<int32_t>(second.size() * 4);
        allocations_left = k;
        t.m.make_vessel(p.data(), &v);
        const bool failed = allocations_left.load() < 0;
        allocations_left = -1;
        if (!failed) {
            // The last round built the station: the host's lists are new.
            EXPECT_TRUE(t.lines.empty());
            InProcessHost::release_vessel(v);
            for (int i = 0; i < vessel_list_count; ++i) base.v.list[i] = nullptr;
            break;
        }
        ++failures;
        ASSERT_EQ(t.lines.size(), 1u);
        EXPECT_NE(t.lines[0].find("out of memory"), std::string::npos) << t.lines[0];
        EXPECT_EQ(digest(t.m), before);
        EXPECT_EQ(p, untouched);
        for (int i = 0; i < vessel_list_count; ++i) EXPECT_EQ(v.list[i], base.v.list[i]);
    }
    EXPECT_GT(failures, 10);
    EXPECT_EQ(digest(t.m), expected);
}

}  // namespace
}  // namespace quilbet::test

#endif  // !defined(_WIN32)

// What the station budget lets through and what it keeps out, timed end to
// end through the in-process host: every hostile description is refused at
// once, and the largest stations each budget admits build and hand over.
// The "MB" counter is the heap the module and the host hold after the
// hand-over (station, textures, host arrays and surfaces), measured with
// mallinfo2 against the heap before the first build.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstring>
#include <utility>
#include <vector>

#include "entry/module.hpp"
#include "entry/station_build.hpp"
#include "host/inprocess_host.hpp"

namespace {

using namespace quilbet;

void put_double(std::vector<int32_t>& w, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    w.push_back(static_cast<int32_t>(static_cast<uint32_t>(bits)));
    w.push_back(static_cast<int32_t>(static_cast<uint32_t>(bits >> 32)));
}

// n blocks of one type, port 0 of each linked to port 1 of the next (or
// nothing linked when link is false).
std::vector<int32_t> chain(int32_t n, int32_t type, int32_t nports, std::vector<std::pair<int32_t, double>> params,
                           bool link = true) {
    std::vector<int32_t> w{blob_magic, n};
    for (int32_t i = 0; i < n; ++i) {
        w.insert(w.end(), {i, type, static_cast<int32_t>(params.size()), nports});
        for (const auto& [id, v] : params) {
            w.push_back(id);
            put_double(w, v);
        }
        for (int32_t k = 0; k < nports; ++k) {
            if (link && k == 0 && i + 1 < n) {
                w.insert(w.end(), {1, i + 1, 1});
            } else if (link && k == 1 && i > 0) {
                w.insert(w.end(), {1, i - 1, 0});
            } else {
                w.push_back(0);
            }
        }
    }
    return w;
}

struct Case {
    const char* name;
    std::vector<int32_t> blob;
};

std::vector<Case> cases() {
    return {
        {"refused: 150 Power_wing_C", chain(150, 13, 2, {})},
        {"refused: 1024 Power_wing_C", chain(1024, 13, 2, {})},
        {"refused: 1000 Truss_B 64 bays", chain(1000, 42, 258, {{1, 1000.0}, {2, 64.0}})},
        {"refused: 250 Hab_A", chain(250, 51, 6, {})},
        {"groups: 11 Power_wing_C", chain(11, 13, 2, {})},
        {"groups: 500 Solar_Panel_A", chain(500, 31, 1, {}, false)},
        {"vertices: 41 Truss_C 64 bays", chain(41, 43, 258, {{2, 64.0}})},
        {"work: 33 Hab_A", chain(33, 51, 6, {})},
    };
}

void BM_StationBudget(benchmark::State& state) {
    const Case c = cases()[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(c.name);
    const std::size_t heap_before = mallinfo2().uordblks;
    Module m;
    m.set_diagnostic_sink({});
    m.startup(StartupOptions{false});
    InProcessHost host;
    m.initint(host.table());
    uint8_t p[864];
    std::size_t held = 0;
    for (auto _ : state) {
        HostVesselRecord v = InProcessHost::make_vessel_record(c.blob.data(), static_cast<int32_t>(c.blob.size() * 4));
        m.make_vessel(p, &v);
        m.make_vesselmesh(host.mesh());
        held = std::max(held, mallinfo2().uordblks - heap_before);
        InProcessHost::release_vessel(v);
    }
    state.counters["MB"] = static_cast<double>(held) / (1 << 20);
    state.counters["accepted"] = m.station().block_count > 0 ? 1 : 0;
}
BENCHMARK(BM_StationBudget)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

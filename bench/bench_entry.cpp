// The plug-in's entry points end to end through the in-process host:
// make_vessel + make_vesselmesh of a large station, and the module start-up.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "entry/module.hpp"
#include "entry/startup.hpp"
#include "entry/station_build.hpp"
#include "host/inprocess_host.hpp"

namespace {

using namespace quilbet;

// Builds a description blob from blocks and links given once each.
class StationBlob {
public:
    int32_t add(int32_t type, std::vector<std::pair<int32_t, double>> params = {}) {
        blocks_.push_back({type, std::move(params), {}});
        return static_cast<int32_t>(blocks_.size()) - 1;
    }
    void link(int32_t a, int32_t pa, int32_t b, int32_t pb) {
        blocks_[static_cast<std::size_t>(a)].links[pa] = {b, pb};
        blocks_[static_cast<std::size_t>(b)].links[pb] = {a, pa};
    }
    std::vector<int32_t> words() const {
        std::vector<int32_t> w{blob_magic, static_cast<int32_t>(blocks_.size())};
        for (std::size_t id = 0; id < blocks_.size(); ++id) {
            const Block& b = blocks_[id];
            const int32_t q = b.links.empty() ? 0 : b.links.rbegin()->first + 1;
            w.insert(w.end(), {static_cast<int32_t>(id), b.type, static_cast<int32_t>(b.params.size()), q});
            for (const auto& [pid, v] : b.params) {
                uint64_t bits;
                std::memcpy(&bits, &v, 8);
                w.insert(w.end(), {pid, static_cast<int32_t>(static_cast<uint32_t>(bits)),
                                   static_cast<int32_t>(static_cast<uint32_t>(bits >> 32))});
            }
            for (int32_t k = 0; k < q; ++k) {
                const auto it = b.links.find(k);
                if (it == b.links.end()) {
                    w.push_back(0);
                } else {
                    w.insert(w.end(), {1, it->second.first, it->second.second});
                }
            }
        }
        return w;
    }
    std::size_t size() const { return blocks_.size(); }

private:
    struct Block {
        int32_t type;
        std::vector<std::pair<int32_t, double>> params;
        std::map<int32_t, std::pair<int32_t, int32_t>> links;
    };
    std::vector<Block> blocks_;
};

// A truss spine with a habitat ring, power wings, tanks, docking ports,
// adaptors with side trusses and solar panels: 35 blocks, every link between
// ports of equal kind.
std::vector<int32_t> large_station() {
    StationBlob s;
    const int32_t spine = s.add(41);  // Truss_A, 7 bays: ports 0/1 ends, 2+4i +x, 3+4i -x, 4+4i +y, 5+4i -y
    const int32_t hab1 = s.add(51);
    s.link(spine, 0, hab1, 3);
    const int32_t hab2 = s.add(52);
    s.link(hab1, 0, hab2, 1);
    const int32_t node = s.add(53);
    s.link(hab2, 0, node, 1);
    const int32_t dock1 = s.add(55);
    s.link(node, 0, dock1, 0);
    const int32_t hab3 = s.add(54, {{1, 2.0}});
    s.link(node, 2, hab3, 1);
    const int32_t dock2 = s.add(55);
    s.link(hab3, 0, dock2, 0);
    const int32_t side_tank = s.add(71, {{1, 6.0}});
    s.link(hab3, 2, side_tank, 0);
    for (int32_t i : {1, 5}) {
        const int32_t a = s.add(11, {{1, 1.0}, {2, 0.3}});
        s.link(spine, 2 + 4 * i, a, 3);
        const int32_t b = s.add(12, {{1, 2.0}});
        s.link(spine, 3 + 4 * i, b, 2);
    }
    int32_t tank = s.add(71);
    s.link(spine, 1, tank, 1);
    for (int k = 0; k < 2; ++k) {
        const int32_t next = s.add(72, {{1, 8.0}, {2, 1.5}});
        s.link(tank, 0, next, 1);
        tank = next;
    }
    for (int32_t i = 0; i < 7; ++i) {
        const int32_t aux = s.add(82, {{1, 4.0}});
        s.link(spine, 4 + 4 * i, aux, 0);
    }
    for (int32_t i : {0, 3, 6}) {
        const int32_t adaptor = s.add(62);
        s.link(spine, 5 + 4 * i, adaptor, 0);
        const int32_t side = s.add(42, {{2, 3.0}, {1, 6.0}});
        s.link(adaptor, 1, side, 1);
        const int32_t aux = s.add(81);
        s.link(side, 2, aux, 0);
    }
    for (int32_t h : {hab1, hab2}) {
        for (int32_t p : {4, 5}) {
            const int32_t panel = s.add(31);
            s.link(h, p, panel, 0);
        }
    }
    return s.words();
}

struct Silent {
    static void setup(Module& m) { m.set_diagnostic_sink({}); }
};

void BM_LargeStation(benchmark::State& state) {
    Module m;
    Silent::setup(m);
    m.startup(StartupOptions{false});
    InProcessHost host;
    m.initint(host.table());
    const std::vector<int32_t> blob = large_station();
    uint8_t p[864];
    for (auto _ : state) {
        HostVesselRecord v = InProcessHost::make_vessel_record(blob.data(), static_cast<int32_t>(blob.size() * 4));
        m.make_vessel(p, &v);
        m.make_vesselmesh(host.mesh());
        InProcessHost::release_vessel(v);
        benchmark::DoNotOptimize(p);
    }
    state.counters["blocks"] = static_cast<double>(m.station().block_count);
    int32_t groups = 0;
    for (const blocktyp& b : m.station().blocks) groups += b.live ? b.msh.grpcnt : 0;
    state.counters["groups"] = groups;
    state.counters["docking"] = m.vessel().def.docking_count;
}
BENCHMARK(BM_LargeStation)->Unit(benchmark::kMillisecond);

void BM_StartupCatalogue(benchmark::State& state) {
    for (auto _ : state) {
        Module m;
        Silent::setup(m);
        m.startup(StartupOptions{false});
        benchmark::DoNotOptimize(m.catalogue().catalogue_count());
    }
}
BENCHMARK(BM_StartupCatalogue)->Unit(benchmark::kMillisecond);

void BM_PlaceholderMeshText(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(placeholder_mesh_text());
}
BENCHMARK(BM_PlaceholderMeshText)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

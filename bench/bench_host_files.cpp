// Baking a built station into the host's files: the mesh text and every DDS
// (mipmap chains, DXT1 blocks through stb_dxt or uncompressed), for the large
// example. The station is built once; each iteration bakes what the host
// received, as `quilbet build --host-mesh` does after its build. The whole
// command (build and bake) is measured beside it for scale.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "station/host_mesh_files.hpp"
#include "station/load_station.hpp"
#include "station/station_outputs.hpp"
#include "station/station_runner.hpp"

namespace quilbet {
namespace {

const std::string large_example = std::string(QUILBET_SOURCE_DIR) + "/examples/large_station.json";

const StationText& large_station() {
    static const StationText st = [] {
        StationText out;
        Diagnostics diag;
        if (!load_station(large_example, out, diag)) std::abort();
        return out;
    }();
    return st;
}

const HostHandover& large_handover() {
    static const HostHandover handover = [] {
        Module module;
        StartupOptions start;
        start.write_placeholder_files = false;
        BuildResult r;
        std::string error;
        if (!module.startup(start) || !run_station(module, encode_blob(large_station().station), r, error)) {
            std::fprintf(stderr, "large example: %s\n", error.c_str());
            std::abort();
        }
        return r.handover;
    }();
    return handover;
}

void BM_BakeLargeStation(benchmark::State& state) {
    const DdsFormat format = state.range(0) == 0 ? DdsFormat::dxt1 : DdsFormat::rgba;
    const HostHandover& handover = large_handover();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::vector<OutputFile> files = host_mesh_files(handover, "host", "large_station", format);
        bytes = 0;
        for (const OutputFile& f : files) bytes += f.bytes.size();
        benchmark::DoNotOptimize(files.data());
    }
    state.counters["groups"] = static_cast<double>(handover.groups.size());
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetLabel(format == DdsFormat::dxt1 ? "dxt1" : "rgba");
}
BENCHMARK(BM_BakeLargeStation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BuildAndBakeLargeStation(benchmark::State& state) {
    const StationText& st = large_station();
    BuildOptions opt;
    opt.input = large_example;
    opt.host_mesh = "host";
    for (auto _ : state) {
        std::vector<OutputFile> files;
        std::string error;
        if (!build_station_files(st.station, st.names, opt, files, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(files.data());
    }
}
BENCHMARK(BM_BuildAndBakeLargeStation)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace quilbet

BENCHMARK_MAIN();

// Generating stations: 40-block stations of each style, placement and overlap
// tests included, nothing built or written. "warm" shares the process's shape
// cache, as repeated generation (and the designer) does; "cold" starts every
// station with an empty cache, so the geometry of every design it uses is
// built once inside the timing.
#include <benchmark/benchmark.h>

#include "generate/generate.hpp"

namespace {

using namespace quilbet;

constexpr StationStyle styles[] = {StationStyle::core, StationStyle::spine, StationStyle::ring, StationStyle::random};

GenerateOptions options_for(const benchmark::State& state, uint64_t seed) {
    GenerateOptions o;
    o.style = styles[state.range(0)];
    o.blocks = static_cast<int32_t>(state.range(1));
    o.seed = seed;
    return o;
}

void report(benchmark::State& state, int64_t blocks, int64_t tried, int64_t overlapping, int64_t stations) {
    state.counters["blocks"] = benchmark::Counter(static_cast<double>(blocks) / static_cast<double>(stations));
    state.counters["tried"] = benchmark::Counter(static_cast<double>(tried) / static_cast<double>(stations));
    state.counters["overlapping"] = benchmark::Counter(static_cast<double>(overlapping) / static_cast<double>(stations));
    state.SetLabel(style_name(styles[state.range(0)]));
}

// The same eight seeds round and round, after one pass to fill the cache.
void BM_GenerateWarm(benchmark::State& state) {
    for (uint64_t seed = 1; seed <= 8; ++seed) generate_station(options_for(state, seed));
    uint64_t seed = 0;
    int64_t blocks = 0, tried = 0, overlapping = 0, stations = 0;
    for (auto _ : state) {
        const GeneratedStation g = generate_station(options_for(state, 1 + seed++ % 8));
        blocks += static_cast<int64_t>(g.station.records.size());
        tried += g.candidates;
        overlapping += g.overlapping;
        ++stations;
    }
    report(state, blocks, tried, overlapping, stations);
}

void BM_GenerateCold(benchmark::State& state) {
    uint64_t seed = 0;
    int64_t blocks = 0, tried = 0, overlapping = 0, stations = 0;
    for (auto _ : state) {
        ShapeCache cache;
        const GeneratedStation g = generate_station(options_for(state, 1 + seed++ % 8), cache);
        blocks += static_cast<int64_t>(g.station.records.size());
        tried += g.candidates;
        overlapping += g.overlapping;
        ++stations;
    }
    report(state, blocks, tried, overlapping, stations);
}

BENCHMARK(BM_GenerateWarm)->ArgsProduct({{0, 1, 2, 3}, {40}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateWarm)->ArgsProduct({{0, 1, 2, 3}, {120}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateCold)->ArgsProduct({{0, 1, 2, 3}, {40}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

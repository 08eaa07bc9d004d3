// Reading hostile station descriptions as `quilbet describe` and the
// designer's API read them: each must be refused within 2 s and 300 MB of
// peak memory (the "peak_MB" counter is the process's peak so far, so run one
// benchmark at a time with --benchmark_filter to read it for one input).
// For scale, the large example read and checked in full.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "station/load_station.hpp"

namespace {

using namespace quilbet;

std::string nested(size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// n blocks, each with the given params object.
std::string blocks(size_t n, const std::string& params) {
    std::string text = R"({"blocks": [)";
    for (size_t i = 0; i < n; ++i) {
        text += (i ? "," : "") + std::string(R"({"id": "b)") + std::to_string(i) + R"(", "type": "Tank_A", "params": )" + params + "}";
    }
    return text + "]}";
}

// One object of n keys, each "kN": 1.
std::string keys(size_t n) {
    std::string text = "{";
    for (size_t i = 0; i < n; ++i) text += (i ? ",\"k" : "\"k") + std::to_string(i) + "\": 1";
    return text + "}";
}

std::string example_text(const char* name) {
    std::ifstream in(std::string(QUILBET_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void read_description(benchmark::State& state, const std::string& text, bool expect_ok) {
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    for (auto _ : state) {
        StationText st;
        Diagnostics diag;
        const bool ok = load_station_bytes(bytes, false, st, diag);
        if (ok != expect_ok) state.SkipWithError(expect_ok ? "the description was refused" : "the description was accepted");
        benchmark::DoNotOptimize(st);
    }
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    state.counters["input_MB"] = static_cast<double>(text.size()) / (1 << 20);
    state.counters["peak_MB"] = static_cast<double>(ru.ru_maxrss) / 1024;
}

// 100,000 nested lists (200 KB) as a parameter value: once a stack overflow
// in the message that quoted it.
void BM_DeepParameterValue(benchmark::State& state) {
    read_description(state, R"({"blocks": [{"id": "a", "type": "Tank_A", "params": {"Length": )" + nested(100000) + "}}]}",
                     false);
}
BENCHMARK(BM_DeepParameterValue)->Unit(benchmark::kMillisecond);

// 32 million nested lists: the whole 64 MB input limit.
void BM_DeepWholeFile(benchmark::State& state) { read_description(state, nested(size_t{32} << 20), false); }
BENCHMARK(BM_DeepWholeFile)->Unit(benchmark::kMillisecond);

// 600,000 blocks (about 35 MB): refused at the 1,025th while reading.
void BM_ManyBlocks(benchmark::State& state) { read_description(state, blocks(600000, "{}"), false); }
BENCHMARK(BM_ManyBlocks)->Unit(benchmark::kMillisecond);

// One 1 MiB request body of 107,000 keys: once 11 s in the ordered object's key lookups.
void BM_ManyKeysInOneObject(benchmark::State& state) {
    read_description(state, R"({"blocks": [{"id": "a", "type": "Tank_A"}], "links": )" + keys(107000) + "}", false);
}
BENCHMARK(BM_ManyKeysInOneObject)->Unit(benchmark::kMillisecond);

// The costliest shape within the bounds: 128 objects of 1,024 keys (the
// ordered objects' n^2 key lookups at their limit), then refused for unknown parameters.
void BM_LargestObjectsWithinBounds(benchmark::State& state) { read_description(state, blocks(127, keys(1024)), false); }
BENCHMARK(BM_LargestObjectsWithinBounds)->Unit(benchmark::kMillisecond);

void BM_LargeExample(benchmark::State& state) { read_description(state, example_text("large_station.json"), true); }
BENCHMARK(BM_LargeExample)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The catalogue build at load time, from a fresh context each time: the 26
// entries with their ports, the entries' default geometry and textures left
// for their first use (argument 0, as the module starts) or built at once
// (1); and each entry's geometry on its own, to show where the time goes.
#include <benchmark/benchmark.h>

#include "blocks/catalogue.hpp"
#include "blocks/geometry.hpp"
#include "blocks/placement.hpp"

namespace {

using namespace quilbet;

void BM_build_catalogue(benchmark::State& state) {
    const DefaultGeometry when = state.range(0) == 0 ? DefaultGeometry::on_first_use : DefaultGeometry::now;
    state.SetLabel(state.range(0) == 0 ? "geometry on first use" : "geometry now");
    for (auto _ : state) {
        Context ctx;
        ctx.threads = false;   // as at start-up, inside the loader
        Catalogue cat;
        cat.build_catalogue(ctx, {}, when);
        benchmark::DoNotOptimize(cat.definition(0));
    }
}
BENCHMARK(BM_build_catalogue)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Regenerates the default geometry of catalogue entry i (the random state
// differs from the catalogue build's, which moves details but not the work).
void BM_entry_geometry(benchmark::State& state) {
    static const Catalogue* cat = [] {
        Context ctx;
        auto* c = new Catalogue();
        c->build_catalogue(ctx);
        return c;
    }();
    const blocktyp& entry = cat->entries()[static_cast<size_t>(state.range(0))];
    state.SetLabel(entry.name);
    Context ctx;
    blocktyp b;
    copy_block(b, entry, true);
    for (auto _ : state) {
        build_block_geometry(ctx, b, true);
        benchmark::DoNotOptimize(b.size);
    }
}
BENCHMARK(BM_entry_geometry)->DenseRange(0, 25)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Checks of generated stations shared by the tests.
#include "station_checks.hpp"

#include "station/station_runner.hpp"
#include "station/validate.hpp"
#include "triangle_check.hpp"

namespace quilbet {

// Triangles of different blocks may come this close to crossing: the float
// vertices of a station some hundred metres across round by a few hundredths
// of a millimetre.
constexpr double crossing_tolerance = 1e-3;

std::string describe_options(const GenerateOptions& o) {
    return std::string(style_name(o.style)) + " seed " + std::to_string(o.seed) + " K " + std::to_string(o.blocks);
}

Module& test_module() {
    static Module module;
    static const bool started = [] {
        StartupOptions opt;
        opt.write_placeholder_files = false;
        return module.startup(opt);
    }();
    (void)started;
    return module;
}

StationCheck check_generated(const GenerateOptions& options, Module* build) {
    StationCheck out;
    const GeneratedStation gen = generate_station(options);
    out.blocks = static_cast<int32_t>(gen.station.records.size());
    out.layouts = gen.layouts;
    for (const BlobRecord& r : gen.station.records) out.types.insert(r.btype);
    Diagnostics diag;
    validate_station(gen.station, [](int32_t slot) { return std::to_string(slot); }, diag);
    for (const Diagnostic& d : diag.list()) out.messages.push_back((d.error ? "error: " : "warning: ") + d.text);
    if (build == nullptr || !out.messages.empty()) return out;

    BuildResult result;
    out.built = run_station(*build, encode_blob(gen.station), result, out.build_error);
    if (!out.built) return out;
    const Station& st = build->station();
    for (const BlockPair& p : crossing_blocks(st, crossing_tolerance)) {
        out.crossings.push_back(std::to_string(p.a) + " (" + st.blocks[static_cast<size_t>(p.a)].name + ") x " +
                                std::to_string(p.b) + " (" + st.blocks[static_cast<size_t>(p.b)].name + ")");
    }
    return out;
}

}  // namespace quilbet
